#include "cli/ConsoleAlerts.h"

#include "cli/TerminalQuestion.h"

#include "platform/PrintableText.h"

#include <cstdio>

namespace dossiva::cli {

namespace {

bool isFailureTitle(const std::string& title)
{
    return title == "Warning" || title == "Error" || title.rfind("An error", 0) == 0;
}

// Alerts quote names from the library, files and the companion.
std::string printable(const std::string& text)
{
    return printableText(text, "\n\t");
}

void print(std::FILE* stream, const AlertRequest& request)
{
    const std::string title = printable(request.title);
    const std::string message = printable(request.message);
    const char* separator = !title.empty() && !message.empty() ? ": " : "";
    std::fprintf(stream, "%s%s%s", title.c_str(), separator, message.c_str());
    if (!request.detail.empty()) {
        std::fprintf(stream, ": %s", printable(request.detail).c_str());
    }
    std::fputc('\n', stream);
}

} // namespace

AlertAnswer ConsoleAlerts::ask(const AlertRequest& request)
{
    if (request.buttons.size() <= 1 && !request.hasTextField) {
        const bool failure = isFailureTitle(request.title);
        m_failure = m_failure || failure;
        print(failure || m_successes == Successes::ToStderr ? stderr : stdout, request);
        return {request.buttons.empty() ? std::string() : request.buttons.front(), {}};
    }
    if (!m_answers.empty()) {
        AlertAnswer answer = std::move(m_answers.front());
        m_answers.pop_front();
        return answer;
    }
    if (TerminalQuestion::canAsk()) {
        return askAtTerminal(request);
    }
    print(stderr, request);
    m_refused = true;
    m_failure = true;
    return {request.buttons.empty() ? std::string() : request.buttons.back(), {}};
}

AlertAnswer ConsoleAlerts::askAtTerminal(const AlertRequest& request)
{
    const std::string cancel = request.buttons.back();
    if (request.hasTextField) {
        print(stderr, request);
        const auto typed = TerminalQuestion::line("Name (empty to cancel): ");
        if (!typed || typed->empty()) {
            return {cancel, {}};
        }
        return {request.buttons.front(), *typed};
    }
    std::string question = request.title.empty() ? request.message : request.title + ": " + request.message;
    if (!request.detail.empty()) {
        question += " " + request.detail;
    }
    const auto chosen = TerminalQuestion::choose(question, request.buttons, request.defaultAnswer());
    return {chosen.value_or(cancel), {}};
}

void ConsoleAlerts::beginProgress(const std::string&, const std::string& message)
{
    std::fprintf(stderr, "%s\n", printable(message).c_str());
}

void ConsoleAlerts::endProgress()
{
}

} // namespace dossiva::cli
