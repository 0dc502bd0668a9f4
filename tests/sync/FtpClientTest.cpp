#include "sync/FtpClient.h"

#include "platform/ComputerName.h"
#include "platform/RunLoop.h"
#include "support/CaseNames.h"
#include "support/ChildProcess.h"
#include "support/CompanionPeer.h"
#include "support/Files.h"
#include "support/Pictures.h"
#include "support/TestHome.h"
#include "sync/FtpReplyParser.h"
#include "sync/ListingParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace dossiva {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
namespace fs = std::filesystem;
using test::PrintTo;

// Waits that only run out when something is broken.
constexpr auto kPatience = 20s;
// The socket time-out of tests with a server that stalls.
constexpr auto kShortTimeout = 300ms;

// --- what replies carry ------------------------------------------------------

struct GreetingCase {
    const char* name;
    std::string firstLine;
    bool supportsTemplates;
};

class GreetingVersionTest : public testing::TestWithParam<GreetingCase> {};

TEST_P(GreetingVersionTest, FourOrMoreExchangesTemplates)
{
    EXPECT_EQ(FtpReplyParser::greetingSupportsTemplates(GetParam().firstLine), GetParam().supportsTemplates);
}

INSTANTIATE_TEST_SUITE_P(
    HostileReply, GreetingVersionTest,
    testing::Values(GreetingCase{"version 4.0", "220 Dossiva companion 4.0 ready\r\n", true},
                    GreetingCase{"version 4.1", "220 Dossiva companion 4.1 ready\r\n", true},
                    GreetingCase{"version 10", "220 Dossiva companion 10. ready\r\n", true},
                    GreetingCase{"version 3.9", "220 Dossiva companion 3.9 ready\r\n", false},
                    GreetingCase{"letters", "220 Dossiva companion abc ready\r\n", false},
                    GreetingCase{"the version ends the line", "220 Dossiva companion 4.0\r\n", true},
                    GreetingCase{"shorter than 25 characters", "220 Dossiva companion 4\r\n", false},
                    GreetingCase{"the version elsewhere", "220 4.0 Dossiva companion ready\r\n", false},
                    GreetingCase{"no greeting text", "220\r\n", false}),
    test::NameOfCase());

struct PassiveCase {
    const char* name;
    std::string reply;
    std::optional<int> port; // nullopt: refused
};

class PassiveReplyTest : public testing::TestWithParam<PassiveCase> {};

TEST_P(PassiveReplyTest, GivesThePortOrNothing)
{
    const auto passive = FtpReplyParser::passiveAddress(GetParam().reply);
    EXPECT_EQ(passive ? std::optional<int>(passive->port) : std::nullopt, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    HostileReply, PassiveReplyTest,
    testing::Values(PassiveCase{"six numbers", "227 Entering Passive Mode (192,168,1,5,19,137)\n", 5001},
                    PassiveCase{"blanks after the commas", "227 Entering (127, 0, 0, 1, 4, 1).\n", 1025},
                    PassiveCase{"leading zeros", "227 Entering (127,0,0,1,004,001)\n", 1025},
                    PassiveCase{"port 0", "227 Entering Passive Mode (127,0,0,1,0,0)\n", std::nullopt},
                    PassiveCase{"a number above 255", "227 Entering (127,0,0,1,256,1)\n", std::nullopt},
                    PassiveCase{"a number beyond any integer", "227 (1,1,1,1,99999999999999999999,1)\n",
                                std::nullopt},
                    PassiveCase{"a sign", "227 Entering (127,0,0,1,-4,1)\n", std::nullopt},
                    PassiveCase{"five numbers", "227 Entering Passive Mode (127,0,0,1,4)\n", std::nullopt},
                    PassiveCase{"no parenthesis", "227 Entering Passive Mode 127,0,0,1,4,1\n", std::nullopt},
                    PassiveCase{"the line ends after the parenthesis", "227 (", std::nullopt}),
    test::NameOfCase());

struct DirectoryCase {
    const char* name;
    std::string reply;
    bool truncated; // the line was longer than the reply holds
    std::optional<std::string> directory;
};

class WorkingDirectoryTest : public testing::TestWithParam<DirectoryCase> {};

TEST_P(WorkingDirectoryTest, IsTheQuotedText)
{
    EXPECT_EQ(FtpReplyParser::workingDirectory(GetParam().reply, GetParam().truncated), GetParam().directory);
}

INSTANTIATE_TEST_SUITE_P(
    HostileReply, WorkingDirectoryTest,
    testing::Values(
        DirectoryCase{"between quotes", "257 \"/Documents\" is the current directory\n", false, "/Documents"},
        DirectoryCase{"no closing quote", "257 \"/Documents\n", false, "/Documents"},
        DirectoryCase{"no closing quote on a cut line", "257 \"/Documents", true, std::nullopt},
        DirectoryCase{"both quotes on a cut line", "257 \"/Documents\" is the", true, "/Documents"},
        DirectoryCase{"no quotes", "257 /Documents\n", false, std::nullopt},
        DirectoryCase{"UTF-8", "257 \"/Caf\xc3\xa9\"\n", false, "/Caf\xc3\xa9"},
        DirectoryCase{"not UTF-8", "257 \"/Caf\xe9\"\n", false, std::nullopt},
        DirectoryCase{"longer than 255 bytes", "257 \"/" + std::string(300, 'd') + "\"\n", false,
                      "/" + std::string(254, 'd')}),
    test::NameOfCase());

// Writes down every report, in order, as a short text.
class RecordingDelegate : public FtpClientDelegate {
public:
    void ftpDidConnect() override { add("connected"); }
    void ftpErrorConnect() override { add("connect failed"); }
    void ftpDidDisconnect() override { add("disconnected"); }
    void ftpPwd(std::optional<std::string> directory) override { add("pwd " + directory.value_or("(none)")); }
    void ftpDirList(std::optional<std::string> listing) override
    {
        m_listing = listing;
        add(listing ? "listed" : "list failed");
    }
    void ftpFileGot(int done) override { add("got " + std::to_string(done)); }
    void ftpFileSent(int done) override { add("sent " + std::to_string(done)); }
    void ftpDirMade(int done) override { add("made " + std::to_string(done)); }
    void ftpDirRemoved(int done) override { add("dir removed " + std::to_string(done)); }
    void ftpFileRemoved(int done) override { add("file removed " + std::to_string(done)); }
    void ftpDirRenamed(int done) override { add("renamed " + std::to_string(done)); }

    const std::vector<std::string>& events() const { return m_events; }
    const std::optional<std::string>& listing() const { return m_listing; }
    bool onMainThread() const { return m_onMainThread; }
    // Runs after each report (a test may destroy the client there).
    std::function<void(const std::string&)> afterEvent;

private:
    void add(const std::string& event)
    {
        m_onMainThread = m_onMainThread && std::this_thread::get_id() == m_mainThread;
        m_events.push_back(event);
        if (afterEvent) {
            afterEvent(event);
        }
    }

    std::thread::id m_mainThread = std::this_thread::get_id();
    bool m_onMainThread = true;
    std::vector<std::string> m_events;
    std::optional<std::string> m_listing;
};

// A run loop standing in for the main thread, a delegate and a client.
// Destroyed in reverse order: the client goes before the loop its reports
// are posted to.
class Harness {
public:
    explicit Harness(std::chrono::milliseconds timeout = 15000ms)
        : client(std::make_unique<FtpClient>(&delegate))
    {
        client->setTimeout(timeout);
    }

    // Starts an operation and returns its report, or "(no report)".
    std::string await(const std::function<void(FtpClient&)>& operation)
    {
        const std::size_t before = delegate.events().size();
        operation(*client);
        if (!loop.runUntil([&] { return delegate.events().size() > before; }, kPatience)) {
            return "(no report)";
        }
        return delegate.events()[before];
    }

    std::string connect(int port, const std::string& user = "tester", const std::string& passwd = "7Catalo9g")
    {
        return await([&](FtpClient& c) { c.connectTo("127.0.0.1", port, user, passwd); });
    }

    RunLoop loop;
    RecordingDelegate delegate;
    std::unique_ptr<FtpClient> client;
};

// --- the companion peer ----------------------------------------------------

class CompanionTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = test::makeTempFolder("dossiva-peer-");
        m_local = test::makeTempFolder("dossiva-local-");
        m_port = m_peer.start(m_root);
        ASSERT_NE(m_port, 0) << "the companion peer did not start";
        ASSERT_EQ(m_ftp.connect(m_port), "connected");
    }
    void TearDown() override
    {
        m_ftp.client.reset();
        m_peer.stop();
        fs::remove_all(m_root);
        fs::remove_all(m_local);
    }

    std::string root(const std::string& relative) const { return m_root + "/" + relative; }
    std::string local(const std::string& relative) const { return m_local + "/" + relative; }
    std::vector<FtpEntry> listed() const
    {
        return ListingParser::parseList(m_ftp.delegate.listing().value_or(""))
            .value_or(std::vector<FtpEntry>{});
    }

    std::string m_root;
    std::string m_local;
    test::CompanionPeer m_peer;
    int m_port = 0;
    Harness m_ftp;
};

TEST_F(CompanionTest, RunsEveryOperationAgainstARealServer)
{
    // Binary content survives both ways: CR LF, NUL and high bytes.
    std::string picture = "\x89PNG\r\n\x1a\n"s + std::string(1, '\0');
    const auto noise = test::noiseBytes(30000, 7);
    picture.append(noise.begin(), noise.end());
    test::writeFile(local("picture"), picture);

    EXPECT_TRUE(m_ftp.client->supportsTemplates());
    EXPECT_TRUE(m_ftp.client->isConnected());
    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.getPwd(); }), "pwd /");
    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.makeDirectoryName("Notes.dossiva_temp", "/"); }), "made 1");
    EXPECT_TRUE(fs::is_directory(root("Notes.dossiva_temp")));
    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.makeDirectoryName("images", "/Notes.dossiva_temp"); }),
              "made 1");
    EXPECT_EQ(m_ftp.await([&](FtpClient& c) {
        c.uploadLocalFilePath(local("picture"), "/Notes.dossiva_temp/images/1");
    }),
              "sent 1");
    EXPECT_EQ(test::fileContents(root("Notes.dossiva_temp/images/1")), picture);

    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.renameDirectory("/Notes.dossiva_temp", "/Notes.dossiva"); }),
              "renamed 1");
    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.listDir("/"); }), "listed");
    auto entries = listed();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Notes.dossiva");
    EXPECT_EQ(entries[0].type, 4);
    EXPECT_GT(entries[0].date, 0);

    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.listDir("/Notes.dossiva/images/"); }), "listed");
    entries = listed();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "1");
    EXPECT_EQ(entries[0].type, 8);

    EXPECT_EQ(m_ftp.await(
                  [&](FtpClient& c) { c.downloadRemoteFilePath("/Notes.dossiva/images/1", local("copy")); }),
              "got 1");
    EXPECT_EQ(test::fileContents(local("copy")), picture);

    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.removeFile("/Notes.dossiva/images/1"); }), "file removed 1");
    EXPECT_FALSE(fs::exists(root("Notes.dossiva/images/1")));

    // RMD takes a database folder with everything inside it.
    test::writeFile(root("Notes.dossiva/database.db"), "db");
    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.removeDirectory("/Notes.dossiva"); }), "dir removed 1");
    EXPECT_FALSE(fs::exists(root("Notes.dossiva")));

    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.disconnect(); }), "disconnected");
    EXPECT_FALSE(m_ftp.client->isConnected());
    EXPECT_TRUE(m_ftp.delegate.onMainThread());
}

TEST_F(CompanionTest, NamesComeBackExactlyAsListed)
{
    const std::vector<std::string> names = {"Address Book.dossiva", " leading blank.dossiva",
                                            "trailing blank .dossiva", "Café ünïcode.dossiva",
                                            "arrow -> inside.dossiva"};
    std::vector<std::pair<std::string, int>> expected = {{"plain file.dossiva", 8}};
    for (const auto& name : names) {
        fs::create_directory(root(name));
        expected.emplace_back(name, 4);
    }
    test::writeFile(root("plain file.dossiva"), "not a database");
    ASSERT_EQ(m_ftp.await([](FtpClient& c) { c.listDir("/"); }), "listed");
    std::vector<std::pair<std::string, int>> got;
    for (const auto& entry : listed()) {
        got.emplace_back(entry.name, entry.type);
    }
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
}

// Each refused operation fails alone: the conversation stays in step, so
// the next command gets its own reply.
TEST_F(CompanionTest, FailuresLeaveTheConnectionUsable)
{
    struct Case {
        const char* what;
        std::function<void(FtpClient&)> operation;
        std::string report;
    };
    const std::string missing = local("nowhere/file");
    test::writeFile(local("file"), "x");
    const std::vector<Case> cases = {
        {"download a missing file", [&](FtpClient& c) { c.downloadRemoteFilePath("/missing", local("m")); },
         "got 0"},
        {"download into a missing folder",
         [&](FtpClient& c) { c.downloadRemoteFilePath("/missing", missing); }, "got 0"},
        {"upload a missing local file", [&](FtpClient& c) { c.uploadLocalFilePath(missing, "/x"); },
         "sent 0"},
        {"upload into a missing folder", [&](FtpClient& c) { c.uploadLocalFilePath(local("file"), "/no/x"); },
         "sent 0"},
        {"list a missing folder", [](FtpClient& c) { c.listDir("/missing"); }, "list failed"},
        {"make the root folder", [](FtpClient& c) { c.makeDirectoryName("", "/"); }, "made 0"},
        {"remove a missing folder", [](FtpClient& c) { c.removeDirectory("/missing"); }, "dir removed 0"},
        {"remove a missing file", [](FtpClient& c) { c.removeFile("/missing"); }, "file removed 0"},
        {"rename a missing file", [](FtpClient& c) { c.renameDirectory("/missing", "/other"); }, "renamed 0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m_ftp.await(c.operation), c.report) << c.what;
        EXPECT_EQ(m_ftp.await([](FtpClient& client) { client.getPwd(); }), "pwd /") << "after: " << c.what;
    }
}

TEST_F(CompanionTest, OperationsMayStartOnAnotherThreadAndReportOnTheMainThread)
{
    std::thread worker([this] { m_ftp.client->getPwd(); });
    worker.join();
    ASSERT_TRUE(m_ftp.loop.runUntil([&] { return m_ftp.delegate.events().size() == 2; }, kPatience));
    EXPECT_EQ(m_ftp.delegate.events().back(), "pwd /");
    EXPECT_TRUE(m_ftp.delegate.onMainThread());
}

TEST_F(CompanionTest, OnlyOneOperationRunsAtATime)
{
    m_ftp.client->getPwd();
    m_ftp.client->listDir("/"); // refused: the PWD is still running
    ASSERT_TRUE(m_ftp.loop.runUntil([&] { return m_ftp.delegate.events().size() == 3; }, kPatience));
    std::vector<std::string> reports(m_ftp.delegate.events().begin() + 1, m_ftp.delegate.events().end());
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(reports, (std::vector<std::string>{"list failed", "pwd /"}));
    EXPECT_EQ(m_ftp.await([](FtpClient& c) { c.listDir("/"); }), "listed");
}

// --- the scripted server ---------------------------------------------------

// Every byte as one JSON character, so the server sends exactly these bytes.
std::string jsonValue(const std::string& text)
{
    std::string json = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20 || byte >= 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

template <class Number>
requires std::is_arithmetic_v<Number> std::string jsonValue(Number number)
{
    return std::to_string(number);
}

// One step of what the scripted server does (tests/peer/scripted_server.py),
// as the JSON list it reads: the action, then its arguments.
using Step = std::string;
using Script = std::vector<Step>;

template <class... Arguments> Step step(const char* action, const Arguments&... arguments)
{
    return "[" + jsonValue(action) + (("," + jsonValue(arguments)) + ... + std::string()) + "]";
}

const auto send = [](const std::string& text) { return step("send", text); };
const auto reply = [](const std::string& text) { return step("reply", text); };
const auto recv = [] { return step("recv"); };
const auto pasv = [](const std::string& address) { return step("pasv", address); };
const auto accept = [] { return step("accept"); };
const auto data = [](const std::string& text) { return step("data", text); };
const auto dataRepeat = [](const std::string& text, int times) { return step("data_repeat", text, times); };
const auto dataDrip = [](const std::string& text, double seconds, int times) {
    return step("data_drip", text, seconds, times);
};
const auto dataClose = [] { return step("data_close"); };
const auto sleepFor = [](double seconds) { return step("sleep", seconds); };

std::string toJson(const Script& script)
{
    std::string json;
    for (const auto& each : script) {
        json += (json.empty() ? "[" : ",") + each;
    }
    return json.empty() ? "[]" : json + "]";
}

const std::string kGreeting = "220 Dossiva companion 4.0 ready\r\n";

// Greeting and login as a companion answers them.
Script loggedIn(Script then, const std::string& greeting = kGreeting)
{
    Script script = {send(greeting), reply("331 Send the password\r\n"), reply("230 Welcome\r\n")};
    script.insert(script.end(), then.begin(), then.end());
    return script;
}

// The scripted server of one test: plays the script to the one client that
// connects and records what it sends.
class ScriptedServer {
public:
    explicit ScriptedServer(const Script& script) : m_folder(test::makeTempFolder("dossiva-script-"))
    {
        test::writeFile(m_folder + "/script.json", toJson(script));
        if (m_process.start({"/usr/bin/python3", test::peerScript("scripted_server.py"),
                             m_folder + "/script.json", m_folder + "/transcript"})) {
            m_port = test::readPeerPort(m_process);
        }
    }
    ~ScriptedServer()
    {
        m_process.stop();
        fs::remove_all(m_folder);
    }

    int port() const { return m_port; }

    // What the client sent, once the server has ended (the client closed the
    // connection; destroy the client first).
    std::vector<std::string> transcript()
    {
        if (!m_process.wait(kPatience)) {
            m_process.stop();
        }
        return test::textLines(test::fileContents(m_folder + "/transcript"));
    }

private:
    std::string m_folder;
    test::ChildProcess m_process;
    int m_port = 0;
};

using Transcript = std::vector<std::string>;
using Reports = std::vector<std::string>;
using Operation = std::function<void(FtpClient&)>;
const Transcript kLogin = {"USER tester", "PASS 7Catalo9g"};

Transcript operator+(Transcript a, const Transcript& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A conversation: the server's script, what the client is asked to do after
// connecting, and what must come of it.
struct Conversation {
    std::string name;
    Script script;
    std::vector<Operation> operations;
    Reports reports; // "connected" first when the login succeeds
    Transcript transcript;
    std::chrono::milliseconds timeout = 15000ms;
    std::string user = "tester";
    std::optional<std::string> listing; // the last listing delivered, when one is expected
};

// A conversation that goes on from a successful login.
Conversation afterLogin(std::string name, Script script, std::vector<Operation> operations, Reports reports,
                        Transcript sent, std::chrono::milliseconds timeout = 15000ms)
{
    return {std::move(name),       loggedIn(std::move(script)),
            std::move(operations), Reports{"connected"} + reports,
            kLogin + sent,         timeout};
}

Conversation expectingListing(Conversation conversation, std::string listing)
{
    conversation.listing = std::move(listing);
    return conversation;
}

// What the client sent; the server's own complaints (a client that hung up
// on it) vary with timing and are left out.
Transcript clientLines(const Transcript& transcript)
{
    Transcript lines;
    for (const auto& line : transcript) {
        if (line.rfind("SERVER-ERROR", 0) != 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

class ScriptedConversationTest : public testing::TestWithParam<Conversation> {};

TEST_P(ScriptedConversationTest, ReportsAndSendsExactlyThis)
{
    const Conversation& c = GetParam();
    ScriptedServer server(c.script);
    ASSERT_NE(server.port(), 0) << "the scripted server did not start";
    Reports reports;
    std::optional<std::string> listing;
    {
        Harness ftp(c.timeout);
        reports.push_back(ftp.connect(server.port(), c.user));
        if (reports.front() == "connect failed") {
            EXPECT_FALSE(ftp.client->isConnected());
        }
        for (const auto& operation : c.operations) {
            reports.push_back(ftp.await(operation));
        }
        listing = ftp.delegate.listing();
    }
    EXPECT_EQ(reports, c.reports);
    EXPECT_EQ(clientLines(server.transcript()), c.transcript);
    if (c.listing) {
        EXPECT_EQ(listing, c.listing);
    }
}

const std::string kListing = "total 1\r\ndrwxr-xr-x 1 a b 0 Mar 3 10:12 Notes.dossiva\r\n";
const Transcript kListDocuments = {"CWD /Documents", "TYPE A", "PASV", "DATA-CONNECT 127.0.0.1",
                                   "LIST /Documents"};
const Transcript kRetrieve = {"TYPE I", "PASV", "DATA-CONNECT 127.0.0.1"};

const Operation pwd = [](FtpClient& c) { c.getPwd(); };
const Operation listDocuments = [](FtpClient& c) { c.listDir("/Documents"); };
const Operation retrieveFile = [](FtpClient& c) { c.downloadRemoteFilePath("/file", "/dev/null"); };

// Asking for a listing up to the moment the server takes the data connection.
Script listingThrough(const std::string& pasvAddress)
{
    return {reply("250 CWD ok\r\n"), reply("200 Type A\r\n"), pasv(pasvAddress), accept()};
}

// Up to the moment the server takes the data connection of a RETR.
Script retrieveThrough()
{
    return {reply("200 Type I\r\n"), pasv("127,0,0,1"), accept()};
}

// Over a megabyte of continuation lines that never reach their last line.
const std::string kEndlessReply = [] {
    std::string lines;
    while (lines.size() <= 1100000) {
        lines += "257-" + std::string(60, 'x') + "\r\n";
    }
    return lines;
}();

const Script kListingSent = {reply("150 Here\r\n"), data(kListing), dataClose(), send("226 Done\r\n")};
const std::string kLongUser(57, 'u');

// clang-format off
INSTANTIATE_TEST_SUITE_P(Login, ScriptedConversationTest, testing::Values(
    Conversation{"a multi-line greeting ends at its 220 line",
        loggedIn({}, "220-Welcome to the companion\r\n220-still the greeting\r\n 220 not the end\r\n"
                     "220-nor this\r\n220 Dossiva companion 4.0 ready\r\n"),
        {}, {"connected"}, kLogin},
    Conversation{"a multi-line reply is read to its last line",
        {send(kGreeting), reply("331 Send the password\r\n"), reply("230-Welcome\r\n230-Enjoy\r\n230 Logged in\r\n"),
         reply("257 \"/Documents\"\r\n")},
        {pwd}, {"connected", "pwd /Documents"}, kLogin + Transcript{"PWD"}},
    Conversation{"an over-long reply line is cut and the conversation goes on",
        loggedIn({reply("257 \"/Documents\"\r\n")}, "220 " + std::string(10000, 'x') + "\r\n"),
        {pwd}, {"connected", "pwd /Documents"}, kLogin + Transcript{"PWD"}},
    Conversation{"a reply line beyond all reason fails the connection",
        {send("220 " + std::string(100000, 'x') + "\r\n")}, {}, {"connect failed"}, {}},
    Conversation{"a greeting that is not 2xx fails", {send("421 Too busy\r\n")}, {}, {"connect failed"}, {}},
    Conversation{"a silent server fails the connection", {sleepFor(1)}, {}, {"connect failed"}, {}, kShortTimeout},
    Conversation{"a server that never answers USER fails the connection", {send(kGreeting), recv(), sleepFor(1)},
        {}, {"connect failed"}, {"USER tester"}, kShortTimeout},
    // Without a connection operations fail at once rather than hang.
    Conversation{"a refused password fails the connection",
        {send(kGreeting), reply("331 Send the password\r\n"), reply("530 No\r\n")},
        {pwd}, {"connect failed", "pwd (none)"}, kLogin},
    Conversation{"a user name of 57 bytes logs in",
        loggedIn({}), {}, {"connected"}, {"USER " + kLongUser, "PASS 7Catalo9g"}, 15000ms, kLongUser},
    Conversation{"a user name of 58 bytes fails before anything is sent",
        {send(kGreeting)}, {}, {"connect failed"}, {}, 15000ms, kLongUser + "u"},
    Conversation{"a user name with a line break is never sent",
        {send(kGreeting)}, {}, {"connect failed"}, {}, 15000ms, "me\r\nDELE x"},
    // Replies cut anywhere, even inside the code, are read whole.
    Conversation{"a greeting split across reads",
        {send("22"), sleepFor(0.05), send("0 Dossiva companion 4.0 re"), sleepFor(0.05), send("ady\r\n"),
         reply("331 Send the password\r\n"), reply("230 Welcome\r\n")},
        {}, {"connected"}, kLogin},
    Conversation{"a multi-line reply split inside its last code",
        {send(kGreeting), reply("331 Send the password\r\n"), reply("230-Welcome\r\n23"), sleepFor(0.05),
         send("0 Logged in\r\n"), reply("257 \"/\"\r\n")},
        {pwd}, {"connected", "pwd /"}, kLogin + Transcript{"PWD"}},
    Conversation{"a server that hangs up before the greeting", {step("close")}, {}, {"connect failed"}, {}}),
    test::NameOfCase());
// clang-format on

INSTANTIATE_TEST_SUITE_P(
    Replies, ScriptedConversationTest,
    testing::Values(
        afterLogin("a refused PWD", {reply("550 No\r\n")}, {pwd}, {"pwd (none)"}, {"PWD"}),
        afterLogin("after a reply goes missing nothing more is sent", {recv(), sleepFor(1)},
                   {pwd, [](FtpClient& c) { c.makeDirectoryName("x", "/"); }}, {"pwd (none)", "made 0"},
                   {"PWD"}, kShortTimeout),
        afterLogin("an unreadable PASV reply fails the listing and the conversation goes on",
                   {reply("250 CWD ok\r\n"), reply("200 Type A\r\n"),
                    reply("227 Entering Passive Mode (127,0,0,1,0,0)\r\n"), reply("257 \"/\"\r\n")},
                   {listDocuments, pwd}, {"list failed", "pwd /"},
                   {"CWD /Documents", "TYPE A", "PASV", "PWD"}),
        afterLogin("a working directory holding a NUL is refused", {reply("257 \"/a\0b\"\r\n"s)}, {pwd},
                   {"pwd (none)"}, {"PWD"}),
        afterLogin("a 421 mid-session ends what follows", {reply("421 Going away\r\n"), step("close")},
                   {pwd, [](FtpClient& c) { c.makeDirectoryName("x", "/"); }}, {"pwd (none)", "made 0"},
                   {"PWD"}),
        afterLogin("an endless multi-line reply fails", {reply(kEndlessReply)}, {pwd}, {"pwd (none)"},
                   {"PWD"})),
    test::NameOfCase());

INSTANTIATE_TEST_SUITE_P(
    DataConnections, ScriptedConversationTest,
    testing::Values(
        expectingListing(afterLogin("a listing arrives with its lines ending in LF",
                                    listingThrough("127,0,0,1") + kListingSent, {listDocuments}, {"listed"},
                                    kListDocuments),
                         "total 1\ndrwxr-xr-x 1 a b 0 Mar 3 10:12 Notes.dossiva\n"),
        // The data connection goes to the server whatever the reply names.
        afterLogin("a PASV reply pointing elsewhere still reaches the server",
                   listingThrough("10,255,255,1") + kListingSent, {listDocuments}, {"listed"},
                   kListDocuments),
        expectingListing(afterLogin("an empty listing is a listing",
                                    listingThrough("127,0,0,1") +
                                        Script{reply("150 Here\r\n"), dataClose(), send("226 Done\r\n")},
                                    {listDocuments}, {"listed"}, kListDocuments),
                         ""),
        afterLogin("a PASV reply naming a port where nothing listens fails the listing alone",
                   {reply("250 CWD ok\r\n"), reply("200 Type A\r\n"),
                    reply("227 Entering Passive Mode (127,0,0,1,0,1)\r\n"), reply("257 \"/\"\r\n")},
                   {listDocuments, pwd}, {"list failed", "pwd /"},
                   {"CWD /Documents", "TYPE A", "PASV", "PWD"}),
        afterLogin("a listing whose data connection stalls fails",
                   listingThrough("127,0,0,1") + Script{reply("150 Here\r\n"), sleepFor(1)}, {listDocuments},
                   {"list failed"}, kListDocuments, kShortTimeout),
        afterLogin("a listing beyond 64 MB fails",
                   listingThrough("127,0,0,1") +
                       Script{reply("150 Here\r\n"), dataRepeat(std::string(65535, 'x') + "\n", 1100)},
                   {listDocuments}, {"list failed"}, kListDocuments, kShortTimeout),
        afterLogin("a refused RETR fails without waiting for another reply",
                   retrieveThrough() + Script{reply("550 No such file\r\n"), reply("257 \"/\"\r\n")},
                   {retrieveFile, pwd}, {"got 0", "pwd /"}, kRetrieve + Transcript{"RETR /file", "PWD"},
                   kShortTimeout),
        afterLogin("a transfer the server aborts fails",
                   retrieveThrough() +
                       Script{reply("150 Here\r\n"), data("part"), dataClose(), send("426 Aborted\r\n")},
                   {retrieveFile}, {"got 0"}, kRetrieve + Transcript{"RETR /file"})),
    test::NameOfCase());

// Names come from the companion's own listings: none holding a control
// character may reach the wire, and its operation fails alone.
Conversation hostileName(std::string name, Operation operation, std::string report)
{
    return afterLogin(std::move(name), {reply("257 \"/\"\r\n")}, {std::move(operation), pwd},
                      {std::move(report), "pwd /"}, {"PWD"});
}

INSTANTIATE_TEST_SUITE_P(
    ControlCharacters, ScriptedConversationTest,
    testing::Values(
        hostileName(
            "CR LF in a folder to make", [](FtpClient& c) { c.makeDirectoryName("a\r\nDELE b", "/"); },
            "made 0"),
        hostileName(
            "LF in a file to remove", [](FtpClient& c) { c.removeFile("/a\nb"); }, "file removed 0"),
        hostileName(
            "NUL in a folder to remove", [](FtpClient& c) { c.removeDirectory("/a\0/../b"s); },
            "dir removed 0"),
        hostileName(
            "SOH in a rename target", [](FtpClient& c) { c.renameDirectory("/a", "/b\x01"); }, "renamed 0"),
        hostileName(
            "CR in a file to download", [](FtpClient& c) { c.downloadRemoteFilePath("/a\rb", "/dev/null"); },
            "got 0"),
        hostileName(
            "LF in a file to upload",
            [](FtpClient& c) {
                c.uploadLocalFile(FileHandle(::open("/proc/self/exe", O_RDONLY | O_CLOEXEC)), "/a\nSTOR b");
            },
            "sent 0"),
        hostileName(
            "tab in a folder to list", [](FtpClient& c) { c.listDir("/a\tb"); }, "list failed")),
    test::NameOfCase());

// --- what a download may take -------------------------------------------------

constexpr auto kPaceWindow = 300ms;

// Up to the moment the server answers a RETR on its data connection.
Script retrieving()
{
    return retrieveThrough() + Script{reply("150 Here\r\n")};
}

struct LimitCase {
    std::string name;
    Script script; // after logging in
    std::function<void(FtpClient&, const std::string& file)> operation;
    std::string report;
    std::string failure;                // the client's reason, for the user
    std::optional<std::uintmax_t> kept; // the size of the file left, if any
};

auto retrieveAtMost(std::uint64_t maxBytes)
{
    return
        [maxBytes](FtpClient& c, const std::string& file) { c.downloadRemoteFilePath("/f", file, maxBytes); };
}

class DownloadLimitTest : public testing::TestWithParam<LimitCase> {};

// Limits are small here so that each case ends at once; the outcome, not
// the time taken, is checked.
TEST_P(DownloadLimitTest, EndsWhatSendsTooMuchOrTooSlowlyAndSaysWhy)
{
    const LimitCase& c = GetParam();
    ScriptedServer server(loggedIn(c.script));
    ASSERT_NE(server.port(), 0);
    const std::string folder = test::makeTempFolder("dossiva-limit-");
    const std::string file = folder + "/f";
    std::string report;
    std::string failure;
    {
        Harness ftp(kShortTimeout);
        ftp.client->setDownloadPace(1024, kPaceWindow);
        ASSERT_EQ(ftp.connect(server.port()), "connected");
        report = ftp.await([&](FtpClient& client) { c.operation(client, file); });
        failure = ftp.client->lastFailure();
    }
    EXPECT_EQ(report, c.report);
    EXPECT_EQ(failure, c.failure);
    EXPECT_EQ(fs::exists(file) ? std::optional(fs::file_size(file)) : std::nullopt, c.kept);
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DownloadLimitTest,
    testing::Values(
        LimitCase{"endless data stops at the limit",
                  retrieving() + Script{dataRepeat(std::string(65536, 'x'), 4000)}, retrieveAtMost(100000),
                  "got 0", "the companion sent more than 100000 bytes", std::nullopt},
        LimitCase{"a file of exactly the limit is taken",
                  retrieving() + Script{data(std::string(1024, 'y')), dataClose(), send("226 Done\r\n")},
                  retrieveAtMost(1024), "got 1", "", 1024},
        LimitCase{"one byte more is refused",
                  retrieving() + Script{data(std::string(1025, 'y')), dataClose(), send("226 Done\r\n")},
                  retrieveAtMost(1024), "got 0", "the companion sent more than 1 KiB", std::nullopt},
        LimitCase{"a drip is too slow", retrieving() + Script{dataDrip("z", 0.05, 400)},
                  retrieveAtMost(1 << 20), "got 0",
                  "the transfer from the companion was too slow (less than 1 KiB in 300 milliseconds)",
                  std::nullopt},
        LimitCase{"a listing that drips is too slow",
                  listingThrough("127,0,0,1") + Script{reply("150 Here\r\n"), dataDrip("d", 0.05, 400)},
                  [](FtpClient& c, const std::string&) { c.listDir("/Documents"); }, "list failed",
                  "the transfer from the companion was too slow (less than 1 KiB in 300 milliseconds)",
                  std::nullopt},
        LimitCase{"silence still ends a transfer", retrieving() + Script{data("x"), sleepFor(2)},
                  retrieveAtMost(1 << 20), "got 0", "the companion sent nothing for 300 milliseconds",
                  std::nullopt}),
    test::NameOfCase());

// Disconnecting stops a running download at once: its report never arrives,
// QUIT is sent, and the delegate hears of the disconnect.
TEST(ScriptedFtpTest, DisconnectDuringADownload)
{
    ScriptedServer server(
        loggedIn({reply("200 Type I\r\n"), pasv("127,0,0,1"), accept(), reply("150 Here\r\n"),
                  data("partial"), sleepFor(1), dataClose(), send("226 Done\r\n")}));
    ASSERT_NE(server.port(), 0);
    std::vector<std::string> events;
    {
        Harness ftp;
        ASSERT_EQ(ftp.connect(server.port()), "connected");
        ftp.client->downloadRemoteFilePath("/big", "/dev/null");
        ftp.loop.runUntil([] { return false; }, 200ms);
        ftp.client->disconnect();
        ftp.client->disconnect(); // a second call changes nothing
        ASSERT_TRUE(ftp.loop.runUntil([&] { return ftp.delegate.events().size() >= 2; }, kPatience));
        ftp.loop.runUntil([] { return false; }, 300ms); // nothing else may follow
        events = ftp.delegate.events();
    }
    EXPECT_EQ(events, (std::vector<std::string>{"connected", "disconnected"}));
    const Transcript expected =
        kLogin + Transcript{"TYPE I", "PASV", "DATA-CONNECT 127.0.0.1", "RETR /big", "QUIT"};
    EXPECT_EQ(server.transcript(), expected);
}

TEST(ScriptedFtpTest, DisconnectWhileConnectingStillEndsWithTheDisconnect)
{
    ScriptedServer server({sleepFor(1)});
    ASSERT_NE(server.port(), 0);
    Harness ftp;
    ftp.client->connectTo("127.0.0.1", server.port(), "tester", "7Catalo9g");
    ftp.loop.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(ftp.await([](FtpClient& c) { c.disconnect(); }), "disconnected");
    ftp.loop.runUntil([] { return false; }, 200ms);
    EXPECT_EQ(ftp.delegate.events(), (std::vector<std::string>{"disconnected"}));
    // Once disconnecting, further operations are ignored.
    ftp.client->getPwd();
    ftp.loop.runUntil([] { return false; }, 200ms);
    EXPECT_EQ(ftp.delegate.events().size(), 1u);
}

TEST(ScriptedFtpTest, DisconnectWithoutAConnectionReportsOnce)
{
    Harness ftp;
    EXPECT_EQ(ftp.await([](FtpClient& c) { c.disconnect(); }), "disconnected");
    ftp.client->disconnect();
    ftp.loop.runUntil([] { return false; }, 200ms);
    EXPECT_EQ(ftp.delegate.events(), (std::vector<std::string>{"disconnected"}));
}

// A report posted after the client is gone must not touch it (AddressSanitizer
// watches), nor reach the delegate.
TEST(ScriptedFtpTest, DestroyingTheClientDuringAnOperationIsSafe)
{
    ScriptedServer server(loggedIn({recv(), sleepFor(1)}));
    ASSERT_NE(server.port(), 0);
    Harness ftp;
    ASSERT_EQ(ftp.connect(server.port()), "connected");
    ftp.client->getPwd();
    ftp.loop.runUntil([] { return false; }, 100ms);
    ftp.client.reset();
    ftp.loop.runUntil([] { return false; }, 300ms);
    EXPECT_EQ(ftp.delegate.events(), (std::vector<std::string>{"connected"}));
}

TEST(ScriptedFtpTest, TheDelegateMayDestroyTheClientFromAReport)
{
    ScriptedServer server(loggedIn({reply("257 \"/\"\r\n")}));
    ASSERT_NE(server.port(), 0);
    Harness ftp;
    ftp.delegate.afterEvent = [&](const std::string& event) {
        if (event == "pwd /") {
            ftp.client.reset();
        }
    };
    ASSERT_EQ(ftp.connect(server.port()), "connected");
    EXPECT_EQ(ftp.await([](FtpClient& c) { c.getPwd(); }), "pwd /");
    EXPECT_FALSE(ftp.client);
}

// --- the login name ----------------------------------------------------------

TEST(FtpUserNameTest, TheComputerNameComesFromTheHostName)
{
    const struct {
        std::string host;
        std::string name;
    } cases[] = {
        {"studio", "studio"},
        {"studio.example.org", "studio"},
        {"", "Linux"},
        {".example.org", "Linux"},
        {"  ", "Linux"},
        {"tab\there", "tabhere"},
        {std::string(80, 'h'), std::string(57, 'h')},
        {std::string(56, 'h') + "\xc3\xa9", std::string(56, 'h')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComputerName::fromHostName(c.host), c.name) << "host name: " << c.host;
    }
    const std::string current = ComputerName::current();
    EXPECT_FALSE(current.empty());
    EXPECT_LE(current.size(), 57u);
    EXPECT_EQ(current.find('.'), std::string::npos);
}

} // namespace
} // namespace dossiva
