#include "ui/use/RecordListModel.h"

#include "platform/Paths.h"
#include "records/RecordSorter.h"
#include "records/ShownRecords.h"
#include "storage/ImageCache.h"
#include "ui/widgets/UiText.h"

#include <QPixmap>

namespace dossiva {

RecordListModel::RecordListModel(QObject* parent)
    : QAbstractListModel(parent), m_recordIcon(uiIcon("record-icon"))
{
}

void RecordListModel::setRecords(const ShownRecords* records, const std::vector<FieldDefinition>& structure,
                                 const std::string& packageName)
{
    beginResetModel();
    m_records = records;
    m_packageName = packageName;
    m_pictureField = 0;
    for (const auto& field : structure) {
        if (field.type == FieldType::Image) {
            m_pictureField = field.id;
            break;
        }
    }
    m_thumbnails.clear();
    endResetModel();
}

void RecordListModel::reload()
{
    beginResetModel();
    endResetModel();
}

void RecordListModel::recordChanged(int row)
{
    m_thumbnails.clear();
    emit dataChanged(index(row), index(row));
}

int RecordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || m_records == nullptr ? 0 : static_cast<int>(m_records->size());
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const
{
    if (m_records == nullptr || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Record& record = m_records->at(static_cast<std::size_t>(index.row()));
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const FieldValue* title = record.value(RecordSorter::kTitleField);
        return title ? QString::fromStdString(std::string(title->text())) : QString();
    }
    case Qt::DecorationRole:
        return pictureOf(record);
    default:
        return {};
    }
}

QIcon RecordListModel::pictureOf(const Record& record) const
{
    const FieldValue* value = m_pictureField ? record.value(m_pictureField) : nullptr;
    const qint64 number = value ? value->integer() : 0;
    if (number <= 0) {
        return m_recordIcon;
    }
    if (const auto found = m_thumbnails.constFind(number); found != m_thumbnails.constEnd()) {
        return *found;
    }
    const ImagePtr picture = ImageCache::sharedIstance().getImage(Paths::imageFile(m_packageName, number));
    QIcon icon = m_recordIcon;
    if (picture && !picture->isNull()) {
        icon = QIcon(QPixmap::fromImage(toQImage(*picture).scaled(
            kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    m_thumbnails.insert(number, icon);
    return icon;
}

} // namespace dossiva
