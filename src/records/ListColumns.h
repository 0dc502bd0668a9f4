#pragma once

#include "fields/FieldModel.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// One column of the record list: a record date, a field, or the single
// empty column of a database without fields.
struct ListColumn {
    // How the column's cells show and take a value.
    enum class Cell { Text, Email, Link, Password, Date, Picture, Choice, Checkbox };

    std::string identifier; // "-1" created, "-2" modified, the field id, "-3" empty
    FieldId field = 0;      // 0 for the dates and the empty column
    int type = -1;          // the field's type code; 12 and 13 for the dates
    std::string title;
    Cell cell = Cell::Text;
    int width = 0;
    int minimumWidth = 0;
    bool resizable = false;
    bool editable = false;
    // The "Sorting" value a click on the header sorts by.
    std::optional<int> sortType;
    std::vector<std::string> choices; // a choose field's items
    std::string caption;              // a checkbox's caption
    bool asksPassword = false;        // a password field's own "Ask" option

    bool isField() const { return field != 0; }
    // Tab stops at every cell edited in the list but the checkboxes, which
    // a click changes.
    bool isTabStop() const { return editable && cell != Cell::Checkbox; }
};

// The columns of the record list, from the database's fields: which fields
// get a column, at which width, and where Tab goes. A field's column state
// ("LVCOL") is 0 for the default width, a width in points, or, negative, a
// hidden column and the width it comes back at.
class ListColumns {
public:
    static constexpr const char* kCreatedId = "-1";
    static constexpr const char* kModifiedId = "-2";
    static constexpr const char* kEmptyId = "-3";
    static constexpr int kDefaultWidth = 100;
    static constexpr int kRecordDateWidth = 90;
    static constexpr int kDateWidth = 147;
    static constexpr int kPasswordWidth = 200;

    ListColumns() = default;
    explicit ListColumns(const std::vector<FieldDefinition>& structure);

    const std::vector<ListColumn>& columns() const { return m_columns; }
    std::size_t size() const { return m_columns.size(); }
    const ListColumn& at(std::size_t column) const { return m_columns[column]; }
    std::optional<std::size_t> indexOfField(FieldId field) const;
    std::optional<std::size_t> indexOfSortType(int sorting) const;

    // Whether a field of the type can have a column at all (and an entry in
    // the columns menu): not separators, nor the unsupported types.
    static bool hasColumn(int type);

    // An entry of the columns menu: every field that can have a column, in
    // form order, ticked when its column shows.
    struct MenuItem {
        std::string title;
        FieldId field = 0;
        bool shown = false;
        bool operator==(const MenuItem&) const = default;
    };
    static std::vector<MenuItem> menu(const std::vector<FieldDefinition>& structure);

    // The width to keep for a field's column after the user resized it, in
    // whole points and never below its minimum; nullopt for the dates'
    // columns, whose widths are not kept.
    std::optional<int> storedWidth(std::size_t column, double width) const;

    // Where Tab or Shift-Tab goes from a cell: the next (or previous) cell
    // of the row that is edited in the list, or, when the row has none
    // left, the row to select: the next one, back to the first after the
    // last, or the one before, staying on the first.
    struct TabTarget {
        std::size_t row = 0;
        std::optional<std::size_t> column; // nullopt: select the row only
        bool operator==(const TabTarget&) const = default;
    };
    // From nullopt, forward, is from before the first column.
    TabTarget tab(std::optional<std::size_t> column, std::size_t row, std::size_t rowCount,
                  bool forward) const;

private:
    std::vector<ListColumn> m_columns;
};

} // namespace dossiva
