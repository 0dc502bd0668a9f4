#pragma once

#include "ui/fieldviews/FieldViewController.h"

#include <vector>

class QComboBox;

namespace dossiva {

// A choose field (type 8): a pop-up of the field's items and one empty item
// after them, which stands for nothing chosen. It keeps the system's look for
// its text.
class ChooseFieldViewController final : public FieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChooseFieldViewController)
public:
    explicit ChooseFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);

    // The items, followed by the empty item.
    void setPopUpContent(const std::vector<std::string>& items);
    // Selects an item without an edit; a row outside the items selects the
    // empty item.
    void setSelectedRow(int row);

    QWidget* textView() const override;
    // Loads a stored choice: an index in decimal.
    void setText(const std::string& text) override;
    // The chosen index in decimal, "-1" for the empty item.
    std::string text() const override;

protected:
    // The index as a number, the empty item counting as its own.
    FieldSnapshot shownObject() const override;
    void restore(const FieldSnapshot& snapshot) override;

private:
    void chosen(int index);
    void selectStored(std::int64_t row);
    int emptyRow() const;

    QComboBox* m_popUp;
    int m_selection = -1; // the row shown before the user's choice
};

} // namespace dossiva
