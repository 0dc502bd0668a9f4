#include "sync/FtpFailureLog.h"

#include "platform/Log.h"
#include "sync/RemoteNames.h"

#include <cstdio>
#include <mutex>

namespace dossiva {

namespace {

bool startsWith(const std::string& text, std::string_view head)
{
    return text.compare(0, head.size(), head) == 0;
}

bool isCommandName(const std::string& step)
{
    if (step.empty()) {
        return false;
    }
    for (char c : step) {
        if (c < 'A' || c > 'Z') {
            return false;
        }
    }
    return true;
}

// The command behind an operation's transfer step.
std::string transferCommand(const std::string& operation)
{
    if (operation == "download") {
        return "RETR";
    }
    if (operation == "upload") {
        return "STOR";
    }
    return operation == "list" ? "LIST" : std::string();
}

} // namespace

struct FtpFailureLog::State {
    std::mutex mutex;
    DevLogSink previous;
    std::string failure;
    bool lost = false;

    void read(const std::string& line)
    {
        std::lock_guard lock(mutex);
        if (startsWith(line, "Control socket read failed") || startsWith(line, "write: ")) {
            lost = true;
            return;
        }
        if (startsWith(line, "connect: ")) {
            failure = "the companion could not be reached: " + line.substr(9);
            return;
        }
        // "ftp OPERATION failed at STEP" and, when the companion answered, ": REPLY".
        if (!startsWith(line, "ftp ")) {
            return;
        }
        const auto at = line.find(" failed at ");
        if (at == std::string::npos) {
            return;
        }
        const std::string operation = line.substr(4, at - 4);
        const std::string rest = line.substr(at + 11);
        const auto colon = rest.find(": ");
        const std::string step = rest.substr(0, colon);
        const std::string reply =
            colon == std::string::npos ? std::string() : printableRemoteName(rest.substr(colon + 2));
        if (startsWith(reply, "421")) {
            lost = true;
            failure = "the companion closed the connection: " + reply;
        } else if (lost) {
            failure = "the connection to the companion was lost";
        } else if (reply.empty()) {
            // What the client logged before this line says why, if anything.
        } else {
            const std::string command = isCommandName(step) ? step : transferCommand(operation);
            failure = command.empty() ? "the companion answered: " + reply
                                      : "the companion refused " + command + ": " + reply;
        }
    }
};

namespace {

// The sink in place while a session listens: it reads each line, then hands
// it on as the log did before.
struct Listener {
    std::shared_ptr<FtpFailureLog::State> state;

    void operator()(const std::string& line) const
    {
        state->read(line);
        if (state->previous) {
            state->previous(line);
        } else {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    }
};

} // namespace

FtpFailureLog::FtpFailureLog() : m_state(std::make_shared<State>())
{
    m_state->previous = setDevLogSink(Listener{m_state});
}

FtpFailureLog::~FtpFailureLog()
{
    DevLogSink current = setDevLogSink(m_state->previous);
    const Listener* mine = current.target<Listener>();
    if (mine == nullptr || mine->state != m_state) {
        // Someone listened after us: their sink stays, ours stays in its chain.
        setDevLogSink(std::move(current));
    }
}

std::string FtpFailureLog::lastFailure() const
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->failure.empty() && m_state->lost) {
        return "the connection to the companion was lost";
    }
    return m_state->failure;
}

bool FtpFailureLog::connectionLost() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->lost;
}

void FtpFailureLog::clearFailure()
{
    std::lock_guard lock(m_state->mutex);
    m_state->failure.clear();
}

} // namespace dossiva
