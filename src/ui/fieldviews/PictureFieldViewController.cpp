#include "ui/fieldviews/PictureFieldViewController.h"

#include "fields/PictureScaling.h"
#include "platform/FileManager.h"
#include "platform/FilePanels.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

namespace dossiva {

namespace {

// The well shows a picture whole, at most this large.
constexpr int kWellWidth = 240;
constexpr int kWellHeight = 180;

QPixmap toPixmap(const Image& image)
{
    const QImage view(image.rgba().data(), image.width(), image.height(), image.width() * 4,
                      QImage::Format_RGBA8888);
    QPixmap pixmap = QPixmap::fromImage(view);
    if (pixmap.width() > kWellWidth || pixmap.height() > kWellHeight) {
        pixmap = pixmap.scaled(kWellWidth, kWellHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return pixmap;
}

} // namespace

PictureFieldViewController::PictureFieldViewController(const FieldViewContext& context, QWidget* parent)
    : FieldViewController(FieldType::Image, context, parent), m_well(new QLabel(m_view)),
      m_menu(new QMenu(QStringLiteral("Contextual Menu"), m_view))
{
    auto* row = new QHBoxLayout(m_view);
    row->setContentsMargins(0, 3, 12, 3);
    QLabel* label = makeLabel();
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    row->addWidget(label, 0, Qt::AlignTop);
    row->addWidget(m_well, 0, Qt::AlignLeft);
    row->addStretch(1);

    m_well->setObjectName(QStringLiteral("well"));
    m_well->setFixedSize(kWellWidth, kWellHeight);
    m_well->setAlignment(Qt::AlignCenter);
    m_well->setFrameShape(QFrame::StyledPanel);
    m_well->setCursor(Qt::PointingHandCursor);
    m_well->setFocusPolicy(Qt::NoFocus);
    m_well->installEventFilter(this);

    m_openAction =
        m_menu->addAction(QStringLiteral("Open Image"), this, &PictureFieldViewController::openImage);
    m_menu->addAction(QStringLiteral("Change Image"), this, &PictureFieldViewController::changeImage);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Delete Image"), this, &PictureFieldViewController::deleteImage);
    showImage();
    fitHeight();
}

PictureFieldViewController::~PictureFieldViewController() = default;

void PictureFieldViewController::setImage(ImagePtr image)
{
    m_image = std::move(image);
    showImage();
    setEdited(false);
}

FieldSnapshot PictureFieldViewController::shownObject() const
{
    return m_image ? FieldSnapshot(m_image) : FieldSnapshot();
}

void PictureFieldViewController::restore(const FieldSnapshot& snapshot)
{
    const auto* image = std::get_if<ImagePtr>(&snapshot);
    setImage(image != nullptr ? *image : nullptr);
}

void PictureFieldViewController::clicked(const QPoint& where)
{
    if (!m_image) {
        changeImage();
        return;
    }
    // A picture chosen but not yet written has no file to open.
    m_openAction->setEnabled(!m_path.empty() && FileManager::isRegularFile(m_path));
    m_menu->popup(m_well->mapToGlobal(where));
}

void PictureFieldViewController::openImage()
{
    if (m_path.empty() || !context().openUrl) {
        return;
    }
    context().openUrl(
        QUrl::fromLocalFile(QString::fromStdString(m_path)).toString(QUrl::FullyEncoded).toStdString());
}

void PictureFieldViewController::changeImage()
{
    if (context().panels == nullptr) {
        return;
    }
    const auto path = context().panels->runOpenPanel({{"tiff", "png", "jpg", "jpeg", "tif"}, ""});
    if (!path) {
        return;
    }
    // The content decides, whatever the name's letter case or extension.
    auto read = PictureScaling::readForRecord(*path);
    if (!read.picture) {
        inform(PictureScaling::kRefusalTitle, PictureScaling::refusalMessage(*path, read));
        return;
    }
    replaceImage(std::make_shared<const Image>(std::move(*read.picture)));
}

void PictureFieldViewController::deleteImage()
{
    replaceImage(nullptr);
}

void PictureFieldViewController::replaceImage(ImagePtr image)
{
    beginEdit(shownObject());
    m_image = std::move(image);
    showImage();
    endEdit();
}

void PictureFieldViewController::showImage()
{
    if (m_image && !m_image->isNull()) {
        m_well->setPixmap(toPixmap(*m_image));
        m_well->setToolTip(tr("Click to open, change or delete the picture"));
    } else {
        m_well->setPixmap(QPixmap());
        m_well->setText(tr("Click to choose a picture"));
        m_well->setToolTip(QString());
    }
}

bool PictureFieldViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_well && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        clicked(static_cast<QMouseEvent*>(event)->position().toPoint());
        return true;
    }
    return FieldViewController::eventFilter(watched, event);
}

} // namespace dossiva
