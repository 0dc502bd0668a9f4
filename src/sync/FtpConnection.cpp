#include "sync/FtpConnection.h"

#include <algorithm>
#include <cstring>

namespace dossiva {

std::unique_ptr<FtpConnection> FtpConnection::open(const sockaddr_in& address, Direction direction,
                                                   bool buffered, FtpWaits waits, FtpDialer& dialer)
{
    auto transport = dialer.dial(address, direction, waits);
    if (!transport) {
        return nullptr;
    }
    return std::unique_ptr<FtpConnection>(
        new FtpConnection(std::move(transport), address, direction, buffered, std::move(waits)));
}

FtpConnection::FtpConnection(std::unique_ptr<FtpTransport> transport, const sockaddr_in& peer,
                             Direction direction, bool buffered, FtpWaits waits)
    : m_transport(std::move(transport)), m_direction(direction), m_waits(std::move(waits)), m_peer(peer)
{
    if (buffered) {
        m_buffer.resize(kBufferSize);
    }
}

FtpConnection::~FtpConnection() = default;

void FtpConnection::setWaits(FtpWaits waits)
{
    m_waits = std::move(waits);
    m_fault = Fault::None;
}

void FtpConnection::keepPace(const FtpPace& pace)
{
    m_pace = pace;
    m_paceWindowStart = std::chrono::steady_clock::now();
    m_paceBytes = 0;
}

bool FtpConnection::write(std::string_view bytes)
{
    if (m_direction == Direction::Read) {
        return false;
    }
    return m_transport->send(bytes, m_waits, m_fault);
}

long FtpConnection::receive(char* into, std::size_t size)
{
    return m_transport->receive(into, size, m_waits, m_fault);
}

// Counts bytes that arrived; false once a whole window passed with fewer
// than the minimum.
bool FtpConnection::keepsPace(std::uint64_t bytes)
{
    if (!m_pace) {
        return true;
    }
    m_paceBytes += bytes;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_paceWindowStart < m_pace->window) {
        return true;
    }
    if (m_paceBytes < m_pace->minimumBytes) {
        m_fault = Fault::TooSlow;
        return false;
    }
    m_paceWindowStart = now;
    m_paceBytes = 0;
    return true;
}

long FtpConnection::read(char* into, std::size_t size)
{
    if (m_direction != Direction::Read || !m_buffer.empty()) {
        return -1;
    }
    const long got = receive(into, size);
    if (got > 0 && !keepsPace(static_cast<std::uint64_t>(got))) {
        return -1;
    }
    return got;
}

// One socket read into the buffer's free space, which is all of it: the
// buffer is only filled once it was read empty.
long FtpConnection::fill()
{
    const long got = receive(m_buffer.data(), m_buffer.size());
    if (got > 0 && !keepsPace(static_cast<std::uint64_t>(got))) {
        return -1;
    }
    if (got == 0) {
        m_endOfStream = true;
    } else if (got > 0) {
        m_getPointer = 0;
        m_available = static_cast<std::size_t>(got);
    }
    return got;
}

FtpConnection::LineRead FtpConnection::readLine(std::string& out, std::size_t room)
{
    if (m_direction == Direction::Write || m_buffer.empty()) {
        return LineRead::Failed;
    }
    while (room > 0) {
        if (m_available > 0) {
            const char* start = m_buffer.data() + m_getPointer;
            std::size_t take = std::min(m_available, room);
            const void* newline = std::memchr(start, '\n', take);
            if (newline != nullptr) {
                take = static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1;
            }
            out.append(start, take);
            m_getPointer += take;
            m_available -= take;
            room -= take;
            if (newline != nullptr) {
                return LineRead::Line;
            }
            continue;
        }
        if (m_endOfStream) {
            return LineRead::EndOfStream;
        }
        if (fill() < 0) {
            return LineRead::Failed;
        }
    }
    return LineRead::Partial;
}

void FtpConnection::shutdown()
{
    m_transport->shutdown();
}

} // namespace dossiva
