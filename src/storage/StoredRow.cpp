#include "storage/StoredRow.h"

#include "storage/SqliteConnection.h"

#include <cmath>

namespace dossiva {

namespace {

int columnOf(std::size_t position)
{
    return StoredRow::kFirstValueColumn + static_cast<int>(position);
}

} // namespace

std::string_view StoredRow::text(std::size_t position) const
{
    return m_row.columnTextView(columnOf(position));
}

std::int64_t StoredRow::choice(std::size_t position) const
{
    return storedChoice(m_row, columnOf(position));
}

std::int64_t storedChoice(const SqliteStatement& row, int column)
{
    return row.isNull(column) ? 0 : std::llround(row.columnDouble(column));
}

} // namespace dossiva
