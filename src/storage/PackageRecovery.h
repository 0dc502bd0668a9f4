#pragma once

#include <string>
#include <vector>

namespace dossiva {

// Puts the Databases folder back in order after work that was interrupted
// (the program stopped, the machine lost power) while it had packages half
// swapped or half built:
// - NAME.dossiva_old (a package moved aside to make room for its new copy)
//   without NAME.dossiva goes back into place; beside NAME.dossiva the usable
//   one of the two is kept in place and the other removed only then; when
//   neither is usable, both are kept, the aside one as "NAME (recovered)";
// - NAME.dossiva_temp (a copy being received or merged) is removed when a
//   usable NAME.dossiva exists, and otherwise kept as "NAME (recovered)",
//   never deleted;
// - the hidden staging folders of unfinished imports are removed.
// Nothing is touched while another process holds the data tree's lock, since
// its work is not interrupted but under way.
class PackageRecovery {
public:
    // What was done, one readable line per package; empty when nothing was
    // left to recover (or another process is at work).
    static std::vector<std::string> recover();

    // Whether a package folder holds a database this program can use.
    static bool isUsablePackage(const std::string& folder);
    // "NAME (recovered).dossiva", or with a number when that is taken.
    static std::string recoveredName(const std::string& name);
    // Whether a Databases entry is a hidden staging folder (".NAME.dossiva.import-XXXXXXXX").
    static bool isStagingFolder(const std::string& entry);
};

} // namespace dossiva
