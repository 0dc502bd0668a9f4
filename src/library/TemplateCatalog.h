#pragma once

#include "platform/Alerts.h"

#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// A row of the new-database dialog: {n: name, i: icon name}.
struct TemplateRow {
    std::string name; // n
    std::string icon; // i
    bool custom = false;
};

// The templates a new database can start from: the empty base, the 22
// built-in templates, then the custom templates of the Models folder.
class TemplateCatalog {
public:
    // The number of built-in rows, the empty base included (rows 0 to 22).
    static constexpr int kBuiltInRows = 23;

    // Rows 0 to 22, then one row per custom template in directory order.
    static std::vector<TemplateRow> rows();
    static std::vector<TemplateRow> builtInRows();
    static std::vector<std::string> customTemplateNames();

    // The file a row starts from: "None.db" for row 0, the row's built-in
    // template file for rows 1 to 22; nullopt outside.
    static std::optional<std::string> builtInTemplateFile(int row);
    // The Models folder's file of a custom template name.
    static std::string customTemplateFile(const std::string& name);

    // Deletes a custom template after asking "Are you sure you want to
    // delete ...". True when it was deleted.
    static bool deleteCustomTemplate(const std::string& name, Alerts& alerts);
    // Renames a custom template; warns when the new name is taken or not
    // acceptable. True when renamed.
    static bool renameCustomTemplate(const std::string& name, const std::string& newName, Alerts& alerts);
};

} // namespace dossiva
