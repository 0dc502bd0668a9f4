#pragma once

#include "ui/fieldviews/FieldViewController.h"

class QHBoxLayout;
class QLineEdit;

namespace dossiva {

// A field whose value is one line of text. An edit runs from the user's
// first key to Return or the focus leaving; the text typed so far is the
// value the section stores when it commits the field before a command.
class OneLineFieldViewController : public FieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OneLineFieldViewController)
public:
    QWidget* textView() const override;
    void setText(const std::string& text) override;
    std::string text() const override;
    void save() override;

protected:
    OneLineFieldViewController(int type, const FieldViewContext& context, QWidget* parent);

    QLineEdit* textField() const { return m_textField; }
    // The row of the label and the text field, for controls after them.
    QHBoxLayout* row() const { return m_row; }
    // The text as typed, whatever the stored value.
    std::string typedText() const;

    bool typing() const { return m_typing; }
    void stopTyping() { m_typing = false; }
    // The text as last loaded or stored: what an edit's undo puts back.
    const std::string& committedText() const { return m_committedText; }
    // Shows a text without it counting as typed.
    void showText(const std::string& text);

    // Return, or the focus leaving, after the user typed: the delegate
    // stores the record.
    virtual void finishTyping();
    // The text shown changed, typed or loaded.
    virtual void textShown() {}

private:
    void startTyping();

    QHBoxLayout* m_row;
    QLineEdit* m_textField;
    std::string m_committedText;
    bool m_typing = false;
};

} // namespace dossiva
