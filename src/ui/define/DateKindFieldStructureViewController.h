#pragma once

#include "ui/define/StructureFieldViewController.h"

class QCheckBox;

namespace dossiva {

// The editor of the date types (date, time, date and time): the name and
// whether the record form shows a button that sets the field to now.
class DateKindFieldStructureViewController : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DateKindFieldStructureViewController)
public:
    bool showNowButton() const;
    // Without counting as a change.
    void setShowNowButton(bool shown);
    PropertyList structure() const override;
    QCheckBox* showNowBox() const { return m_showNow; }

protected:
    explicit DateKindFieldStructureViewController(int type);
    void showStructure(const PropertyList& structure) override;

private:
    QCheckBox* m_showNow;
};

} // namespace dossiva
