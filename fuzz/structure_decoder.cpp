// The property lists a database or a template carries: a field's structure
// blob (binary, with its bounds), and the same bytes read as XML.
#include "FuzzInput.h"

#include "fields/StructureCodec.h"
#include "platform/PropertyList.h"

#include <cstdlib>

using namespace dossiva;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (const auto structure = decodeStructure(data, size)) {
        // Writing may normalise (text stops at a NUL, dates are clamped to
        // what the format holds), but what it writes always reads back, with
        // the same shape.
        const std::vector<std::uint8_t> written = structure->toBinary();
        const auto again = PropertyList::fromBinary(written);
        if (!again || again->kind() != structure->kind()) {
            std::abort();
        }
    }
    PropertyList::fromBinary(data, size);
    PropertyList::fromXml(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
