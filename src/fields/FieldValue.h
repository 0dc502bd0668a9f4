#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dossiva {

// One value of a record, in the form its field type holds it:
//   Text      texts, numbers, dates and times (seconds in decimal), e-mail,
//             links, checkboxes ("1"/"0"), calculation results, unsupported
//   Integer   a picture number (0 = none) or a choice index (-1 = none)
//   DateTime  the two parts of a date-and-time value, date first
//   Password  the password text and whether the form shows it in clear
//
// Records are held in memory by the hundred thousand, so a value is 24 bytes
// with short texts (up to 22 bytes) stored inline and longer ones on the heap.
class FieldValue {
public:
    enum class Kind : std::uint8_t { Text, Integer, DateTime, Password };

    FieldValue() noexcept; // the empty text
    static FieldValue text(std::string_view text);
    static FieldValue integer(std::int64_t value);
    // Neither part may hold a NUL byte; anything from one on is dropped.
    static FieldValue dateTime(std::string_view date, std::string_view time);
    static FieldValue password(std::string_view text, bool shown = false);

    FieldValue(const FieldValue& other);
    FieldValue(FieldValue&& other) noexcept;
    FieldValue& operator=(const FieldValue& other);
    FieldValue& operator=(FieldValue&& other) noexcept;
    ~FieldValue();

    Kind kind() const { return static_cast<Kind>(m_flags & kKindMask); }

    // The text of a Text or Password value; "" for the other kinds.
    std::string_view text() const;
    // The number of an Integer value; 0 for the other kinds.
    std::int64_t integer() const;
    // The parts of a DateTime value; "" for the other kinds.
    std::string_view datePart() const;
    std::string_view timePart() const;
    // Whether a Password value is shown in clear.
    bool shown() const { return (m_flags & kShownBit) != 0; }
    void setShown(bool shown);

    bool operator==(const FieldValue& other) const;

private:
    static constexpr std::size_t kInlineCapacity = 22;
    static constexpr std::uint8_t kKindMask = 0x03;
    static constexpr std::uint8_t kShownBit = 0x04;
    static constexpr std::uint8_t kHeapBit = 0x08;

    // The raw characters: the text, or for DateTime "date\0time".
    std::string_view bytes() const;
    void assignBytes(std::string_view bytes);
    void release() noexcept;

    // The storage holds the characters inline, or a heap pointer followed by
    // the length, or the integer; read and written through memcpy.
    char* heapData() const;
    std::uint32_t heapSize() const;
    void setHeap(char* data, std::uint32_t size);
    void setInteger(std::int64_t value);

    alignas(8) char m_storage[kInlineCapacity] = {};
    std::uint8_t m_inlineSize = 0;
    std::uint8_t m_flags = 0;
};

static_assert(sizeof(FieldValue) == 24);

} // namespace dossiva
