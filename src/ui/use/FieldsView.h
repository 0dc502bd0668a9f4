#pragma once

#include "platform/Image.h"
#include "ui/fieldviews/FieldViewDelegate.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

class QScrollArea;

namespace dossiva {

class FieldViewController;

// The record form: the field views of the open database stacked from the
// top in form order, below a margin of 12 points, on white and the form's
// tiled background picture. It grows with its fields and always fills the
// visible part of its scroll area. A picture file or a colour dropped on it
// is offered as the new background.
class FieldsView final : public QWidget, public LargeTextFieldDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FieldsView)
public:
    static constexpr int kTopMargin = 12;

    explicit FieldsView(QScrollArea* scrollArea);

    // Stacks these views, replacing all others; none empties the form.
    void setArray(const std::vector<FieldViewController*>& views);
    // Stacks the same views again (their heights may have changed).
    void restack();
    const std::vector<FieldViewController*>& views() const { return m_views; }
    // The heights of the views stacked, without the top margin.
    int totalHeight() const { return m_totalHeight; }

    void setBackground(ImagePtr picture);
    ImagePtr background() const { return m_background; }
    // Printing draws the background picture only when asked to.
    void setBackgroundForPrint(bool drawPicture);
    void setNormalBackground();

    // The label column follows the form's width.
    std::function<void()> widthChanged;
    // A picture file or a colour dropped on the form.
    std::function<void(const QString& path)> pictureDropped;
    std::function<void(const QColor& color)> colorDropped;

    void largeTextFieldDidGrow(FieldViewController& view, int delta) override;

    // Whether a dropped file may become the background: the picture types
    // the file panel offers, in any letter case.
    static bool isBackgroundFile(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static int heightOf(const FieldViewController& view);
    void placeViews();
    void fitHeight();

    QScrollArea* m_scrollArea;
    std::vector<FieldViewController*> m_views;
    int m_totalHeight = 0;
    ImagePtr m_background;
    QImage m_tile;
    bool m_printing = false;
    bool m_printBackground = false;
    int m_lastWidth = -1;
};

} // namespace dossiva
