#pragma once

namespace dossiva {

// Menu command tags.
namespace MenuTag {
inline constexpr int About = 0;
inline constexpr int CheckForUpdates = 2;
inline constexpr int Preferences = 4;
inline constexpr int NewRecord = 5;
inline constexpr int Sync = 6;
inline constexpr int Backup = 7;
inline constexpr int Restore = 8;
inline constexpr int Undo = 9;
inline constexpr int Redo = 10;
inline constexpr int EmailRecord = 11;
inline constexpr int Help = 12;
inline constexpr int Support = 13;
inline constexpr int WebSite = 14;
inline constexpr int DuplicateRecords = 16;
inline constexpr int DeleteRecords = 17;
inline constexpr int DeleteAllRecords = 18;
inline constexpr int NewDatabase = 19;
inline constexpr int DuplicateDatabase = 20;
inline constexpr int ExportCSV = 21;
inline constexpr int ExportDatabase = 22;
inline constexpr int Import = 23;
inline constexpr int ImportMenu = 24;
inline constexpr int Print = 25;
inline constexpr int ExportTemplate = 26;
inline constexpr int ImportTemplate = 27;
inline constexpr int FormView = 28;
inline constexpr int ListView = 29;
inline constexpr int Columns = 30;
inline constexpr int Acknowledgments = 31;
inline constexpr int LicenseAgreement = 32;
// A database package, chosen as the folder it is.
inline constexpr int ImportDatabase = 33;
} // namespace MenuTag

// What decides whether a menu command is enabled.
struct MenuState {
    bool free = true;             // the navigation is enabled: no sync, sheet or import running
    bool useShown = false;        // the Use section is shown
    bool newRecordItem = false;   // a database is open
    bool emailRecordItem = false; // a record is selected
    bool undoItem = false;
    bool redoItem = false;
    bool columnsMenuEnabled = false;
    bool multipleRecords = false;
};

// Whether the command with the tag is enabled in the state.
bool isMenuItemEnabled(int tag, const MenuState& state);

// The titles of the two record commands that follow the selection.
const char* duplicateRecordsTitle(const MenuState& state);
const char* deleteRecordsTitle(const MenuState& state);

} // namespace dossiva
