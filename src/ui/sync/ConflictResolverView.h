#pragma once

#include "sync/ConflictResolver.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace dossiva {

class ConflictCopyBox;

// The databases whose structures differ, one page each: the copy of this
// computer beside the iPhone's, the one selected is kept.
class ConflictResolverView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConflictResolverView)
public:
    explicit ConflictResolverView(QWidget* parent = nullptr);

    void showPage(const ConflictPage& page);

    QLabel* titleLabel() const { return m_title; }
    QLabel* counterLabel() const { return m_counter; }
    ConflictCopyBox* macBox() const { return m_mac; }
    ConflictCopyBox* phoneBox() const { return m_phone; }
    QPushButton* previousButton() const { return m_previous; }
    QPushButton* nextButton() const { return m_next; }

signals:
    void macSelected();
    void phoneSelected();
    void previousPressed();
    void nextPressed();

private:
    QLabel* m_title;
    QLabel* m_counter;
    ConflictCopyBox* m_mac;
    ConflictCopyBox* m_phone;
    QPushButton* m_previous;
    QPushButton* m_next;
};

} // namespace dossiva
