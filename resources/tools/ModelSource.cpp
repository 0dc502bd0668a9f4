#include "ModelSource.h"

#include "fields/FieldModel.h"

#include <map>
#include <sstream>

namespace dossiva {

namespace {

// Splits a line into words and double-quoted strings ("" inside a string is a
// quote).
std::optional<std::vector<std::string>> tokenize(const std::string& line)
{
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
        } else if (line[i] == '"') {
            std::string token;
            ++i;
            for (;;) {
                if (i >= line.size()) {
                    return std::nullopt;
                }
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        token += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token += line[i++];
            }
            tokens.push_back(token);
        } else {
            const std::size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
                ++i;
            }
            tokens.push_back(line.substr(start, i - start));
        }
    }
    return tokens;
}

bool parseField(const std::vector<std::string>& tokens, ModelField& field, std::string& error)
{
    if (tokens.size() < 3) {
        error = "a field needs a type and a label";
        return false;
    }
    const auto type = modelTypeCode(tokens[1]);
    if (!type) {
        error = "unknown field type '" + tokens[1] + "'";
        return false;
    }
    field.type = *type;
    field.label = tokens[2];
    std::size_t i = 3;
    while (i < tokens.size()) {
        const std::string& option = tokens[i++];
        if (option == "now" || option == "nonow") {
            field.editor.showNowButton = option == "now";
        } else if (option == "ask") {
            field.editor.askPassword = true;
        } else if (option == "caption" && i < tokens.size()) {
            field.editor.caption = tokens[i++];
        } else if (option == "height" && i < tokens.size()) {
            field.height = std::stod(tokens[i++]);
        } else if (option == "items") {
            field.editor.items.assign(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.end());
            i = tokens.size();
        } else if (option == "formula") {
            field.formula.assign(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.end());
            i = tokens.size();
        } else {
            error = "unknown field option '" + option + "'";
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<int> modelTypeCode(const std::string& word)
{
    static const std::map<std::string, int> codes = {
        {"main", FieldType::Main},
        {"small", FieldType::SmallText},
        {"large", FieldType::LargeText},
        {"number", FieldType::Number},
        {"date", FieldType::Date},
        {"time", FieldType::Time},
        {"datetime", FieldType::DateTime},
        {"image", FieldType::Image},
        {"choose", FieldType::Choose},
        {"separator", FieldType::Separator},
        {"calculation", FieldType::Calculation},
        {"email", FieldType::Email},
        {"link", FieldType::Link},
        {"checkbox", FieldType::Checkbox},
        {"password", FieldType::Password},
    };
    const auto found = codes.find(word);
    return found == codes.end() ? std::nullopt : std::optional<int>(found->second);
}

std::optional<ModelSource> parseModelSource(const std::string& text, std::string& error)
{
    ModelSource model;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        if (line.back() == '\r') {
            line.pop_back();
        }
        const auto tokens = tokenize(line);
        if (!tokens) {
            error = "line " + std::to_string(number) + ": unclosed quote";
            return std::nullopt;
        }
        if ((*tokens)[0] == "field") {
            ModelField field;
            if (!parseField(*tokens, field, error)) {
                error = "line " + std::to_string(number) + ": " + error;
                return std::nullopt;
            }
            model.fields.push_back(std::move(field));
        } else if ((*tokens)[0] == "layout" && tokens->size() >= 3) {
            model.layout.push_back({(*tokens)[1], {tokens->begin() + 2, tokens->end()}});
        } else {
            error = "line " + std::to_string(number) + ": expected 'field' or 'layout'";
            return std::nullopt;
        }
    }
    if (model.fields.empty() || model.fields.front().type != FieldType::Main) {
        error = "the first field must be the main field";
        return std::nullopt;
    }
    return model;
}

} // namespace dossiva
