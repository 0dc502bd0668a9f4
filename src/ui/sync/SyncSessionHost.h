#pragma once

#include <string>
#include <vector>

class QWidget;

namespace dossiva {

// What a sync, backup or restore session needs of the main window.
class SyncSessionHost {
public:
    virtual ~SyncSessionHost() = default;
    // The window the session's sheet is shown on.
    virtual QWidget* sessionWindow() = 0;
    // Enables or disables the navigation and sync buttons, and with them
    // most menu commands.
    virtual void enableToolbarButton(bool enabled) = 0;
    // Before a session touches the files: the Open section is shown the
    // usual way (so pending edits are saved) and the open database closed.
    virtual void prepareForSession() = 0;
    // The package names of the library.
    virtual std::vector<std::string> libraryNames() = 0;
    // After a session: the library is read again from disk when files may
    // have changed, then the database that was open is open again.
    virtual void sessionEnded(bool filesChanged) = 0;
    // The companion found on the network ("" once it has gone).
    virtual void companionChanged(const std::string& name) = 0;
    // Quits the application, as the Quit command does.
    virtual void quitApplication() = 0;
};

} // namespace dossiva
