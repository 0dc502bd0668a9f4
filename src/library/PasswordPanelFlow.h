#pragma once

#include "crypto/ProtectionPassword.h"

#include <optional>
#include <string>

namespace dossiva {

// The modes of the password panel's OK button, held in its tag; Cancel has
// tag 0. They are also the panel's modal results: 1 the right password was
// given, 3 a new password was set and confirmed, 0 Cancel.
namespace PasswordMode {
inline constexpr int Cancel = 0;
inline constexpr int Check = 1;
inline constexpr int NewPassword = 2;
inline constexpr int Confirm = 3;
} // namespace PasswordMode

// An alert the panel shows over itself: title, message, its one button.
struct PasswordAlert {
    const char* title;
    const char* message;
    const char* button;
};

// The texts of the panel and its alerts.
namespace PasswordTexts {
inline constexpr const char* kAskTitle = "Enter Password";
inline constexpr const char* kConfirmTitle = "Confirm password";
// The title after a mistyped confirmation.
inline constexpr const char* kRetryTitle = "Enter password";
inline constexpr PasswordAlert kWrongPassword{"Error", "Wrong password", "OK"};
inline constexpr PasswordAlert kMismatch{"Error", "Passwords don't match", "OK"};
// The confirmed password could not be written to the preferences.
inline constexpr PasswordAlert kNotSaved{"Error", "The password could not be saved", "OK"};
} // namespace PasswordTexts

// What the panel does after OK or Cancel: show the alert (if any), empty the
// field when asked, and end its modal run when a result is given.
struct PasswordStep {
    std::optional<PasswordAlert> alert;
    bool clearField = false;
    std::optional<int> modalResult;
};

// The password panel's logic, without the panel: its title, the mode of its
// OK button, the kept first entry of a new password, and what each press
// does to the stored password.
class PasswordPanelFlow {
public:
    explicit PasswordPanelFlow(ProtectionPassword& password) : m_password(password) {}

    // Starts the panel to check the password (mode 1) or to set a new one
    // (mode 2), with the title "Enter Password" and an empty field.
    void askPassword();
    void setPassword();

    const std::string& title() const { return m_title; }
    int mode() const { return m_mode; }

    // OK is enabled exactly when the field is not empty.
    static bool isOKEnabled(const std::string& fieldText) { return !fieldText.empty(); }

    // A press of the button with the tag (0 Cancel, else the OK button's
    // mode) while the field holds the text.
    PasswordStep passwdButtonClick(int tag, const std::string& fieldText);

private:
    PasswordStep checkEntry(const std::string& text) const;
    PasswordStep firstEntry(const std::string& text);
    PasswordStep confirmEntry(const std::string& text);
    void start(int mode);

    ProtectionPassword& m_password;
    std::string m_title;
    int m_mode = PasswordMode::Check;
    std::string m_firstEntry;
};

} // namespace dossiva
