#pragma once

#include "sync/FtpCancellation.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <netinet/in.h>
#include <string_view>

namespace dossiva {

// What bounds every wait of one operation: its time-out, and the
// cancellation that ends it at once.
struct FtpWaits {
    std::shared_ptr<FtpCancellation> cancellation = std::make_shared<FtpCancellation>();
    std::chrono::milliseconds timeout{15000};
};

// Why a read or write of an FTP connection failed. Silent: nothing arrived
// within the time-out. TooSlow: data arrived, but below the pace.
enum class FtpFault { None, Silent, TooSlow, Cancelled, Failed };

// The control connection, or the data connection of one transfer.
enum class FtpDirection { Control, Read, Write };

// The byte stream under one FTP connection: a TCP socket, or in the fuzzer
// a script of replies. The connection above it keeps the buffering, the
// pace and the checks, so both are held to the same rules.
class FtpTransport {
public:
    virtual ~FtpTransport() = default;
    // One read of up to size bytes, waiting within waits: the byte count, 0
    // at the end of the stream, -1 on failure with its kind in fault.
    virtual long receive(char* into, std::size_t size, const FtpWaits& waits, FtpFault& fault) = 0;
    // Writes all the bytes within waits; false with the kind in fault.
    virtual bool send(std::string_view bytes, const FtpWaits& waits, FtpFault& fault) = 0;
    // Ends the stream both ways, so the server sees the end at once.
    virtual void shutdown() = 0;
};

// Opens the transports of a session: TCP connections by default.
class FtpDialer {
public:
    virtual ~FtpDialer() = default;
    // Connects to address within waits; null on failure.
    virtual std::unique_ptr<FtpTransport> dial(const sockaddr_in& address, FtpDirection direction,
                                               const FtpWaits& waits) = 0;
    static FtpDialer& sockets();
};

} // namespace dossiva
