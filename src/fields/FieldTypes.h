#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// What the program knows about each field type: its title in the Define
// palette, its place there, and the classes that show and edit it.
struct FieldTypeInfo {
    int code;
    const char* paletteTitle; // "" for the main and unsupported types
    int palettePosition;      // -1 when not offered in the palette
    const char* recordViewClass;
    const char* structureEditorClass;
    const char* iconName; // the icon of the palette entry and of the editor
};

namespace FieldTypes {

// Every type a loaded field can have, in code order.
const std::vector<FieldTypeInfo>& all();
// The entry of a code, or nullptr for a code no field can have after loading.
const FieldTypeInfo* info(int code);
// The type code at a palette position, or nullopt outside 0..13.
std::optional<int> codeForPalettePosition(int position);
// A short title for any code, for listings: the palette title, "Main Field",
// "Unsupported Field".
std::string title(int code);
// Whether a type is one of the date types (date, time, date and time).
bool isDateType(int code);

} // namespace FieldTypes
} // namespace dossiva
