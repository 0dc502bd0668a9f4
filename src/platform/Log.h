#pragma once

#include <functional>
#include <string>

namespace dossiva {

// The developer log: messages for whoever debugs the program, never shown to
// the user. They go to standard error unless a sink is installed (tests
// install one to read or silence them).
void devLog(const std::string& message);

using DevLogSink = std::function<void(const std::string&)>;
// Installs a sink and returns the previous one; an empty sink restores
// standard error.
DevLogSink setDevLogSink(DevLogSink sink);

} // namespace dossiva
