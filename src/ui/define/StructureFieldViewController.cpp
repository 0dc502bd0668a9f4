#include "ui/define/StructureFieldViewController.h"

#include "fields/FieldTypes.h"
#include "ui/define/FocusRingView.h"
#include "ui/define/StructureFieldViewControllerDelegate.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace dossiva {

namespace {

constexpr int kIconSize = 18;
constexpr int kCaptionColumn = 64;

QIcon removeIcon()
{
    QIcon icon(QStringLiteral(":/icons/fields/abortNormal.svg"));
    icon.addFile(QStringLiteral(":/icons/fields/abortRollover.svg"), {}, QIcon::Active);
    return icon;
}

} // namespace

StructureFieldViewController::StructureFieldViewController(int type, bool hasName)
    : m_type(type), m_frame(new FocusRingView)
{
    m_stored.type = type;
    auto* column = new QVBoxLayout(m_frame);
    column->setContentsMargins(0, 0, 0, 10);
    column->setSpacing(0);
    column->addWidget(buildHeader(hasName));

    m_body = new QWidget(m_frame);
    auto* body = new QVBoxLayout(m_body);
    body->setContentsMargins(14, 8, 12, 0);
    body->setSpacing(6);
    if (hasName) {
        m_titleText = new QLineEdit(m_body);
        m_titleText->setObjectName(QStringLiteral("titleText"));
        body->addLayout(captionedRow(tr("Name"), m_titleText));
        followTyping(m_titleText, [this](const QString& typed) { updateTitleLabels(typed); });
    }
    m_options = new QVBoxLayout;
    m_options->setSpacing(6);
    body->addLayout(m_options);
    column->addWidget(m_body);
}

QHBoxLayout* StructureFieldViewController::captionedRow(const QString& caption, QWidget* control,
                                                        Qt::Alignment captionAlignment)
{
    auto* label = new QLabel(caption);
    label->setFixedWidth(kCaptionColumn);
    auto* row = new QHBoxLayout;
    row->addWidget(label, 0, captionAlignment);
    row->addWidget(control, 1);
    return row;
}

QWidget* StructureFieldViewController::buildHeader(bool hasName)
{
    auto* header = new QWidget(m_frame);
    header->setFixedHeight(FocusRingView::kHeaderHeight);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](const QPoint& point) { showHeaderMenu(header->mapToGlobal(point)); });
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(6, 0, 3, 0);
    row->setSpacing(6);

    m_disclosure = new QToolButton(header);
    m_disclosure->setObjectName(QStringLiteral("disclosure"));
    m_disclosure->setAutoRaise(true);
    m_disclosure->setArrowType(Qt::DownArrow);
    m_disclosure->setFixedSize(18, 18);
    m_disclosure->setToolTip(tr("Show or hide the options"));
    connect(m_disclosure, &QToolButton::clicked, this, [this] { setCollapsed(!m_collapsed); });

    m_icon = new QLabel(header);
    const FieldTypeInfo* info = FieldTypes::info(m_type);
    const QString iconName = QString::fromUtf8(info ? info->iconName : "SeparatorField");
    m_icon->setPixmap(
        QIcon(QStringLiteral(":/icons/fields/%1.svg").arg(iconName)).pixmap(kIconSize, kIconSize));

    m_titleLabel = new QLabel(header);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    if (!hasName) {
        // The separator is named by its type, a fixed label.
        m_titleLabel->setText(QString::fromStdString(FieldTypes::title(m_type)));
    }

    m_abort = new QToolButton(header);
    m_abort->setObjectName(QStringLiteral("abort"));
    m_abort->setAutoRaise(true);
    m_abort->setIcon(removeIcon());
    m_abort->setIconSize(QSize(14, 14));
    m_abort->setFixedSize(22, 22);
    m_abort->setToolTip(tr("Remove this field"));
    connect(m_abort, &QToolButton::clicked, this, [this] { removeButtonPressed(); });
    connect(m_frame, &FocusRingView::deleteRequested, this, [this] { removeButtonPressed(); });
    connect(m_frame, &FocusRingView::moveRequested, this, [this](int step) {
        if (m_delegate != nullptr) {
            m_delegate->stepView(*this, step);
        }
    });

    row->addWidget(m_disclosure);
    row->addWidget(m_icon);
    row->addWidget(m_titleLabel, 1);
    row->addWidget(m_abort);
    return header;
}

void StructureFieldViewController::showHeaderMenu(const QPoint& globalPos)
{
    if (m_delegate == nullptr) {
        return;
    }
    // What the header's drag and keys do, for those who look for it here.
    QMenu menu;
    QAction* up = menu.addAction(tr("Move Up"));
    up->setShortcut(QKeySequence(Qt::AltModifier | Qt::Key_Up));
    up->setEnabled(m_delegate->canStepView(*this, -1));
    QAction* down = menu.addAction(tr("Move Down"));
    down->setShortcut(QKeySequence(Qt::AltModifier | Qt::Key_Down));
    down->setEnabled(m_delegate->canStepView(*this, 1));
    menu.addSeparator();
    QAction* remove = menu.addAction(tr("Delete Field…"));
    remove->setShortcut(QKeySequence::Delete);
    remove->setEnabled(m_removable);
    m_frame->setFocus(Qt::PopupFocusReason);
    const QAction* chosen = menu.exec(globalPos);
    if (chosen == up || chosen == down) {
        m_delegate->stepView(*this, chosen == up ? -1 : 1);
    } else if (chosen == remove) {
        removeButtonPressed();
    }
}

void StructureFieldViewController::removeButtonPressed()
{
    if (m_removable && m_delegate != nullptr) {
        m_delegate->removeView(*this);
    }
}

StructureFieldViewController::~StructureFieldViewController()
{
    if (m_frame) {
        // A focused name field reports the end of its editing while it is
        // destroyed; nothing may call back into an editor that is going.
        m_frame->blockSignals(true);
        for (QObject* child : m_frame->findChildren<QObject*>()) {
            child->blockSignals(true);
        }
        delete m_frame.data();
    }
}

QWidget* StructureFieldViewController::view() const
{
    return m_frame;
}

void StructureFieldViewController::setEdited(bool edited)
{
    if (edited) {
        ++m_edited;
    } else if (m_edited > 0) {
        --m_edited;
    }
}

QString StructureFieldViewController::title() const
{
    return m_titleText ? m_titleText->text() : QString::fromStdString(m_stored.label);
}

void StructureFieldViewController::setTitle(const QString& title)
{
    if (m_titleText != nullptr) {
        m_titleText->setText(title);
        m_titleText->setCursorPosition(0);
        updateTitleLabels(title);
    }
}

void StructureFieldViewController::updateTitleLabels(const QString& title)
{
    m_titleLabel->setText(title);
}

void StructureFieldViewController::setObject(const FieldState& state)
{
    m_stored = state;
    setTitle(QString::fromStdString(state.label));
    showStructure(state.structure);
    m_edited = 0;
}

PropertyList StructureFieldViewController::structure() const
{
    return m_stored.structure;
}

void StructureFieldViewController::showStructure(const PropertyList&)
{
}

void StructureFieldViewController::save()
{
    setEdited(false);
    m_stored.label = title().toStdString();
    m_stored.structure = structure();
    updateTitleLabels(title());
}

void StructureFieldViewController::setCollapsed(bool collapsed)
{
    if (collapsed == m_collapsed) {
        return;
    }
    m_collapsed = collapsed;
    m_body->setVisible(!collapsed);
    m_frame->setCollapsed(collapsed);
    m_disclosure->setArrowType(collapsed ? Qt::RightArrow : Qt::DownArrow);
    emit collapsedChanged();
}

bool StructureFieldViewController::isHighlighted() const
{
    // The guarded pointer is read once: tested and then read again, the
    // compiler cannot see that the second read is not null either.
    const FocusRingView* frame = m_frame;
    return frame != nullptr && frame->isHighlighted();
}

void StructureFieldViewController::disableRemoveButton()
{
    m_removable = false;
    m_abort->hide();
    if (m_titleText == nullptr) {
        return;
    }
    // The main field: its own header and its name in large bold type.
    m_frame->setMainField(true);
    QFont font = m_titleText->font();
    font.setBold(true);
    font.setPointSize(14);
    m_titleText->setFont(font);
    m_titleLabel->setFont(font);
}

void StructureFieldViewController::change(const std::function<void()>& edit)
{
    beginEdit();
    edit();
    endEdit();
}

void StructureFieldViewController::beginEdit()
{
    if (edited()) {
        return;
    }
    setEdited(true);
    if (m_delegate != nullptr) {
        m_delegate->addToUndoArray(*this);
    }
}

void StructureFieldViewController::endEdit()
{
    if (edited() && m_delegate != nullptr) {
        m_delegate->save();
    }
}

void StructureFieldViewController::followTyping(QLineEdit* field,
                                                const std::function<void(const QString&)>& typed)
{
    connect(field, &QLineEdit::textEdited, this, [this, typed](const QString& text) {
        beginEdit();
        if (typed) {
            typed(text);
        }
    });
    connect(field, &QLineEdit::editingFinished, this, [this] { endEdit(); });
    field->installEventFilter(this);
}

bool StructureFieldViewController::eventFilter(QObject* watched, QEvent* event)
{
    // A text field takes Undo and Redo for its own typing; with none to take
    // back, they undo and redo the section's changes, so that a field just
    // dropped (its name ready to be typed) can be undone from the keyboard.
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field != nullptr && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->matches(QKeySequence::Undo) && !field->isUndoAvailable()) ||
            (key->matches(QKeySequence::Redo) && !field->isRedoAvailable())) {
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace dossiva
