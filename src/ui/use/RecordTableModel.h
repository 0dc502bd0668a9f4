#pragma once

#include "platform/DateFormat.h"
#include "records/ListColumns.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QImage>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

class ShownRecords;

// The records of the Use section as a table: one row per shown record, one
// column per column of the list (the record dates and the fields that show).
// It reads the section's list as it is, so only the rows on screen cost
// anything; the values are changed through the list's controller, which
// hears of an edit through cellEdited().
class RecordTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordTableModel)
public:
    enum Role {
        // A password shown in clear (bool).
        ShownRole = Qt::UserRole + 1,
    };

    explicit RecordTableModel(QObject* parent = nullptr);
    ~RecordTableModel() override;

    // The columns of the open database; its pictures are found through its
    // package name.
    void setColumns(ListColumns columns, const std::string& packageName);
    // The section's shown records; the model follows the list until told
    // otherwise, and is told (reload()) whenever it changed.
    void setRecords(const ShownRecords* records);
    void reload();
    // A shown record's values changed.
    void recordChanged(int row);
    // The column whose header shows the sort, drawn in bold.
    void setSortedColumn(std::optional<int> column);

    const ListColumns& columns() const { return m_columns; }
    const ListColumn& column(int column) const { return m_columns.at(static_cast<std::size_t>(column)); }
    const Record* record(int row) const;
    std::optional<int> rowOf(RecordId record) const;
    // The picture of a cell, at most the given height; null for none.
    QImage picture(const QModelIndex& index, int height) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An in-place edit ended: the text typed, or for a choice the index of
    // the item chosen (the trailing empty item is -1).
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void cellEdited(int row, int column, const QString& text);

private:
    QString displayText(int column, const Record& record) const;
    QVariant editText(const ListColumn& column, const Record& record) const;

    const ShownRecords* m_records = nullptr;
    ListColumns m_columns;
    std::string m_packageName;
    // The format of each column's moments, made once: ICU formats are slow
    // to make and every date cell on screen needs one.
    std::vector<std::unique_ptr<DateFormat>> m_formats;
    std::optional<int> m_sortedColumn;
    // Small pictures by picture number, at the last height asked: as many
    // as a few screens of rows show, whatever the number of rows.
    static constexpr int kKeptPictures = 1000;
    mutable QCache<qint64, QImage> m_pictures{kKeptPictures};
};

} // namespace dossiva
