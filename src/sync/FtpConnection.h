#pragma once

#include "sync/DownloadLimits.h"
#include "sync/FtpTransport.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva {

// How slowly a download or listing may move: fewer than minimumBytes within
// a window ends it. A server that trickles a byte now and then would
// otherwise keep a transfer alive for hours without ever falling silent for
// the time-out.
struct FtpPace {
    std::uint64_t minimumBytes = DownloadLimits{}.minimumBytes;
    std::chrono::milliseconds window = DownloadLimits{}.window;
};

// One TCP connection of the FTP client: the control connection, or the data
// connection of one transfer. The control connection and ASCII data
// connections read through a buffer; binary ones read straight into the
// caller's block. Every wait is bounded by the time-out and ends at once
// when the operation is cancelled. Failures leave their kind in fault(),
// for the caller to put in words.
class FtpConnection {
public:
    using Direction = FtpDirection;
    using Fault = FtpFault;
    enum class LineRead { Line, Partial, EndOfStream, Failed };

    static constexpr std::size_t kBufferSize = 8192;

    // Connects to address within the time-out through the dialer; null on
    // failure.
    static std::unique_ptr<FtpConnection> open(const sockaddr_in& address, Direction direction, bool buffered,
                                               FtpWaits waits, FtpDialer& dialer = FtpDialer::sockets());
    ~FtpConnection();
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // The control connection serves one operation after another, each with
    // its own time-out and cancellation.
    void setWaits(FtpWaits waits);
    // From now on reads fail once the data moves more slowly than this.
    void keepPace(const FtpPace& pace);

    // Writes all the bytes; not on a connection that reads.
    bool write(std::string_view bytes);
    // One read of up to size bytes on an unbuffered connection that reads:
    // the byte count, 0 at the end of the stream, -1 on failure.
    long read(char* into, std::size_t size);
    // Appends to out the current line up to and including its "\n", at most
    // room bytes of it (buffered connections). Partial: room ran out first,
    // and the rest of the line comes with the next call.
    LineRead readLine(std::string& out, std::size_t room);
    // Ends the stream both ways, so the server sees the end at once.
    void shutdown();

    Direction direction() const { return m_direction; }
    // The address this connection reached.
    const sockaddr_in& peer() const { return m_peer; }
    bool cancelled() const { return m_waits.cancellation->cancelled(); }
    // Why the last read or write failed; None after setWaits().
    Fault fault() const { return m_fault; }

private:
    FtpConnection(std::unique_ptr<FtpTransport> transport, const sockaddr_in& peer, Direction direction,
                  bool buffered, FtpWaits waits);
    long receive(char* into, std::size_t size);
    long fill();
    bool keepsPace(std::uint64_t bytes);

    std::unique_ptr<FtpTransport> m_transport;
    Direction m_direction;
    FtpWaits m_waits;
    sockaddr_in m_peer;
    std::vector<char> m_buffer;   // empty on binary data connections
    std::size_t m_getPointer = 0; // next byte not yet handed to a reader
    std::size_t m_available = 0;  // bytes from there on not yet consumed
    bool m_endOfStream = false;
    Fault m_fault = Fault::None;
    std::optional<FtpPace> m_pace;
    std::chrono::steady_clock::time_point m_paceWindowStart;
    std::uint64_t m_paceBytes = 0;
};

} // namespace dossiva
