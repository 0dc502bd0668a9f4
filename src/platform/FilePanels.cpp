#include "platform/FilePanels.h"

namespace dossiva {

std::optional<std::string> ScriptedFilePanels::next()
{
    if (m_answers.empty()) {
        return std::nullopt;
    }
    auto answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedFilePanels::runOpenPanel(const OpenPanelRequest& request)
{
    m_open.push_back(request);
    return next();
}

std::optional<std::string> ScriptedFilePanels::runSavePanel(const SavePanelRequest& request)
{
    m_save.push_back(request);
    return next();
}

} // namespace dossiva
