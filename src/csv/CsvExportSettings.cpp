#include "csv/CsvExportSettings.h"

#include "csv/CsvText.h"

namespace dossiva {

CsvExportChoices CsvExportSettings::load(const UserDefaults& defaults)
{
    CsvExportChoices choices;
    const auto stored = defaults.object(kChoicesKey);
    if (!stored) {
        return choices;
    }
    if (const PropertyList* labels = stored->find("labels")) {
        choices.labels = labels->toInteger(1) != 0;
    }
    if (const PropertyList* encoding = stored->find("encoding")) {
        const std::int64_t tag = encoding->toInteger(choices.encoding);
        if (CsvText::encodingForTag(tag)) {
            choices.encoding = static_cast<int>(tag);
        }
    }
    if (const PropertyList* records = stored->find("records")) {
        const std::int64_t tag = records->toInteger(choices.records);
        if (tag == 0 || tag == 1) {
            choices.records = static_cast<int>(tag);
        }
    }
    return choices;
}

void CsvExportSettings::store(const CsvExportChoices& choices, UserDefaults& defaults)
{
    defaults.set(kChoicesKey, PropertyList(PropertyList::Dictionary{
                                  {"labels", PropertyList(std::int64_t{choices.labels ? 1 : 0})},
                                  {"encoding", PropertyList(std::int64_t{choices.encoding})},
                                  {"records", PropertyList(std::int64_t{choices.records})},
                              }));
}

bool CsvExportSettings::showsSheet(const UserDefaults& defaults)
{
    return !defaults.has(kShowSheetKey) || defaults.boolForKey(kShowSheetKey);
}

} // namespace dossiva
