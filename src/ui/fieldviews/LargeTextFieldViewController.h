#pragma once

#include "ui/fieldviews/FieldViewController.h"

class QPlainTextEdit;

namespace dossiva {

class GrowHandle;
class LargeTextFieldDelegate;

// A large text field (type 2): several lines in a scrolling text area, and a
// grow handle the user drags to make the field taller or shorter. The text
// area never gets lower than the core's floor; the form follows each step
// of a drag, and the section stores the field's height when it ends.
class LargeTextFieldViewController final : public FieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LargeTextFieldViewController)
public:
    explicit LargeTextFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);
    ~LargeTextFieldViewController() override;

    QWidget* textView() const override;
    void setText(const std::string& text) override;
    std::string text() const override;
    void save() override;

    // The height of the whole field view, as its structure keeps it.
    void setOverallFieldHeight(int height);
    int overallFieldHeight() const;
    void setInterfaceChangesDelegate(LargeTextFieldDelegate* delegate) { m_interfaceDelegate = delegate; }
    // The text area's own height.
    int fieldHeight() const { return m_textHeight; }
    // Keeps the field's height while printing stretches it to its text.
    void saveFieldHeight() { m_savedHeight = overallFieldHeight(); }
    int savedFieldHeight() const { return m_savedHeight; }
    // The text area height that shows the whole text at the area's width.
    int wholeTextHeight() const;

private:
    void fitHeight() override;
    void setTextHeight(int height);
    // One step of a drag; the change made.
    int grow(int requested);
    void finishGrowing();
    void startTyping();
    void finishTyping();
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Plain text: megabytes pasted are held as lines, never laid out as rich
    // text.
    QPlainTextEdit* m_textArea;
    GrowHandle* m_handle;
    LargeTextFieldDelegate* m_interfaceDelegate = nullptr;
    std::string m_committedText;
    int m_textHeight = 0;
    int m_savedHeight = 0;
    int m_heightBeforeDrag = 0;
    bool m_typing = false;
};

} // namespace dossiva
