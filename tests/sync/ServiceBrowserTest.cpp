#include "platform/ServiceBrowser.h"

#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace dossiva {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The address the private network's one interface carries.
const std::string kAddress = "10.213.0.1";

// --- the probe: a ServiceBrowser in a child process -------------------------
//
// libdbus reads the system bus address once per process, so each browse runs
// in a forked child with its own address (and, when given, inside the private
// network namespace). The child writes one line per event:
//   START 1|0, FOUND <ip> <port> <name>, LOST, STRAY <event>, LOG <text>, END

void say(int out, std::string line)
{
    line += "\n";
    [[maybe_unused]] const auto written = ::write(out, line.data(), line.size());
}

class ProbeDelegate : public ServiceBrowserDelegate {
public:
    ProbeDelegate(int out, std::string prefix) : m_out(out), m_prefix(std::move(prefix)) {}
    void found(const std::string& ip, int port, const std::string& name) override
    {
        say(m_out, m_prefix + "FOUND " + ip + " " + std::to_string(port) + " " + name);
    }
    void lost() override
    {
        ++m_lost;
        say(m_out, m_prefix + "LOST");
    }
    int lostCount() const { return m_lost; }

private:
    int m_out;
    std::string m_prefix;
    int m_lost = 0;
};

struct Probe {
    std::string busAddress;
    std::string netns;                // empty: stay in this process's network
    std::chrono::milliseconds runFor; // or until the service is lost
};

int runProbe(int out, const Probe& probe)
{
    if (!probe.netns.empty()) {
        const int ns = ::open(("/run/netns/" + probe.netns).c_str(), O_RDONLY | O_CLOEXEC);
        if (ns < 0 || ::setns(ns, CLONE_NEWNET) != 0) {
            say(out, "LOG cannot enter the namespace");
            return 1;
        }
        ::close(ns);
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", probe.busAddress.c_str(), 1);
    setDevLogSink([out](const std::string& message) { say(out, "LOG " + message); });
    RunLoop loop;
    // A browser stopped while its report waits in the queue: the report must
    // never reach its delegate.
    ProbeDelegate strayDelegate(out, "STRAY ");
    {
        ServiceBrowser early(&strayDelegate);
        if (early.start()) {
            std::this_thread::sleep_for(1500ms);
        }
        early.stop();
    }
    ProbeDelegate delegate(out, "");
    ServiceBrowser browser(&delegate);
    say(out, browser.start() ? "START 1" : "START 0");
    loop.runUntil([&] { return delegate.lostCount() > 0; }, probe.runFor);
    browser.stop();
    loop.runUntil([] { return false; }, 200ms);
    say(out, "END");
    return 0;
}

// The probe's events, without its log lines (kept aside).
class ProbeRun {
public:
    explicit ProbeRun(const Probe& probe)
    {
        m_started = m_child.fork([probe](int out) { return runProbe(out, probe); });
    }

    bool started() const { return m_started; }
    // The next event line, or "" when none comes in time.
    std::string next(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const auto line = m_child.readLine(std::max(left, 0ms));
            if (!line) {
                return "";
            }
            if (line->rfind("LOG ", 0) == 0) {
                m_log += line->substr(4) + "\n";
                continue;
            }
            return *line;
        }
    }
    const std::string& log() const { return m_log; }
    std::optional<int> wait(std::chrono::milliseconds timeout) { return m_child.wait(timeout); }

private:
    test::ChildProcess m_child;
    bool m_started = false;
    std::string m_log;
};

// --- without Avahi -----------------------------------------------------------

// Starts a system bus of our own, that lets anyone own and reach any name,
// at FOLDER/bus.sock (inside the network namespace when one is named); true
// once it listens.
bool startPrivateBus(test::ChildProcess& bus, const std::string& folder, const std::string& netns = {})
{
    std::ofstream(folder + "/bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\" "
           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path="
        << folder
        << "/bus.sock</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow user=\"*\"/><allow own=\"*\"/><allow send_destination=\"*\"/>"
           "<allow receive_sender=\"*\"/></policy></busconfig>\n";
    std::vector<std::string> argv{"dbus-daemon", "--config-file=" + folder + "/bus.conf", "--nofork",
                                  "--nopidfile", "--print-address"};
    if (!netns.empty()) {
        argv.insert(argv.begin(), {"ip", "netns", "exec", netns});
    }
    return bus.start(argv, {}, folder + "/bus.log") && bus.readLine(10s).has_value();
}

struct NoDaemonCase {
    const char* what;
    bool privateBus; // a bus of our own with no Avahi on it; else no bus at all
};

class ServiceBrowserWithoutAvahiTest : public testing::TestWithParam<NoDaemonCase> {};

TEST_P(ServiceBrowserWithoutAvahiTest, FindsNothingSaysWhyAndNeverHangs)
{
    const std::string folder = test::makeTempFolder("dossiva-nobus-");
    std::string busAddress = "unix:path=" + folder + "/no-bus-here";
    test::ChildProcess bus;
    if (GetParam().privateBus) {
        std::string ignored;
        if (test::runCommand("command -v dbus-daemon", ignored) != 0) {
            fs::remove_all(folder);
            GTEST_SKIP() << "dbus-daemon is not installed";
        }
        ASSERT_TRUE(startPrivateBus(bus, folder)) << "the private bus did not start";
        busAddress = "unix:path=" + folder + "/bus.sock";
    }
    {
        ProbeRun run({busAddress, "", 1000ms});
        ASSERT_TRUE(run.started());
        EXPECT_EQ(run.next(10s), "START 0");
        EXPECT_EQ(run.next(10s), "END");
        EXPECT_EQ(run.wait(10s), 0) << "the probe hung";
        EXPECT_NE(run.log().find("Avahi daemon cannot be reached"), std::string::npos) << run.log();
    }
    bus.stop();
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Buses, ServiceBrowserWithoutAvahiTest,
                         testing::Values(NoDaemonCase{"NoSystemBus", false},
                                         NoDaemonCase{"ABusWithoutAvahi", true}),
                         [](const testing::TestParamInfo<NoDaemonCase>& param) { return param.param.what; });

TEST(ServiceBrowserTest, StopIsSafeAtAnyTime)
{
    struct Quiet : ServiceBrowserDelegate {
        void found(const std::string&, int, const std::string&) override { ++reports; }
        void lost() override { ++reports; }
        int reports = 0;
    } delegate;
    ServiceBrowser browser(&delegate);
    browser.stop(); // before start
    browser.stop(); // twice
    EXPECT_FALSE(browser.isRunning());
    EXPECT_EQ(delegate.reports, 0);
}

// --- with Avahi, in a private network ------------------------------------------

// A network namespace of our own with one veth pair, a private system bus and
// an Avahi daemon inside it: mDNS never leaves the namespace. Every process
// is stopped by its id and the namespace is deleted at the end.
class PrivateMdns {
public:
    ~PrivateMdns()
    {
        m_avahi.stop();
        m_dbus.stop();
        std::string ignored;
        if (m_namespaceMade) {
            test::runCommand("ip netns del " + m_namespace + " 2>/dev/null", ignored);
        }
        if (!m_folder.empty()) {
            fs::remove_all(m_folder);
        }
    }

    // Empty when all runs; otherwise why it cannot here.
    std::string setUp()
    {
        if (::geteuid() != 0) {
            return "making a network namespace needs root";
        }
        std::string ignored;
        if (test::runCommand("command -v ip stdbuf dbus-daemon avahi-daemon avahi-publish >/dev/null",
                             ignored) != 0) {
            return "ip, stdbuf, dbus-daemon, avahi-daemon or avahi-publish is missing";
        }
        m_folder = test::makeTempFolder("dossiva-mdns-");
        m_namespace = "dossiva-mdns-" + std::to_string(::getpid());
        if (test::runCommand("ip netns add " + m_namespace + " 2>&1", ignored) != 0) {
            return "ip netns does not work here: " + ignored;
        }
        m_namespaceMade = true;
        const std::string in = "ip -n " + m_namespace + " ";
        if (test::runCommand(in + "link set lo up && " + in + "link add dsv0 type veth peer name dsv1 && " +
                                 in + "addr add " + kAddress + "/24 dev dsv0 && " + in +
                                 "link set dsv0 up && " + in + "link set dsv1 up 2>&1",
                             ignored) != 0) {
            return "cannot make the private network: " + ignored;
        }
        if (!startPrivateBus(m_dbus, m_folder, m_namespace)) {
            return "the private system bus did not start";
        }
        if (!startAvahi()) {
            return "avahi-daemon did not start in the namespace: " +
                   test::fileContents(m_folder + "/avahi.log");
        }
        return {};
    }

    std::string busAddress() const { return "unix:path=" + m_folder + "/bus.sock"; }
    const std::string& netns() const { return m_namespace; }
    // What the last publisher said first.
    const std::string& said() const { return m_said; }

    // Announces a companion; true once Avahi has established it. With a
    // host, the service names that host, whose address may not be known.
    bool publish(test::ChildProcess& publisher, const std::string& name, int port,
                 const std::string& host = {})
    {
        const std::string hostOption = host.empty() ? std::string() : " -H " + host;
        return run(publisher, "avahi-publish -s" + hostOption + " \"$0\" _dsv._tcp \"$1\"",
                   {name, std::to_string(port)});
    }

    // Announces the address of a host.
    bool publishAddress(test::ChildProcess& publisher, const std::string& host, const std::string& address)
    {
        // No reverse entry: the daemon publishes its own for this address.
        return run(publisher, "avahi-publish -a -R \"$0\" \"$1\"", {host, address});
    }

private:
    bool run(test::ChildProcess& publisher, const std::string& command, const std::vector<std::string>& args)
    {
        // "Established under name" may come on either stream, line-buffered.
        std::vector<std::string> argv{
            "ip", "netns", "exec", m_namespace, "sh", "-c", "exec stdbuf -oL " + command + " 2>&1"};
        argv.insert(argv.end(), args.begin(), args.end());
        if (!publisher.start(argv, {"DBUS_SYSTEM_BUS_ADDRESS=" + busAddress()})) {
            return false;
        }
        const auto line = publisher.readLine(15s);
        m_said = line.value_or("nothing");
        return line && line->find("Established") != std::string::npos;
    }

    // avahi-daemon keeps its pid file in /run/avahi-daemon: a tmpfs over /run,
    // in the mount namespace "ip netns exec" makes, keeps it apart from any
    // daemon of the machine.
    bool startAvahi()
    {
        std::ofstream(m_folder + "/avahi.conf")
            << "[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=dsv0\n"
               "enable-dbus=yes\n[wide-area]\nenable-wide-area=no\n"
               "[publish]\npublish-hinfo=no\npublish-workstation=no\n";
        if (!m_avahi.start({"ip", "netns", "exec", m_namespace, "sh", "-c",
                            "mount -t tmpfs none /run && mkdir -p /run/avahi-daemon && exec avahi-daemon "
                            "--no-drop-root --no-chroot --no-rlimits -f " +
                                m_folder + "/avahi.conf"},
                           {"DBUS_SYSTEM_BUS_ADDRESS=" + busAddress()}, m_folder + "/avahi.log")) {
            return false;
        }
        for (int i = 0; i < 150; ++i) {
            if (test::fileContents(m_folder + "/avahi.log").find("Server startup complete") !=
                std::string::npos) {
                return true;
            }
            if (m_avahi.wait(100ms)) {
                return false;
            }
        }
        return false;
    }

    std::string m_folder;
    std::string m_namespace;
    bool m_namespaceMade = false;
    test::ChildProcess m_dbus;
    test::ChildProcess m_avahi;
    std::string m_said;
};

TEST(ServiceBrowserTest, FindsTheFirstCompanionIgnoresOthersAndReportsItsDeparture)
{
    PrivateMdns mdns;
    if (const std::string why = mdns.setUp(); !why.empty()) {
        GTEST_SKIP() << "no private mDNS network: " << why;
    }
    test::ChildProcess first;
    ASSERT_TRUE(mdns.publish(first, "Dossiva Probe A", 2121));

    ProbeRun run({mdns.busAddress(), mdns.netns(), 20s});
    ASSERT_TRUE(run.started());
    EXPECT_EQ(run.next(20s), "START 1") << run.log();
    EXPECT_EQ(run.next(10s), "FOUND " + kAddress + " 2121 Dossiva Probe A") << run.log();

    test::ChildProcess second;
    ASSERT_TRUE(mdns.publish(second, "Dossiva Probe B", 2122));
    EXPECT_EQ(run.next(1500ms), "") << "a second companion must be ignored";

    first.stop();
    EXPECT_EQ(run.next(10s), "LOST") << run.log();
    EXPECT_EQ(run.next(10s), "END");
    EXPECT_EQ(run.wait(10s), 0);
    second.stop();
}

// A companion whose address is not known when it is found (a phone slow to
// answer) is resolved again until it is, not forgotten after the first try.
TEST(ServiceBrowserTest, ACompanionThatResolvesLateIsStillFound)
{
    PrivateMdns mdns;
    if (const std::string why = mdns.setUp(); !why.empty()) {
        GTEST_SKIP() << "no private mDNS network: " << why;
    }
    test::ChildProcess service;
    ASSERT_TRUE(mdns.publish(service, "Dossiva Late", 2123, "dossiva-late-phone.local"));

    ProbeRun run({mdns.busAddress(), mdns.netns(), 30s});
    ASSERT_TRUE(run.started());
    EXPECT_EQ(run.next(20s), "START 1") << run.log();
    EXPECT_EQ(run.next(2500ms), "") << "its address is not known yet";

    test::ChildProcess address;
    ASSERT_TRUE(mdns.publishAddress(address, "dossiva-late-phone.local", kAddress)) << mdns.said();
    EXPECT_EQ(run.next(25s), "FOUND " + kAddress + " 2123 Dossiva Late") << run.log();
    service.stop();
    EXPECT_EQ(run.next(10s), "LOST") << run.log();
    EXPECT_EQ(run.next(10s), "END");
    EXPECT_EQ(run.wait(10s), 0);
    address.stop();
}

} // namespace
} // namespace dossiva
