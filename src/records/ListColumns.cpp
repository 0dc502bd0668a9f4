#include "records/ListColumns.h"

#include "fields/FieldRules.h"
#include "fields/PasswordGuard.h"
#include "records/RecordSorter.h"

#include <algorithm>
#include <cmath>

namespace dossiva {

namespace {

ListColumn recordDateColumn(const char* identifier, int type, const char* title, int sorting)
{
    ListColumn column;
    column.identifier = identifier;
    column.type = type;
    column.title = title;
    column.width = ListColumns::kRecordDateWidth;
    column.minimumWidth = ListColumns::kRecordDateWidth;
    column.sortType = sorting;
    return column;
}

ListColumn::Cell cellOf(int type)
{
    switch (type) {
    case FieldType::Email:
        return ListColumn::Cell::Email;
    case FieldType::Link:
        return ListColumn::Cell::Link;
    case FieldType::Password:
        return ListColumn::Cell::Password;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        return ListColumn::Cell::Date;
    case FieldType::Image:
        return ListColumn::Cell::Picture;
    case FieldType::Choose:
        return ListColumn::Cell::Choice;
    case FieldType::Checkbox:
        return ListColumn::Cell::Checkbox;
    default:
        return ListColumn::Cell::Text;
    }
}

ListColumn fieldColumn(const FieldDefinition& field)
{
    ListColumn column;
    column.identifier = std::to_string(field.id);
    column.field = field.id;
    column.type = field.type;
    column.title = field.name;
    column.cell = cellOf(field.type);
    column.editable = field.type != FieldType::Calculation;
    column.resizable = true;
    column.minimumWidth = ListColumns::kDefaultWidth;
    // A width kept below the minimum (one point, by an older store's way
    // of showing a column again) comes back at the minimum.
    column.width = std::max(field.listViewColumn == 0 ? ListColumns::kDefaultWidth : field.listViewColumn,
                            column.minimumWidth);
    switch (column.cell) {
    case ListColumn::Cell::Date:
        column.width = column.minimumWidth = ListColumns::kDateWidth;
        column.resizable = false;
        break;
    case ListColumn::Cell::Password:
        column.width = column.minimumWidth = ListColumns::kPasswordWidth;
        column.asksPassword = PasswordGuard::askOption(field.structure);
        break;
    case ListColumn::Cell::Picture:
        column.resizable = false;
        break;
    case ListColumn::Cell::Choice:
        column.choices = choiceItems(field.structure);
        break;
    case ListColumn::Cell::Checkbox:
        if (const PropertyList* caption = field.structure.find("Caption")) {
            column.caption = caption->toString();
        }
        break;
    default:
        break;
    }
    if (field.type == FieldType::Main) {
        column.sortType = RecordSorter::ByTitle;
    }
    return column;
}

} // namespace

ListColumns::ListColumns(const std::vector<FieldDefinition>& structure)
{
    if (structure.empty()) {
        ListColumn empty;
        empty.identifier = kEmptyId;
        empty.width = empty.minimumWidth = kDefaultWidth;
        m_columns.push_back(std::move(empty));
        return;
    }
    m_columns.push_back(
        recordDateColumn(kCreatedId, FieldType::CreationDate, "Created", RecordSorter::ByCreationDate));
    m_columns.push_back(recordDateColumn(kModifiedId, FieldType::ModificationDate, "Modified",
                                         RecordSorter::ByModificationDate));
    for (const FieldDefinition& field : structure) {
        if (hasColumn(field.type) && field.listViewColumn >= 0) {
            m_columns.push_back(fieldColumn(field));
        }
    }
}

bool ListColumns::hasColumn(int type)
{
    return (type >= FieldType::Main && type <= FieldType::Choose) || type == FieldType::Calculation ||
           (type >= FieldType::Email && type <= FieldType::Password);
}

std::vector<ListColumns::MenuItem> ListColumns::menu(const std::vector<FieldDefinition>& structure)
{
    std::vector<MenuItem> items;
    for (const FieldDefinition& field : structure) {
        if (hasColumn(field.type)) {
            items.push_back({field.name, field.id, field.listViewColumn >= 0});
        }
    }
    return items;
}

std::optional<std::size_t> ListColumns::indexOfField(FieldId field) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].isField() && m_columns[i].field == field) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> ListColumns::indexOfSortType(int sorting) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].sortType == sorting) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<int> ListColumns::storedWidth(std::size_t column, double width) const
{
    if (column >= m_columns.size() || !m_columns[column].isField()) {
        return std::nullopt;
    }
    return std::max(static_cast<int>(std::trunc(width)), m_columns[column].minimumWidth);
}

ListColumns::TabTarget ListColumns::tab(std::optional<std::size_t> column, std::size_t row,
                                        std::size_t rowCount, bool forward) const
{
    if (forward) {
        for (std::size_t i = column ? *column + 1 : 0; i < m_columns.size(); ++i) {
            if (m_columns[i].isTabStop()) {
                return {row, i};
            }
        }
        return {rowCount == 0 ? 0 : (row + 1) % rowCount, std::nullopt};
    }
    for (std::size_t i = column.value_or(0); i-- > 0;) {
        if (m_columns[i].isTabStop()) {
            return {row, i};
        }
    }
    return {row > 0 ? row - 1 : 0, std::nullopt};
}

} // namespace dossiva
