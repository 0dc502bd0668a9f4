#pragma once

#include <string>

namespace dossiva {

// Whether the FTP client traces each step and state change in the developer
// log: always in debug builds, with DOSSIVA_FTP_TRACE set otherwise.
bool ftpTraceEnabled();

// The system's text for an errno value.
std::string ftpErrorText(int error);

// "label: the system's reason" in the developer log, for whoever debugs;
// never shown to the user.
void logFtpSystemFailure(const char* label, int error);

} // namespace dossiva
