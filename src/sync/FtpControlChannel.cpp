#include "sync/FtpControlChannel.h"

#include "platform/Log.h"
#include "sync/FtpLog.h"

#include <cerrno>

namespace dossiva {

namespace {

// A reply line is kept in 256 bytes with its terminating NUL.
constexpr std::size_t kResponseSize = 256;
// Beyond these a server is not answering FTP: the reply fails.
constexpr std::size_t kMaxReplyLineBytes = 64 * 1024;
constexpr std::size_t kMaxReplyBytes = 1024 * 1024;
constexpr std::size_t kMaxCommandLength = 253;

} // namespace

std::unique_ptr<FtpControlChannel> FtpControlChannel::open(const sockaddr_in& address, FtpWaits waits,
                                                           FtpDialer& dialer)
{
    auto connection =
        FtpConnection::open(address, FtpConnection::Direction::Control, true, std::move(waits), dialer);
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<FtpControlChannel>(new FtpControlChannel(std::move(connection)));
}

FtpControlChannel::FtpControlChannel(std::unique_ptr<FtpConnection> connection)
    : m_connection(std::move(connection))
{
}

bool FtpControlChannel::isSendable(std::string_view text)
{
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            return false;
        }
    }
    return true;
}

bool FtpControlChannel::send(const std::string& command, char expected)
{
    if (command.size() > kMaxCommandLength || !isSendable(command) || m_connection->cancelled()) {
        return false;
    }
    if (m_outOfStep) {
        m_response = "the connection no longer answers in step\n";
        return false;
    }
    if (!m_connection->write(command + "\r\n")) {
        m_outOfStep = !m_connection->cancelled();
        return false;
    }
    return !m_connection->cancelled() && readReply(expected, nullptr);
}

// Reads one reply line into the response: at most 255 bytes are kept, the
// rest of an over-long line is read and dropped, and "\r\n" becomes "\n".
// budget counts the bytes read for the whole reply.
bool FtpControlChannel::readReplyLine(std::size_t& budget)
{
    using LineRead = FtpConnection::LineRead;
    m_response.clear();
    m_responseTruncated = false;
    LineRead read = m_connection->readLine(m_response, kResponseSize - 1);
    std::size_t lineBytes = m_response.size();
    while (read == LineRead::Partial) {
        m_responseTruncated = true;
        std::string dropped;
        read = m_connection->readLine(dropped, FtpConnection::kBufferSize);
        lineBytes += dropped.size();
        if (lineBytes > kMaxReplyLineBytes) {
            devLog("ftp: a reply line longer than " + std::to_string(kMaxReplyLineBytes) + " bytes");
            return false;
        }
    }
    budget += lineBytes;
    if (read != LineRead::Line || budget > kMaxReplyBytes) {
        return false;
    }
    if (!m_responseTruncated && m_response.size() >= 2 &&
        m_response.compare(m_response.size() - 2, 2, "\r\n") == 0) {
        m_response.erase(m_response.size() - 2, 1);
    }
    return true;
}

bool FtpControlChannel::replyLost(const char* label)
{
    if (!m_connection->cancelled()) {
        logFtpSystemFailure(label, errno == 0 ? EPROTO : errno);
        m_outOfStep = true;
    }
    return false;
}

// A reply is one line, or several when its fourth character is '-': then it
// ends with the first line that begins with the same three digits and a
// blank.
bool FtpControlChannel::readReply(char expected, std::string* firstLine)
{
    std::size_t budget = 0;
    if (!readReplyLine(budget)) {
        return replyLost("Control socket read failed readresp");
    }
    if (firstLine != nullptr) {
        *firstLine = m_response;
    }
    if (m_response.size() >= 4 && m_response[3] == '-') {
        const std::string last = m_response.substr(0, 3) + " ";
        do {
            if (!readReplyLine(budget)) {
                return replyLost("Control socket read failed");
            }
        } while (m_response.compare(0, 4, last) != 0);
    }
    return m_response[0] == expected;
}

} // namespace dossiva
