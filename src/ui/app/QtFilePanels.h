#pragma once

#include "platform/FilePanels.h"

#include <QPointer>
#include <QWidget>

namespace dossiva {

// Open and save panels as file dialogs on the main window. Database packages
// are folders: entering one in the open panel chooses it.
class QtFilePanels final : public FilePanels {
public:
    explicit QtFilePanels(QWidget* window = nullptr) : m_window(window) {}
    void setWindow(QWidget* window) { m_window = window; }

    std::optional<std::string> runOpenPanel(const OpenPanelRequest& request) override;
    std::optional<std::string> runSavePanel(const SavePanelRequest& request) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace dossiva
