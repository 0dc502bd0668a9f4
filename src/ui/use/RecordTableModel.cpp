#include "ui/use/RecordTableModel.h"

#include "fields/DateDisplay.h"
#include "fields/FieldRules.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "records/ShownRecords.h"
#include "storage/ImageCache.h"
#include "ui/widgets/UiText.h"

#include <QFont>

namespace dossiva {

namespace {

QString qtext(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The record dates show the day only; the field's moments as the form
// shows them.
std::unique_ptr<DateFormat> formatOf(const ListColumn& column)
{
    switch (column.type) {
    case FieldType::CreationDate:
    case FieldType::ModificationDate:
        return std::make_unique<DateFormat>(DateDisplay::fieldFormat(FieldType::Date));
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        return std::make_unique<DateFormat>(DateDisplay::fieldFormat(column.type));
    default:
        return nullptr;
    }
}

} // namespace

RecordTableModel::RecordTableModel(QObject* parent) : QAbstractTableModel(parent)
{
}

RecordTableModel::~RecordTableModel() = default;

void RecordTableModel::setColumns(ListColumns columns, const std::string& packageName)
{
    beginResetModel();
    m_columns = std::move(columns);
    m_packageName = packageName;
    m_formats.clear();
    for (const ListColumn& column : m_columns.columns()) {
        m_formats.push_back(formatOf(column));
    }
    m_sortedColumn.reset();
    m_pictures.clear();
    endResetModel();
}

void RecordTableModel::setRecords(const ShownRecords* records)
{
    beginResetModel();
    m_records = records;
    m_pictures.clear();
    endResetModel();
}

void RecordTableModel::reload()
{
    beginResetModel();
    endResetModel();
}

void RecordTableModel::recordChanged(int row)
{
    // A picture replaced keeps its number: the one kept here is stale.
    m_pictures.clear();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void RecordTableModel::setSortedColumn(std::optional<int> column)
{
    m_sortedColumn = column;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

const Record* RecordTableModel::record(int row) const
{
    if (m_records == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_records->size()) {
        return nullptr;
    }
    return &m_records->at(static_cast<std::size_t>(row));
}

std::optional<int> RecordTableModel::rowOf(RecordId record) const
{
    if (m_records == nullptr) {
        return std::nullopt;
    }
    const auto row = m_records->rowOf(record);
    return row ? std::optional<int>(static_cast<int>(*row)) : std::nullopt;
}

int RecordTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || m_records == nullptr ? 0 : static_cast<int>(m_records->size());
}

int RecordTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QString RecordTableModel::displayText(int at, const Record& record) const
{
    const ListColumn& column = this->column(at);
    const DateFormat* format = m_formats[static_cast<std::size_t>(at)].get();
    if (column.type == FieldType::CreationDate || column.type == FieldType::ModificationDate) {
        const auto moment = column.type == FieldType::CreationDate ? DateDisplay::createdMoment(record)
                                                                   : DateDisplay::modifiedMoment(record);
        return QString::fromStdString(DateDisplay::recordDateText(*format, moment));
    }
    const FieldValue* value = column.isField() ? record.value(column.field) : nullptr;
    if (value == nullptr) {
        return column.cell == ListColumn::Cell::Checkbox ? QString::fromStdString(column.caption) : QString();
    }
    switch (column.cell) {
    case ListColumn::Cell::Date: {
        const auto moment = DateDisplay::storedMoment(column.type, *value, Clock::nowSeconds());
        return moment ? QString::fromStdString(DateDisplay::text(*format, *moment)) : QString();
    }
    case ListColumn::Cell::Choice: {
        const std::int64_t chosen = value->integer();
        return chosen >= 0 && static_cast<std::size_t>(chosen) < column.choices.size()
                   ? QString::fromStdString(column.choices[static_cast<std::size_t>(chosen)])
                   : QString();
    }
    case ListColumn::Cell::Checkbox:
        return QString::fromStdString(column.caption);
    case ListColumn::Cell::Picture:
        return {};
    default:
        return qtext(value->text());
    }
}

QVariant RecordTableModel::editText(const ListColumn& column, const Record& record) const
{
    const FieldValue* value = record.value(column.field);
    if (column.cell == ListColumn::Cell::Choice) {
        const std::int64_t chosen = value ? value->integer() : -1;
        const auto items = static_cast<std::int64_t>(column.choices.size());
        // The trailing empty item stands for no choice.
        return static_cast<int>(chosen >= 0 && chosen < items ? chosen : items);
    }
    return value ? qtext(value->text()) : QString();
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const
{
    const Record* shown = index.isValid() ? record(index.row()) : nullptr;
    if (shown == nullptr || index.column() >= columnCount()) {
        return {};
    }
    const ListColumn& cell = column(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.column(), *shown);
    case Qt::EditRole:
        return editText(cell, *shown);
    case Qt::CheckStateRole:
        if (cell.cell == ListColumn::Cell::Checkbox) {
            const FieldValue* value = shown->value(cell.field);
            return value != nullptr && isCheckboxTrue(value->text()) ? Qt::Checked : Qt::Unchecked;
        }
        return {};
    case ShownRole: {
        const FieldValue* value = cell.isField() ? shown->value(cell.field) : nullptr;
        return value != nullptr && value->shown();
    }
    default:
        return {};
    }
}

QImage RecordTableModel::picture(const QModelIndex& index, int height) const
{
    const Record* shown = record(index.row());
    const ListColumn& cell = column(index.column());
    const FieldValue* value = shown != nullptr && cell.isField() ? shown->value(cell.field) : nullptr;
    const qint64 number = value != nullptr ? value->integer() : 0;
    if (cell.cell != ListColumn::Cell::Picture || number <= 0) {
        return {};
    }
    if (const QImage* found = m_pictures.object(number); found != nullptr && found->height() <= height) {
        return *found;
    }
    const ImagePtr image = ImageCache::sharedIstance().viewImage(Paths::imageFile(m_packageName, number));
    QImage scaled;
    if (image && !image->isNull()) {
        scaled = toQImage(*image).scaledToHeight(std::min(height, image->height()), Qt::SmoothTransformation);
    }
    m_pictures.insert(number, new QImage(scaled));
    return scaled;
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromStdString(column(section).title);
    }
    if (role == Qt::FontRole && m_sortedColumn == section) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return {};
}

Qt::ItemFlags RecordTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.column() >= columnCount()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Dates, pictures and checkboxes are changed by the list itself, not in
    // an editor laid over the cell.
    const ListColumn& cell = column(index.column());
    switch (cell.cell) {
    case ListColumn::Cell::Text:
    case ListColumn::Cell::Email:
    case ListColumn::Cell::Link:
    case ListColumn::Cell::Password:
    case ListColumn::Cell::Choice:
        if (cell.editable) {
            flags |= Qt::ItemIsEditable;
        }
        break;
    default:
        break;
    }
    return flags;
}

bool RecordTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    const ListColumn& cell = column(index.column());
    QString text = value.toString();
    if (cell.cell == ListColumn::Cell::Choice) {
        const int chosen = value.toInt();
        text = QString::number(chosen >= 0 && static_cast<std::size_t>(chosen) < cell.choices.size() ? chosen
                                                                                                     : -1);
    }
    emit cellEdited(index.row(), index.column(), text);
    return true;
}

} // namespace dossiva
