#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dossiva::cli {

// The field types as the command line names them: a word to type
// ("datetime") and words to read ("Date and time").
struct FieldTypeName {
    int code;
    const char* name;  // as typed after add-field and --type; "" when it cannot be typed
    const char* words; // as fields and show print it
};

// Every type, in the order add-field lists them.
const std::vector<FieldTypeName>& fieldTypeNames();

// The type typed as `name`, when `offered` takes it.
std::optional<int> typeNamed(const std::string& name, const std::function<bool(int)>& offered);
// The names of the types `offered` takes, joined by ", ".
std::string typeNameList(const std::function<bool(int)>& offered);
// The type in words; "Unsupported" for a type this program does not know.
std::string typeWords(int code);

} // namespace dossiva::cli
