// Directory listings as servers send them, in any of the styles the client
// reads, whole and line by line.
#include "sync/ListingParser.h"

#include <cstdlib>
#include <string_view>

using namespace dossiva;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view listing(reinterpret_cast<const char*>(data), size);
    ListingParser::parseList(listing);
    ListLineInfo info;
    if (ListingParser::parseListLine(listing, info) &&
        (info.nameStart > listing.size() || info.nameLength > listing.size() - info.nameStart)) {
        std::abort(); // a name outside its line
    }
    std::optional<ListResource> resource;
    ListingParser::parseResourceLine(listing, resource);
    return 0;
}
