#include "fields/FieldValue.h"

#include <cstring>
#include <limits>
#include <new>

namespace dossiva {

FieldValue::FieldValue() noexcept = default;

FieldValue FieldValue::text(std::string_view text)
{
    FieldValue value;
    value.assignBytes(text);
    return value;
}

FieldValue FieldValue::integer(std::int64_t number)
{
    FieldValue value;
    value.m_flags = static_cast<std::uint8_t>(Kind::Integer);
    value.setInteger(number);
    return value;
}

FieldValue FieldValue::dateTime(std::string_view date, std::string_view time)
{
    date = date.substr(0, date.find('\0'));
    time = time.substr(0, time.find('\0'));
    std::string joined;
    joined.reserve(date.size() + 1 + time.size());
    joined.append(date).push_back('\0');
    joined.append(time);
    FieldValue value;
    value.assignBytes(joined);
    value.m_flags =
        static_cast<std::uint8_t>((value.m_flags & ~kKindMask) | static_cast<std::uint8_t>(Kind::DateTime));
    return value;
}

FieldValue FieldValue::password(std::string_view text, bool shown)
{
    FieldValue value;
    value.assignBytes(text);
    value.m_flags =
        static_cast<std::uint8_t>((value.m_flags & ~kKindMask) | static_cast<std::uint8_t>(Kind::Password));
    value.setShown(shown);
    return value;
}

FieldValue::FieldValue(const FieldValue& other)
{
    *this = other;
}

FieldValue::FieldValue(FieldValue&& other) noexcept
{
    *this = std::move(other);
}

FieldValue& FieldValue::operator=(const FieldValue& other)
{
    if (this == &other) {
        return *this;
    }
    if (other.kind() == Kind::Integer) {
        release();
        setInteger(other.integer());
        m_flags = other.m_flags;
        return *this;
    }
    // Copy the characters before releasing ours: other may share nothing
    // with us, but assignBytes must not read freed memory either way.
    const std::uint8_t flags = other.m_flags & static_cast<std::uint8_t>(~kHeapBit);
    assignBytes(other.bytes());
    m_flags = static_cast<std::uint8_t>(flags | (m_flags & kHeapBit));
    return *this;
}

FieldValue& FieldValue::operator=(FieldValue&& other) noexcept
{
    if (this == &other) {
        return *this;
    }
    release();
    std::memcpy(m_storage, other.m_storage, kInlineCapacity);
    m_inlineSize = other.m_inlineSize;
    m_flags = other.m_flags;
    // The heap block, if any, now belongs to us.
    other.m_flags = 0;
    other.m_inlineSize = 0;
    std::memset(other.m_storage, 0, kInlineCapacity);
    return *this;
}

FieldValue::~FieldValue()
{
    release();
}

void FieldValue::release() noexcept
{
    if ((m_flags & kHeapBit) != 0) {
        delete[] heapData();
        m_flags = static_cast<std::uint8_t>(m_flags & ~kHeapBit);
    }
    m_inlineSize = 0;
    std::memset(m_storage, 0, kInlineCapacity);
}

void FieldValue::assignBytes(std::string_view source)
{
    const std::uint8_t keep = m_flags & static_cast<std::uint8_t>(~kHeapBit);
    if (source.size() <= kInlineCapacity) {
        char copy[kInlineCapacity];
        if (!source.empty()) {
            std::memcpy(copy, source.data(), source.size());
        }
        release();
        if (!source.empty()) {
            std::memcpy(m_storage, copy, source.size());
        }
        m_inlineSize = static_cast<std::uint8_t>(source.size());
        m_flags = keep;
        return;
    }
    if (source.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::bad_alloc();
    }
    char* data = new char[source.size()];
    std::memcpy(data, source.data(), source.size());
    release();
    setHeap(data, static_cast<std::uint32_t>(source.size()));
    m_flags = static_cast<std::uint8_t>(keep | kHeapBit);
}

std::string_view FieldValue::bytes() const
{
    if (kind() == Kind::Integer) {
        return {};
    }
    if ((m_flags & kHeapBit) != 0) {
        return {heapData(), heapSize()};
    }
    return {m_storage, m_inlineSize};
}

std::string_view FieldValue::text() const
{
    return kind() == Kind::Text || kind() == Kind::Password ? bytes() : std::string_view{};
}

std::int64_t FieldValue::integer() const
{
    if (kind() != Kind::Integer) {
        return 0;
    }
    std::int64_t value = 0;
    std::memcpy(&value, m_storage, sizeof value);
    return value;
}

char* FieldValue::heapData() const
{
    char* data = nullptr;
    std::memcpy(&data, m_storage, sizeof data);
    return data;
}

std::uint32_t FieldValue::heapSize() const
{
    std::uint32_t size = 0;
    std::memcpy(&size, m_storage + sizeof(char*), sizeof size);
    return size;
}

void FieldValue::setHeap(char* data, std::uint32_t size)
{
    std::memcpy(m_storage, &data, sizeof data);
    std::memcpy(m_storage + sizeof(char*), &size, sizeof size);
}

void FieldValue::setInteger(std::int64_t value)
{
    std::memcpy(m_storage, &value, sizeof value);
}

std::string_view FieldValue::datePart() const
{
    if (kind() != Kind::DateTime) {
        return {};
    }
    const std::string_view all = bytes();
    return all.substr(0, all.find('\0'));
}

std::string_view FieldValue::timePart() const
{
    if (kind() != Kind::DateTime) {
        return {};
    }
    const std::string_view all = bytes();
    const auto separator = all.find('\0');
    return separator == std::string_view::npos ? std::string_view{} : all.substr(separator + 1);
}

void FieldValue::setShown(bool shown)
{
    m_flags = static_cast<std::uint8_t>(shown ? (m_flags | kShownBit) : (m_flags & ~kShownBit));
}

bool FieldValue::operator==(const FieldValue& other) const
{
    if (kind() != other.kind()) {
        return false;
    }
    if (kind() == Kind::Integer) {
        return integer() == other.integer();
    }
    return bytes() == other.bytes() && shown() == other.shown();
}

} // namespace dossiva
