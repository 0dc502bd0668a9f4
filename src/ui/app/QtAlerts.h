#pragma once

#include "platform/Alerts.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <functional>

class QDialog;

namespace dossiva {

// Alerts as window-modal sheets on the main window: questions as message
// boxes (with a text field when asked for a word), progress as a small sheet
// with an indeterminate bar and no button. The heading is the window's
// title and the message its text; Enter presses the request's default
// button. While any of them is up the
// alerts are busy, and work handed to the application (a file opened from
// the file manager) waits until they are not.
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
    void finishProgress(const std::string& title, const std::string& message) override;

    // How long a successful operation's sheet stays up; a second unless set.
    void setPauseAfterSuccess(std::chrono::milliseconds pause) { m_pause = pause; }
    // A question, a progress sheet or the pause after a success is up.
    bool isBusy() const;
    // Called, from the event loop, each time the alerts stop being busy.
    void setIdleHandler(std::function<void()> handler) { m_idleHandler = std::move(handler); }

private:
    AlertAnswer askWithTextField(const AlertRequest& request);

    // Runs an alert's own loop, counted as busy.
    int runModal(QDialog& dialog);
    void notifyIfIdle();

    QPointer<QWidget> m_window;
    QPointer<QDialog> m_progress;
    std::chrono::milliseconds m_pause{1000};
    int m_modalDepth = 0;
    bool m_finishing = false;
    std::function<void()> m_idleHandler;
    // Timers of these alerts end with them.
    QObject m_timers;
};

} // namespace dossiva
