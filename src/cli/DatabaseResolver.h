#pragma once

#include <optional>
#include <string>

namespace dossiva::cli {

// Turns the name of a database given on the command line into its package
// name. Every command goes through here, so a name never becomes a path
// unless it is a plain library name, the same rule `new` and `rename` apply,
// and, for a database that must exist, one the library lists. The name may
// be given with or without its ".dossiva".
class DatabaseResolver {
public:
    // Why the name cannot name a database, or nullopt when it is plain.
    static std::optional<std::string> nameProblem(const std::string& name);
    // The package name of a plain name; nullopt after a message.
    static std::optional<std::string> plainPackage(const std::string& name);
    // The package of a database the library lists (a folder of the
    // Databases folder, not a link to one elsewhere); nullopt after a
    // message.
    static std::optional<std::string> existingPackage(const std::string& name);
};

} // namespace dossiva::cli
