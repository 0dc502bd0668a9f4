#pragma once

#include "platform/DateFormat.h"
#include "ui/fieldviews/FieldViewController.h"

#include <cstdint>
#include <optional>

class QVBoxLayout;

namespace dossiva {

// The last view of the record form (type 12, id "-1"): when the record was
// created and last modified, in the local zone and locale, read-only.
class CreatedModifiedDateFieldViewController final : public FieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CreatedModifiedDateFieldViewController)
public:
    explicit CreatedModifiedDateFieldViewController(const FieldViewContext& context,
                                                    QWidget* parent = nullptr);

    // Each a moment, or nullopt for none (a record never modified).
    void setCreatedDate(std::optional<std::int64_t> seconds);
    void setModifiedDate(std::optional<std::int64_t> seconds);

private:
    QLabel* addRow(QVBoxLayout* rows, const QString& title);

    DateFormat m_format;
    QLabel* m_created;
    QLabel* m_modified;
};

} // namespace dossiva
