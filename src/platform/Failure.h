#pragma once

#include <string>

namespace dossiva {

// Why an operation failed, kept from the step that failed up to the message
// the user reads: SQLite's extended result code and message, the errno of a
// file step, or what was wrong with the content of a file.
struct Failure {
    enum class Source { None, Sqlite, File, Content };

    Source source = Source::None;
    int code = 0;       // SQLite's extended result code, or errno
    std::string reason; // readable, without a trailing full stop

    explicit operator bool() const { return source != Source::None; }

    static Failure sqlite(int code, std::string message)
    {
        return {Source::Sqlite, code, std::move(message)};
    }
    // errno's text, after `context` ("cannot write images/12: ") when given.
    static Failure file(int error, const std::string& context = {});
    static Failure content(std::string reason) { return {Source::Content, 0, std::move(reason)}; }
};

} // namespace dossiva
