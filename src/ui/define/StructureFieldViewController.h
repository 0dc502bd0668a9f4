#pragma once

#include "records/DefineHistory.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <Qt>

#include <functional>
#include <memory>

class QHBoxLayout;
class QPoint;
class QLabel;
class QLineEdit;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace dossiva {

class FocusRingView;
class StructureFieldViewControllerDelegate;

// The editor of one field in the Define section: a framed panel whose
// header shows the type's icon, the field's name, a disclosure button that
// collapses the panel to its header and a button that removes the field;
// below it the name for editing and the type's options. Every change is
// announced to the delegate, which keeps the undo step and stores it:
// typing a name begins a change that ends with the editing, an option
// change begins and ends at once. Loading a field never counts as a change.
class StructureFieldViewController : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StructureFieldViewController)
public:
    ~StructureFieldViewController() override;

    // The panel placed in the stack.
    QWidget* view() const;
    int type() const { return m_type; }
    FieldId fieldId() const { return m_stored.id; }
    void setID(FieldId id) { m_stored.id = id; }
    void setDelegate(StructureFieldViewControllerDelegate* delegate) { m_delegate = delegate; }

    // Edited while the count is above zero; setEdited(false) never takes it
    // below zero.
    bool edited() const { return m_edited > 0; }
    void setEdited(bool edited);

    // The name as typed.
    virtual QString title() const;
    // Shows a name, ending any typing of it, without counting as a change.
    virtual void setTitle(const QString& title);
    // The field as last stored: what undo puts back while a change is on
    // its way.
    const FieldState& object() const { return m_stored; }
    // Shows a field's name and options as stored, without counting as a
    // change.
    void setObject(const FieldState& state);
    // The options to store, built from the controls; a type without
    // options keeps what its field has.
    virtual PropertyList structure() const;
    // The section stored the editor: it is no longer edited, and what it
    // shows is what the field has.
    void save();

    bool collapsed() const { return m_collapsed; }
    void setCollapsed(bool collapsed);
    bool isHighlighted() const;
    // The main field and a field of an unknown type stay: no remove button.
    void disableRemoveButton();
    bool isRemovable() const { return m_removable; }

    // The controls every editor has (tests press them as a user does).
    QLineEdit* titleText() const { return m_titleText; }
    QLabel* titleLabel() const { return m_titleLabel; }
    QToolButton* disclosureButton() const { return m_disclosure; }
    QToolButton* removeButton() const { return m_abort; }

signals:
    // The panel is to change height: the stack lays the editors out again.
    void collapsedChanged();

protected:
    // hasName is false for the separator, whose title is a fixed label.
    StructureFieldViewController(int type, bool hasName = true);

    // Where the type's option controls go, below the name.
    QVBoxLayout* optionsLayout() const { return m_options; }
    // A control with its caption before it, the captions of an editor in
    // one column; a tall control (a list) has its caption at its top.
    static QHBoxLayout* captionedRow(const QString& caption, QWidget* control,
                                     Qt::Alignment captionAlignment = Qt::AlignVCenter);
    // Shows the options of a stored structure without counting as a change.
    virtual void showStructure(const PropertyList& structure);
    // A change of options by the user: the delegate keeps the state before
    // it, the change is made, and the delegate stores it.
    void change(const std::function<void()>& edit);
    // A change that goes on until endEdit (typing a text).
    void beginEdit();
    void endEdit();
    // Connects a text the user types into as a change of the editor: it
    // begins with the first key and ends with the editing.
    void followTyping(QLineEdit* field, const std::function<void(const QString&)>& typed = {});
    StructureFieldViewControllerDelegate* delegate() const { return m_delegate; }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader(bool hasName);
    // The remove button, or Delete on the header: the delegate asks and
    // removes the field.
    void removeButtonPressed();
    // The header's menu: move up, move down, delete.
    void showHeaderMenu(const QPoint& globalPos);
    void updateTitleLabels(const QString& title);

    int m_type;
    int m_edited = 0;
    bool m_collapsed = false;
    bool m_removable = true;
    FieldState m_stored;
    StructureFieldViewControllerDelegate* m_delegate = nullptr;
    QPointer<FocusRingView> m_frame;
    QWidget* m_body = nullptr;
    QVBoxLayout* m_options = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLineEdit* m_titleText = nullptr;
    QToolButton* m_disclosure = nullptr;
    QToolButton* m_abort = nullptr;
};

// The editor of a field type; a separator without remove button for a type
// this program does not know.
std::unique_ptr<StructureFieldViewController> makeStructureEditor(int type);

} // namespace dossiva
