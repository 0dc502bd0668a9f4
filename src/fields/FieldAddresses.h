#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dossiva {

// The addresses that e-mail and link fields open, for the record form and
// the list alike.
namespace FieldAddresses {

// The scheme a text starts with after any blanks, lower-cased ("https" for "https://x",
// "mailto" for "mailto:a@b"); "" when it starts with none. A host name
// followed by a port ("localhost:8080/path") has no scheme.
std::string scheme(std::string_view text);

// What a link field opens: the text as typed when it starts with the scheme
// of a web or mail address (http, https, ftp, ftps, mailto), and "http://"
// followed by the text when it starts with no scheme (a bare host name).
// Blanks around the text are dropped. nullopt for an empty text, and for a
// text with any other scheme ("file:", "javascript:"): a record, perhaps
// received from the phone, never makes the computer open a local file or
// start a program.
std::optional<std::string> linkUrl(std::string_view text);

// Why a link is not opened, for the user, when linkUrl() refuses it for its
// scheme; nullopt when it opens, and for a text of blanks, which needs no
// word.
inline constexpr const char* kLinkRefusalTitle = "This link is not opened.";
std::optional<std::string> linkRefusal(std::string_view text);

// What an e-mail field opens to write a message: "mailto:" and the address
// as typed.
std::string emailUrl(std::string_view address);

} // namespace FieldAddresses
} // namespace dossiva
