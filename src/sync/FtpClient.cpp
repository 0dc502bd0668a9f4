#include "sync/FtpClient.h"

#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/TextEncoding.h"
#include "sync/ListingParser.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace dossiva {

namespace {

using Milliseconds = std::chrono::milliseconds;

// The control connection and ASCII data connections read through a buffer
// of this size; files move in blocks of it.
constexpr std::size_t kBufferSize = 8192;
// A reply line is kept in 256 bytes with its terminating NUL.
constexpr std::size_t kResponseSize = 256;
// Beyond these a server is not answering FTP: the reply fails.
constexpr std::size_t kMaxReplyLineBytes = 64 * 1024;
constexpr std::size_t kMaxReplyBytes = 1024 * 1024;
// Each login command must fit a 64-byte buffer with its "USER " or "PASS ".
constexpr std::size_t kMaxCredentialBytes = 57;
constexpr std::size_t kMaxCommandLength = 253;
constexpr std::size_t kMaxTransferCommandLength = 255;
// MKD, RMD and CWD paths; DELE, RNFR and RNTO paths are one shorter.
constexpr std::size_t kMaxDirectoryPath = 250;
constexpr std::size_t kMaxFilePath = 249;
constexpr std::size_t kMaxPwdLength = 255;

bool traceEnabled()
{
#ifdef NDEBUG
    static const bool enabled = std::getenv("DOSSIVA_FTP_TRACE") != nullptr;
    return enabled;
#else
    return true;
#endif
}

std::string errorText(int error)
{
    return std::strerror(error);
}

// Labels and the system's reason, for whoever debugs; never shown to users.
void logSystemFailure(const char* label, int error)
{
    devLog(std::string(label) + ": " + errorText(error));
}

bool holdsControlCharacter(std::string_view text)
{
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            return true;
        }
    }
    return false;
}

// Lets the thread that owns a client interrupt a worker's blocking wait at
// once: the worker polls the wake descriptor beside its socket.
class Cancellation {
public:
    Cancellation() : m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Cancellation()
    {
        if (m_wakeFd >= 0) {
            ::close(m_wakeFd);
        }
    }
    Cancellation(const Cancellation&) = delete;
    Cancellation& operator=(const Cancellation&) = delete;

    void cancel()
    {
        m_cancelled = true;
        if (m_wakeFd >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
        }
    }
    bool cancelled() const { return m_cancelled; }
    int wakeFd() const { return m_wakeFd; }

private:
    std::atomic<bool> m_cancelled{false};
    int m_wakeFd;
};

// "15 seconds", "300 milliseconds".
std::string durationText(Milliseconds duration)
{
    const auto count = duration.count();
    if (count % 1000 == 0) {
        return std::to_string(count / 1000) + (count == 1000 ? " second" : " seconds");
    }
    return std::to_string(count) + " milliseconds";
}

// How slowly a download or listing may move: fewer than the minimum bytes
// within a window ends it. A server that trickles a byte now and then would
// otherwise keep a transfer alive for hours without ever falling silent for
// the time-out.
struct Pace {
    std::uint64_t minimumBytes = DownloadLimits{}.minimumBytes;
    Milliseconds window = DownloadLimits{}.window;
};

class PaceWatch {
public:
    explicit PaceWatch(const Pace& pace) : m_pace(pace), m_windowStart(std::chrono::steady_clock::now()) {}

    // Counts bytes that arrived; false once a whole window passed with
    // fewer than the minimum.
    bool add(std::uint64_t bytes)
    {
        m_bytes += bytes;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_windowStart < m_pace.window) {
            return true;
        }
        if (m_bytes < m_pace.minimumBytes) {
            return false;
        }
        m_windowStart = now;
        m_bytes = 0;
        return true;
    }

    std::string tooSlow() const
    {
        return "the transfer from the companion was too slow (less than " +
               byteCountText(m_pace.minimumBytes) + " in " + durationText(m_pace.window) + ")";
    }

private:
    Pace m_pace;
    std::chrono::steady_clock::time_point m_windowStart;
    std::uint64_t m_bytes = 0;
};

enum class Direction { Control = 0, Read = 1, Write = 2 };
enum class TransferKind { NameList = 1, List = 2, Retrieve = 3, Store = 4 };
enum class Representation : char { Ascii = 'A', Binary = 'I' };

// The connection record: one for the control connection, one per data
// connection. The buffer is present on the control connection and on ASCII
// data connections; binary data connections read straight into the caller's
// block.
struct NetBuf {
    NetBuf(int fd, Direction dir, bool buffered) : socket(fd), direction(dir)
    {
        if (buffered) {
            buffer.resize(kBufferSize);
            spaceLeft = kBufferSize;
        }
    }
    ~NetBuf()
    {
        if (socket >= 0) {
            ::close(socket);
        }
    }
    NetBuf(const NetBuf&) = delete;
    NetBuf& operator=(const NetBuf&) = delete;

    void resetBuffer()
    {
        putPointer = getPointer = 0;
        spaceLeft = buffer.size();
    }

    std::size_t putPointer = 0; // where the next bytes from the socket go
    std::size_t getPointer = 0; // next byte not yet handed to a reader
    int socket = -1;
    std::size_t available = 0;
    std::size_t spaceLeft = 0;
    std::vector<char> buffer;
    Direction direction;
    NetBuf* control = nullptr; // a data connection's control connection
    int connectionMode = 1;    // passive, always
    std::int64_t transferred = 0;
    std::string response; // the last reply line (at most 255 bytes), or an error text
    bool responseTruncated = false;
    bool endOfStream = false;
    // On a data connection that reads: how slowly it may move.
    std::optional<PaceWatch> pace;
    // Set on the control connection once a reply went missing (time-out,
    // read error, end of stream): replies read later could belong to
    // earlier commands, so nothing more is sent on it.
    bool broken = false;
    // The server's address as the control connection reached it. Data
    // connections go here whatever a PASV reply says.
    sockaddr_in peer{};
};

enum class Wait { Ready, TimedOut, Cancelled, Failed };
enum class LineRead { Line, Partial, EndOfStream, Failed };

// The steps of one operation on the wire. One place, enter(), moves between
// them and traces the move.
enum class Step {
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

const char* stepName(Step step)
{
    static const char* const names[] = {"start",    "resolve",        "connect",      "greeting",
                                        "USER",     "PASS",           "PWD",          "CWD",
                                        "TYPE",     "PASV",           "data connect", "transfer command",
                                        "transfer", "transfer reply", "MKD",          "RMD",
                                        "DELE",     "RNFR",           "RNTO",         "QUIT",
                                        "done",     "failed"};
    return names[static_cast<int>(step)];
}

// The first reply line's characters 23 to 25 carry the companion's version;
// 4.0 or more exchanges templates.
bool greetingSupportsTemplates(std::string_view firstLine)
{
    while (!firstLine.empty() && (firstLine.back() == '\n' || firstLine.back() == '\r')) {
        firstLine.remove_suffix(1);
    }
    if (firstLine.size() < 25) {
        return false;
    }
    const std::string_view version = firstLine.substr(22, 3);
    double value = 0;
    bool digits = false;
    std::size_t i = 0;
    for (; i < version.size() && version[i] >= '0' && version[i] <= '9'; ++i) {
        value = value * 10 + (version[i] - '0');
        digits = true;
    }
    if (i < version.size() && version[i] == '.') {
        double scale = 0.1;
        for (++i; i < version.size() && version[i] >= '0' && version[i] <= '9'; ++i) {
            value += (version[i] - '0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    return digits && value >= 4.0;
}

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": six numbers of 0 to 255
// after the first parenthesis.
struct PasvReply {
    std::uint8_t address[4] = {};
    std::uint16_t port = 0;
};

std::optional<PasvReply> parsePasvReply(std::string_view reply)
{
    std::size_t pos = reply.find('(');
    if (pos == std::string_view::npos) {
        return std::nullopt;
    }
    ++pos;
    unsigned numbers[6] = {};
    for (int i = 0; i < 6; ++i) {
        while (pos < reply.size() && reply[pos] == ' ') {
            ++pos;
        }
        const std::size_t start = pos;
        unsigned value = 0;
        while (pos < reply.size() && reply[pos] >= '0' && reply[pos] <= '9' && value <= 255) {
            value = value * 10 + static_cast<unsigned>(reply[pos] - '0');
            ++pos;
        }
        if (pos == start || value > 255 || (pos < reply.size() && reply[pos] >= '0' && reply[pos] <= '9')) {
            return std::nullopt;
        }
        if (i < 5 && (pos >= reply.size() || reply[pos++] != ',')) {
            return std::nullopt;
        }
        numbers[i] = value;
    }
    PasvReply parsed;
    for (int i = 0; i < 4; ++i) {
        parsed.address[i] = static_cast<std::uint8_t>(numbers[i]);
    }
    parsed.port = static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]);
    if (parsed.port == 0) {
        return std::nullopt;
    }
    return parsed;
}

std::string dottedAddress(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return text;
}

// The protocol routines of one operation, on its worker thread: commands
// and replies over the control connection, passive data connections and
// whole transfers. Every wait is bounded by the time-out and ends at once
// when the operation is cancelled.
class FtpProtocol {
public:
    FtpProtocol(const char* operation, std::shared_ptr<Cancellation> cancel, Milliseconds timeout, Pace pace)
        : m_operation(operation), m_cancel(std::move(cancel)), m_timeout(timeout), m_pace(pace)
    {
    }

    std::unique_ptr<NetBuf> connect(const std::string& ip, int port, bool& supportsTemplates);
    bool login(NetBuf& control, const std::string& user, const std::string& passwd);
    std::optional<std::string> pwd(NetBuf& control);
    std::optional<std::string> xferInList(const std::string& path, NetBuf& control);
    bool retrieve(const std::string& localPath, const std::string& remotePath, NetBuf& control,
                  std::uint64_t maxBytes);
    bool store(const FileHandle& file, const std::string& remotePath, NetBuf& control);
    bool directoryCommand(Step step, const std::string& path, NetBuf& control);
    bool removeFile(const std::string& path, NetBuf& control);
    bool rename(const std::string& from, const std::string& to, NetBuf& control);
    void quit(NetBuf& control);
    void finish(bool ok);
    // Why the operation failed, in the user's words; empty when only the
    // developer log knows.
    const std::string& failure() const { return m_failure; }

private:
    // The first reason stands: what follows a failure (a reply that does
    // not come) is its consequence.
    void noteFailure(std::string reason)
    {
        if (m_failure.empty()) {
            m_failure = std::move(reason);
        }
    }
    void enter(Step step);
    bool cancelled() const { return m_cancel->cancelled(); }
    bool acceptArgument(const std::string& argument, std::size_t limit);
    Wait waitFor(int fd, short events);
    int openSocket(bool forData);
    bool connectSocket(int fd, const sockaddr_in& address);
    bool writeAll(int fd, const char* data, std::size_t length);
    long receive(int fd, char* into, std::size_t size);
    long fill(NetBuf& buffered);
    bool paced(NetBuf& data, long got);
    LineRead readLineChunk(NetBuf& buffered, std::string& out, std::size_t room);
    bool readReplyLine(NetBuf& control, std::size_t& budget);
    bool readResp(char expected, NetBuf& control, std::string* firstLine = nullptr);
    bool sendCmd(const std::string& command, char expected, NetBuf& control);
    bool chdir(const std::string& path, NetBuf& control);
    std::unique_ptr<NetBuf> access(const std::string& path, TransferKind kind, Representation mode,
                                   NetBuf& control);
    std::unique_ptr<NetBuf> openPort(NetBuf& control, Direction direction, Representation mode);
    long read(char* block, std::size_t size, NetBuf& data);
    long write(const char* block, std::size_t length, NetBuf& data);
    bool close(std::unique_ptr<NetBuf> data);
    bool download(int file, NetBuf& data, std::uint64_t maxBytes);
    bool upload(int file, NetBuf& data);

    const char* m_operation;
    std::shared_ptr<Cancellation> m_cancel;
    Milliseconds m_timeout;
    Pace m_pace;
    std::string m_failure;
    Step m_step = Step::Start;
    std::string m_lastReply; // for the failure note
};

void FtpProtocol::enter(Step step)
{
    if (traceEnabled()) {
        devLog(std::string("ftp ") + m_operation + ": " + stepName(m_step) + " -> " + stepName(step));
    }
    m_step = step;
}

void FtpProtocol::finish(bool ok)
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

// Names reach commands from the companion's own listings: one holding a
// line break could smuggle a second command, one holding a NUL would name
// another file.
bool FtpProtocol::acceptArgument(const std::string& argument, std::size_t limit)
{
    if (holdsControlCharacter(argument)) {
        devLog(std::string("ftp ") + m_operation + ": refusing an argument that holds a control character");
        return false;
    }
    return argument.size() <= limit;
}

Wait FtpProtocol::waitFor(int fd, short events)
{
    if (cancelled()) {
        return Wait::Cancelled;
    }
    pollfd fds[2] = {{fd, events, 0}, {m_cancel->wakeFd(), POLLIN, 0}};
    const nfds_t count = m_cancel->wakeFd() >= 0 ? 2 : 1;
    const auto deadline = std::chrono::steady_clock::now() + m_timeout;
    for (;;) {
        const auto left = std::chrono::ceil<Milliseconds>(deadline - std::chrono::steady_clock::now());
        const int ready = ::poll(fds, count, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (cancelled()) {
            return Wait::Cancelled;
        }
        if (ready < 0) {
            return Wait::Failed;
        }
        if (ready == 0) {
            return Wait::TimedOut;
        }
        if (fds[0].revents != 0) {
            return Wait::Ready;
        }
    }
}

int errorOf(Wait wait)
{
    switch (wait) {
    case Wait::TimedOut:
        return ETIMEDOUT;
    case Wait::Cancelled:
        return ECANCELED;
    default:
        return errno;
    }
}

int FtpProtocol::openSocket(bool forData)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        logSystemFailure("socket", errno);
        return -1;
    }
    const int on = 1;
    const linger off = {0, 0};
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        (forData && ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off) != 0)) {
        logSystemFailure("setsockopt", errno);
        ::close(fd);
        return -1;
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(m_timeout).count();
    timeval timeout{};
    timeout.tv_sec = static_cast<time_t>(micros / 1000000);
    timeout.tv_usec = static_cast<suseconds_t>(micros % 1000000);
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0) {
        logSystemFailure("setsockopt timeout", errno);
        ::close(fd);
        return -1;
    }
    // Commands and replies alternate; never hold a command back.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

// Connects without blocking so that the time-out and cancellation bound it,
// then returns the socket to blocking mode.
bool FtpProtocol::connectSocket(int fd, const sockaddr_in& address)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        logSystemFailure("connect", errno);
        return false;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) {
            logSystemFailure("connect", errno);
            return false;
        }
        const Wait wait = waitFor(fd, POLLOUT);
        if (wait != Wait::Ready) {
            logSystemFailure("connect", errorOf(wait));
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            logSystemFailure("connect", error != 0 ? error : errno);
            return false;
        }
    }
    if (::fcntl(fd, F_SETFL, flags) != 0) {
        logSystemFailure("connect", errno);
        return false;
    }
    return true;
}

bool FtpProtocol::writeAll(int fd, const char* data, std::size_t length)
{
    while (length > 0) {
        const Wait wait = waitFor(fd, POLLOUT);
        if (wait != Wait::Ready) {
            errno = errorOf(wait);
            return false;
        }
        const ssize_t written = ::send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

// One socket read: the byte count, 0 at the end of the stream, -1 on
// failure. Data already there is taken at once; only then does it wait.
long FtpProtocol::receive(int fd, char* into, std::size_t size)
{
    for (;;) {
        if (cancelled()) {
            return -1;
        }
        const ssize_t got = ::recv(fd, into, size, MSG_DONTWAIT);
        if (got >= 0) {
            return got;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            logSystemFailure("perror net_read read", errno);
            return -1;
        }
        const Wait wait = waitFor(fd, POLLIN);
        if (wait != Wait::Ready) {
            if (wait != Wait::Cancelled) {
                logSystemFailure("perror net_read read", errorOf(wait));
            }
            if (wait == Wait::TimedOut) {
                noteFailure("the companion sent nothing for " + durationText(m_timeout));
            }
            return -1;
        }
    }
}

bool FtpProtocol::paced(NetBuf& data, long got)
{
    if (data.pace && !data.pace->add(static_cast<std::uint64_t>(got))) {
        devLog(std::string("ftp ") + m_operation + ": the data connection moves too slowly");
        noteFailure(data.pace->tooSlow());
        return false;
    }
    return true;
}

// One socket read into the record's free space.
long FtpProtocol::fill(NetBuf& buffered)
{
    const long got =
        receive(buffered.socket, buffered.buffer.data() + buffered.putPointer, buffered.spaceLeft);
    if (got > 0 && !paced(buffered, got)) {
        return -1;
    }
    if (got == 0) {
        buffered.endOfStream = true;
    } else if (got > 0) {
        buffered.putPointer += static_cast<std::size_t>(got);
        buffered.available += static_cast<std::size_t>(got);
        buffered.spaceLeft -= static_cast<std::size_t>(got);
    }
    return got;
}

// Appends to out the current line up to and including its "\n", at most
// `room` bytes of it. Partial: room ran out first, and the rest of the line
// comes with the next call.
LineRead FtpProtocol::readLineChunk(NetBuf& buffered, std::string& out, std::size_t room)
{
    if (buffered.direction == Direction::Write || buffered.buffer.empty()) {
        return LineRead::Failed;
    }
    while (room > 0) {
        if (buffered.available > 0) {
            const char* start = buffered.buffer.data() + buffered.getPointer;
            std::size_t take = std::min(buffered.available, room);
            const void* newline = std::memchr(start, '\n', take);
            if (newline != nullptr) {
                take = static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1;
            }
            out.append(start, take);
            buffered.getPointer += take;
            buffered.available -= take;
            buffered.transferred += static_cast<std::int64_t>(take);
            room -= take;
            if (buffered.available == 0) {
                buffered.resetBuffer();
            }
            if (newline != nullptr) {
                return LineRead::Line;
            }
            continue;
        }
        if (buffered.endOfStream) {
            return LineRead::EndOfStream;
        }
        if (fill(buffered) < 0) {
            return LineRead::Failed;
        }
    }
    return LineRead::Partial;
}

// Reads one reply line into response: at most 255 bytes are kept, the rest
// of an over-long line is read and dropped, and "\r\n" becomes "\n". budget
// counts the bytes read for the whole reply.
bool FtpProtocol::readReplyLine(NetBuf& control, std::size_t& budget)
{
    control.response.clear();
    control.responseTruncated = false;
    LineRead read = readLineChunk(control, control.response, kResponseSize - 1);
    std::size_t lineBytes = control.response.size();
    while (read == LineRead::Partial) {
        control.responseTruncated = true;
        std::string dropped;
        read = readLineChunk(control, dropped, kBufferSize);
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
    std::string& line = control.response;
    if (!control.responseTruncated && line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
        line.erase(line.size() - 2, 1);
    }
    return true;
}

// A reply is one line, or several when its fourth character is '-': then it
// ends with the first line that begins with the same three digits and a
// blank.
bool FtpProtocol::readResp(char expected, NetBuf& control, std::string* firstLine)
{
    std::size_t budget = 0;
    if (!readReplyLine(control, budget)) {
        if (!cancelled()) {
            logSystemFailure("Control socket read failed readresp", errno == 0 ? EPROTO : errno);
            control.broken = true;
        }
        return false;
    }
    m_lastReply = control.response;
    if (firstLine != nullptr) {
        *firstLine = control.response;
    }
    if (control.response.size() >= 4 && control.response[3] == '-') {
        const std::string last = control.response.substr(0, 3) + " ";
        do {
            if (!readReplyLine(control, budget)) {
                if (!cancelled()) {
                    logSystemFailure("Control socket read failed", errno == 0 ? EPROTO : errno);
                    control.broken = true;
                }
                return false;
            }
        } while (control.response.compare(0, 4, last) != 0);
        m_lastReply = control.response;
    }
    return control.response[0] == expected;
}

bool FtpProtocol::sendCmd(const std::string& command, char expected, NetBuf& control)
{
    if (control.direction != Direction::Control || command.size() > kMaxCommandLength ||
        holdsControlCharacter(command) || cancelled()) {
        return false;
    }
    if (control.broken) {
        control.response = "the connection no longer answers in step\n";
        return false;
    }
    const std::string line = command + "\r\n";
    if (!writeAll(control.socket, line.data(), line.size())) {
        if (!cancelled()) {
            logSystemFailure("write", errno);
            control.broken = true;
        }
        return false;
    }
    if (cancelled()) {
        return false;
    }
    return readResp(expected, control);
}

std::unique_ptr<NetBuf> FtpProtocol::connect(const std::string& ip, int port, bool& supportsTemplates)
{
    enter(Step::Resolve);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (port <= 0 || port > 65535) {
        devLog("getservbyname: no such port " + std::to_string(port));
        return nullptr;
    }
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int error = ::getaddrinfo(ip.c_str(), nullptr, &hints, &found);
        if (error != 0 || found == nullptr) {
            devLog(std::string("gethostbyname: ") + ::gai_strerror(error));
            return nullptr;
        }
        address.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
        ::freeaddrinfo(found);
    }
    if (cancelled()) {
        return nullptr;
    }
    enter(Step::Connect);
    const int fd = openSocket(false);
    if (fd < 0) {
        return nullptr;
    }
    auto control = std::make_unique<NetBuf>(fd, Direction::Control, true);
    if (cancelled() || !connectSocket(fd, address)) {
        return nullptr;
    }
    control->peer = address;
    enter(Step::Greeting);
    std::string greeting;
    if (!readResp('2', *control, &greeting)) {
        return nullptr;
    }
    supportsTemplates = greetingSupportsTemplates(greeting);
    return control;
}

bool FtpProtocol::login(NetBuf& control, const std::string& user, const std::string& passwd)
{
    enter(Step::User);
    if (user.size() > kMaxCredentialBytes || passwd.size() > kMaxCredentialBytes) {
        devLog("ftp: the user name and the password must be shorter than 58 bytes");
        return false;
    }
    if (!acceptArgument(user, kMaxCredentialBytes) || !acceptArgument(passwd, kMaxCredentialBytes) ||
        !sendCmd("USER " + user, '3', control)) {
        return false;
    }
    enter(Step::Pass);
    return sendCmd("PASS " + passwd, '2', control);
}

// The text between the first two double quotes of the reply, or up to the
// line's end when the second is missing.
std::optional<std::string> FtpProtocol::pwd(NetBuf& control)
{
    enter(Step::Pwd);
    if (!sendCmd("PWD", '2', control)) {
        return std::nullopt;
    }
    const std::string& reply = control.response;
    const std::size_t open = reply.find('"');
    if (open == std::string::npos) {
        return std::nullopt;
    }
    std::size_t close = reply.find('"', open + 1);
    if (close == std::string::npos) {
        // Where a cut line would have ended is unknown: no guess.
        if (control.responseTruncated) {
            return std::nullopt;
        }
        close = reply.find('\n', open + 1);
    }
    const std::string directory = reply.substr(open + 1, std::min(close - open - 1, kMaxPwdLength));
    return decodeText(directory, TextEncoding::UTF8);
}

bool FtpProtocol::chdir(const std::string& path, NetBuf& control)
{
    enter(Step::Cwd);
    return acceptArgument(path, kMaxDirectoryPath) && sendCmd("CWD " + path, '2', control);
}

std::unique_ptr<NetBuf> FtpProtocol::openPort(NetBuf& control, Direction direction, Representation mode)
{
    if (control.direction != Direction::Control) {
        return nullptr;
    }
    enter(Step::Pasv);
    if (!sendCmd("PASV", '2', control)) {
        return nullptr;
    }
    const std::optional<PasvReply> reply = parsePasvReply(control.response);
    if (!reply) {
        devLog("ftp: unreadable PASV reply");
        return nullptr;
    }
    // Only the port is taken from the reply: a server could otherwise send
    // the data connection to any host.
    sockaddr_in address = control.peer;
    address.sin_port = htons(reply->port);
    char named[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, reply->address, named, sizeof named);
    if (std::memcmp(reply->address, &control.peer.sin_addr, 4) != 0) {
        devLog(std::string("ftp: the PASV reply names ") + named + "; connecting to " +
               dottedAddress(control.peer) + " instead");
    }
    if (cancelled()) {
        return nullptr;
    }
    enter(Step::DataConnect);
    const int fd = openSocket(true);
    if (fd < 0) {
        return nullptr;
    }
    auto data = std::make_unique<NetBuf>(fd, direction, mode == Representation::Ascii);
    if (cancelled() || !connectSocket(fd, address) || cancelled()) {
        return nullptr;
    }
    data->control = &control;
    if (direction == Direction::Read) {
        data->pace.emplace(m_pace);
    }
    return data;
}

std::unique_ptr<NetBuf> FtpProtocol::access(const std::string& path, TransferKind kind, Representation mode,
                                            NetBuf& control)
{
    const bool file = kind == TransferKind::Retrieve || kind == TransferKind::Store;
    if (file && path.empty()) {
        control.response = "Missing path argument for file transfer\n";
        return nullptr;
    }
    const char* verbs[] = {"", "NLST", "LIST", "RETR", "STOR"};
    std::string command = verbs[static_cast<int>(kind)];
    if (!path.empty()) {
        command += " " + path;
    }
    if (!acceptArgument(command, kMaxTransferCommandLength)) {
        return nullptr;
    }
    enter(Step::Type);
    if (!sendCmd(std::string("TYPE ") + static_cast<char>(mode), '2', control)) {
        return nullptr;
    }
    auto data = openPort(control, kind == TransferKind::Store ? Direction::Write : Direction::Read, mode);
    if (!data) {
        return nullptr;
    }
    enter(Step::TransferCommand);
    if (!sendCmd(command, '1', control)) {
        // A refused transfer has no final reply to wait for.
        ::shutdown(data->socket, SHUT_RDWR);
        return nullptr;
    }
    return data;
}

long FtpProtocol::read(char* block, std::size_t size, NetBuf& data)
{
    if (data.direction != Direction::Read) {
        return 0;
    }
    const long got = receive(data.socket, block, size);
    if (got > 0) {
        data.transferred += got;
        if (!paced(data, got)) {
            return -1;
        }
    }
    return got;
}

long FtpProtocol::write(const char* block, std::size_t length, NetBuf& data)
{
    if (data.direction != Direction::Write) {
        return 0;
    }
    if (!writeAll(data.socket, block, length)) {
        if (!cancelled()) {
            logSystemFailure("write", errno);
        }
        return -1;
    }
    data.transferred += static_cast<std::int64_t>(length);
    return static_cast<long>(length);
}

// Ends the data connection and reads the transfer's final reply, which
// decides the outcome.
bool FtpProtocol::close(std::unique_ptr<NetBuf> data)
{
    enter(Step::TransferReply);
    NetBuf& control = *data->control;
    ::shutdown(data->socket, SHUT_RDWR);
    data.reset();
    if (cancelled() || control.broken) {
        return false;
    }
    return readResp('2', control);
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

// Nothing beyond maxBytes reaches the file.
bool FtpProtocol::download(int file, NetBuf& data, std::uint64_t maxBytes)
{
    std::vector<char> block(kBufferSize);
    std::uint64_t total = 0;
    for (;;) {
        const long got = read(block.data(), block.size(), data);
        if (got <= 0) {
            return got == 0;
        }
        total += static_cast<std::uint64_t>(got);
        if (total > maxBytes) {
            devLog("ftp: the download passed its limit of " + std::to_string(maxBytes) + " bytes");
            noteFailure("the companion sent more than " + byteCountText(maxBytes));
            return false;
        }
        if (!writeWhole(file, block.data(), static_cast<std::size_t>(got))) {
            const int error = errno;
            logSystemFailure("localfile write", error);
            noteFailure("the file could not be written on this computer: " + errorText(error));
            return false;
        }
    }
}

bool FtpProtocol::upload(int file, NetBuf& data)
{
    std::vector<char> block(kBufferSize);
    for (;;) {
        const ssize_t got = ::read(file, block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            logSystemFailure("localfile read", errno);
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (write(block.data(), static_cast<std::size_t>(got), data) != got) {
            return false;
        }
    }
}

bool FtpProtocol::retrieve(const std::string& localPath, const std::string& remotePath, NetBuf& control,
                           std::uint64_t maxBytes)
{
    if (!acceptArgument(remotePath, kMaxTransferCommandLength)) {
        return false;
    }
    // A link where the file goes is not followed.
    const int file = ::open(localPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (file < 0) {
        const int error = errno;
        control.response = errorText(error) + "\n";
        logSystemFailure(localPath.c_str(), error);
        return false;
    }
    struct stat status {};
    const bool ownFile = ::fstat(file, &status) == 0 && S_ISREG(status.st_mode);
    auto data = access(remotePath, TransferKind::Retrieve, Representation::Binary, control);
    bool ok = false;
    if (data) {
        enter(Step::Transfer);
        ok = download(file, *data, maxBytes);
        ok = close(std::move(data)) && ok;
    }
    if (::close(file) != 0) {
        logSystemFailure("localfile write", errno);
        ok = false;
    }
    // Half a file is no use to anyone and may be large.
    if (!ok && ownFile) {
        ::unlink(localPath.c_str());
    }
    return ok;
}

bool FtpProtocol::store(const FileHandle& file, const std::string& remotePath, NetBuf& control)
{
    if (!acceptArgument(remotePath, kMaxTransferCommandLength)) {
        return false;
    }
    auto data = access(remotePath, TransferKind::Store, Representation::Binary, control);
    if (!data) {
        return false;
    }
    enter(Step::Transfer);
    const bool ok = upload(file.fd(), *data);
    return close(std::move(data)) && ok;
}

std::optional<std::string> FtpProtocol::xferInList(const std::string& path, NetBuf& control)
{
    if (!chdir(path, control)) {
        return std::nullopt;
    }
    auto data = access(path, TransferKind::List, Representation::Ascii, control);
    if (!data) {
        return std::nullopt;
    }
    enter(Step::Transfer);
    std::string listing;
    bool ok = true;
    for (;;) {
        const LineRead read = readLineChunk(*data, listing, kBufferSize - 1);
        if (read == LineRead::EndOfStream) {
            break;
        }
        if (read == LineRead::Failed) {
            ok = false;
            break;
        }
        if (listing.size() > FtpClient::kMaxListingBytes) {
            devLog("ftp: a listing larger than " + std::to_string(FtpClient::kMaxListingBytes) + " bytes");
            ok = false;
            break;
        }
    }
    // The final reply is read to keep the conversation in step; a complete
    // listing stands whatever it says.
    close(std::move(data));
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

bool FtpProtocol::directoryCommand(Step step, const std::string& path, NetBuf& control)
{
    enter(step);
    const char* verb = step == Step::Mkd ? "MKD " : "RMD ";
    return acceptArgument(path, kMaxDirectoryPath) && sendCmd(verb + path, '2', control);
}

bool FtpProtocol::removeFile(const std::string& path, NetBuf& control)
{
    enter(Step::Dele);
    return acceptArgument(path, kMaxFilePath) && sendCmd("DELE " + path, '2', control);
}

bool FtpProtocol::rename(const std::string& from, const std::string& to, NetBuf& control)
{
    if (!acceptArgument(from, kMaxFilePath) || !acceptArgument(to, kMaxFilePath)) {
        return false;
    }
    enter(Step::Rnfr);
    if (!sendCmd("RNFR " + from, '3', control)) {
        return false;
    }
    enter(Step::Rnto);
    return sendCmd("RNTO " + to, '2', control);
}

void FtpProtocol::quit(NetBuf& control)
{
    enter(Step::Quit);
    if (control.direction == Direction::Control && !control.broken) {
        sendCmd("QUIT", '2', control);
    }
}

enum class Operation {
    Connect,
    Login,
    Pwd,
    List,
    MakeDirectory,
    RemoveDirectory,
    RemoveFile,
    Rename,
    Download,
    Upload,
    Quit
};

const char* operationName(Operation operation)
{
    static const char* const names[] = {"connect", "login",  "pwd",      "list",   "mkdir", "rmdir",
                                        "delete",  "rename", "download", "upload", "quit"};
    return names[static_cast<int>(operation)];
}

// What one operation hands back to the main thread.
struct Outcome {
    bool ok = false;
    std::optional<std::string> text; // the directory of PWD, the listing of LIST
    bool supportsTemplates = false;
    std::string failure; // why it failed, for the user; may be empty
};

using Job = std::function<Outcome(FtpProtocol&, std::unique_ptr<NetBuf>& connection)>;

// Says goodbye when there is a connection to say it on; either way the
// delegate hears of the disconnect.
Job quitJob()
{
    return [](FtpProtocol& protocol, std::unique_ptr<NetBuf>& control) {
        if (control) {
            protocol.quit(*control);
        }
        control.reset();
        return Outcome{true, std::nullopt, false};
    };
}

} // namespace

// The client's life on the main thread: which operation runs, the
// connection between operations, and the reports. Public operations may be
// started from any thread (the backup worker starts its own), so the state
// is guarded.
struct FtpClient::Impl : std::enable_shared_from_this<FtpClient::Impl> {
    enum class State { NotConnected, Connecting, LoggingIn, Connected, Working, Quitting };

    explicit Impl(FtpClient* client) : m_client(client) {}

    void request(Operation operation, Job job);
    void connectTo(std::string ip, int port, std::string user, std::string passwd);
    void disconnect();
    void shutdown();
    bool connected();
    std::string lastFailure();

private:
    void launchLocked(Operation operation, Job job);
    void refuseLocked(Operation operation, const char* why);
    void finish(Operation operation, const Outcome& outcome, std::unique_ptr<NetBuf> connection);
    void setState(State next, Operation operation);
    static const char* stateName(State state);
    static State stateDuring(Operation operation);
    static void deliver(FtpClientDelegate& delegate, Operation operation, const Outcome& outcome);

    std::mutex m_mutex;
    FtpClient* m_client; // null once the client is destroyed
    State m_state = State::NotConnected;
    bool m_abort = false;
    bool m_busy = false;
    std::unique_ptr<NetBuf> m_connection;
    std::thread m_worker;
    std::shared_ptr<Cancellation> m_cancel;
    std::string m_user;
    std::string m_passwd;
    std::string m_lastFailure;
};

const char* FtpClient::Impl::stateName(State state)
{
    static const char* const names[] = {"not connected", "connecting", "logging in",
                                        "connected",     "working",    "quitting"};
    return names[static_cast<int>(state)];
}

FtpClient::Impl::State FtpClient::Impl::stateDuring(Operation operation)
{
    switch (operation) {
    case Operation::Connect:
        return State::Connecting;
    case Operation::Login:
        return State::LoggingIn;
    case Operation::Quit:
        return State::Quitting;
    default:
        return State::Working;
    }
}

void FtpClient::Impl::setState(State next, Operation operation)
{
    if (traceEnabled() && next != m_state) {
        devLog(std::string("ftp client: ") + stateName(m_state) + " -> " + stateName(next) + " (" +
               operationName(operation) + ")");
    }
    m_state = next;
}

void FtpClient::Impl::request(Operation operation, Job job)
{
    std::lock_guard lock(m_mutex);
    if (m_abort) {
        devLog(std::string("ftp ") + operationName(operation) + " ignored: the client is disconnecting");
        return;
    }
    if (m_busy) {
        refuseLocked(operation, "another operation is running");
        return;
    }
    if ((operation == Operation::Connect) == (m_connection != nullptr)) {
        refuseLocked(operation, operation == Operation::Connect ? "already connected" : "not connected");
        return;
    }
    launchLocked(operation, std::move(job));
}

void FtpClient::Impl::connectTo(std::string ip, int port, std::string user, std::string passwd)
{
    {
        std::lock_guard lock(m_mutex);
        m_user = std::move(user);
        m_passwd = std::move(passwd);
    }
    request(Operation::Connect, [ip = std::move(ip), port](FtpProtocol& protocol, auto& connection) {
        Outcome outcome;
        connection = protocol.connect(ip, port, outcome.supportsTemplates);
        outcome.ok = connection != nullptr;
        return outcome;
    });
}

// The operation still reports once, as a failure, so that whoever waits for
// it goes on.
void FtpClient::Impl::refuseLocked(Operation operation, const char* why)
{
    devLog(std::string("ftp ") + operationName(operation) + " refused: " + why);
    std::weak_ptr<Impl> weak = weak_from_this();
    MainThread::post([weak, operation] {
        auto self = weak.lock();
        FtpClientDelegate* delegate = nullptr;
        if (self) {
            std::lock_guard lock(self->m_mutex);
            delegate = self->m_client ? self->m_client->m_delegate : nullptr;
        }
        if (delegate) {
            deliver(*delegate, operation, Outcome{});
        }
    });
}

void FtpClient::Impl::launchLocked(Operation operation, Job job)
{
    // The previous worker posted its report before this call could happen and
    // is only finishing its return: the new worker joins it once its own work
    // is done, so that waiting for it never delays the next command.
    auto previous = std::make_shared<std::thread>(std::move(m_worker));
    m_busy = true;
    m_cancel = std::make_shared<Cancellation>();
    setState(stateDuring(operation), operation);
    m_lastFailure.clear();
    const Milliseconds timeout = m_client ? m_client->m_timeout.load() : Milliseconds(15000);
    Pace pace;
    if (m_client) {
        pace = {m_client->m_minimumBytes.load(), m_client->m_paceWindow.load()};
    }
    std::weak_ptr<Impl> weak = weak_from_this();
    auto work = [weak, operation, job = std::move(job), cancel = m_cancel, timeout, pace, previous,
                 connection = std::move(m_connection)]() mutable {
        FtpProtocol protocol(operationName(operation), cancel, timeout, pace);
        Outcome outcome = job(protocol, connection);
        if (!outcome.ok && outcome.failure.empty()) {
            outcome.failure = protocol.failure();
        }
        protocol.finish(outcome.ok);
        if (previous->joinable()) {
            previous->join();
        }
        auto carried = std::make_shared<std::unique_ptr<NetBuf>>(std::move(connection));
        MainThread::post([weak, operation, outcome, carried] {
            if (auto self = weak.lock()) {
                self->finish(operation, outcome, std::move(*carried));
            }
        });
    };
    try {
        m_worker = std::thread(std::move(work));
    } catch (const std::system_error& error) {
        if (previous->joinable()) {
            previous->join();
        }
        devLog(std::string("ftp: cannot start a worker thread: ") + error.what());
        m_busy = false;
        refuseLocked(operation, "no thread");
    }
}

void FtpClient::Impl::finish(Operation operation, const Outcome& outcome, std::unique_ptr<NetBuf> connection)
{
    FtpClientDelegate* delegate = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_busy = false;
        m_connection = std::move(connection);
        m_lastFailure = outcome.ok ? std::string() : outcome.failure;
        if (m_client == nullptr) {
            return;
        }
        if (operation == Operation::Quit) {
            m_connection.reset();
            setState(State::NotConnected, operation);
        } else if (m_abort) {
            // Torn down meanwhile: quit, and let only the disconnect report.
            launchLocked(Operation::Quit, quitJob());
            return;
        } else if (operation == Operation::Connect && outcome.ok) {
            m_client->m_supportsTemplates = outcome.supportsTemplates;
            launchLocked(Operation::Login,
                         [user = m_user, passwd = m_passwd](FtpProtocol& protocol, auto& control) {
                             Outcome result;
                             result.ok = protocol.login(*control, user, passwd);
                             if (!result.ok) {
                                 control.reset(); // a failed login discards the connection
                             }
                             return result;
                         });
            return;
        } else if (!outcome.ok && (operation == Operation::Connect || operation == Operation::Login)) {
            m_connection.reset();
            setState(State::NotConnected, operation);
        } else {
            setState(State::Connected, operation);
        }
        delegate = m_client->m_delegate;
    }
    // Last: the delegate may destroy the client from here.
    if (delegate) {
        deliver(*delegate, operation, outcome);
    }
}

void FtpClient::Impl::deliver(FtpClientDelegate& delegate, Operation operation, const Outcome& outcome)
{
    const int done = outcome.ok ? 1 : 0;
    switch (operation) {
    case Operation::Connect:
        delegate.ftpErrorConnect();
        break;
    case Operation::Login:
        outcome.ok ? delegate.ftpDidConnect() : delegate.ftpErrorConnect();
        break;
    case Operation::Pwd:
        delegate.ftpPwd(outcome.text);
        break;
    case Operation::List:
        delegate.ftpDirList(outcome.text);
        break;
    case Operation::MakeDirectory:
        delegate.ftpDirMade(done);
        break;
    case Operation::RemoveDirectory:
        delegate.ftpDirRemoved(done);
        break;
    case Operation::RemoveFile:
        delegate.ftpFileRemoved(done);
        break;
    case Operation::Rename:
        delegate.ftpDirRenamed(done);
        break;
    case Operation::Download:
        delegate.ftpFileGot(done);
        break;
    case Operation::Upload:
        delegate.ftpFileSent(done);
        break;
    case Operation::Quit:
        delegate.ftpDidDisconnect();
        break;
    }
}

void FtpClient::Impl::disconnect()
{
    std::lock_guard lock(m_mutex);
    if (m_abort) {
        return;
    }
    m_abort = true;
    if (m_busy) {
        // The worker fails at its next wait; its report then quits.
        m_cancel->cancel();
        return;
    }
    launchLocked(Operation::Quit, quitJob());
}

void FtpClient::Impl::shutdown()
{
    std::thread worker;
    std::unique_ptr<NetBuf> connection;
    {
        std::lock_guard lock(m_mutex);
        m_client = nullptr;
        if (m_cancel) {
            m_cancel->cancel();
        }
        worker = std::move(m_worker);
        connection = std::move(m_connection);
    }
    if (worker.joinable()) {
        worker.join();
    }
}

std::string FtpClient::Impl::lastFailure()
{
    std::lock_guard lock(m_mutex);
    return m_lastFailure;
}

bool FtpClient::Impl::connected()
{
    std::lock_guard lock(m_mutex);
    return !m_abort && (m_state == State::Connected || m_state == State::Working);
}

FtpClient::FtpClient(FtpClientDelegate* delegate) : m_impl(std::make_shared<Impl>(this)), m_delegate(delegate)
{
}

FtpClient::~FtpClient()
{
    m_impl->shutdown();
}

void FtpClient::connectTo(const std::string& ip, int port, const std::string& user, const std::string& passwd)
{
    m_impl->connectTo(ip, port, user, passwd);
}

void FtpClient::getPwd()
{
    m_impl->request(Operation::Pwd, [](FtpProtocol& protocol, auto& control) {
        Outcome outcome;
        outcome.text = protocol.pwd(*control);
        outcome.ok = outcome.text.has_value();
        return outcome;
    });
}

void FtpClient::listDir(const std::string& path)
{
    m_impl->request(Operation::List, [path](FtpProtocol& protocol, auto& control) {
        Outcome outcome;
        outcome.text = protocol.xferInList(path, *control);
        outcome.ok = outcome.text.has_value();
        return outcome;
    });
}

void FtpClient::makeDirectoryName(const std::string& name, const std::string& atPath)
{
    m_impl->request(
        Operation::MakeDirectory, [path = atPath + "/" + name](FtpProtocol& protocol, auto& control) {
            return Outcome{protocol.directoryCommand(Step::Mkd, path, *control), std::nullopt, false};
        });
}

void FtpClient::removeDirectory(const std::string& path)
{
    m_impl->request(Operation::RemoveDirectory, [path](FtpProtocol& protocol, auto& control) {
        return Outcome{protocol.directoryCommand(Step::Rmd, path, *control), std::nullopt, false};
    });
}

void FtpClient::removeFile(const std::string& path)
{
    m_impl->request(Operation::RemoveFile, [path](FtpProtocol& protocol, auto& control) {
        return Outcome{protocol.removeFile(path, *control), std::nullopt, false};
    });
}

void FtpClient::renameDirectory(const std::string& from, const std::string& to)
{
    m_impl->request(Operation::Rename, [from, to](FtpProtocol& protocol, auto& control) {
        return Outcome{protocol.rename(from, to, *control), std::nullopt, false};
    });
}

void FtpClient::downloadRemoteFilePath(const std::string& remotePath, const std::string& saveToPath,
                                       std::uint64_t maxBytes)
{
    m_impl->request(Operation::Download,
                    [remotePath, saveToPath, maxBytes](FtpProtocol& protocol, auto& control) {
                        return Outcome{protocol.retrieve(saveToPath, remotePath, *control, maxBytes)};
                    });
}

void FtpClient::uploadLocalFilePath(const std::string& localPath, const std::string& atPath)
{
    m_impl->request(Operation::Upload, [localPath, atPath](FtpProtocol& protocol, auto& control) {
        std::string why;
        const FileHandle file = openRegularFile(localPath, &why);
        if (!file.isOpen()) {
            devLog("ftp upload: '" + localPath + "' is not sent: " + why);
            Outcome refused;
            refused.failure = FileManager::lastPathComponent(localPath) + " " + why;
            return refused;
        }
        return Outcome{protocol.store(file, atPath, *control)};
    });
}

void FtpClient::uploadLocalFile(FileHandle file, const std::string& atPath)
{
    auto shared = std::make_shared<FileHandle>(std::move(file));
    m_impl->request(Operation::Upload, [shared, atPath](FtpProtocol& protocol, auto& control) {
        return Outcome{shared->isOpen() && protocol.store(*shared, atPath, *control)};
    });
}

std::string FtpClient::lastFailure() const
{
    return m_impl->lastFailure();
}

void FtpClient::disconnect()
{
    m_impl->disconnect();
}

bool FtpClient::isConnected() const
{
    return m_impl->connected();
}

std::optional<std::vector<FtpEntry>> FtpClient::parseList(const std::string& listing, const std::string& path)
{
    (void)path; // kept for the callers' sake; the listing alone decides
    return ListingParser::parseList(listing);
}

} // namespace dossiva
