#pragma once

#include "ui/define/StructureFieldViewController.h"

namespace dossiva {

// The editor of a checkbox field (type 16): the name and the caption shown
// beside the box in the record form, typed like the name.
class CheckboxFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckboxFieldStructureViewController)
public:
    CheckboxFieldStructureViewController();

    QString caption() const;
    // Without counting as a change.
    void setCaption(const QString& caption);
    PropertyList structure() const override;
    QLineEdit* captionText() const { return m_captionText; }

protected:
    void showStructure(const PropertyList& structure) override;

private:
    QLineEdit* m_captionText;
};

} // namespace dossiva
