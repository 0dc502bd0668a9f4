#pragma once

#include "sync/FtpConnection.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace dossiva {

// The conversation on the control connection: a command goes out, its reply
// comes back. Once a reply goes missing (time-out, read error, end of
// stream) the conversation is out of step: replies read later could belong
// to earlier commands, so nothing more is sent on it.
class FtpControlChannel {
public:
    // Connects to the server's control port; null on failure.
    static std::unique_ptr<FtpControlChannel> open(const sockaddr_in& address, FtpWaits waits,
                                                   FtpDialer& dialer = FtpDialer::sockets());

    // Whether text may go into a command line. Names reach commands from the
    // companion's own listings: one holding a line break could smuggle a
    // second command, one holding a NUL would name another file.
    static bool isSendable(std::string_view text);

    // Sends one command line and reads its reply; true when the reply's code
    // begins with the expected digit. A command that is not sendable or too
    // long is never sent.
    bool send(const std::string& command, char expected);
    // Reads one reply, all its lines; true when its code begins with the
    // expected digit. firstLine, when given, gets the reply's first line.
    bool readReply(char expected, std::string* firstLine = nullptr);

    // The reply's last line (at most 255 bytes, ending in "\n"), or the text
    // of the error that stopped the command.
    const std::string& response() const { return m_response; }
    // The last line was longer than response() holds.
    bool responseTruncated() const { return m_responseTruncated; }
    void setResponse(std::string text) { m_response = std::move(text); }
    bool inStep() const { return !m_outOfStep; }
    FtpConnection& connection() { return *m_connection; }

private:
    explicit FtpControlChannel(std::unique_ptr<FtpConnection> connection);
    bool readReplyLine(std::size_t& budget);
    bool replyLost(const char* label);

    std::unique_ptr<FtpConnection> m_connection;
    std::string m_response;
    bool m_responseTruncated = false;
    bool m_outOfStep = false;
};

} // namespace dossiva
