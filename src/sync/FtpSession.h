#pragma once

#include "sync/FtpConnection.h"
#include "sync/FtpControlChannel.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace dossiva {

class FileHandle;

// One FTP operation on the wire, on its worker thread: the commands it sends
// and the replies it reads over the control connection, and its passive
// data connection. The operation moves through its steps in one place,
// enter(), which traces each move; finish() ends it.
//
// The session holds the client's control connection while it runs
// (connect() makes one, quit() ends it) and hands it back with
// releaseControl(). Its connections go through the dialer: TCP sockets,
// or scripted ones in the fuzzer.
class FtpSession {
public:
    FtpSession(const char* operation, FtpWaits waits, FtpPace pace,
               std::unique_ptr<FtpControlChannel> control, FtpDialer& dialer = FtpDialer::sockets());

    // Connects and reads the greeting, which tells whether the server
    // exchanges templates.
    bool connect(const std::string& ip, int port, bool& supportsTemplates);
    bool login(const std::string& user, const std::string& passwd);
    std::optional<std::string> pwd();
    // The listing of a directory with its lines ending in "\n"; nothing when
    // it fails or grows beyond maxBytes.
    std::optional<std::string> list(const std::string& path, std::size_t maxBytes);
    // Nothing beyond maxBytes reaches the local file; a failed download
    // leaves no file of its own behind.
    bool retrieve(const std::string& remotePath, const std::string& localPath, std::uint64_t maxBytes);
    bool store(const FileHandle& file, const std::string& remotePath);
    bool makeDirectory(const std::string& path);
    bool removeDirectory(const std::string& path);
    bool removeFile(const std::string& path);
    bool rename(const std::string& from, const std::string& to);
    // Says goodbye when the conversation is still in step, and drops the
    // control connection either way.
    void quit();
    void finish(bool ok);

    std::unique_ptr<FtpControlChannel> releaseControl() { return std::move(m_control); }
    // Why the operation failed, in the user's words; empty when only the
    // developer log knows.
    const std::string& failure() const { return m_failure; }

private:
    enum class Step;
    enum class TransferKind { List, Retrieve, Store };
    enum class Representation : char { Ascii = 'A', Binary = 'I' };

    static const char* stepName(Step step);
    void enter(Step step);
    void noteFailure(std::string reason);
    void noteFault(const FtpConnection& connection);
    bool cancelled() const { return m_waits.cancellation->cancelled(); }
    bool acceptArgument(const std::string& argument, std::size_t limit);
    // Sends one command line and reads its reply, noting why it failed.
    bool exchange(const std::string& line, char expected);
    bool reply(char expected, std::string* firstLine = nullptr);
    // Enters the step and sends its command; with an argument, only one
    // that is sendable and at most limit bytes long.
    bool command(Step step, const std::string& line, char expected);
    bool command(Step step, const char* verb, const std::string& argument, std::size_t limit, char expected);
    std::unique_ptr<FtpConnection> openData(FtpConnection::Direction direction, Representation mode);
    std::unique_ptr<FtpConnection> openTransfer(const std::string& path, TransferKind kind,
                                                Representation mode);
    bool closeTransfer(std::unique_ptr<FtpConnection> data);
    bool download(int file, FtpConnection& data, std::uint64_t maxBytes);
    bool upload(int file, FtpConnection& data);

    const char* m_operation;
    FtpWaits m_waits;
    FtpPace m_pace;
    std::unique_ptr<FtpControlChannel> m_control;
    FtpDialer& m_dialer;
    Step m_step;
    std::string m_failure;
    std::string m_lastReply; // for the developer log when the operation fails
};

} // namespace dossiva
