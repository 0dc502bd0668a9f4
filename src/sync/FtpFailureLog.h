#pragma once

#include <memory>
#include <string>

namespace dossiva {

// What the FTP client's log says about the operation that failed last. The
// client reports only done or failed, and keeps in words only the failures
// it detects itself (a time-out, a limit); what the companion answered to a
// refused command, and that the connection broke, are in its log lines:
// "ftp mkdir failed at MKD: 550 ...", "Control socket read failed ...". A
// session listens to the log while it runs, passing every line on to
// wherever the log went before.
class FtpFailureLog {
public:
    // Starts listening.
    FtpFailureLog();
    // Stops listening; the log goes where it went before.
    ~FtpFailureLog();
    FtpFailureLog(const FtpFailureLog&) = delete;
    FtpFailureLog& operator=(const FtpFailureLog&) = delete;

    // Why the last failed operation failed, as the user reads it ("the
    // connection to the companion was lost", "the companion refused MKD: 550
    // Permission denied"); "" when the log does not say.
    std::string lastFailure() const;
    // Whether the connection broke at some point: nothing sent after that is
    // answered.
    bool connectionLost() const;
    // Forgets the last failure (an operation succeeded since).
    void clearFailure();

    // What has been read, shared with the listener in the log's chain.
    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace dossiva
