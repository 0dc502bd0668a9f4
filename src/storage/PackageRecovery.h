#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// One thing to do about a leftover of interrupted work in a folder of
// packages: NAME.dossiva_old (a package moved aside to make room for its new
// copy) or NAME.dossiva_temp (a copy being received, merged or sent).
struct LeftoverStep {
    enum class Action {
        PutBack,              // the aside copy goes back into its place
        RemoveAside,          // the package in place is sound: the aside copy goes
        PutBackOverBroken,    // the package in place is broken, the aside copy sound
        KeepAsideAsRecovered, // neither is sound: both stay, the aside one renamed
        RemoveIncoming,       // the unfinished copy goes
        KeepIncomingAsRecovered,
    };
    Action action;
    std::string entry; // the leftover's name in the folder
    std::string name;  // NAME, the database's name without extension
};

// Puts the Databases folder back in order after work that was interrupted
// (the program stopped, the machine lost power) while it had packages half
// swapped or half built:
// - NAME.dossiva_old without NAME.dossiva goes back into place; beside
//   NAME.dossiva the usable one of the two is kept in place and the other
//   removed only then; when neither is usable, both are kept, the aside one
//   as "NAME (recovered)";
// - NAME.dossiva_temp (a copy being received or merged) is removed when a
//   usable NAME.dossiva exists, or when it is a copy received from the
//   companion (whose own copy is still there), and otherwise kept as
//   "NAME (recovered)", never deleted;
// - the hidden staging folders of unfinished imports and the replaced
//   copies on their way out are removed;
// - pictures a stopped record change was replacing are settled to match the
//   database (PictureReplacement).
// Nothing is touched while another process holds the data tree's lock, since
// its work is not interrupted but under way.
//
// The same rule puts the companion's side in order at the start of a sync
// session: plan() decides, each side carries the steps out its own way.
class PackageRecovery {
public:
    // What was done, one readable line per package; empty when nothing was
    // left to recover (or another process is at work).
    static std::vector<std::string> recover();

    // The steps that put the leftovers among a folder's entries in order:
    // the aside copies first, since one put back is the package an
    // unfinished copy beside it is judged against. `usable` tells whether an
    // entry holds a sound package; `disposable` whether an unfinished copy
    // can go whatever is beside it, because its source is elsewhere.
    static std::vector<LeftoverStep> plan(const std::vector<std::string>& entries,
                                          const std::function<bool(const std::string&)>& usable,
                                          const std::function<bool(const std::string&)>& disposable);
    // A step that was carried out, as the user reads it.
    static std::string describe(const LeftoverStep& step, const std::string& keptAs = {});

    // Whether a package folder holds a database this program can use.
    static bool isUsablePackage(const std::string& folder);
    // "NAME (recovered).dossiva", or with a number when that is taken.
    static std::string recoveredName(const std::string& name);
    // Whether a Databases entry is a hidden staging folder
    // (".NAME.dossiva.import-XXXXXXXX", ".NAME.dossiva.receiving-XXXXXXXX")
    // or a replaced copy on its way out (".NAME.dossiva.discarded-XXXXXXXX").
    static bool isStagingFolder(const std::string& entry);

    // A copy received from the companion holds this file until it is in
    // place: its leftover is removed rather than kept, since the companion
    // still has the copy it came from.
    static constexpr const char* kReceivedMarker = ".received-copy";
    static bool markReceived(const std::string& folder);
    static void unmarkReceived(const std::string& folder);
    // Makes the empty staging folder (NAME.dossiva_temp) of a copy received
    // for `package`, marked from the start; nullopt when it cannot be made.
    static std::optional<std::string> makeReceivedCopy(const std::string& staging,
                                                       const std::string& package);
    static constexpr const char* kReceivingTag = "receiving";
    static constexpr const char* kDiscardedTag = "discarded";
};

} // namespace dossiva
