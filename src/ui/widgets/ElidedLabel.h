#pragma once

#include <QLabel>

namespace dossiva {

// A one-line text that may be longer than its room: it is cut at its end
// with an ellipsis, never at both ends, and then shows whole in the
// tooltip. The label takes the room its layout gives and never widens the
// window for a long text. A click on it is reported.
class ElidedLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ElidedLabel)
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }
    bool isElided() const { return text() != m_fullText; }

    QSize minimumSizeHint() const override;

signals:
    void clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void elide();

    QString m_fullText;
};

} // namespace dossiva
