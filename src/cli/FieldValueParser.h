#pragma once

#include "records/RecordEntries.h"

#include <istream>
#include <optional>
#include <string>

namespace dossiva::cli {

class CommandDatabase;

// Turns FIELD=VALUE arguments into field edits, reading each value by its
// field's type: numbers by the number rule, dates and times as ISO 8601 or
// whole seconds, choices by item text, checkboxes as 1/0/true/false/yes/no,
// pictures from a file (scaled as record pictures are), passwords as text
// or, for "-", as the next line of standard input. An empty value clears.
class FieldValueParser {
public:
    FieldValueParser(const CommandDatabase& database, std::istream& passwordInput);

    // The edit of one argument; nullopt after a message.
    std::optional<FieldEdit> parseAssignment(const std::string& assignment);
    // The edit of a field's value; nullopt, with the reason in error.
    std::optional<FieldEdit> parseValue(const FieldDefinition& field, const std::string& value,
                                        std::string& error);

private:
    std::optional<std::string> readPassword(std::string& error);

    const CommandDatabase& m_database;
    std::istream& m_passwordInput;
};

} // namespace dossiva::cli
