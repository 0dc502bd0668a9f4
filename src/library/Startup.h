#pragma once

namespace dossiva {

// Keys of the settings written at start-up.
inline constexpr const char* kSUCheckAtStartupKey = "SUCheckAtStartup";
inline constexpr const char* kSUScheduledCheckIntervalKey = "SUScheduledCheckInterval";
inline constexpr const char* kSortingKey = "Sorting";
inline constexpr const char* kBackupKey = "Backup";
inline constexpr const char* kSTemplatesKey = "STemplates";

// Prepares what every run needs before any window exists: the
// application-support tree below the home folder, the settings of an older
// release moved into the current preferences file, and the first-run and
// missing default settings. Returns 0, or -1 when a folder of the tree
// cannot be made (the program then ends with that status).
int prepareApplicationSupport();

} // namespace dossiva
