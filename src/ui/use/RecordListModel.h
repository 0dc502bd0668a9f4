#pragma once

#include "fields/FieldModel.h"

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>

#include <string>
#include <vector>

namespace dossiva {

class ShownRecords;

// The record list of the Use section, over the records it shows: one row
// per record, with its title (the main field) and its picture (the record's
// picture in the first picture field of the form, or the record icon).
// Pictures are read only for the rows on screen, and kept small.
class RecordListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordListModel)
public:
    static constexpr int kThumbnailSide = 32;

    explicit RecordListModel(QObject* parent = nullptr);

    // The records and the database they belong to; the model follows the
    // list it is given until told otherwise.
    void setRecords(const ShownRecords* records, const std::vector<FieldDefinition>& structure,
                    const std::string& packageName);
    // The shown list was filtered, sorted or made again.
    void reload();
    // A shown record's values changed.
    void recordChanged(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QIcon pictureOf(const Record& record) const;

    const ShownRecords* m_records = nullptr;
    std::string m_packageName;
    FieldId m_pictureField = 0; // 0 when the form has no picture field
    QIcon m_recordIcon;
    mutable QHash<qint64, QIcon> m_thumbnails; // by picture number
};

} // namespace dossiva
