#pragma once

#include "fields/FieldModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// The state a new field's structure editor starts in, and from which a
// changed editor builds its structure.
struct StructureEditorState {
    bool showNowButton = true;                          // date types
    std::vector<std::string> items{"Item 1", "Item 2"}; // choose
    std::string caption = "Yes";                        // checkbox
    bool askPassword = false;                           // password
};

// The structure a field of the type is stored with, built from its editor:
// [show now] for the date types, the items for a choose field, {"Caption"}
// for a checkbox, {"Ask"} for a password, and an empty list for the rest.
PropertyList structureFromEditor(int type, const StructureEditorState& editor);
// The structure of a new field, from an editor in its default state.
PropertyList defaultStructure(int type);

// Serialises a structure as a binary property list.
std::vector<std::uint8_t> encodeStructure(const PropertyList& structure);
// Reads a structure blob of the given length; nullopt when it does not decode.
std::optional<PropertyList> decodeStructure(const std::uint8_t* bytes, std::size_t length);

// The type code and structure a stored row loads as: codes the program does
// not handle become unsupported (30), and a date type without options shows
// its now button.
struct LoadedType {
    int type;
    PropertyList structure;
};
LoadedType normaliseLoadedType(std::int64_t storedType, std::optional<PropertyList> structure);

} // namespace dossiva
