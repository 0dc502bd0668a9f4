#include "records/StructureEditor.h"

#include "fields/FieldRules.h"
#include "fields/FieldTypes.h"
#include "fields/PasswordGuard.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "storage/DBManager.h"

#include <algorithm>

namespace dossiva {

namespace {

constexpr const char* kInfo = "Info";
constexpr const char* kWarning = "Warning";

bool isPaletteType(int type)
{
    const FieldTypeInfo* info = FieldTypes::info(type);
    return info != nullptr && info->palettePosition >= 0;
}

} // namespace

StructureEditor::StructureEditor(DBManager& db, const void* sender) : m_db(db), m_sender(sender)
{
}

StructureResult StructureEditor::refused(const char* title, const char* message) const
{
    StructureResult result;
    result.alert = {title, message, {"OK"}, false, {}};
    return result;
}

void StructureEditor::announceChange()
{
    m_db.setEditDate(Clock::now());
    NotificationCenter::defaultCenter().post(kDBChangedNotification, m_sender);
}

bool StructureEditor::isRemovable(int type)
{
    return type != FieldType::Main && type != FieldType::Unsupported;
}

bool StructureEditor::hasOptions(int type)
{
    switch (type) {
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
    case FieldType::Choose:
    case FieldType::Calculation:
    case FieldType::Checkbox:
    case FieldType::Password:
        return true;
    default:
        return false;
    }
}

StructureEditorState StructureEditor::editorState(const FieldDefinition& field)
{
    StructureEditorState state;
    switch (field.type) {
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        if (const PropertyList* showNow = field.structure.at(0)) {
            state.showNowButton = showNow->toBool(true);
        }
        break;
    case FieldType::Choose:
        state.items = choiceItems(field.structure);
        break;
    case FieldType::Checkbox:
        if (const PropertyList* caption = field.structure.find("Caption")) {
            state.caption = caption->toString();
        }
        break;
    case FieldType::Password:
        state.askPassword = PasswordGuard::askOption(field.structure);
        break;
    default:
        break;
    }
    return state;
}

FieldId StructureEditor::fieldExist(const std::string& label) const
{
    for (const auto& field : m_db.dbStructure()) {
        if (field.name == label) {
            return field.id;
        }
    }
    return -1;
}

std::string StructureEditor::newFieldLabel(int type) const
{
    std::vector<std::string> names;
    for (const auto& field : m_db.dbStructure()) {
        names.push_back(field.name);
    }
    return uniqueFieldName(FieldTypes::title(type), names);
}

StructureResult StructureEditor::addField(const std::string& label, int type, const PropertyList& structure,
                                          std::size_t index)
{
    if (fieldExist(label) >= 0) {
        return refused(kWarning, kDuplicateLabelMessage);
    }
    if (!isPaletteType(type)) {
        return refused(kInfo, kAddFieldError);
    }
    const std::size_t count = m_db.dbStructure().size();
    const FieldId id = m_db.adddbFieldLabel(label, type, structure);
    if (id < 0) {
        return refused(kInfo, kAddFieldError);
    }
    StructureResult result;
    result.done = true;
    result.fieldId = id;
    // The store appends; a field meant for an earlier place moves there,
    // never above the first field.
    const std::size_t target = count > 0 ? std::max<std::size_t>(index, 1) : 0;
    if (target < count && !m_db.moveFieldIndex(static_cast<int>(count), static_cast<int>(target))) {
        result.alert = {kInfo, kMoveFieldError, {"OK"}, false, {}};
    }
    m_db.loadDbData();
    announceChange();
    return result;
}

StructureResult StructureEditor::saveField(FieldId id, const std::string& label,
                                           const PropertyList& structure)
{
    const FieldDefinition* field = m_db.field(id);
    if (field == nullptr) {
        return {};
    }
    const FieldId holder = fieldExist(label);
    if (holder >= 0 && holder != id) {
        return refused(kWarning, kDuplicateLabelMessage);
    }
    const int type = field->type;
    const bool stored =
        hasOptions(type) ? m_db.setdbFieldLabel(label, id, structure) : m_db.setdbFieldLabel(label, id);
    StructureResult result;
    result.done = stored;
    result.fieldId = id;
    if (stored && type == FieldType::Calculation) {
        m_db.rebuildAllCalculation();
    }
    if (stored) {
        announceChange();
    }
    return result;
}

StructureResult StructureEditor::renameField(FieldId id, const std::string& label)
{
    const FieldDefinition* field = m_db.field(id);
    // A copy: storing the field replaces the definition it came from.
    const PropertyList structure = field ? field->structure : PropertyList();
    return saveField(id, label, structure);
}

StructureResult StructureEditor::deleteField(FieldId id)
{
    const FieldDefinition* field = m_db.field(id);
    if (field == nullptr) {
        return refused(kInfo, kDeleteFieldError);
    }
    if (!isRemovable(field->type)) {
        return refused(kInfo, kDeleteFieldRefused);
    }
    // Asked before the field is gone: afterwards no formula seems to use it.
    const bool used = m_db.shouldRebuildCalculationFields(id);
    if (!m_db.deletedbFieldAtIndex(id)) {
        return refused(kInfo, kDeleteFieldError);
    }
    m_db.loadDbData();
    if (used) {
        m_db.rebuildAllCalculation();
    }
    announceChange();
    StructureResult result;
    result.done = true;
    result.fieldId = id;
    return result;
}

StructureResult StructureEditor::moveField(std::size_t source, std::size_t target)
{
    const auto& structure = m_db.dbStructure();
    if (source >= structure.size() || target >= structure.size()) {
        return refused(kInfo, kMoveFieldError);
    }
    // The first field stays first: it neither moves nor gets a field above it.
    target = std::max<std::size_t>(target, 1);
    StructureResult result;
    result.fieldId = structure[source].id;
    if (source == 0 || source == target) {
        return result;
    }
    if (!m_db.moveFieldIndex(static_cast<int>(source), static_cast<int>(target))) {
        return refused(kInfo, kMoveFieldError);
    }
    result.done = true;
    announceChange();
    return result;
}

} // namespace dossiva
