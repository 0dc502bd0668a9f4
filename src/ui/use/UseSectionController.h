#pragma once

#include "platform/NotificationCenter.h"
#include "ui/app/SectionController.h"

#include <QObject>
#include <QPointer>

namespace dossiva {

class SectionDelegate;
class WelcomeView;

// The Use section: the records of the open database.
class UseSectionController final : public QObject, public SectionController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UseSectionController)
public:
    explicit UseSectionController(SectionDelegate& delegate, QObject* parent = nullptr);
    ~UseSectionController() override;

    QWidget* view() override { return m_view; }
    // The welcome text for the open database, or for none.
    QString welcomeText() const;

private:
    void manageWelcome();

    SectionDelegate& m_delegate;
    QPointer<QWidget> m_view;
    WelcomeView* m_welcome;
    ObserverToken m_observer;
};

} // namespace dossiva
