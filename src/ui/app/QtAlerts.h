#pragma once

#include "platform/Alerts.h"

#include <QPointer>
#include <QWidget>

class QDialog;

namespace dossiva {

// Alerts as window-modal sheets on the main window: questions as message
// boxes (with a text field when asked for a word), progress as a small sheet
// with an indeterminate bar and no button.
class QtAlerts final : public Alerts {
public:
    explicit QtAlerts(QWidget* window = nullptr);
    ~QtAlerts() override;
    QtAlerts(const QtAlerts&) = delete;
    QtAlerts& operator=(const QtAlerts&) = delete;

    void setWindow(QWidget* window) { m_window = window; }

    AlertAnswer ask(const AlertRequest& request) override;
    void beginProgress(const std::string& title, const std::string& message) override;
    void endProgress() override;

private:
    AlertAnswer askWithTextField(const AlertRequest& request);

    QPointer<QWidget> m_window;
    QPointer<QDialog> m_progress;
};

} // namespace dossiva
