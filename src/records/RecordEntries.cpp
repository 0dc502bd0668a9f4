#include "records/RecordEntries.h"

#include "fields/CalculationEngine.h"
#include "fields/TextNumbers.h"
#include "platform/Paths.h"
#include "storage/ImageCache.h"

#include <algorithm>

namespace dossiva::RecordEntries {

namespace {

const FieldDefinition* findField(const std::vector<FieldDefinition>& structure, FieldId id)
{
    const auto found = std::find_if(structure.begin(), structure.end(),
                                    [id](const FieldDefinition& field) { return field.id == id; });
    return found == structure.end() ? nullptr : &*found;
}

std::string valueText(const FieldValue& value)
{
    return value.kind() == FieldValue::Kind::Integer ? std::to_string(value.integer())
                                                     : std::string(value.text());
}

} // namespace

FieldValue emptyValue(int type)
{
    switch (type) {
    case FieldType::DateTime:
        return FieldValue::dateTime({}, {});
    case FieldType::Image:
        return FieldValue::integer(0);
    case FieldType::Choose:
        return FieldValue::integer(-1);
    case FieldType::Password:
        return FieldValue::password({});
    default:
        return FieldValue::text({});
    }
}

FieldValue valueOrEmpty(const Record& record, const FieldDefinition& field)
{
    const FieldValue* value = record.value(field.id);
    return value ? *value : emptyValue(field.type);
}

std::vector<FieldChange> newRecord(const std::vector<FieldDefinition>& structure, std::int64_t createdSeconds)
{
    std::vector<FieldChange> entries;
    entries.reserve(structure.size() + 2);
    for (const auto& field : structure) {
        entries.push_back({{field.id, field.type}, emptyValue(field.type), nullptr});
    }
    entries.push_back(FieldChange::created(createdSeconds));
    entries.push_back(FieldChange::modified(0));
    return entries;
}

std::vector<FieldChange> duplicate(const std::vector<FieldDefinition>& structure, const Record& source,
                                   const std::string& packageName)
{
    std::vector<FieldChange> entries;
    entries.reserve(structure.size() + 2);
    for (const auto& field : structure) {
        FieldChange entry{{field.id, field.type}, valueOrEmpty(source, field), nullptr};
        if (field.type == FieldType::Image) {
            // The store writes the picture again under a number of its own,
            // so deleting either record never takes the other's picture.
            const std::int64_t number = entry.value.integer();
            if (number > 0) {
                entry.image = ImageCache::sharedIstance().getImage(Paths::imageFile(packageName, number));
            }
            entry.value = FieldValue::integer(0);
        } else if (field.type == FieldType::Password) {
            entry.value = FieldValue::password(entry.value.text());
        }
        entries.push_back(std::move(entry));
    }
    entries.push_back(FieldChange::created(leadingInteger(source.created)));
    entries.push_back(FieldChange::modified(leadingInteger(source.modified)));
    return entries;
}

FieldChange edited(const FieldDefinition& field, const FieldEdit& edit)
{
    FieldChange entry{{field.id, field.type}, FieldValue::text(edit.text), nullptr};
    switch (field.type) {
    case FieldType::DateTime:
        entry.value = FieldValue::dateTime(edit.text, edit.text);
        break;
    case FieldType::Image:
        entry.value = FieldValue::integer(0);
        entry.image = edit.image;
        break;
    case FieldType::Choose:
        entry.value = FieldValue::integer(leadingInteger(edit.text));
        break;
    case FieldType::Password:
        entry.value = FieldValue::password(edit.text);
        break;
    default:
        break;
    }
    return entry;
}

SaveEntries save(const std::vector<FieldDefinition>& structure, const std::vector<FieldEdit>& edits)
{
    SaveEntries save;
    for (const auto& edit : edits) {
        if (const FieldDefinition* field = findField(structure, edit.field)) {
            save.fieldIds.push_back(field->id);
            save.entries.push_back(edited(*field, edit));
        }
    }
    return save;
}

SaveEntries recalculation(const std::vector<FieldDefinition>& structure, const ValueLookup& valueOf)
{
    SaveEntries save;
    for (const auto& field : structure) {
        if (field.type != FieldType::Calculation) {
            continue;
        }
        CalculationEngine::Values values;
        for (FieldId operand : CalculationEngine::operandIds(field.structure)) {
            values[std::to_string(operand)] =
                findField(structure, operand) ? valueOf(operand) : std::string();
        }
        save.fieldIds.push_back(field.id);
        save.entries.push_back({{field.id, field.type},
                                FieldValue::text(CalculationEngine::evaluate(field.structure, values)),
                                {}});
    }
    return save;
}

SaveEntries recalculation(const std::vector<FieldDefinition>& structure, const Record& record)
{
    return recalculation(structure, [&record](FieldId id) {
        const FieldValue* value = record.value(id);
        return value ? valueText(*value) : std::string();
    });
}

} // namespace dossiva::RecordEntries
