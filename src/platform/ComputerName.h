#pragma once

#include <string>
#include <string_view>

namespace dossiva {

// The computer's name as the companion sees it: the user name of the FTP
// login. Taken from the host name without its domain part.
class ComputerName {
public:
    static std::string current();

    // The name made from a host name: the part before the first '.', without
    // control characters, short enough for the login ("USER " and the name
    // must fit 63 bytes), and never empty ("Linux").
    static std::string fromHostName(std::string_view hostName);
};

} // namespace dossiva
