// A whole FTP session against a server scripted by the input: greeting,
// login, a listing, a download, an upload, a rename and deletions, with the
// replies cut into reads at chosen points and the data connections
// carrying chosen payloads. Beyond not crashing, the session must never
// send a command that is not one line, open a data connection to any host
// but the control peer, or leave a failed download's file behind.
#include "FuzzInput.h"

#include "sync/FtpSession.h"
#include "sync/PackageFiles.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace dossiva;

namespace {

constexpr std::string_view kPartSeparator = "\n--\n";

// One direction of a scripted connection: the bytes it hands out, in reads
// whose sizes cycle through the chosen pattern, and how it ends once they
// are out: with the end of the stream, or with a silence.
class ScriptedTransport : public FtpTransport {
public:
    ScriptedTransport(std::string_view bytes, const std::array<unsigned, 4>& reads, bool endsSilent,
                      FtpDirection direction, std::string* sent, unsigned cancelAtRead)
        : m_bytes(bytes), m_reads(reads), m_endsSilent(endsSilent), m_direction(direction), m_sent(sent),
          m_cancelAtRead(cancelAtRead)
    {
    }

    long receive(char* into, std::size_t size, const FtpWaits& waits, FtpFault& fault) override
    {
        if (++m_readCount == m_cancelAtRead) {
            waits.cancellation->cancel();
        }
        if (waits.cancellation->cancelled()) {
            fault = FtpFault::Cancelled;
            return -1;
        }
        if (m_bytes.empty()) {
            if (m_endsSilent) {
                fault = FtpFault::Silent;
                return -1;
            }
            return 0;
        }
        const std::size_t take = std::min({size, m_bytes.size(), std::size_t{m_reads[m_readCount % 4]}});
        std::memcpy(into, m_bytes.data(), take);
        m_bytes.remove_prefix(take);
        return static_cast<long>(take);
    }

    bool send(std::string_view bytes, const FtpWaits& waits, FtpFault& fault) override
    {
        if (waits.cancellation->cancelled()) {
            fault = FtpFault::Cancelled;
            return false;
        }
        // A command is one line: nothing may end it early or start another.
        if (m_direction == FtpDirection::Control &&
            (bytes.size() < 2 || bytes.substr(bytes.size() - 2) != "\r\n" ||
             bytes.substr(0, bytes.size() - 2).find_first_of(std::string_view("\r\n\0", 3)) !=
                 std::string_view::npos)) {
            std::abort();
        }
        m_sent->append(bytes.substr(0, 1024));
        return true;
    }

    void shutdown() override {}

private:
    std::string_view m_bytes;
    std::array<unsigned, 4> m_reads;
    bool m_endsSilent;
    FtpDirection m_direction;
    std::string* m_sent;
    unsigned m_cancelAtRead;
    unsigned m_readCount = 0;
};

// Hands out the control script to the first connection and the payloads to
// the data connections after it, each only to the control peer. The input's
// parts: control script, a remote name, then one payload per data
// connection.
class ScriptedDialer : public FtpDialer {
public:
    explicit ScriptedDialer(fuzz::FuzzInput& input)
    {
        for (auto& size : m_reads) {
            const unsigned low = input.choose(256);
            size = 1 + low * input.choose(64);
        }
        m_silentEnds = input.choose(256);
        m_failedDials = input.choose(256);
        m_cancelAtRead = input.choose(64);
        m_parts = splitParts(input.rest());
        if (m_parts.size() > 1) {
            m_name = m_parts[1];
            m_parts.erase(m_parts.begin() + 1);
        }
    }

    std::unique_ptr<FtpTransport> dial(const sockaddr_in& address, FtpDirection direction,
                                       const FtpWaits&) override
    {
        const unsigned index = m_dials++;
        if (direction == FtpDirection::Control) {
            m_control = address;
        } else if (address.sin_addr.s_addr != m_control.sin_addr.s_addr) {
            std::abort(); // a data connection to a host the server named
        }
        if (index < 8 && (m_failedDials >> index & 1) != 0) {
            return nullptr;
        }
        const std::string_view bytes = index < m_parts.size() ? m_parts[index] : std::string_view();
        const bool silent = index < 8 && (m_silentEnds >> index & 1) != 0;
        return std::make_unique<ScriptedTransport>(bytes, m_reads, silent, direction, &m_sent,
                                                   index == 0 ? m_cancelAtRead : 0);
    }

    std::string_view payload(unsigned dial) const { return dial < m_parts.size() ? m_parts[dial] : ""; }
    unsigned dials() const { return m_dials; }
    const std::string& name() const { return m_name; }

private:
    static std::vector<std::string_view> splitParts(std::string_view rest)
    {
        std::vector<std::string_view> parts;
        for (;;) {
            const auto end = rest.find(kPartSeparator);
            parts.push_back(rest.substr(0, end));
            if (end == std::string_view::npos) {
                return parts;
            }
            rest.remove_prefix(end + kPartSeparator.size());
        }
    }

    std::vector<std::string_view> m_parts;
    std::string m_name = "Dossiva/db.sqlite";
    std::array<unsigned, 4> m_reads{};
    unsigned m_silentEnds = 0;
    unsigned m_failedDials = 0;
    unsigned m_cancelAtRead = 0;
    unsigned m_dials = 0;
    sockaddr_in m_control{};
    std::string m_sent;
};

// A private folder for the download and the file to upload, made on first
// use and removed at exit. Its name is kept in a plain array, which outlives
// every destructor run at exit.
std::string scratchFolder()
{
    static char folder[] = "/tmp/fuzz_ftp_session.XXXXXX";
    static const bool made = [] {
        if (::mkdtemp(folder) == nullptr) {
            std::abort();
        }
        const int fd =
            ::open((std::string(folder) + "/upload").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const std::string block(20000, 'u');
        if (fd < 0 || ::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
            std::abort();
        }
        ::close(fd);
        std::atexit([] {
            ::unlink((std::string(folder) + "/download").c_str());
            ::unlink((std::string(folder) + "/upload").c_str());
            ::rmdir(folder);
        });
        return true;
    }();
    (void)made;
    return folder;
}

bool exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

std::string contentOf(const std::string& path)
{
    std::string content;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char block[4096];
    for (ssize_t got; fd >= 0 && (got = ::read(fd, block, sizeof block)) > 0;) {
        content.append(block, static_cast<std::size_t>(got));
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return content;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const std::uint64_t maxBytes = std::uint64_t{1} << input.choose(20);
    ScriptedDialer dialer(input);
    const std::string& name = dialer.name();

    const std::string local = scratchFolder() + "/download";
    ::unlink(local.c_str());
    FtpWaits waits;
    waits.timeout = std::chrono::milliseconds(50);
    FtpSession session("fuzz", waits, FtpPace{}, nullptr, dialer);
    bool templates = false;
    session.connect("127.0.0.1", 2121, templates);
    session.login("dossiva", "secret");
    session.pwd();
    const unsigned listingDial = dialer.dials();
    if (const auto listing = session.list("/Dossiva", static_cast<std::size_t>(maxBytes));
        listing && listing->size() > dialer.payload(listingDial).size()) {
        std::abort(); // a listing longer than what came
    }
    const unsigned downloadDial = dialer.dials();
    if (session.retrieve(name, local, maxBytes)) {
        if (contentOf(local) != dialer.payload(downloadDial) || dialer.dials() == downloadDial) {
            std::abort(); // a download reported whole that is not
        }
    } else if (exists(local)) {
        std::abort(); // a failed download left its file
    }
    FileHandle upload(::open((scratchFolder() + "/upload").c_str(), O_RDONLY | O_CLOEXEC));
    session.store(upload, name);
    session.rename(name, name + ".old");
    session.removeFile(name + ".old");
    session.makeDirectory(name);
    session.removeDirectory(name);
    session.quit();
    session.finish(true);
    return 0;
}
