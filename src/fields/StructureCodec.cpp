#include "fields/StructureCodec.h"

#include "fields/FieldTypes.h"

namespace dossiva {

PropertyList structureFromEditor(int type, const StructureEditorState& editor)
{
    switch (type) {
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        return PropertyList(PropertyList::Array{PropertyList(editor.showNowButton)});
    case FieldType::Choose: {
        PropertyList::Array items;
        for (const auto& item : editor.items) {
            items.emplace_back(item);
        }
        return PropertyList(std::move(items));
    }
    case FieldType::Checkbox:
        return PropertyList(PropertyList::Dictionary{{"Caption", PropertyList(editor.caption)}});
    case FieldType::Password:
        return PropertyList(PropertyList::Dictionary{{"Ask", PropertyList(editor.askPassword)}});
    default:
        return PropertyList::array();
    }
}

PropertyList defaultStructure(int type)
{
    return structureFromEditor(type, StructureEditorState{});
}

std::vector<std::uint8_t> encodeStructure(const PropertyList& structure)
{
    return structure.toBinary();
}

std::optional<PropertyList> decodeStructure(const std::uint8_t* bytes, std::size_t length)
{
    if (bytes == nullptr || length == 0) {
        return std::nullopt;
    }
    return PropertyList::fromBinary(bytes, length);
}

LoadedType normaliseLoadedType(std::int64_t storedType, std::optional<PropertyList> structure)
{
    const int type = storedType >= 0 && storedType <= FieldType::Unsupported ? static_cast<int>(storedType)
                                                                             : FieldType::Unsupported;
    switch (type) {
    case FieldType::Main:
    case FieldType::SmallText:
    case FieldType::LargeText:
    case FieldType::Number:
    case FieldType::Image:
    case FieldType::Choose:
    case FieldType::Separator:
    case FieldType::Calculation:
    case FieldType::Email:
    case FieldType::Link:
    case FieldType::Checkbox:
    case FieldType::Password:
        // A structure that did not decode behaves as an empty one.
        return {type, structure ? std::move(*structure) : PropertyList::array()};
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        if (!structure || structure->count() == 0) {
            return {type, PropertyList(PropertyList::Array{PropertyList(true)})};
        }
        return {type, std::move(*structure)};
    default:
        // Types of other releases stay untouched in the file and load as
        // unsupported; their structure is kept as it came.
        return {FieldType::Unsupported, structure ? std::move(*structure) : PropertyList::array()};
    }
}

} // namespace dossiva
