#include "records/StructureEditor.h"

#include "fields/CalculationEngine.h"
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
    return editorState(field.type, field.structure);
}

StructureEditorState StructureEditor::editorState(int type, const PropertyList& structure)
{
    StructureEditorState state;
    switch (type) {
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        if (const PropertyList* showNow = structure.at(0)) {
            state.showNowButton = showNow->toBool(true);
        }
        break;
    case FieldType::Choose:
        state.items = choiceItems(structure);
        break;
    case FieldType::Checkbox:
        if (const PropertyList* caption = structure.find("Caption")) {
            state.caption = caption->toString();
        }
        break;
    case FieldType::Password:
        state.askPassword = PasswordGuard::askOption(structure);
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
    if (type == FieldType::Calculation && structure.count() > 0) {
        m_db.rebuildAllCalculation();
    }
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
    if (type == FieldType::Choose && hasRepeatedItem(choiceItems(structure))) {
        return refused(kWarning, kDuplicateItemMessage);
    }
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

StructureResult StructureEditor::replaceOperand(FieldId from, FieldId to)
{
    StructureResult result;
    result.fieldId = to;
    // Copies: storing a field replaces the definitions they come from.
    const std::vector<FieldDefinition> fields = m_db.dbStructure();
    for (const auto& field : fields) {
        PropertyList formula = field.structure;
        if (field.type != FieldType::Calculation || !CalculationEngine::replaceOperand(formula, from, to)) {
            continue;
        }
        if (!m_db.setdbFieldLabel(field.name, field.id, formula)) {
            return refused(kInfo, kAddFieldError);
        }
        result.done = true;
    }
    if (result.done) {
        m_db.rebuildAllCalculation();
        announceChange();
    }
    return result;
}

} // namespace dossiva
