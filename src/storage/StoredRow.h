#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dossiva {

class SqliteStatement;

// A row of the records table as it is read, before it becomes a Record: a
// reader can judge it by a few values, read in place, without copying
// every value of every row. Positions are those of the fields in the form.
class StoredRow {
public:
    explicit StoredRow(const SqliteStatement& row) : m_row(row) {}

    // The text of a text-like or password field ("" for none). Valid until
    // the next row is read.
    std::string_view text(std::size_t position) const;
    // The item index of a choose field, as it is loaded into a record.
    std::int64_t choice(std::size_t position) const;

    // The column of the first field's value: id, created and modified come
    // first.
    static constexpr int kFirstValueColumn = 3;

private:
    const SqliteStatement& m_row;
};

// The item index a choose field's column holds, rounded to a whole number;
// none (NULL) is the first item.
std::int64_t storedChoice(const SqliteStatement& row, int column);

} // namespace dossiva
