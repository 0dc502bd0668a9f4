#pragma once

#include "sync/FtpTransport.h"

namespace dossiva {

// A TCP connection to an FTP server. Every wait is bounded by the time-out
// and ends at once when the operation is cancelled; failures are logged
// with the system's reason.
class FtpSocket : public FtpTransport {
public:
    // Connects to address within the time-out; null on failure.
    static std::unique_ptr<FtpSocket> open(const sockaddr_in& address, FtpDirection direction,
                                           const FtpWaits& waits);
    ~FtpSocket() override;
    FtpSocket(const FtpSocket&) = delete;
    FtpSocket& operator=(const FtpSocket&) = delete;

    long receive(char* into, std::size_t size, const FtpWaits& waits, FtpFault& fault) override;
    bool send(std::string_view bytes, const FtpWaits& waits, FtpFault& fault) override;
    void shutdown() override;

private:
    enum class Wait { Ready, TimedOut, Cancelled, Failed };

    explicit FtpSocket(int socket) : m_socket(socket) {}
    bool configure(FtpDirection direction, const FtpWaits& waits);
    bool connectTo(const sockaddr_in& address, const FtpWaits& waits);
    Wait waitFor(short events, const FtpWaits& waits);
    static int errnoOf(Wait wait);

    int m_socket;
};

} // namespace dossiva
