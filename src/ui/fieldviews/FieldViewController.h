#pragma once

#include "fields/FieldModel.h"
#include "records/FieldSnapshot.h"
#include "storage/FormLayout.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;

namespace dossiva {

class Alerts;
class FieldViewDelegate;
class FilePanels;

// What the record field views need from the application: its questions
// and file panels, and a way to open an address (a link, an e-mail, a
// picture file) that tests can watch.
struct FieldViewContext {
    Alerts* alerts = nullptr;
    FilePanels* panels = nullptr;
    std::function<void(const std::string& url)> openUrl;
};

// The view of one field in the record form: a label with the field's name
// and the value of the shown record, edited in the way its type allows.
// Values are loaded without counting as an edit; every user edit marks the
// view edited, asks the delegate to keep the old value for undo, and ends
// with the delegate's save. Loading reacts only to values set in code, never
// to the signals a widget sends when its value is set: showing a record is
// not an edit.
class FieldViewController : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FieldViewController)
public:
    ~FieldViewController() override;

    // The widget placed in the form; its height is the field's height.
    QWidget* view() const { return m_view; }
    // The control that takes the keyboard focus for this field, or nullptr
    // for a field that takes none (separator, calculation, picture).
    virtual QWidget* textView() const { return nullptr; }
    // Gives the value control the keyboard focus.
    void setFirstResponder();

    int type() const { return m_type; }
    void setID(const std::string& id) { m_id = id; }
    const std::string& _id() const { return m_id; }
    FieldId fieldId() const;
    void setDelegate(FieldViewDelegate* delegate) { m_delegate = delegate; }
    FieldViewDelegate* delegate() const { return m_delegate; }

    // Edited while the count is above zero; setEdited(false) never takes it
    // below zero.
    bool edited() const { return m_edited > 0; }
    void setEdited(bool edited);

    virtual void setTitle(const QString& title);
    // Loads a value of the record without marking an edit.
    virtual void setText(const std::string& text);
    // The value to store, in the form its type is stored in.
    virtual std::string text() const;
    // The shown value, for undo; setObject() puts one back and marks the
    // view edited.
    virtual FieldSnapshot object() const;
    virtual void setObject(const FieldSnapshot& snapshot);
    // The section has stored the value: no longer edited.
    virtual void save();

    // The form's look (labels and values).
    virtual void setLabelFont(const QFont& font);
    virtual void setTextFont(const QFont& font);
    virtual void setLabelColor(const RGBColor& color);
    virtual void setTextColor(const RGBColor& color);
    virtual void setLabelShadow(bool shadow);
    virtual void setLabelShadowColor(const RGBColor& color);
    virtual void setTextShadow(bool shadow);
    virtual void setTextShadowColor(const RGBColor& color);
    // Widens or narrows the label to the width and moves the value controls
    // by as much.
    virtual void setLabelLenght(int width);

protected:
    FieldViewController(int type, const FieldViewContext& context, QWidget* parent);

    // Called by subclasses when the user starts an edit: marks the view
    // edited and gives the delegate the value before it. Qt reports most
    // edits once the value has changed, so a subclass passes the value it
    // showed before; object() answers it while the delegate asks. An edit
    // not yet stored goes on: it has its undo entry already.
    void beginEdit();
    void beginEdit(const FieldSnapshot& before);
    // Called when the user's edit ends: the delegate stores the record.
    bool endEdit();

    // The shown value, as object() gives it outside an edit's start.
    virtual FieldSnapshot shownObject() const;
    // Shows a snapshot, as loading a value does.
    virtual void restore(const FieldSnapshot& snapshot);

    // Makes the label of the field's name (m_label) in the label column.
    QLabel* makeLabel();
    // Widgets that take the look of the labels or of the values.
    void addLabelWidget(QWidget* widget);
    void addValueWidget(QWidget* widget);
    // Sets the view's height to what its layout needs; called again when
    // fonts change.
    virtual void fitHeight();
    // Tells the user something through the application's alerts.
    void inform(const std::string& title, const std::string& message, const std::string& detail = {}) const;

    const FieldViewContext& context() const { return m_context; }
    QWidget* m_view = nullptr;
    QWidget* m_label = nullptr; // the field's name; subclasses lay it out

private:
    // How one group of widgets (labels or values) is drawn.
    struct Look {
        QList<QPointer<QWidget>> widgets;
        bool shadow = false;
        RGBColor shadowColor;
    };
    static void applyShadow(Look& look);

    int m_type;
    FieldViewContext m_context;
    std::string m_id;
    int m_edited = 0;
    FieldViewDelegate* m_delegate = nullptr;
    std::optional<FieldSnapshot> m_snapshotBeforeEdit;
    QPointer<QWidget> m_ownedView;
    Look m_labelLook;
    Look m_textLook;
};

// The view of a field type (the type codes of the field model); a separator
// for an unknown one.
std::unique_ptr<FieldViewController> makeFieldView(int type, const FieldViewContext& context,
                                                   QWidget* parent = nullptr);

} // namespace dossiva
