#pragma once

#include <cstddef>
#include <cstdint>

namespace dossiva {

// A bounded structural check of a binary property list ("bplist00"), run
// before libplist parses the bytes. libplist 2.2 expands every reference into
// a node of its own, so a few hundred bytes whose arrays reference the same
// array many times make it allocate without bound, and nesting drives its
// recursion. The guard reads the trailer, the offset table and every object
// reachable from the top object, with work and memory linear in the input,
// and accepts only input that libplist can turn into a tree of bounded size.
class BinaryPlistGuard {
public:
    struct Limits {
        std::size_t maxLength = 64u * 1024u * 1024u;
        std::uint64_t maxObjects = 100000;
        // Nesting of containers, the top object counting as level 1.
        unsigned maxDepth = 64;
        // Nodes libplist makes when every reference is expanded as a tree
        // (dictionary keys count as nodes).
        std::uint64_t maxExpandedNodes = 100000;
        // Payload bytes of those nodes (strings, data, numbers).
        std::uint64_t maxExpandedBytes = 64u * 1024u * 1024u;
    };

    enum class Verdict {
        Accepted,
        TooLong,        // longer than maxLength
        BadHeader,      // not "bplist00", or too short to hold a trailer
        BadTrailer,     // sizes, object count or top object out of range
        TooManyObjects, // more objects than maxObjects
        BadOffsetTable, // the table or an object's offset outside its area
        BadObject,      // a marker or length that is not well formed
        BadReference,   // a reference to an object that does not exist, or a key that is not a string
        Cycle,          // a container that contains itself
        TooDeep,        // nesting beyond maxDepth
        TooManyNodes,   // expansion beyond maxExpandedNodes
        TooManyBytes,   // expansion beyond maxExpandedBytes
    };

    static Verdict check(const std::uint8_t* bytes, std::size_t length);
    static Verdict check(const std::uint8_t* bytes, std::size_t length, const Limits& limits);

    // A short English name of a verdict for the developer log.
    static const char* describe(Verdict verdict);
};

} // namespace dossiva
