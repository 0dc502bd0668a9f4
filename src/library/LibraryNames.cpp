#include "library/LibraryNames.h"

#include "csv/CsvText.h"

#include <algorithm>

namespace dossiva {

namespace {

// Room for ".dossivaTemplate" within the usual 255-byte file-name limit.
constexpr std::size_t kMaxNameBytes = 255 - 16;

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

} // namespace

std::optional<std::string> libraryNameProblem(const std::string& name)
{
    if (std::all_of(name.begin(), name.end(), [](char c) { return c == ' ' || c == '\t'; })) {
        return "Enter a name: a name cannot be empty.";
    }
    if (name.find('/') != std::string::npos) {
        return "A name cannot contain \"/\".";
    }
    if (name.front() == '.') {
        return "A name cannot start with \".\".";
    }
    if (std::any_of(name.begin(), name.end(), isControl)) {
        return "A name cannot contain control characters such as tabs or line breaks.";
    }
    // Before the length, whose message shows the name.
    if (!CsvText::isValidUtf8(name)) {
        return "A name must be readable text.";
    }
    if (name.size() > kMaxNameBytes) {
        return "The name " + quoted(name) + " is too long: a name can have at most " +
               std::to_string(kMaxNameBytes) + " bytes.";
    }
    return std::nullopt;
}

bool isAcceptableLibraryName(const std::string& name)
{
    return !libraryNameProblem(name);
}

std::string refusedNameMessage(const std::string& name)
{
    const auto problem = libraryNameProblem(name);
    return quoted(name) + " cannot be used as a name." + (problem ? " " + *problem : std::string());
}

} // namespace dossiva
