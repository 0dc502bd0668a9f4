#include "ui/use/UseSectionController.h"

#include "platform/FileManager.h"
#include "storage/DBManager.h"
#include "ui/app/SectionDelegate.h"
#include "ui/widgets/WelcomeView.h"

#include <QVBoxLayout>

namespace dossiva {

UseSectionController::UseSectionController(SectionDelegate& delegate, QObject* parent)
    : QObject(parent), m_delegate(delegate), m_view(new QWidget), m_welcome(new WelcomeView({}, {}, m_view))
{
    m_view->setObjectName(QStringLiteral("UseSection"));
    auto* layout = new QVBoxLayout(m_view);
    layout->addWidget(m_welcome);
    m_observer = NotificationCenter::defaultCenter().observe<NoPayload>(
        kDBChangedNotification, nullptr, [this](const NoPayload&, const void*) { manageWelcome(); });
    manageWelcome();
}

UseSectionController::~UseSectionController()
{
    delete m_view;
}

QString UseSectionController::welcomeText() const
{
    const std::string& name = DBManager::sharedIstance().dbName();
    if (name.empty()) {
        return QStringLiteral(
            "There is no database opened.\n\nPlease go to Open section to open or create a database.");
    }
    return QStringLiteral(
               "Welcome to database \"%1\".\n\nUse the \"+\" button to add records.\nIf you want to modify "
               "database fields go to \"Define\".")
        .arg(QString::fromStdString(FileManager::deletingPathExtension(name)));
}

void UseSectionController::manageWelcome()
{
    m_welcome->setText({}, welcomeText());
    m_delegate.enableAddRecord(!DBManager::sharedIstance().dbName().empty());
    m_delegate.enableEmailRecord(false);
}

} // namespace dossiva
