#include "support/FtpTestSupport.h"

#include <cctype>

namespace dossiva::test {

std::string caseNameOf(std::string_view description)
{
    std::string name;
    bool wordStart = true;
    for (const char c : description) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) == 0) {
            wordStart = true;
            continue;
        }
        name += wordStart ? static_cast<char>(std::toupper(byte)) : c;
        wordStart = false;
    }
    return name;
}

} // namespace dossiva::test
