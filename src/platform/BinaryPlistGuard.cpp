#include "platform/BinaryPlistGuard.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace dossiva {

namespace {

// The layout of "bplist00" (Apple's CFBinaryPList.c): an 8-byte header, the
// objects, a table of their offsets, and a 32-byte trailer: 6 unused bytes,
// the size of an offset table entry, the size of an object reference, then
// three 8-byte big-endian numbers: the object count, the top object and the
// offset of the offset table.
constexpr std::size_t kHeaderLength = 8;
constexpr std::size_t kTrailerLength = 32;
constexpr char kMagic[] = "bplist00";

// Object markers: the high nibble gives the kind, the low nibble a size.
enum Marker : std::uint8_t {
    kSimple = 0x0, // 0x08 false, 0x09 true
    kInteger = 0x1,
    kReal = 0x2,
    kDate = 0x3,
    kData = 0x4,
    kAsciiString = 0x5,
    kUnicodeString = 0x6,
    kUid = 0x8,
    kArray = 0xA,
    kDictionary = 0xD,
};

using Verdict = BinaryPlistGuard::Verdict;

std::uint64_t readBigEndian(const std::uint8_t* bytes, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
    const std::uint64_t sum = a + b;
    return sum < a ? UINT64_MAX : sum;
}

// What one object holds, as far as the expansion needs it.
struct ObjectShape {
    std::uint8_t kind = 0;
    std::uint64_t payloadBytes = 0;   // bytes after the marker and length
    std::size_t payloadAt = 0;        // where they start
    std::size_t referencesAt = 0;     // containers: where the references start
    std::uint64_t referenceCount = 0; // arrays: count; dictionaries: keys then values
};

class Checker {
public:
    Checker(const std::uint8_t* bytes, std::size_t length, const BinaryPlistGuard::Limits& limits)
        : m_bytes(bytes), m_length(length), m_limits(limits)
    {
    }

    Verdict run()
    {
        if (m_length > m_limits.maxLength) {
            return Verdict::TooLong;
        }
        if (m_bytes == nullptr || m_length < kHeaderLength + kTrailerLength + 2 ||
            std::memcmp(m_bytes, kMagic, kHeaderLength) != 0) {
            return Verdict::BadHeader;
        }
        const std::uint8_t* trailer = m_bytes + m_length - kTrailerLength;
        m_offsetSize = trailer[6];
        m_referenceSize = trailer[7];
        m_objectCount = readBigEndian(trailer + 8, 8);
        const std::uint64_t topObject = readBigEndian(trailer + 16, 8);
        m_tableOffset = readBigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_referenceSize < 1 || m_referenceSize > 8 ||
            m_objectCount == 0 || topObject >= m_objectCount) {
            return Verdict::BadTrailer;
        }
        if (m_objectCount > m_limits.maxObjects) {
            return Verdict::TooManyObjects;
        }
        // The table lies between the objects (at least one byte) and the
        // trailer. The object count is bounded above, so the product fits.
        const std::uint64_t trailerStart = m_length - kTrailerLength;
        if (m_tableOffset <= kHeaderLength || m_tableOffset > trailerStart ||
            m_objectCount * m_offsetSize > trailerStart - m_tableOffset) {
            return Verdict::BadOffsetTable;
        }
        m_colour.assign(m_objectCount, kWhite);
        m_nodes.assign(m_objectCount, 0);
        m_payload.assign(m_objectCount, 0);
        m_height.assign(m_objectCount, 0);
        return visit(topObject, 1);
    }

private:
    enum Colour : std::uint8_t { kWhite, kGrey, kBlack };

    // The object at index: its offset from the table, its marker and length,
    // all inside the object area [header, offset table).
    Verdict shapeOf(std::uint64_t index, ObjectShape& shape) const
    {
        const std::uint64_t offset =
            readBigEndian(m_bytes + m_tableOffset + index * m_offsetSize, m_offsetSize);
        if (offset < kHeaderLength || offset >= m_tableOffset) {
            return Verdict::BadOffsetTable;
        }
        const std::uint64_t end = m_tableOffset;
        std::uint64_t at = offset + 1;
        const std::uint8_t marker = m_bytes[offset];
        const std::uint8_t low = marker & 0x0F;
        shape.kind = marker >> 4;
        std::uint64_t fixedSize = 0;
        switch (shape.kind) {
        case kSimple:
            if (low != 0x8 && low != 0x9) {
                return Verdict::BadObject;
            }
            break;
        case kInteger:
            if (low > 4) {
                return Verdict::BadObject;
            }
            fixedSize = std::uint64_t{1} << low;
            break;
        case kReal:
            if (low != 2 && low != 3) {
                return Verdict::BadObject;
            }
            fixedSize = std::uint64_t{1} << low;
            break;
        case kDate:
            if (low != 3) {
                return Verdict::BadObject;
            }
            fixedSize = 8;
            break;
        case kUid:
            if (low != 0 && low != 1 && low != 3 && low != 7) {
                return Verdict::BadObject;
            }
            fixedSize = low + 1u;
            break;
        case kData:
        case kAsciiString:
        case kUnicodeString:
        case kArray:
        case kDictionary: {
            std::uint64_t count = low;
            if (low == 0x0F) {
                // The count follows as an integer object of 1, 2, 4 or 8 bytes.
                if (at >= end) {
                    return Verdict::BadObject;
                }
                const std::uint8_t lengthMarker = m_bytes[at];
                if ((lengthMarker >> 4) != kInteger || (lengthMarker & 0x0F) > 3) {
                    return Verdict::BadObject;
                }
                const std::uint64_t lengthSize = std::uint64_t{1} << (lengthMarker & 0x0F);
                if (lengthSize > end - at - 1) {
                    return Verdict::BadObject;
                }
                count = readBigEndian(m_bytes + at + 1, static_cast<std::size_t>(lengthSize));
                at += 1 + lengthSize;
            }
            std::uint64_t unit = 1;
            if (shape.kind == kUnicodeString) {
                unit = 2;
            } else if (shape.kind == kArray) {
                unit = m_referenceSize;
            } else if (shape.kind == kDictionary) {
                unit = 2u * m_referenceSize;
            }
            if (count > (end - at) / unit) {
                return Verdict::BadObject;
            }
            if (shape.kind == kArray || shape.kind == kDictionary) {
                shape.referencesAt = static_cast<std::size_t>(at);
                shape.referenceCount = shape.kind == kArray ? count : 2 * count;
            } else {
                shape.payloadAt = static_cast<std::size_t>(at);
                shape.payloadBytes = count * unit;
            }
            return Verdict::Accepted;
        }
        default:
            return Verdict::BadObject;
        }
        if (fixedSize > end - at) {
            return Verdict::BadObject;
        }
        shape.payloadBytes = fixedSize;
        return Verdict::Accepted;
    }

    // Depth-first over the references, each object once: grey while on the
    // path (meeting it again is a cycle), black with its expanded node count,
    // byte count and height once done. The path is at most maxDepth
    // containers long, so the recursion is bounded too.
    Verdict visit(std::uint64_t index, unsigned depth)
    {
        if (m_colour[index] == kBlack) {
            // Met before on another path: its containers now start at depth.
            return depth - 1 + m_height[index] > m_limits.maxDepth ? Verdict::TooDeep : Verdict::Accepted;
        }
        if (m_colour[index] == kGrey) {
            return Verdict::Cycle;
        }
        ObjectShape shape;
        if (const Verdict verdict = shapeOf(index, shape); verdict != Verdict::Accepted) {
            return verdict;
        }
        const bool container = shape.kind == kArray || shape.kind == kDictionary;
        if (container && depth > m_limits.maxDepth) {
            return Verdict::TooDeep;
        }
        m_colour[index] = kGrey;
        std::uint64_t nodes = 1;
        std::uint64_t payload = shape.payloadBytes;
        unsigned childHeight = 0;
        const std::uint64_t keyCount = shape.kind == kDictionary ? shape.referenceCount / 2 : 0;
        for (std::uint64_t i = 0; i < shape.referenceCount; ++i) {
            const std::uint64_t child =
                readBigEndian(m_bytes + shape.referencesAt + i * m_referenceSize, m_referenceSize);
            if (child >= m_objectCount) {
                return Verdict::BadReference;
            }
            if (const Verdict verdict = visit(child, depth + 1); verdict != Verdict::Accepted) {
                return verdict;
            }
            if (i < keyCount && !isKey(child)) {
                return Verdict::BadReference;
            }
            childHeight = std::max(childHeight, m_height[child]);
            nodes = saturatingAdd(nodes, m_nodes[child]);
            payload = saturatingAdd(payload, m_payload[child]);
            // Every object's expansion is part of the top object's, so the
            // first one over a budget settles it.
            if (nodes > m_limits.maxExpandedNodes) {
                return Verdict::TooManyNodes;
            }
            if (payload > m_limits.maxExpandedBytes) {
                return Verdict::TooManyBytes;
            }
        }
        if (nodes > m_limits.maxExpandedNodes) {
            return Verdict::TooManyNodes;
        }
        if (payload > m_limits.maxExpandedBytes) {
            return Verdict::TooManyBytes;
        }
        m_colour[index] = kBlack;
        m_nodes[index] = nodes;
        m_payload[index] = payload;
        m_height[index] = container ? childHeight + 1 : 0;
        return Verdict::Accepted;
    }

    // Called after the object was visited, so its offset is known to be good.
    // A dictionary key: a string without a NUL character. libplist hands
    // keys out as C strings and aborts the process on one that holds a NUL.
    bool isKey(std::uint64_t index) const
    {
        ObjectShape shape;
        if (shapeOf(index, shape) != Verdict::Accepted ||
            (shape.kind != kAsciiString && shape.kind != kUnicodeString)) {
            return false;
        }
        const std::uint8_t* payload = m_bytes + shape.payloadAt;
        if (shape.kind == kAsciiString) {
            return std::memchr(payload, 0, static_cast<std::size_t>(shape.payloadBytes)) == nullptr;
        }
        for (std::uint64_t unit = 0; unit + 1 < shape.payloadBytes; unit += 2) {
            if (payload[unit] == 0 && payload[unit + 1] == 0) {
                return false;
            }
        }
        return true;
    }

    const std::uint8_t* m_bytes;
    std::size_t m_length;
    const BinaryPlistGuard::Limits& m_limits;
    std::size_t m_offsetSize = 0;
    std::size_t m_referenceSize = 0;
    std::uint64_t m_objectCount = 0;
    std::uint64_t m_tableOffset = 0;
    std::vector<std::uint8_t> m_colour;
    std::vector<std::uint64_t> m_nodes;
    std::vector<std::uint64_t> m_payload;
    std::vector<unsigned> m_height; // levels of containers in the expansion
};

} // namespace

BinaryPlistGuard::Verdict BinaryPlistGuard::check(const std::uint8_t* bytes, std::size_t length)
{
    return check(bytes, length, Limits{});
}

BinaryPlistGuard::Verdict BinaryPlistGuard::check(const std::uint8_t* bytes, std::size_t length,
                                                  const Limits& limits)
{
    return Checker(bytes, length, limits).run();
}

const char* BinaryPlistGuard::describe(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Accepted:
        return "accepted";
    case Verdict::TooLong:
        return "too long";
    case Verdict::BadHeader:
        return "not a bplist00 file";
    case Verdict::BadTrailer:
        return "malformed trailer";
    case Verdict::TooManyObjects:
        return "too many objects";
    case Verdict::BadOffsetTable:
        return "offset out of range";
    case Verdict::BadObject:
        return "malformed object";
    case Verdict::BadReference:
        return "bad object reference";
    case Verdict::Cycle:
        return "reference cycle";
    case Verdict::TooDeep:
        return "nesting too deep";
    case Verdict::TooManyNodes:
        return "expands to too many objects";
    case Verdict::TooManyBytes:
        return "expands to too many bytes";
    }
    return "unknown";
}

} // namespace dossiva
