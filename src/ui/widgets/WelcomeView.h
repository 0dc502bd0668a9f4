#pragma once

#include <QWidget>

class QLabel;

namespace dossiva {

// A calm, centred message that fills a section with nothing to show yet.
class WelcomeView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WelcomeView)
public:
    WelcomeView(const QString& title, const QString& text, QWidget* parent = nullptr);
    void setText(const QString& title, const QString& text);

private:
    QLabel* m_title;
    QLabel* m_text;
};

} // namespace dossiva
