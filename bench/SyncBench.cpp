// Taking a database package of 50 MB, 500 pictures among it, from the
// companion through FtpClient, against curl fetching the same files from the
// same server in the same run.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "platform/RunLoop.h"
#include "sync/FtpClient.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace dossiva::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kPictures = 500;
constexpr std::size_t kDatabaseBytes = 10 * 1000 * 1000;
constexpr std::size_t kPictureBytes = 80 * 1000;
const std::string kPackage = "Bench.dossiva";

std::string companionScript()
{
    return std::string(DOSSIVA_TEST_PEER_DIR) + "/companion.py";
}

void writeRandomFile(const fs::path& path, std::size_t size, std::mt19937& random)
{
    std::vector<char> bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<char>(random());
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void makeCompanionPackage(const fs::path& root)
{
    std::mt19937 random(7);
    fs::create_directories(root / kPackage / "images");
    writeRandomFile(root / kPackage / "database.db", kDatabaseBytes, random);
    for (int i = 1; i <= kPictures; ++i) {
        writeRandomFile(root / kPackage / "images" / std::to_string(i), kPictureBytes, random);
    }
}

// The companion peer, started through the shell and stopped by the process
// id it prints.
class Companion {
public:
    explicit Companion(const std::string& root)
    {
        const std::string command =
            "exec /usr/bin/python3 " + shellQuote(companionScript()) + " --root " + shellQuote(root);
        m_pipe = ::popen(command.c_str(), "r");
        char line[128] = {};
        if (m_pipe == nullptr || std::fgets(line, sizeof line, m_pipe) == nullptr ||
            std::sscanf(line, "PORT %d PID %d", &m_port, &m_pid) != 2) {
            m_port = 0;
        }
    }
    ~Companion()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
        }
        if (m_pipe != nullptr) {
            ::pclose(m_pipe);
        }
    }
    Companion(const Companion&) = delete;
    Companion& operator=(const Companion&) = delete;

    int port() const { return m_port; }

private:
    FILE* m_pipe = nullptr;
    int m_port = 0;
    int m_pid = 0;
};

// Takes the package as a sync does: log in, list the pictures, receive the
// database, then each picture, one operation started from the previous
// report.
class Taker : public FtpClientDelegate {
public:
    Taker(int port, std::string into) : m_port(port), m_into(std::move(into)), m_client(this) {}

    bool take(RunLoop& loop)
    {
        m_done = false;
        m_failed = false;
        m_client.connectTo("127.0.0.1", m_port, "bench", "7Catalo9g");
        return loop.runUntil([this] { return m_done; }, std::chrono::minutes(5)) && !m_failed;
    }

    void ftpDidConnect() override { m_client.listDir("/" + kPackage + "/images/"); }
    void ftpErrorConnect() override { fail(); }
    void ftpDidDisconnect() override { m_done = true; }
    void ftpDirList(std::optional<std::string> listing) override
    {
        const auto entries = listing ? FtpClient::parseList(*listing, "") : std::nullopt;
        if (!entries) {
            fail();
            return;
        }
        m_pictures.clear();
        for (const auto& entry : *entries) {
            if (entry.type == 8) {
                m_pictures.push_back(entry.name);
            }
        }
        m_client.downloadRemoteFilePath("/" + kPackage + "/database.db", m_into + "/database.db");
    }
    void ftpFileGot(int done) override
    {
        if (!done) {
            fail();
            return;
        }
        if (m_pictures.empty()) {
            m_client.disconnect();
            return;
        }
        const std::string name = m_pictures.back();
        m_pictures.pop_back();
        m_client.downloadRemoteFilePath("/" + kPackage + "/images/" + name, m_into + "/images/" + name);
    }
    void ftpPwd(std::optional<std::string>) override {}
    void ftpFileSent(int) override {}
    void ftpDirMade(int) override {}
    void ftpDirRemoved(int) override {}
    void ftpFileRemoved(int) override {}
    void ftpDirRenamed(int) override {}

private:
    void fail()
    {
        m_failed = true;
        m_client.disconnect();
    }

    int m_port;
    std::string m_into;
    std::vector<std::string> m_pictures;
    bool m_done = false;
    bool m_failed = false;
    FtpClient m_client;
};

std::size_t pictureCount(const fs::path& folder)
{
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.file_size() == kPictureBytes ? 1 : 0;
    }
    return count;
}

void benchTakeFromCompanion()
{
    if (std::system("command -v curl > /dev/null") != 0) {
        std::printf("  curl is not installed (scripts/setup-deps installs it); skipped\n");
        return;
    }
    const fs::path home = std::getenv("HOME");
    const fs::path root = home / "companion";
    makeCompanionPackage(root);
    Companion companion(root.string());
    if (companion.port() == 0) {
        std::printf("  the companion peer did not start; skipped\n");
        return;
    }
    const std::string ours = (home / "ours").string();
    const std::string theirs = (home / "curl").string();
    fs::create_directories(ours + "/images");
    fs::create_directories(theirs + "/images");

    // curl 7.88 stalls a whole second before each data connection after the
    // first when the PASV reply is already there as it sends PASV (as on
    // loopback). A NOOP before each transfer, in place of the SIZE that
    // --ignore-content-length drops, keeps it out of that path with three
    // commands per file, as FtpClient sends (TYPE, PASV, RETR).
    const std::string url = "ftp://127.0.0.1:" + std::to_string(companion.port()) + "/" + kPackage;
    const std::string curlCommand =
        "curl -s -S --disable-epsv --ignore-content-length -Q NOOP -u bench:7Catalo9g -o " +
        shellQuote(theirs + "/database.db") + " " + shellQuote(url + "/database.db") + " -o " +
        shellQuote(theirs + "/images/#1") + " " +
        shellQuote(url + "/images/[1-" + std::to_string(kPictures) + "]");

    RunLoop loop;
    bool taken = true;
    const Pairing time = timePairs(
        kRuns,
        [&] {
            Taker taker(companion.port(), ours);
            taken = taker.take(loop) && taken;
        },
        shellCommand(curlCommand));

    const bool complete = taken && fs::file_size(ours + "/database.db") == kDatabaseBytes &&
                          pictureCount(ours + "/images") == kPictures &&
                          pictureCount(theirs + "/images") == kPictures;
    const double total = static_cast<double>(kDatabaseBytes + kPictures * kPictureBytes) / 1e6;
    std::printf("take: a database package of %.0f MB (database.db %.0f MB, %d pictures of %.0f kB) over "
                "loopback%s\n",
                total, static_cast<double>(kDatabaseBytes) / 1e6, kPictures,
                static_cast<double>(kPictureBytes) / 1e3, complete ? "" : " (INCOMPLETE)");
    printSeconds("dossiva", time.ours, "(FtpClient: list, then TYPE, PASV, RETR per file)");
    printSeconds("curl", time.anchor, "(one invocation over one connection: NOOP, PASV, RETR per file)");
    printRatio("time", time.ratio, 1.3);
}

const BenchRegistration registration(50, "Taking a database from the companion", benchTakeFromCompanion);

} // namespace
} // namespace dossiva::bench
