#include "ConsoleAlerts.h"

#include <cstdio>

namespace dossiva::cli {

namespace {

bool isFailureTitle(const std::string& title)
{
    return title == "Warning" || title == "Error" || title.rfind("An error", 0) == 0;
}

void print(std::FILE* stream, const AlertRequest& request)
{
    const char* separator = !request.title.empty() && !request.message.empty() ? ": " : "";
    std::fprintf(stream, "%s%s%s", request.title.c_str(), separator, request.message.c_str());
    if (!request.detail.empty()) {
        std::fprintf(stream, ": %s", request.detail.c_str());
    }
    std::fputc('\n', stream);
}

} // namespace

AlertAnswer ConsoleAlerts::ask(const AlertRequest& request)
{
    if (request.buttons.size() <= 1 && !request.hasTextField) {
        const bool failure = isFailureTitle(request.title);
        m_failure = m_failure || failure;
        print(failure ? stderr : stdout, request);
        return {0, {}};
    }
    if (!m_answers.empty()) {
        AlertAnswer answer = std::move(m_answers.front());
        m_answers.pop_front();
        return answer;
    }
    print(stderr, request);
    m_refused = true;
    m_failure = true;
    return {request.buttons.empty() ? 0 : request.buttons.size() - 1, {}};
}

void ConsoleAlerts::beginProgress(const std::string&, const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
}

void ConsoleAlerts::endProgress()
{
}

} // namespace dossiva::cli
