#include "ui/app/MenuRules.h"

namespace dossiva {

bool isMenuItemEnabled(int tag, const MenuState& state)
{
    switch (tag) {
    case MenuTag::About:
    case MenuTag::Preferences:
    case MenuTag::Help:
    case MenuTag::Support:
    case MenuTag::WebSite:
    case MenuTag::Acknowledgments:
    case MenuTag::LicenseAgreement:
        return true;
    case MenuTag::CheckForUpdates:
    case MenuTag::Sync:
    case MenuTag::Backup:
    case MenuTag::Restore:
    case MenuTag::NewDatabase:
    case MenuTag::Import:
    case MenuTag::ImportDatabase:
    case MenuTag::ImportMenu:
    case MenuTag::ImportTemplate:
        return state.free;
    case MenuTag::DuplicateDatabase:
    case MenuTag::ExportCSV:
    case MenuTag::ExportDatabase:
    case MenuTag::ExportTemplate:
        return state.free && state.newRecordItem;
    case MenuTag::NewRecord:
        return state.free && state.useShown && state.newRecordItem;
    case MenuTag::Undo:
        return state.free && state.undoItem;
    case MenuTag::Redo:
        return state.free && state.redoItem;
    case MenuTag::EmailRecord:
    case MenuTag::DuplicateRecords:
    case MenuTag::DeleteRecords:
    case MenuTag::DeleteAllRecords:
    case MenuTag::Print:
        return state.free && state.useShown && state.emailRecordItem;
    case MenuTag::FormView:
    case MenuTag::ListView:
        return state.free && state.useShown;
    case MenuTag::Columns:
        return state.free && state.useShown && state.columnsMenuEnabled;
    default:
        return false;
    }
}

const char* duplicateRecordsTitle(const MenuState& state)
{
    return state.multipleRecords ? "Duplicate Records" : "Duplicate Record";
}

const char* deleteRecordsTitle(const MenuState& state)
{
    return state.multipleRecords ? "Delete Records" : "Delete Record";
}

} // namespace dossiva
