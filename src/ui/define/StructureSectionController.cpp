#include "ui/define/StructureSectionController.h"

#include "platform/FileManager.h"
#include "storage/DBManager.h"
#include "ui/widgets/WelcomeView.h"

#include <QVBoxLayout>

namespace dossiva {

StructureSectionController::StructureSectionController(QObject* parent)
    : QObject(parent), m_view(new QWidget), m_welcome(new WelcomeView({}, {}, m_view))
{
    m_view->setObjectName(QStringLiteral("DefineSection"));
    auto* layout = new QVBoxLayout(m_view);
    layout->addWidget(m_welcome);
    m_observer = NotificationCenter::defaultCenter().observe<NoPayload>(
        kDBChangedNotification, nullptr, [this](const NoPayload&, const void*) { manageWelcome(); });
    manageWelcome();
}

StructureSectionController::~StructureSectionController()
{
    delete m_view;
}

QString StructureSectionController::welcomeText() const
{
    const std::string& name = DBManager::sharedIstance().dbName();
    if (name.empty()) {
        return QStringLiteral("There is no database opened.\n\nPlease go to Open section to open or create a "
                              "database, then come back "
                              "here to define its fields.");
    }
    return QStringLiteral(
               "Define the fields of \"%1\".\n\nAdd fields from the palette, name them, set their options "
               "and arrange them in the order the form shows them.")
        .arg(QString::fromStdString(FileManager::deletingPathExtension(name)));
}

void StructureSectionController::manageWelcome()
{
    m_welcome->setText({}, welcomeText());
}

} // namespace dossiva
