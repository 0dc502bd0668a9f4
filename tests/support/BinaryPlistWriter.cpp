#include "support/BinaryPlistWriter.h"

#include <cstring>

namespace dossiva::test {

namespace {

using Bytes = BinaryPlistWriter::Bytes;

void appendBigEndian(Bytes& out, std::uint64_t value, int size)
{
    for (int i = size - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A marker byte with its count, the count spilling into an integer object
// from 15 on.
Bytes header(std::uint8_t kind, std::size_t count)
{
    if (count < 15) {
        return {static_cast<std::uint8_t>(kind << 4 | count)};
    }
    Bytes out{static_cast<std::uint8_t>(kind << 4 | 0x0F)};
    const int size = count < 256 ? 1 : count < 65536 ? 2 : 4;
    out.push_back(static_cast<std::uint8_t>(0x10 | (size == 1 ? 0 : size == 2 ? 1 : 2)));
    appendBigEndian(out, count, size);
    return out;
}

} // namespace

std::uint64_t BinaryPlistWriter::boolean(bool value)
{
    return add({static_cast<std::uint8_t>(value ? 0x09 : 0x08)});
}

std::uint64_t BinaryPlistWriter::integer(std::uint64_t value)
{
    Bytes object{0x13};
    appendBigEndian(object, value, 8);
    return add(object);
}

std::uint64_t BinaryPlistWriter::real(double value)
{
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    Bytes object{0x23};
    appendBigEndian(object, bits, 8);
    return add(object);
}

std::uint64_t BinaryPlistWriter::string(const std::string& text)
{
    Bytes object = header(0x5, text.size());
    object.insert(object.end(), text.begin(), text.end());
    return add(object);
}

std::uint64_t BinaryPlistWriter::array(const std::vector<std::uint64_t>& references)
{
    Bytes object = header(0xA, references.size());
    for (const std::uint64_t reference : references) {
        appendBigEndian(object, reference, m_referenceSize);
    }
    return add(object);
}

std::uint64_t BinaryPlistWriter::dictionary(const std::vector<std::uint64_t>& keys,
                                            const std::vector<std::uint64_t>& values)
{
    Bytes object = header(0xD, keys.size());
    for (const auto* references : {&keys, &values}) {
        for (const std::uint64_t reference : *references) {
            appendBigEndian(object, reference, m_referenceSize);
        }
    }
    return add(object);
}

std::uint64_t BinaryPlistWriter::raw(Bytes object)
{
    return add(std::move(object));
}

Bytes BinaryPlistWriter::finish(std::uint64_t top, int offsetSize) const
{
    Bytes out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    std::vector<std::uint64_t> offsets;
    for (const Bytes& object : m_objects) {
        offsets.push_back(out.size());
        out.insert(out.end(), object.begin(), object.end());
    }
    const std::uint64_t tableOffset = out.size();
    if (offsetSize == 0) {
        offsetSize = tableOffset < 256 ? 1 : tableOffset < 65536 ? 2 : 4;
    }
    for (const std::uint64_t offset : offsets) {
        appendBigEndian(out, offset, offsetSize);
    }
    out.insert(out.end(), 6, 0);
    out.push_back(static_cast<std::uint8_t>(offsetSize));
    out.push_back(static_cast<std::uint8_t>(m_referenceSize));
    appendBigEndian(out, m_objects.size(), 8);
    appendBigEndian(out, top, 8);
    appendBigEndian(out, tableOffset, 8);
    return out;
}

std::uint64_t BinaryPlistWriter::add(Bytes object)
{
    m_objects.push_back(std::move(object));
    return m_objects.size() - 1;
}

BinaryPlistWriter::Bytes fanOut(int levels, int width, const std::string& leaf, int referenceSize)
{
    BinaryPlistWriter w(referenceSize);
    std::uint64_t inner = w.string(leaf);
    for (int level = 0; level < levels; ++level) {
        inner = w.array(std::vector<std::uint64_t>(width, inner));
    }
    return w.finish(inner);
}

} // namespace dossiva::test
