#include "platform/Alerts.h"

namespace dossiva {

const std::string& AlertRequest::defaultAnswer() const
{
    static const std::string none;
    if (!defaultButton.empty()) {
        return defaultButton;
    }
    return buttons.empty() ? none : buttons.front();
}

AlertStyle AlertRequest::effectiveStyle() const
{
    return title == "Warning" || title == "Error" ? AlertStyle::Warning : style;
}

AlertAnswer ScriptedAlerts::ask(const AlertRequest& request)
{
    m_asked.push_back(request);
    if (m_answers.empty()) {
        return {request.defaultAnswer(), {}};
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
