#include "library/TemplateLikeness.h"

#include "library/TemplateCatalog.h"
#include "platform/Paths.h"
#include "storage/SqliteConnection.h"

#include <algorithm>

namespace dossiva {

TemplateLikeness::TemplateLikeness()
{
    const auto rows = TemplateCatalog::rows();
    for (std::size_t row = 1; row < rows.size(); ++row) {
        const auto file = rows[row].custom
                              ? std::optional(TemplateCatalog::customTemplateFile(rows[row].name))
                              : TemplateCatalog::builtInTemplateFile(static_cast<int>(row));
        if (file) {
            Fields fields = fieldsOf(*file);
            if (!fields.empty()) {
                m_templates.push_back({rows[row].icon, std::move(fields)});
            }
        }
    }
}

TemplateLikeness::Fields TemplateLikeness::fieldsOf(const std::string& databaseFile)
{
    Fields fields;
    SqliteConnection db(databaseFile, SqliteConnection::Mode::ReadOnly);
    if (!db.isOpen()) {
        return fields;
    }
    SqliteStatement rows = db.prepare("select field_name,field_type from fields_table");
    while (rows.isValid() && rows.step() == SqliteStatement::Step::Row) {
        fields.emplace(rows.columnText(0), rows.columnInt64(1));
    }
    return fields;
}

std::string TemplateLikeness::iconFor(const std::string& packageName) const
{
    const Fields fields = fieldsOf(Paths::databaseFile(packageName));
    const Known* best = nullptr;
    for (const Known& known : m_templates) {
        const bool fits =
            std::includes(fields.begin(), fields.end(), known.fields.begin(), known.fields.end());
        if (fits && (best == nullptr || known.fields.size() > best->fields.size())) {
            best = &known;
        }
    }
    return best != nullptr ? best->icon : std::string();
}

} // namespace dossiva
