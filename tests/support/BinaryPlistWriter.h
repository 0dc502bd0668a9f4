#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dossiva::test {

// Writes bplist00 files object by object, so that a test says exactly which
// bytes a reader is given: the sizes in the trailer, the references and the
// offsets are all its choice, hostile ones included.
//
//   BinaryPlistWriter w;
//   const auto leaf = w.string("x");
//   const auto bytes = w.finish(w.array({leaf, leaf}));
class BinaryPlistWriter {
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit BinaryPlistWriter(int referenceSize = 1) : m_referenceSize(referenceSize) {}

    // Each returns the new object's index.
    std::uint64_t boolean(bool value);
    std::uint64_t integer(std::uint64_t value);
    std::uint64_t real(double value);
    std::uint64_t string(const std::string& text);
    std::uint64_t array(const std::vector<std::uint64_t>& references);
    std::uint64_t dictionary(const std::vector<std::uint64_t>& keys,
                             const std::vector<std::uint64_t>& values);
    std::uint64_t raw(Bytes object);

    // The index the next object gets (for references to it).
    std::uint64_t nextIndex() const { return m_objects.size(); }

    // The file with `top` as its top object; offsetSize 0 takes the smallest.
    Bytes finish(std::uint64_t top, int offsetSize = 0) const;

private:
    std::uint64_t add(Bytes object);

    int m_referenceSize;
    std::vector<Bytes> m_objects;
};

// A chain of `levels` arrays, each holding the next `width` times, over one
// string: width^levels nodes once libplist expands every reference.
BinaryPlistWriter::Bytes fanOut(int levels, int width, const std::string& leaf = "x", int referenceSize = 1);

} // namespace dossiva::test
