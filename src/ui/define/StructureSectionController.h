#pragma once

#include "platform/NotificationCenter.h"
#include "ui/app/SectionController.h"

#include <QObject>
#include <QPointer>

namespace dossiva {

class WelcomeView;

// The Define section: the fields of the open database.
class StructureSectionController final : public QObject, public SectionController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StructureSectionController)
public:
    explicit StructureSectionController(QObject* parent = nullptr);
    ~StructureSectionController() override;

    QWidget* view() override { return m_view; }
    QString welcomeText() const;

private:
    void manageWelcome();

    QPointer<QWidget> m_view;
    WelcomeView* m_welcome;
    ObserverToken m_observer;
};

} // namespace dossiva
