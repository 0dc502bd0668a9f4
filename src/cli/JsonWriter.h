#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva::cli {

// Writes JSON to a stream, two blanks of indentation per level. Strings are
// escaped as JSON requires, C1 controls too; bytes that are not UTF-8 become
// U+FFFD, so the output is valid JSON whatever a database holds.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : m_out(out) {}

    void beginArray();
    void endArray();
    void beginObject();
    void endObject();
    void key(std::string_view name);

    void string(std::string_view text);
    void integer(std::int64_t number);
    void boolean(bool value);
    void null();

    // A JSON string literal for the text, quotes included.
    static std::string quoted(std::string_view text);

private:
    struct Level {
        bool isObject = false;
        bool empty = true;
    };
    // Separates and indents a new element (after a key, nothing).
    void beginValue();
    void close(char bracket);
    void newline();

    std::ostream& m_out;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};

} // namespace dossiva::cli
