#include "ui/use/FieldsView.h"

#include "ui/fieldviews/FieldViewController.h"
#include "ui/widgets/UiText.h"

#include <QColor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>

namespace dossiva {

FieldsView::FieldsView(QScrollArea* scrollArea) : QWidget(nullptr), m_scrollArea(scrollArea)
{
    setObjectName(QStringLiteral("RecordForm"));
    setAcceptDrops(true);
    setAutoFillBackground(false);
    m_scrollArea->setWidget(this);
    m_scrollArea->setWidgetResizable(false);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The form follows the scroll area's visible size: as wide, and at
    // least as high.
    m_scrollArea->viewport()->installEventFilter(this);
    fitHeight();
}

int FieldsView::heightOf(const FieldViewController& view)
{
    const QWidget* widget = view.view();
    return widget->minimumHeight() == widget->maximumHeight() ? widget->maximumHeight()
                                                              : widget->sizeHint().height();
}

void FieldsView::setArray(const std::vector<FieldViewController*>& views)
{
    for (FieldViewController* view : m_views) {
        if (std::find(views.begin(), views.end(), view) == views.end() && view->view()->parent() == this) {
            view->view()->hide();
            view->view()->setParent(nullptr);
        }
    }
    m_views = views;
    for (FieldViewController* view : m_views) {
        view->view()->setParent(this);
        view->view()->show();
    }
    restack();
}

void FieldsView::restack()
{
    m_totalHeight = 0;
    for (const FieldViewController* view : m_views) {
        m_totalHeight += heightOf(*view);
    }
    placeViews();
    fitHeight();
}

void FieldsView::placeViews()
{
    int y = kTopMargin;
    for (FieldViewController* view : m_views) {
        const int height = heightOf(*view);
        view->view()->setGeometry(0, y, width(), height);
        y += height;
    }
}

void FieldsView::fitHeight()
{
    const QSize visible = m_scrollArea->viewport()->size();
    // The whole form, top margin included, can be scrolled into view.
    const int height = std::max(m_totalHeight + kTopMargin, visible.height());
    if (size() != QSize(visible.width(), height)) {
        resize(visible.width(), height);
    }
    if (width() != m_lastWidth) {
        m_lastWidth = width();
        placeViews();
        if (widthChanged) {
            widthChanged();
        }
    }
}

bool FieldsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scrollArea->viewport() && event->type() == QEvent::Resize) {
        fitHeight();
    }
    return QWidget::eventFilter(watched, event);
}

void FieldsView::largeTextFieldDidGrow(FieldViewController& /*view*/, int /*delta*/)
{
    // The grown view has its new height already: the fields below it move
    // by as much, and the form grows with them.
    restack();
}

void FieldsView::setBackground(ImagePtr picture)
{
    m_background = std::move(picture);
    m_tile = m_background ? toQImage(*m_background) : QImage();
    update();
}

void FieldsView::setBackgroundForPrint(bool drawPicture)
{
    m_printing = true;
    m_printBackground = drawPicture;
    update();
}

void FieldsView::setNormalBackground()
{
    m_printing = false;
    update();
}

void FieldsView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (m_tile.isNull() || (m_printing && !m_printBackground)) {
        return;
    }
    // On screen the tiles are anchored at the form's top and scroll with the
    // fields; on paper at the bottom-left corner.
    const QPoint origin = m_printing ? QPoint(0, height() - m_tile.height()) : QPoint(0, 0);
    painter.drawTiledPixmap(rect(), QPixmap::fromImage(m_tile), -origin);
}

bool FieldsView::isBackgroundFile(const QString& path)
{
    static const QStringList kTypes = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                       QStringLiteral("tiff"), QStringLiteral("tif")};
    return kTypes.contains(QFileInfo(path).suffix().toLower());
}

void FieldsView::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (mime->hasColor() ||
        (mime->hasUrls() && !mime->urls().isEmpty() && mime->urls().first().isLocalFile())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void FieldsView::dropEvent(QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (mime->hasUrls() && !mime->urls().isEmpty()) {
        // Only the first file counts.
        const QString path = mime->urls().first().toLocalFile();
        if (!isBackgroundFile(path) || !pictureDropped) {
            event->ignore();
            return;
        }
        event->acceptProposedAction();
        pictureDropped(path);
        return;
    }
    if (mime->hasColor() && colorDropped) {
        event->acceptProposedAction();
        colorDropped(qvariant_cast<QColor>(mime->colorData()));
        return;
    }
    event->ignore();
}

} // namespace dossiva
