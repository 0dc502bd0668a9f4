#include "library/PasswordPanelFlow.h"

namespace dossiva {

void PasswordPanelFlow::askPassword()
{
    start(PasswordMode::Check);
}

void PasswordPanelFlow::setPassword()
{
    start(PasswordMode::NewPassword);
}

void PasswordPanelFlow::start(int mode)
{
    m_title = PasswordTexts::kAskTitle;
    m_mode = mode;
    m_firstEntry.clear();
}

PasswordStep PasswordPanelFlow::passwdButtonClick(int tag, const std::string& fieldText)
{
    if (tag == PasswordMode::Cancel) {
        m_firstEntry.clear();
        return {std::nullopt, false, PasswordMode::Cancel};
    }
    // OK is disabled on an empty field; a press that slips through does
    // nothing.
    if (tag != m_mode || !isOKEnabled(fieldText)) {
        return {};
    }
    switch (m_mode) {
    case PasswordMode::Check:
        return checkEntry(fieldText);
    case PasswordMode::NewPassword:
        return firstEntry(fieldText);
    case PasswordMode::Confirm:
        return confirmEntry(fieldText);
    default:
        return {};
    }
}

PasswordStep PasswordPanelFlow::checkEntry(const std::string& text) const
{
    if (!m_password.matches(text)) {
        return {PasswordTexts::kWrongPassword, false, std::nullopt};
    }
    return {std::nullopt, false, PasswordMode::Check};
}

PasswordStep PasswordPanelFlow::firstEntry(const std::string& text)
{
    m_firstEntry = text;
    m_title = PasswordTexts::kConfirmTitle;
    m_mode = PasswordMode::Confirm;
    return {std::nullopt, true, std::nullopt};
}

PasswordStep PasswordPanelFlow::confirmEntry(const std::string& text)
{
    if (text != m_firstEntry) {
        m_firstEntry.clear();
        m_title = PasswordTexts::kRetryTitle;
        m_mode = PasswordMode::NewPassword;
        return {PasswordTexts::kMismatch, true, std::nullopt};
    }
    m_firstEntry.clear();
    if (!m_password.storePassword(text)) {
        return {PasswordTexts::kNotSaved, false, PasswordMode::Cancel};
    }
    return {std::nullopt, false, PasswordMode::Confirm};
}

} // namespace dossiva
