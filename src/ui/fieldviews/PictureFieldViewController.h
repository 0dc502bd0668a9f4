#pragma once

#include "ui/fieldviews/FieldViewController.h"

class QAction;
class QMenu;

namespace dossiva {

// A picture field (type 7): the record's picture in a well. A click on an
// empty well chooses a picture; a click on a picture offers to open it,
// change it or delete it. A chosen picture is scaled as the core says
// before it is shown and stored; a file that is no picture, or too large
// a one, is refused with the reason.
class PictureFieldViewController final : public FieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureFieldViewController)
public:
    explicit PictureFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);
    ~PictureFieldViewController() override;

    // The file of the record's picture, which "Open Image" opens.
    void setPath(const std::string& path) { m_path = path; }
    // Loads the record's picture, or none, without an edit.
    void setImage(ImagePtr image);
    ImagePtr image() const { return m_image; }

protected:
    FieldSnapshot shownObject() const override;
    void restore(const FieldSnapshot& snapshot) override;

private:
    void clicked(const QPoint& where);
    void openImage();
    void changeImage();
    void deleteImage();
    // The user's new picture (or none): an edit, stored at once.
    void replaceImage(ImagePtr image);
    void showImage();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QLabel* m_well;
    QMenu* m_menu;
    QAction* m_openAction;
    ImagePtr m_image;
    std::string m_path;
};

} // namespace dossiva
