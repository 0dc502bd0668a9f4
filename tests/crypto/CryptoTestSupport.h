#pragma once

#include <string>

namespace dossiva::test {

// What Python's hashlib gives for a text under the password rule: the
// digest named algorithm (hashlib's name) of the text's UTF-8 bytes, cut
// to its number of UTF-16 code units. Lower-case hex.
std::string pythonPasswordDigest(const std::string& algorithm, const std::string& text);

} // namespace dossiva::test
