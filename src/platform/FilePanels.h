#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// An open panel: one file of the given types (extensions without dots),
// or, with chooseFolder, one folder (a database package is a folder).
struct OpenPanelRequest {
    std::vector<std::string> types;
    std::string message;
    bool chooseFolder = false;
};

// A save panel for one type, proposing a name (without extension).
struct SavePanelRequest {
    std::string type;
    std::string proposedName;
};

// How logic asks the user for a file. The desktop shows file dialogs; tests
// queue the answers and read what was asked.
class FilePanels {
public:
    virtual ~FilePanels() = default;
    // The chosen path, or nullopt when the user cancelled.
    virtual std::optional<std::string> runOpenPanel(const OpenPanelRequest& request) = 0;
    virtual std::optional<std::string> runSavePanel(const SavePanelRequest& request) = 0;
};

class ScriptedFilePanels final : public FilePanels {
public:
    // An empty optional answers Cancel.
    void queueAnswer(std::optional<std::string> path) { m_answers.push_back(std::move(path)); }

    std::optional<std::string> runOpenPanel(const OpenPanelRequest& request) override;
    std::optional<std::string> runSavePanel(const SavePanelRequest& request) override;

    const std::vector<OpenPanelRequest>& openRequests() const { return m_open; }
    const std::vector<SavePanelRequest>& saveRequests() const { return m_save; }

private:
    std::optional<std::string> next();
    std::deque<std::optional<std::string>> m_answers;
    std::vector<OpenPanelRequest> m_open;
    std::vector<SavePanelRequest> m_save;
};

} // namespace dossiva
