#pragma once

#include "platform/Log.h"

#include <string>
#include <vector>

namespace dossiva::test {

// Collects the developer log while it lives, which also keeps refused input
// from cluttering the test output.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& messages() const { return m_messages; }
    bool mentions(const std::string& text) const;

private:
    std::vector<std::string> m_messages;
    DevLogSink m_previous;
};

} // namespace dossiva::test
