#include "ui/fieldviews/LargeTextFieldViewController.h"

#include "fields/LargeTextHeight.h"
#include "ui/fieldviews/FieldViewDelegate.h"
#include "ui/fieldviews/GrowHandle.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace dossiva {

namespace {

constexpr int kTopMargin = 3;
constexpr int kBottomMargin = 3;
constexpr int kHandleHeight = 10;
// What the field view adds to its text area's height.
constexpr int kChrome = kTopMargin + kBottomMargin + kHandleHeight;

} // namespace

LargeTextFieldViewController::LargeTextFieldViewController(const FieldViewContext& context, QWidget* parent)
    : FieldViewController(FieldType::LargeText, context, parent), m_textArea(new QPlainTextEdit(m_view)),
      m_handle(new GrowHandle([this](int requested) { return grow(requested); },
                              [this] { m_heightBeforeDrag = overallFieldHeight(); },
                              [this] { finishGrowing(); }, m_view))
{
    auto* row = new QHBoxLayout(m_view);
    row->setContentsMargins(0, kTopMargin, 12, kBottomMargin);
    QLabel* label = makeLabel();
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    row->addWidget(label, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    column->addWidget(m_textArea);
    column->addWidget(m_handle, 0, Qt::AlignRight);
    row->addLayout(column, 1);

    // Tab goes on through the form's fields, as in every other field.
    m_textArea->setTabChangesFocus(true);
    addValueWidget(m_textArea);
    m_textArea->installEventFilter(this);
    // Loading blocks the area's signals, so a change is the user's.
    connect(m_textArea, &QPlainTextEdit::textChanged, this, &LargeTextFieldViewController::startTyping);
    setTextHeight(LargeTextHeight::kMinimumTextHeight);
}

LargeTextFieldViewController::~LargeTextFieldViewController() = default;

QWidget* LargeTextFieldViewController::textView() const
{
    return m_textArea;
}

void LargeTextFieldViewController::setText(const std::string& text)
{
    m_typing = false;
    m_committedText = text;
    {
        const QSignalBlocker blocker(m_textArea);
        m_textArea->setPlainText(QString::fromStdString(text));
    }
    setEdited(false);
}

std::string LargeTextFieldViewController::text() const
{
    return m_textArea->toPlainText().toStdString();
}

void LargeTextFieldViewController::save()
{
    m_typing = false;
    m_committedText = text();
    FieldViewController::save();
}

void LargeTextFieldViewController::setOverallFieldHeight(int height)
{
    setTextHeight(std::max(LargeTextHeight::kMinimumTextHeight, height - kChrome));
}

int LargeTextFieldViewController::overallFieldHeight() const
{
    return m_textHeight + kChrome;
}

int LargeTextFieldViewController::wholeTextHeight() const
{
    // A copy laid out at the area's width: the area's own layout counts
    // lines, not points.
    QTextDocument document;
    document.setDefaultFont(m_textArea->font());
    document.setDocumentMargin(m_textArea->document()->documentMargin());
    document.setPlainText(m_textArea->toPlainText());
    document.setTextWidth(m_textArea->viewport()->width());
    const int needed = static_cast<int>(std::ceil(document.size().height())) + 2 * m_textArea->frameWidth();
    return std::max(LargeTextHeight::kMinimumTextHeight, needed);
}

void LargeTextFieldViewController::fitHeight()
{
    m_view->setFixedHeight(overallFieldHeight());
}

void LargeTextFieldViewController::setTextHeight(int height)
{
    m_textHeight = height;
    m_textArea->setFixedHeight(height);
    fitHeight();
}

int LargeTextFieldViewController::grow(int requested)
{
    const int change = LargeTextHeight::allowedChange(m_textHeight, requested);
    if (change == 0) {
        return 0;
    }
    setTextHeight(m_textHeight + change);
    if (m_interfaceDelegate != nullptr) {
        m_interfaceDelegate->largeTextFieldDidGrow(*this, change);
    }
    return change;
}

void LargeTextFieldViewController::finishGrowing()
{
    if (overallFieldHeight() != m_heightBeforeDrag && delegate() != nullptr) {
        delegate()->largeTextFieldDidGrow(*this);
    }
}

void LargeTextFieldViewController::startTyping()
{
    if (!m_typing) {
        m_typing = true;
        beginEdit(m_committedText);
    }
}

void LargeTextFieldViewController::finishTyping()
{
    if (m_typing) {
        m_typing = false;
        endEdit();
    }
}

bool LargeTextFieldViewController::eventFilter(QObject* watched, QEvent* event)
{
    // The edit ends when the area loses the focus, but not to its own
    // context menu.
    if (watched == m_textArea && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        finishTyping();
    }
    return FieldViewController::eventFilter(watched, event);
}

} // namespace dossiva
