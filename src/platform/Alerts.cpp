#include "platform/Alerts.h"

namespace dossiva {

AlertAnswer ScriptedAlerts::ask(const AlertRequest& request)
{
    m_asked.push_back(request);
    if (m_answers.empty()) {
        return {request.buttons.empty() ? std::string() : request.buttons.front(), {}};
    }
    AlertAnswer answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer;
}

void ScriptedAlerts::beginProgress(const std::string& title, const std::string& message)
{
    m_progress.push_back({title, message});
    m_progressOpen = true;
}

void ScriptedAlerts::endProgress()
{
    m_progressOpen = false;
}

void ScriptedAlerts::finishProgress(const std::string& title, const std::string& message)
{
    ++m_pausedFinishes;
    Alerts::finishProgress(title, message);
}

std::string ScriptedAlerts::lastMessage() const
{
    return m_asked.empty() ? std::string() : m_asked.back().title + " / " + m_asked.back().message;
}

} // namespace dossiva
