#include "sync/FtpClient.h"

#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "sync/FtpLog.h"
#include "sync/FtpSession.h"

#include <functional>
#include <mutex>
#include <system_error>

namespace dossiva {

namespace {

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

// The work of one operation, run by a session that holds the control
// connection (none before connecting).
using Job = std::function<Outcome(FtpSession&)>;

// Says goodbye when there is a connection to say it on; either way the
// delegate hears of the disconnect.
Job quitJob()
{
    return [](FtpSession& session) {
        session.quit();
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
    void finish(Operation operation, const Outcome& outcome, std::unique_ptr<FtpControlChannel> connection);
    void setState(State next, Operation operation);
    static const char* stateName(State state);
    static State stateDuring(Operation operation);
    static void deliver(FtpClientDelegate& delegate, Operation operation, const Outcome& outcome);

    std::mutex m_mutex;
    FtpClient* m_client; // null once the client is destroyed
    State m_state = State::NotConnected;
    bool m_abort = false;
    bool m_busy = false;
    std::unique_ptr<FtpControlChannel> m_connection;
    std::thread m_worker;
    std::shared_ptr<FtpCancellation> m_cancel;
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
    if (ftpTraceEnabled() && next != m_state) {
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
    request(Operation::Connect, [ip = std::move(ip), port](FtpSession& session) {
        Outcome outcome;
        outcome.ok = session.connect(ip, port, outcome.supportsTemplates);
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
    m_cancel = std::make_shared<FtpCancellation>();
    setState(stateDuring(operation), operation);
    m_lastFailure.clear();
    FtpWaits waits{m_cancel};
    FtpPace pace;
    if (m_client) {
        waits.timeout = m_client->m_timeout.load();
        pace = {m_client->m_minimumBytes.load(), m_client->m_paceWindow.load()};
    }
    std::weak_ptr<Impl> weak = weak_from_this();
    auto work = [weak, operation, job = std::move(job), waits = std::move(waits), pace, previous,
                 connection = std::move(m_connection)]() mutable {
        FtpSession session(operationName(operation), std::move(waits), pace, std::move(connection));
        Outcome outcome = job(session);
        if (!outcome.ok && outcome.failure.empty()) {
            outcome.failure = session.failure();
        }
        session.finish(outcome.ok);
        if (previous->joinable()) {
            previous->join();
        }
        auto carried = std::make_shared<std::unique_ptr<FtpControlChannel>>(session.releaseControl());
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

void FtpClient::Impl::finish(Operation operation, const Outcome& outcome,
                             std::unique_ptr<FtpControlChannel> connection)
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
            launchLocked(Operation::Login, [user = m_user, passwd = m_passwd](FtpSession& session) {
                return Outcome{session.login(user, passwd)};
            });
            return;
        } else if (!outcome.ok && (operation == Operation::Connect || operation == Operation::Login)) {
            m_connection.reset(); // a failed login discards the connection
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
    std::unique_ptr<FtpControlChannel> connection;
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
    m_impl->request(Operation::Pwd, [](FtpSession& session) {
        Outcome outcome;
        outcome.text = session.pwd();
        outcome.ok = outcome.text.has_value();
        return outcome;
    });
}

void FtpClient::listDir(const std::string& path)
{
    m_impl->request(Operation::List, [path](FtpSession& session) {
        Outcome outcome;
        outcome.text = session.list(path, kMaxListingBytes);
        outcome.ok = outcome.text.has_value();
        return outcome;
    });
}

void FtpClient::makeDirectoryName(const std::string& name, const std::string& atPath)
{
    m_impl->request(Operation::MakeDirectory, [path = atPath + "/" + name](FtpSession& session) {
        return Outcome{session.makeDirectory(path)};
    });
}

void FtpClient::removeDirectory(const std::string& path)
{
    m_impl->request(Operation::RemoveDirectory,
                    [path](FtpSession& session) { return Outcome{session.removeDirectory(path)}; });
}

void FtpClient::removeFile(const std::string& path)
{
    m_impl->request(Operation::RemoveFile,
                    [path](FtpSession& session) { return Outcome{session.removeFile(path)}; });
}

void FtpClient::renameDirectory(const std::string& from, const std::string& to)
{
    m_impl->request(Operation::Rename,
                    [from, to](FtpSession& session) { return Outcome{session.rename(from, to)}; });
}

void FtpClient::downloadRemoteFilePath(const std::string& remotePath, const std::string& saveToPath,
                                       std::uint64_t maxBytes)
{
    m_impl->request(Operation::Download, [remotePath, saveToPath, maxBytes](FtpSession& session) {
        return Outcome{session.retrieve(remotePath, saveToPath, maxBytes)};
    });
}

void FtpClient::uploadLocalFilePath(const std::string& localPath, const std::string& atPath)
{
    m_impl->request(Operation::Upload, [localPath, atPath](FtpSession& session) {
        std::string why;
        const FileHandle file = openRegularFile(localPath, &why);
        if (!file.isOpen()) {
            devLog("ftp upload: '" + localPath + "' is not sent: " + why);
            Outcome refused;
            refused.failure = FileManager::lastPathComponent(localPath) + " " + why;
            return refused;
        }
        return Outcome{session.store(file, atPath)};
    });
}

void FtpClient::uploadLocalFile(FileHandle file, const std::string& atPath)
{
    auto shared = std::make_shared<FileHandle>(std::move(file));
    m_impl->request(Operation::Upload, [shared, atPath](FtpSession& session) {
        return Outcome{shared->isOpen() && session.store(*shared, atPath)};
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
