#include "support/CaseNames.h"

#include <cctype>

namespace dossiva::test {

std::string caseName(std::string_view description)
{
    std::string name;
    bool wordStart = true;
    for (const char c : description) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            wordStart = true;
            continue;
        }
        name += wordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        wordStart = false;
    }
    return name;
}

} // namespace dossiva::test
