#include "library/TemplateCatalog.h"

#include "library/LibraryNames.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"

namespace dossiva {

namespace {

constexpr const char* kTemplateExtension = "dossivaTemplate";

struct BuiltIn {
    const char* name;
    const char* icon;
};

// Dialog order; the row index is the number createNewDatabase takes.
constexpr BuiltIn kBuiltIns[TemplateCatalog::kBuiltInRows] = {
    {"None", ""},
    {"Accounts", "iconPasswords"},
    {"Books", "iconBooks"},
    {"CD Collection", "iconCDCollection"},
    {"Classes", "iconClasses"},
    {"Computers", "iconComputers"},
    {"Contacts", "iconContacts"},
    {"Customers", "iconCustomers"},
    {"DVD Collection", "iconDVDCollection"},
    {"Events", "iconEvents"},
    {"Exercise Log", "iconExerciselog"},
    {"Expenses", "iconExpenses"},
    {"Inventory", "iconInventory"},
    {"Movie Catalog", "iconMoviecatalog"},
    {"Membership List", "iconMembershiplist"},
    {"Mobile Phones", "iconMobilephones"},
    {"Notes", "iconNotes"},
    {"Pet Care", "iconPetCare"},
    {"Projects", "iconProjects"},
    {"Recipes", "iconRecipes"},
    {"Records", "iconRecords"},
    {"To Do", "iconTodo"},
    {"Vehicle Maintenance", "iconVehicle"},
};

} // namespace

std::vector<TemplateRow> TemplateCatalog::builtInRows()
{
    std::vector<TemplateRow> rows;
    for (const auto& builtIn : kBuiltIns) {
        rows.push_back({builtIn.name, builtIn.icon, false});
    }
    return rows;
}

std::vector<std::string> TemplateCatalog::customTemplateNames()
{
    std::vector<std::string> names;
    for (const auto& file : FileManager::contentsOfDirectory(Paths::modelsFolder())) {
        if (FileManager::pathExtension(file) == kTemplateExtension) {
            names.push_back(FileManager::deletingPathExtension(file));
        }
    }
    return names;
}

std::vector<TemplateRow> TemplateCatalog::rows()
{
    std::vector<TemplateRow> rows = builtInRows();
    for (const auto& name : customTemplateNames()) {
        rows.push_back({name, "templateCustom", true});
    }
    return rows;
}

std::optional<std::string> TemplateCatalog::builtInTemplateFile(int row)
{
    if (row < 0 || row >= kBuiltInRows) {
        return std::nullopt;
    }
    if (row == 0) {
        return Paths::emptyBaseDatabase();
    }
    return Paths::modelsResourceFolder() + "/" + kBuiltIns[row].name + "." + kTemplateExtension;
}

std::string TemplateCatalog::customTemplateFile(const std::string& name)
{
    return Paths::modelsFolder() + "/" + name + "." + kTemplateExtension;
}

bool TemplateCatalog::deleteCustomTemplate(const std::string& name, Alerts& alerts)
{
    if (!isAcceptableLibraryName(name) || !FileManager::exists(customTemplateFile(name))) {
        return false;
    }
    const AlertAnswer answer = alerts.ask(
        {"Are you sure you want to delete \"" + name + "\" template?", "", {"OK", "Cancel"}, false, {}});
    return answer.is("OK") && FileManager::removeItem(customTemplateFile(name));
}

bool TemplateCatalog::renameCustomTemplate(const std::string& name, const std::string& newName,
                                           Alerts& alerts)
{
    if (newName == name || !isAcceptableLibraryName(name)) {
        return false;
    }
    if (!isAcceptableLibraryName(newName)) {
        alerts.inform("Warning", refusedNameMessage(newName));
        return false;
    }
    if (FileManager::exists(customTemplateFile(newName))) {
        alerts.inform("Warning", "The \"" + newName + "\" template already exists.\nPlease enter a new name");
        return false;
    }
    return FileManager::moveItem(customTemplateFile(name), customTemplateFile(newName));
}

} // namespace dossiva
