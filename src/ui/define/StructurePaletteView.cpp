#include "ui/define/StructurePaletteView.h"

#include "fields/FieldTypes.h"
#include "ui/define/StructureFieldsView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace dossiva {

namespace {

constexpr int kPositionRole = Qt::UserRole;
constexpr int kPaletteSize = 14;

} // namespace

StructurePaletteView::StructurePaletteView(QWidget* parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("palette"));
    setIconSize(QSize(24, 24));
    setSpacing(2);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
    setToolTip(tr("Drag a field type into the form, or double-click it to add it at the end"));
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit typeChosen(palettePosition(item)); });
    for (int position = 0; position < kPaletteSize; ++position) {
        const std::optional<int> code = FieldTypes::codeForPalettePosition(position);
        const FieldTypeInfo* info = code ? FieldTypes::info(*code) : nullptr;
        if (info == nullptr) {
            continue;
        }
        auto* item = new QListWidgetItem(
            QIcon(QStringLiteral(":/icons/fields/%1.svg").arg(QString::fromUtf8(info->iconName))),
            QString::fromUtf8(info->paletteTitle), this);
        item->setData(kPositionRole, position);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
}

int StructurePaletteView::palettePosition(const QListWidgetItem* item)
{
    return item ? item->data(kPositionRole).toInt() : -1;
}

QPixmap StructurePaletteView::dragImage(const QListWidgetItem* item) const
{
    const QRect row = visualItemRect(item);
    QPixmap image(row.size());
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setOpacity(0.75);
    painter.fillRect(image.rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    painter.drawPixmap(6, (row.height() - iconSize().height()) / 2, item->icon().pixmap(iconSize()));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(image.rect().adjusted(iconSize().width() + 12, 0, 0, 0), Qt::AlignVCenter, item->text());
    return image;
}

void StructurePaletteView::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem() != nullptr) {
        emit typeChosen(palettePosition(currentItem()));
        return;
    }
    QListWidget::keyPressEvent(event);
}

void StructurePaletteView::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    m_pressPoint = event->position().toPoint();
    m_pressedItem = event->button() == Qt::LeftButton ? itemAt(m_pressPoint) : nullptr;
    m_dragging = false;
}

void StructurePaletteView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressedItem == nullptr || !(event->buttons() & Qt::LeftButton) || !m_stack) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    if (!m_dragging) {
        if ((event->position().toPoint() - m_pressPoint).manhattanLength() <
            QApplication::startDragDistance()) {
            return;
        }
        m_dragging = true;
        m_stack->beginDrag({palettePosition(m_pressedItem), nullptr, dragImage(m_pressedItem),
                            m_pressPoint - visualItemRect(m_pressedItem).topLeft()});
    }
    m_stack->dragMoved(global);
}

void StructurePaletteView::mouseReleaseEvent(QMouseEvent* event)
{
    const bool dropped = m_dragging;
    m_dragging = false;
    m_pressedItem = nullptr;
    if (dropped && m_stack) {
        m_stack->dragEnded(event->globalPosition().toPoint());
        return;
    }
    QListWidget::mouseReleaseEvent(event);
}

} // namespace dossiva
