#include "storage/PackageRecovery.h"

#include "platform/FileLock.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "storage/DatabaseFileCheck.h"
#include "storage/PictureReplacement.h"

#include <map>
#include <set>

namespace dossiva {

namespace {

constexpr std::string_view kPackageSuffix = ".dossiva";
constexpr std::string_view kAsideSuffix = ".dossiva_old";
constexpr std::string_view kIncomingSuffix = ".dossiva_temp";

bool endsWith(const std::string& text, std::string_view tail)
{
    return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string baseName(const std::string& entry, std::string_view suffix)
{
    return entry.substr(0, entry.size() - suffix.size());
}

std::string inFolder(const std::string& name)
{
    return Paths::databasesFolder() + "/" + name;
}

std::string packageOf(const std::string& name)
{
    return name + std::string(kPackageSuffix);
}

// Keeps a copy nobody can tell is complete where the library shows it; the
// name it was kept as, or "" when it could not be moved.
std::string keepAsRecovered(const std::string& entry, const std::string& name)
{
    const std::string recovered = PackageRecovery::recoveredName(name);
    return FileManager::moveItem(inFolder(entry), inFolder(packageOf(recovered))) ? recovered : std::string();
}

// The copy in place is broken and the aside one sound: the sound one goes
// back, and only then is the broken one removed.
bool putBackOverBroken(const std::string& aside, const std::string& package)
{
    const std::string broken = FileManager::siblingName(package, "broken");
    if (!FileManager::moveItem(package, broken)) {
        return false;
    }
    if (!FileManager::moveItem(aside, package)) {
        FileManager::moveItem(broken, package);
        return false;
    }
    FileManager::removeItem(broken);
    return true;
}

// Carries out one step on this computer; the line that says what was done,
// or "" when nothing could be.
std::string carryOut(const LeftoverStep& step)
{
    const std::string leftover = inFolder(step.entry);
    const std::string package = inFolder(packageOf(step.name));
    bool done = false;
    switch (step.action) {
    case LeftoverStep::Action::PutBack:
        done = FileManager::moveItem(leftover, package);
        break;
    case LeftoverStep::Action::PutBackOverBroken:
        done = putBackOverBroken(leftover, package);
        break;
    case LeftoverStep::Action::RemoveAside:
    case LeftoverStep::Action::RemoveIncoming:
        done = FileManager::removeItem(leftover);
        break;
    case LeftoverStep::Action::KeepAsideAsRecovered:
    case LeftoverStep::Action::KeepIncomingAsRecovered: {
        const std::string keptAs = keepAsRecovered(step.entry, step.name);
        return keptAs.empty() ? std::string() : PackageRecovery::describe(step, keptAs);
    }
    }
    return done ? PackageRecovery::describe(step) : std::string();
}

// Inside a package in place: a marker is what a receive left when it
// stopped between moving the copy in and removing the marker; old pictures
// are what a record change left when it stopped around its commit.
void settlePackages(const std::vector<std::string>& entries)
{
    for (const auto& entry : entries) {
        if (endsWith(entry, kPackageSuffix) && FileManager::isRealDirectory(inFolder(entry))) {
            PackageRecovery::unmarkReceived(inFolder(entry));
            PictureReplacement::settle(inFolder(entry));
        }
    }
}

} // namespace

std::vector<LeftoverStep> PackageRecovery::plan(const std::vector<std::string>& entries,
                                                const std::function<bool(const std::string&)>& usable,
                                                const std::function<bool(const std::string&)>& disposable)
{
    const std::set<std::string> present(entries.begin(), entries.end());
    std::vector<LeftoverStep> steps;
    // Whether NAME.dossiva is sound once the aside copies are dealt with.
    std::map<std::string, bool> soundAfter;
    for (const auto& entry : entries) {
        if (!endsWith(entry, kAsideSuffix)) {
            continue;
        }
        const std::string name = baseName(entry, kAsideSuffix);
        const std::string package = packageOf(name);
        LeftoverStep::Action action;
        if (present.count(package) == 0) {
            action = LeftoverStep::Action::PutBack;
            soundAfter[name] = usable(entry);
        } else if (usable(package)) {
            action = LeftoverStep::Action::RemoveAside;
            soundAfter[name] = true;
        } else if (usable(entry)) {
            action = LeftoverStep::Action::PutBackOverBroken;
            soundAfter[name] = true;
        } else {
            action = LeftoverStep::Action::KeepAsideAsRecovered;
            soundAfter[name] = false;
        }
        steps.push_back({action, entry, name});
    }
    for (const auto& entry : entries) {
        if (!endsWith(entry, kIncomingSuffix)) {
            continue;
        }
        const std::string name = baseName(entry, kIncomingSuffix);
        const auto known = soundAfter.find(name);
        const bool sound = known != soundAfter.end()
                               ? known->second
                               : present.count(packageOf(name)) != 0 && usable(packageOf(name));
        const bool removable = sound || disposable(entry);
        steps.push_back(
            {removable ? LeftoverStep::Action::RemoveIncoming : LeftoverStep::Action::KeepIncomingAsRecovered,
             entry, name});
    }
    return steps;
}

std::string PackageRecovery::describe(const LeftoverStep& step, const std::string& keptAs)
{
    switch (step.action) {
    case LeftoverStep::Action::PutBack:
    case LeftoverStep::Action::PutBackOverBroken:
        return step.name + " was put back from the copy an interrupted swap moved aside";
    case LeftoverStep::Action::RemoveAside:
        return "the earlier copy of " + step.name + " left by an interrupted swap was removed";
    case LeftoverStep::Action::RemoveIncoming:
        return "an unfinished copy of " + step.name + " was removed";
    case LeftoverStep::Action::KeepAsideAsRecovered:
    case LeftoverStep::Action::KeepIncomingAsRecovered:
        return step.entry + " was kept as \"" + keptAs + "\"";
    }
    return {};
}

bool PackageRecovery::isUsablePackage(const std::string& folder)
{
    return FileManager::isDirectory(folder) && isUsableDatabaseFile(folder + "/database.db");
}

std::string PackageRecovery::recoveredName(const std::string& name)
{
    std::string candidate = name + " (recovered)";
    for (int n = 2; FileManager::exists(inFolder(packageOf(candidate))); ++n) {
        candidate = name + " (recovered " + std::to_string(n) + ")";
    }
    return candidate;
}

bool PackageRecovery::isStagingFolder(const std::string& entry)
{
    return entry.size() > 1 && entry.front() == '.' &&
           (entry.find(".dossiva.import-") != std::string::npos ||
            entry.find(std::string(".dossiva.") + kReceivingTag + "-") != std::string::npos ||
            entry.find(std::string(".dossiva.") + kDiscardedTag + "-") != std::string::npos);
}

std::optional<std::string> PackageRecovery::makeReceivedCopy(const std::string& staging,
                                                             const std::string& package)
{
    // Made out of sight and marked there, then moved to its place in one
    // step: no unmarked copy ever has the staging name.
    const auto fresh = FileManager::makeSiblingFolder(package, kReceivingTag);
    if (!fresh) {
        return std::nullopt;
    }
    if (!markReceived(*fresh) || !FileManager::moveItem(*fresh, staging)) {
        FileManager::removeItem(*fresh);
        return std::nullopt;
    }
    return staging;
}

bool PackageRecovery::markReceived(const std::string& folder)
{
    return FileManager::writeFileAtomically(folder + "/" + kReceivedMarker, std::string());
}

void PackageRecovery::unmarkReceived(const std::string& folder)
{
    FileManager::removeFileEntry(folder + "/" + kReceivedMarker);
}

std::vector<std::string> PackageRecovery::recover()
{
    std::vector<std::string> done;
    const auto lock = FileLock::tryAcquire(Paths::dataTreeLockFile(), FileLock::Mode::Exclusive);
    if (!lock) {
        return done;
    }
    const std::vector<std::string> entries = FileManager::contentsOfDirectory(Paths::databasesFolder());
    const auto usable = [](const std::string& entry) { return isUsablePackage(inFolder(entry)); };
    const auto received = [](const std::string& entry) {
        return FileManager::isRegularFile(inFolder(entry) + "/" + kReceivedMarker);
    };
    for (const LeftoverStep& step : plan(entries, usable, received)) {
        if (std::string line = carryOut(step); !line.empty()) {
            done.push_back(std::move(line));
        }
    }
    for (const auto& entry : entries) {
        if (isStagingFolder(entry)) {
            FileManager::removeItem(inFolder(entry));
        }
    }
    settlePackages(FileManager::contentsOfDirectory(Paths::databasesFolder()));
    for (const auto& line : done) {
        devLog("Library: " + line);
    }
    return done;
}

} // namespace dossiva
