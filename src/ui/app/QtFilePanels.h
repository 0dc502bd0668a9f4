#pragma once

#include "platform/FilePanels.h"

#include <QPointer>
#include <QWidget>

namespace dossiva {

// Open and save panels as the platform's file dialogs on the main window
// (Qt picks the desktop portal's or the native one where there is one). A
// database package is a folder, so it is chosen with a folder chooser.
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
