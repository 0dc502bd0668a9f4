#pragma once

#include <atomic>

namespace dossiva {

// Ends an FTP operation from another thread at once: cancel() sets the flag
// and wakes every wait of the operation, which polls wakeFd() beside its
// socket.
class FtpCancellation {
public:
    FtpCancellation();
    ~FtpCancellation();
    FtpCancellation(const FtpCancellation&) = delete;
    FtpCancellation& operator=(const FtpCancellation&) = delete;

    void cancel();
    bool cancelled() const { return m_cancelled; }
    // Readable once cancelled; -1 when none could be made (waits then end at
    // their time-out instead).
    int wakeFd() const { return m_wakeFd; }

private:
    std::atomic<bool> m_cancelled{false};
    int m_wakeFd;
};

} // namespace dossiva
