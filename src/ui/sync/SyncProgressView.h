#pragma once

#include <QWidget>

#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace dossiva {

// What a running session is doing: its title line over a running bar, and
// the Stop button.
class SyncProgressView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SyncProgressView)
public:
    explicit SyncProgressView(QWidget* parent = nullptr);

    void setTitle(const std::string& title);
    QString title() const;
    QPushButton* stopButton() const { return m_stop; }

signals:
    void stopPressed();

private:
    QLabel* m_title;
    QProgressBar* m_bar;
    QPushButton* m_stop;
};

} // namespace dossiva
