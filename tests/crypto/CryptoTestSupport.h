#pragma once

#include "platform/Log.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dossiva::test {

// Collects the developer log while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& messages() const { return m_messages; }

private:
    std::vector<std::string> m_messages;
    DevLogSink m_previous;
};

std::string hex(const std::vector<std::uint8_t>& bytes);

// What Python's hashlib gives for a text under the password rule: the
// digest named algorithm (hashlib's name) of the text's UTF-8 bytes, cut
// to its number of UTF-16 code units. Lower-case hex.
std::string pythonPasswordDigest(const std::string& algorithm, const std::string& text);

} // namespace dossiva::test
