#include "sync/FtpSession.h"

#include "platform/Log.h"
#include "sync/DownloadLimits.h"
#include "sync/FtpLog.h"
#include "sync/FtpReplyParser.h"
#include "sync/PackageFiles.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dossiva {

// The steps of an operation on the wire, in the order a transfer takes them.
enum class FtpSession::Step {
    Start,
    Resolve,
    Connect,
    Greeting,
    User,
    Pass,
    Pwd,
    Cwd,
    Type,
    Pasv,
    DataConnect,
    TransferCommand,
    Transfer,
    TransferReply,
    Mkd,
    Rmd,
    Dele,
    Rnfr,
    Rnto,
    Quit,
    Done,
    Failed
};

namespace {

// Each login command must fit a 64-byte buffer with its "USER " or "PASS ".
constexpr std::size_t kMaxCredentialBytes = 57;
constexpr std::size_t kMaxTransferCommandLength = 255;
// MKD, RMD and CWD paths; DELE, RNFR and RNTO paths are one shorter.
constexpr std::size_t kMaxDirectoryPath = 250;
constexpr std::size_t kMaxFilePath = 249;
// Files move in blocks of this size.
constexpr std::size_t kBlockSize = 8192;

// "15 seconds", "300 milliseconds".
std::string durationText(std::chrono::milliseconds duration)
{
    const auto count = duration.count();
    if (count % 1000 == 0) {
        return std::to_string(count / 1000) + (count == 1000 ? " second" : " seconds");
    }
    return std::to_string(count) + " milliseconds";
}

std::string dottedAddress(const void* address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, address, text, sizeof text);
    return text;
}

// The server's IPv4 address: dotted, or a host name to look up.
std::optional<in_addr> resolve(const std::string& host)
{
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1) {
        return address;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int error = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (error != 0 || found == nullptr) {
        devLog(std::string("gethostbyname: ") + ::gai_strerror(error));
        return std::nullopt;
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

bool writeWhole(int fd, const char* bytes, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

FtpSession::FtpSession(const char* operation, FtpWaits waits, FtpPace pace,
                       std::unique_ptr<FtpControlChannel> control, FtpDialer& dialer)
    : m_operation(operation), m_waits(std::move(waits)), m_pace(pace), m_control(std::move(control)),
      m_dialer(dialer), m_step(Step::Start)
{
    if (m_control) {
        m_control->connection().setWaits(m_waits);
    }
}

const char* FtpSession::stepName(Step step)
{
    static const char* const names[] = {"start",    "resolve",        "connect",      "greeting",
                                        "USER",     "PASS",           "PWD",          "CWD",
                                        "TYPE",     "PASV",           "data connect", "transfer command",
                                        "transfer", "transfer reply", "MKD",          "RMD",
                                        "DELE",     "RNFR",           "RNTO",         "QUIT",
                                        "done",     "failed"};
    return names[static_cast<int>(step)];
}

// The one place where the operation changes step.
void FtpSession::enter(Step step)
{
    if (step == m_step) {
        return;
    }
    if (ftpTraceEnabled()) {
        devLog(std::string("ftp ") + m_operation + ": " + stepName(m_step) + " -> " + stepName(step));
    }
    m_step = step;
}

void FtpSession::finish(bool ok)
{
    if (!ok) {
        std::string reply = m_lastReply;
        while (!reply.empty() && reply.back() == '\n') {
            reply.pop_back();
        }
        devLog(std::string("ftp ") + m_operation + " failed at " + stepName(m_step) +
               (reply.empty() ? std::string() : ": " + reply));
    }
    enter(ok ? Step::Done : Step::Failed);
}

// The first reason stands: what follows a failure (a reply that does not
// come) is its consequence.
void FtpSession::noteFailure(std::string reason)
{
    if (m_failure.empty()) {
        m_failure = std::move(reason);
    }
}

// Puts a connection's failure in the user's words, where there are any.
void FtpSession::noteFault(const FtpConnection& connection)
{
    switch (connection.fault()) {
    case FtpConnection::Fault::Silent:
        noteFailure("the companion sent nothing for " + durationText(m_waits.timeout));
        break;
    case FtpConnection::Fault::TooSlow:
        devLog(std::string("ftp ") + m_operation + ": the data connection moves too slowly");
        noteFailure("the transfer from the companion was too slow (less than " +
                    byteCountText(m_pace.minimumBytes) + " in " + durationText(m_pace.window) + ")");
        break;
    default:
        break;
    }
}

bool FtpSession::acceptArgument(const std::string& argument, std::size_t limit)
{
    if (!FtpControlChannel::isSendable(argument)) {
        devLog(std::string("ftp ") + m_operation + ": refusing an argument that holds a control character");
        return false;
    }
    return argument.size() <= limit;
}

bool FtpSession::exchange(const std::string& line, char expected)
{
    if (!m_control) {
        return false;
    }
    const bool ok = m_control->send(line, expected);
    m_lastReply = m_control->response();
    if (!ok) {
        noteFault(m_control->connection());
    }
    return ok;
}

bool FtpSession::reply(char expected, std::string* firstLine)
{
    const bool ok = m_control->readReply(expected, firstLine);
    m_lastReply = m_control->response();
    if (!ok) {
        noteFault(m_control->connection());
    }
    return ok;
}

bool FtpSession::command(Step step, const std::string& line, char expected)
{
    enter(step);
    return exchange(line, expected);
}

bool FtpSession::command(Step step, const char* verb, const std::string& argument, std::size_t limit,
                         char expected)
{
    enter(step);
    return acceptArgument(argument, limit) && exchange(std::string(verb) + " " + argument, expected);
}

bool FtpSession::connect(const std::string& ip, int port, bool& supportsTemplates)
{
    enter(Step::Resolve);
    if (port <= 0 || port > 65535) {
        devLog("getservbyname: no such port " + std::to_string(port));
        return false;
    }
    const std::optional<in_addr> host = resolve(ip);
    if (!host || cancelled()) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr = *host;
    enter(Step::Connect);
    m_control = FtpControlChannel::open(address, m_waits, m_dialer);
    if (!m_control) {
        return false;
    }
    enter(Step::Greeting);
    std::string greeting;
    if (!reply('2', &greeting)) {
        m_control.reset();
        return false;
    }
    supportsTemplates = FtpReplyParser::greetingSupportsTemplates(greeting);
    return true;
}

bool FtpSession::login(const std::string& user, const std::string& passwd)
{
    enter(Step::User);
    if (user.size() > kMaxCredentialBytes || passwd.size() > kMaxCredentialBytes) {
        devLog("ftp: the user name and the password must be shorter than 58 bytes");
        return false;
    }
    // Neither is sent unless both can be.
    return acceptArgument(passwd, kMaxCredentialBytes) &&
           command(Step::User, "USER", user, kMaxCredentialBytes, '3') &&
           command(Step::Pass, "PASS", passwd, kMaxCredentialBytes, '2');
}

std::optional<std::string> FtpSession::pwd()
{
    if (!command(Step::Pwd, "PWD", '2')) {
        return std::nullopt;
    }
    auto directory = FtpReplyParser::workingDirectory(m_control->response(), m_control->responseTruncated());
    // Every path of the session starts here: one that no command may carry
    // would fail each of them later, and less clearly.
    if (directory && !FtpControlChannel::isSendable(*directory)) {
        devLog("ftp: the working directory holds a control character");
        return std::nullopt;
    }
    return directory;
}

// Only the port is taken from the PASV reply: a server could otherwise send
// the data connection to any host.
std::unique_ptr<FtpConnection> FtpSession::openData(FtpConnection::Direction direction, Representation mode)
{
    if (!command(Step::Pasv, "PASV", '2')) {
        return nullptr;
    }
    const auto passive = FtpReplyParser::passiveAddress(m_control->response());
    if (!passive) {
        devLog("ftp: unreadable PASV reply");
        return nullptr;
    }
    sockaddr_in address = m_control->connection().peer();
    address.sin_port = htons(passive->port);
    if (std::memcmp(passive->address.data(), &address.sin_addr, 4) != 0) {
        devLog("ftp: the PASV reply names " + dottedAddress(passive->address.data()) + "; connecting to " +
               dottedAddress(&address.sin_addr) + " instead");
    }
    if (cancelled()) {
        return nullptr;
    }
    enter(Step::DataConnect);
    auto data = FtpConnection::open(address, direction, mode == Representation::Ascii, m_waits, m_dialer);
    if (data && direction == FtpConnection::Direction::Read) {
        data->keepPace(m_pace);
    }
    return data;
}

std::unique_ptr<FtpConnection> FtpSession::openTransfer(const std::string& path, TransferKind kind,
                                                        Representation mode)
{
    if (!m_control) {
        return nullptr;
    }
    if (kind != TransferKind::List && path.empty()) {
        m_control->setResponse("Missing path argument for file transfer\n");
        m_lastReply = m_control->response();
        return nullptr;
    }
    const char* verbs[] = {"LIST", "RETR", "STOR"};
    std::string line = verbs[static_cast<int>(kind)];
    if (!path.empty()) {
        line += " " + path;
    }
    if (!acceptArgument(line, kMaxTransferCommandLength) ||
        !command(Step::Type, std::string("TYPE ") + static_cast<char>(mode), '2')) {
        return nullptr;
    }
    auto data = openData(
        kind == TransferKind::Store ? FtpConnection::Direction::Write : FtpConnection::Direction::Read, mode);
    if (!data) {
        return nullptr;
    }
    if (!command(Step::TransferCommand, line, '1')) {
        // A refused transfer has no final reply to wait for.
        data->shutdown();
        return nullptr;
    }
    return data;
}

// Ends the data connection and reads the transfer's final reply, which
// decides the outcome.
bool FtpSession::closeTransfer(std::unique_ptr<FtpConnection> data)
{
    enter(Step::TransferReply);
    data->shutdown();
    data.reset();
    if (cancelled() || !m_control->inStep()) {
        return false;
    }
    return reply('2');
}

std::optional<std::string> FtpSession::list(const std::string& path, std::size_t maxBytes)
{
    if (!command(Step::Cwd, "CWD", path, kMaxDirectoryPath, '2')) {
        return std::nullopt;
    }
    auto data = openTransfer(path, TransferKind::List, Representation::Ascii);
    if (!data) {
        return std::nullopt;
    }
    enter(Step::Transfer);
    std::string listing;
    bool ok = true;
    for (;;) {
        const auto read = data->readLine(listing, kBlockSize - 1);
        if (read == FtpConnection::LineRead::EndOfStream) {
            break;
        }
        if (read == FtpConnection::LineRead::Failed) {
            noteFault(*data);
            ok = false;
            break;
        }
        if (listing.size() > maxBytes) {
            devLog("ftp: a listing larger than " + std::to_string(maxBytes) + " bytes");
            ok = false;
            break;
        }
    }
    // The final reply is read to keep the conversation in step; a complete
    // listing stands whatever it says.
    closeTransfer(std::move(data));
    if (!ok) {
        return std::nullopt;
    }
    std::string lines;
    lines.reserve(listing.size());
    for (std::size_t i = 0; i < listing.size(); ++i) {
        if (!(listing[i] == '\r' && i + 1 < listing.size() && listing[i + 1] == '\n')) {
            lines += listing[i];
        }
    }
    return lines;
}

bool FtpSession::download(int file, FtpConnection& data, std::uint64_t maxBytes)
{
    std::vector<char> block(kBlockSize);
    std::uint64_t total = 0;
    for (;;) {
        const long got = data.read(block.data(), block.size());
        if (got < 0) {
            noteFault(data);
            return false;
        }
        if (got == 0) {
            return true;
        }
        total += static_cast<std::uint64_t>(got);
        if (total > maxBytes) {
            devLog("ftp: the download passed its limit of " + std::to_string(maxBytes) + " bytes");
            noteFailure("the companion sent more than " + byteCountText(maxBytes));
            return false;
        }
        if (!writeWhole(file, block.data(), static_cast<std::size_t>(got))) {
            const int error = errno;
            logFtpSystemFailure("localfile write", error);
            noteFailure("the file could not be written on this computer: " + ftpErrorText(error));
            return false;
        }
    }
}

bool FtpSession::upload(int file, FtpConnection& data)
{
    std::vector<char> block(kBlockSize);
    for (;;) {
        const ssize_t got = ::read(file, block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            logFtpSystemFailure("localfile read", errno);
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!data.write(std::string_view(block.data(), static_cast<std::size_t>(got)))) {
            return false;
        }
    }
}

bool FtpSession::retrieve(const std::string& remotePath, const std::string& localPath, std::uint64_t maxBytes)
{
    // A path the server will never see must not cost the local file.
    if (!m_control || !acceptArgument(remotePath, kMaxTransferCommandLength)) {
        return false;
    }
    // A link where the file goes is not followed.
    const int file = ::open(localPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (file < 0) {
        const int error = errno;
        m_control->setResponse(ftpErrorText(error) + "\n");
        logFtpSystemFailure(localPath.c_str(), error);
        return false;
    }
    struct stat status {};
    const bool ownFile = ::fstat(file, &status) == 0 && S_ISREG(status.st_mode);
    auto data = openTransfer(remotePath, TransferKind::Retrieve, Representation::Binary);
    bool ok = false;
    if (data) {
        enter(Step::Transfer);
        ok = download(file, *data, maxBytes);
        ok = closeTransfer(std::move(data)) && ok;
    }
    if (::close(file) != 0) {
        logFtpSystemFailure("localfile write", errno);
        ok = false;
    }
    // Half a file is no use to anyone and may be large.
    if (!ok && ownFile) {
        ::unlink(localPath.c_str());
    }
    return ok;
}

bool FtpSession::store(const FileHandle& file, const std::string& remotePath)
{
    auto data = openTransfer(remotePath, TransferKind::Store, Representation::Binary);
    if (!data) {
        return false;
    }
    enter(Step::Transfer);
    const bool ok = upload(file.fd(), *data);
    return closeTransfer(std::move(data)) && ok;
}

bool FtpSession::makeDirectory(const std::string& path)
{
    return command(Step::Mkd, "MKD", path, kMaxDirectoryPath, '2');
}

bool FtpSession::removeDirectory(const std::string& path)
{
    return command(Step::Rmd, "RMD", path, kMaxDirectoryPath, '2');
}

bool FtpSession::removeFile(const std::string& path)
{
    return command(Step::Dele, "DELE", path, kMaxFilePath, '2');
}

// Neither command is sent unless both paths can be.
bool FtpSession::rename(const std::string& from, const std::string& to)
{
    return acceptArgument(to, kMaxFilePath) && command(Step::Rnfr, "RNFR", from, kMaxFilePath, '3') &&
           command(Step::Rnto, "RNTO", to, kMaxFilePath, '2');
}

void FtpSession::quit()
{
    if (!m_control) {
        return;
    }
    enter(Step::Quit);
    if (m_control->inStep()) {
        exchange("QUIT", '2');
    }
    m_control.reset();
}

} // namespace dossiva
