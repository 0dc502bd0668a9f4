#include "ui/app/MainController.h"

#include "crypto/ProtectionPassword.h"
#include "platform/Alerts.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/FilePanels.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "ui/app/AppLinks.h"
#include "ui/app/PasswordPanel.h"
#include "ui/csv/ExportCSVWindowController.h"
#include "ui/csv/ImportCSVWindowController.h"
#include "ui/define/StructureSectionController.h"
#include "ui/prefs/PreferencesWindowController.h"
#include "ui/sync/SyncSessionController.h"
#include "ui/use/UseSectionController.h"
#include "ui/widgets/UiText.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace dossiva {

namespace {

constexpr const char* kWindowFrameKey = "MainWindow";

QToolButton* navigationButton(const QString& title, const char* icon, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(title);
    button->setIcon(uiIcon(icon));
    button->setCheckable(true);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(28, 28));
    button->setAutoRaise(true);
    button->setMinimumWidth(64);
    button->setAccessibleName(title);
    return button;
}

} // namespace

MainWindow::MainWindow(MainController& controller) : m_controller(controller)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Dossiva"));
    setWindowIcon(appIcon());
    // The library's list and details side by side, and no more: a window
    // this small still fits a small screen whole.
    setMinimumSize(760, 480);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_controller.applicationShouldTerminate()) {
        event->ignore();
        return;
    }
    m_controller.applicationWillTerminate();
    event->accept();
}

MainController::MainController(Alerts& alerts, FilePanels& panels, QObject* parent)
    : QObject(parent), m_alerts(alerts), m_panels(panels)
{
    m_window = std::make_unique<MainWindow>(*this);
    m_passwordPanel = std::make_unique<PasswordPanel>(alerts, m_window.get());
}

MainController::~MainController()
{
    // A session's workers end before the window they report to.
    m_syncSession.reset();
    // The sections' views belong to the stack; let the sections go first.
    m_openSection.reset();
    m_useSection.reset();
    m_defineSection.reset();
}

// ---------------------------------------------------------------------------
// Launch and quit

void MainController::applicationOpenFile(const std::string& path)
{
    if (m_firstTime) {
        m_fileToOpen = path;
        return;
    }
    openFileFromFinder(path);
}

bool MainController::applicationDidFinishLaunching()
{
    if (ProtectionPassword().isProtected()) {
        m_passwordPanel->lockButton()->blockSignals(true);
        m_passwordPanel->lockButton()->setChecked(true);
        m_passwordPanel->lockButton()->blockSignals(false);
        QString typed;
        if (m_passwordPanel->askPassword(typed) != 1) {
            return false;
        }
    }
    m_firstTime = false;
    initGUIAndOther();
    return true;
}

void MainController::initGUIAndOther()
{
    m_sortingObserver = NotificationCenter::defaultCenter().observe<std::int64_t>(
        kSortingTypeChangedNotification, nullptr, [this](const std::int64_t& sorting, const void*) {
            sortingChangedNotification(static_cast<int>(sorting));
        });
    m_databaseObserver = NotificationCenter::defaultCenter().observe<NoPayload>(
        kDBChangedNotification, nullptr, [this](const NoPayload&, const void*) { showDatabaseInTitle(); });
    m_stack = new QStackedWidget(m_window.get());
    m_window->setCentralWidget(m_stack);
    m_openSection = std::make_unique<OpenSectionController>(m_alerts, *this);
    const auto askPassword = [this] {
        QString typed;
        return m_passwordPanel->askPassword(typed) == 1;
    };
    m_useSection = std::make_unique<UseSectionController>(*this, m_alerts, m_panels, askPassword);
    m_defineSection = std::make_unique<StructureSectionController>(*this, m_alerts, askPassword);
    for (SectionController* section : std::initializer_list<SectionController*>{
             m_openSection.get(), m_useSection.get(), m_defineSection.get()}) {
        m_stack->addWidget(section->view());
    }
    buildToolbar();
    m_useSection->setSearchField(m_searchField);
    buildMenus();
    enableToolbarButton(true);
    m_syncSession = std::make_unique<SyncSessionController>(m_alerts, *this);
    m_syncSession->startDiscovery();

    // Centred first; a saved frame wins.
    m_window->resize(980, 640);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_window->move(screen->availableGeometry().center() - m_window->rect().center());
    }
    const auto frame = UserDefaults::standard().object(kWindowFrameKey);
    if (frame && frame->data() != nullptr) {
        const auto& bytes = *frame->data();
        m_window->restoreGeometry(
            QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size())));
    }

    switch (UserDefaults::standard().integerForKey("Section")) {
    case 1:
        showSection(Section::Use);
        break;
    case 2:
        showSection(Section::Define);
        break;
    default:
        showSection(Section::Open);
        break;
    }
    m_window->show();
    // Only a shown window knows the size of its frame.
    keepWindowOnScreen();
    m_window->raise();

    if (m_fileToOpen) {
        const std::string path = *m_fileToOpen;
        m_fileToOpen.reset();
        openFileFromFinder(path);
    } else {
        m_openSection->openPrevious();
    }
}

void MainController::applicationWillTerminate()
{
    // What is being typed is kept, not lost with the window.
    if (m_useSection) {
        m_useSection->commitEditing();
    }
    if (m_defineSection) {
        m_defineSection->commitEditing();
    }
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setString("Section", m_section == Section::Use ? "1" : m_section == Section::Define ? "2" : "0");
    if (m_openSection) {
        m_openSection->rememberOpenedDB();
    }
    const QByteArray frame = m_window->saveGeometry();
    defaults.set(kWindowFrameKey,
                 PropertyList(PropertyList::Data(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                                                 reinterpret_cast<const std::uint8_t*>(frame.constData()) +
                                                     frame.size())));
}

void MainController::keepWindowOnScreen()
{
    // A frame saved on a screen that is gone, or larger than this one, is
    // brought whole onto the screen the window is (mostly) on.
    const QScreen* screen = QGuiApplication::screenAt(m_window->geometry().center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    QRect frame = m_window->frameGeometry();
    const QSize extra = frame.size() - m_window->size();
    const QSize fitting = m_window->size().boundedTo(area.size() - extra).expandedTo(m_window->minimumSize());
    m_window->resize(fitting);
    frame.setSize(fitting + extra);
    frame.moveLeft(
        std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(
        std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height() + 1)));
    m_window->move(frame.topLeft());
}

void MainController::bringToFront()
{
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void MainController::showDatabaseInTitle()
{
    const std::string& name = DBManager::sharedIstance().dbName();
    m_window->setWindowTitle(
        name.empty() ? QStringLiteral("Dossiva")
                     : QStringLiteral("%1 \u2014 Dossiva")
                           .arg(QString::fromStdString(FileManager::deletingPathExtension(name))));
}

// ---------------------------------------------------------------------------
// Toolbar and menus

void MainController::buildToolbar()
{
    auto* toolbar = new QToolBar(QStringLiteral("Main"), m_window.get());
    toolbar->setObjectName(QStringLiteral("Main"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(28, 28));
    toolbar->toggleViewAction()->setEnabled(false);
    toolbar->setContextMenuPolicy(Qt::PreventContextMenu);

    auto* strip = new QWidget(toolbar);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_navigation = new QButtonGroup(this);
    m_navigation->setExclusive(true);
    m_openButton = navigationButton(tr("Open"), "nav-open", strip);
    m_useButton = navigationButton(tr("Use"), "nav-use", strip);
    m_defineButton = navigationButton(tr("Define"), "nav-define", strip);
    m_openButton->setShortcut(QKeySequence(QStringLiteral("Ctrl+1")));
    m_useButton->setShortcut(QKeySequence(QStringLiteral("Ctrl+2")));
    m_defineButton->setShortcut(QKeySequence(QStringLiteral("Ctrl+3")));
    for (QToolButton* button : {m_openButton, m_useButton, m_defineButton}) {
        m_navigation->addButton(button);
        layout->addWidget(button);
    }
    connect(m_openButton, &QToolButton::clicked, this, [this] { showOpenSection(); });
    connect(m_useButton, &QToolButton::clicked, this, [this] { showUseSection(); });
    connect(m_defineButton, &QToolButton::clicked, this, [this] { showDefineSection(); });
    toolbar->addWidget(strip);

    auto* spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);

    m_searchField = new QLineEdit(toolbar);
    m_searchField->setPlaceholderText(tr("Search"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->addAction(uiIcon("edit-find"), QLineEdit::LeadingPosition);
    m_searchField->setMaximumWidth(240);
    m_searchField->setAccessibleName(tr("Search records"));
    m_searchAction = toolbar->addWidget(m_searchField);
    toolbar->addSeparator();
    toolbar->addWidget(m_passwordPanel->lockButton());

    m_syncButton = new QToolButton(toolbar);
    m_syncButton->setText(tr("Sync"));
    m_syncButton->setIcon(uiIcon("sync"));
    m_syncButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_syncButton->setIconSize(QSize(28, 28));
    m_syncButton->setAutoRaise(true);
    m_syncButton->setAccessibleName(tr("Sync with the companion"));
    connect(m_syncButton, &QToolButton::clicked, this, [this] { menuAction(MenuTag::Sync); });
    toolbar->addWidget(m_syncButton);
    m_window->addToolBar(Qt::TopToolBarArea, toolbar);
}

QAction* MainController::addCommand(QMenu* menu, int tag, const QString& title, const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(title);
    action->setData(tag);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
    }
    connect(action, &QAction::triggered, this, [this, tag] { menuAction(tag); });
    m_actions[tag] = action;
    return action;
}

void MainController::buildMenus()
{
    QMenuBar* bar = m_window->menuBar();
    QMenu* file = bar->addMenu(tr("&File"));
    addCommand(file, MenuTag::NewDatabase, tr("New Database..."), QKeySequence::New);
    addCommand(file, MenuTag::DuplicateDatabase, tr("Duplicate Database"));
    file->addSeparator();
    addCommand(file, MenuTag::ImportDatabase, tr("Import Database..."),
               QKeySequence(QStringLiteral("Ctrl+I")));
    addCommand(file, MenuTag::Import, tr("Import CSV File..."));
    addCommand(file, MenuTag::ImportTemplate, tr("Import Template..."));
    file->addSeparator();
    addCommand(file, MenuTag::ExportDatabase, tr("Export Database..."),
               QKeySequence(QStringLiteral("Ctrl+E")));
    addCommand(file, MenuTag::ExportTemplate, tr("Export Template..."));
    addCommand(file, MenuTag::ExportCSV, tr("Export CSV..."), QKeySequence(QStringLiteral("Ctrl+Shift+E")));
    file->addSeparator();
    addCommand(file, MenuTag::Print, tr("Print..."), QKeySequence::Print);
    file->addSeparator();
    QAction* quit = file->addAction(tr("Quit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, m_window.get(), &QWidget::close);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    addCommand(edit, MenuTag::Undo, tr("Undo"), QKeySequence::Undo);
    addCommand(edit, MenuTag::Redo, tr("Redo"), QKeySequence::Redo);
    edit->addSeparator();
    addCommand(edit, MenuTag::Preferences, tr("Preferences..."), QKeySequence::Preferences)
        ->setMenuRole(QAction::PreferencesRole);

    QMenu* records = bar->addMenu(tr("&Records"));
    addCommand(records, MenuTag::NewRecord, tr("New Record"), QKeySequence(QStringLiteral("Ctrl+Shift+N")));
    addCommand(records, MenuTag::DuplicateRecords, tr("Duplicate Record"),
               QKeySequence(QStringLiteral("Ctrl+D")));
    addCommand(records, MenuTag::DeleteRecords, tr("Delete Record"),
               QKeySequence(QStringLiteral("Ctrl+Backspace")));
    addCommand(records, MenuTag::DeleteAllRecords, tr("Delete All Records..."));
    records->addSeparator();
    addCommand(records, MenuTag::EmailRecord, tr("Send Record by E-mail..."));

    QMenu* view = bar->addMenu(tr("&View"));
    addCommand(view, MenuTag::FormView, tr("As Form"), QKeySequence(QStringLiteral("Ctrl+Alt+1")));
    addCommand(view, MenuTag::ListView, tr("As List"), QKeySequence(QStringLiteral("Ctrl+Alt+2")));
    QMenu* columns = view->addMenu(tr("Columns"));
    m_actions[MenuTag::Columns] = columns->menuAction();
    setColumnsMenu(m_listColumnsMenu);

    QMenu* sync = bar->addMenu(tr("&Sync"));
    addCommand(sync, MenuTag::Sync, tr("Sync with Dossiva for iPhone..."),
               QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    addCommand(sync, MenuTag::Backup, tr("Back Up Now"));
    addCommand(sync, MenuTag::Restore, tr("Restore..."));

    QMenu* help = bar->addMenu(tr("&Help"));
    addCommand(help, MenuTag::Help, tr("Dossiva Help"), QKeySequence::HelpContents);
    addCommand(help, MenuTag::Support, tr("Support"));
    addCommand(help, MenuTag::WebSite, tr("Web Site"));
    help->addSeparator();
    addCommand(help, MenuTag::CheckForUpdates, tr("Check for Updates..."));
    help->addSeparator();
    addCommand(help, MenuTag::Acknowledgments, tr("Acknowledgments"));
    addCommand(help, MenuTag::LicenseAgreement, tr("License Agreement"));
    addCommand(help, MenuTag::About, tr("About Dossiva"))->setMenuRole(QAction::AboutRole);

    for (QMenu* menu : {file, edit, records, view, sync, help}) {
        connect(menu, &QMenu::aboutToShow, this, [this] { refreshMenus(); });
    }
    refreshMenus();
}

QAction* MainController::action(int tag) const
{
    const auto found = m_actions.find(tag);
    return found == m_actions.end() ? nullptr : found->second;
}

MenuState MainController::menuState() const
{
    MenuState state;
    state.free = m_openButton == nullptr || m_openButton->isEnabled();
    state.useShown = m_section == Section::Use;
    state.newRecordItem = m_newRecordItem;
    state.emailRecordItem = m_emailRecordItem;
    state.undoItem = m_undoItem;
    state.redoItem = m_redoItem;
    state.columnsMenuEnabled = m_columnsMenuEnabled;
    state.multipleRecords = m_multipleRecords;
    return state;
}

bool MainController::validateMenuItem(int tag)
{
    const MenuState state = menuState();
    if (QAction* item = action(tag)) {
        if (tag == MenuTag::DuplicateRecords) {
            item->setText(tr(duplicateRecordsTitle(state)));
        } else if (tag == MenuTag::DeleteRecords) {
            item->setText(tr(deleteRecordsTitle(state)));
        }
    }
    return isMenuItemEnabled(tag, state);
}

void MainController::refreshMenus()
{
    for (const auto& [tag, item] : m_actions) {
        item->setEnabled(validateMenuItem(tag));
    }
}

void MainController::enableToolbarButton(bool enabled)
{
    for (QToolButton* button : {m_openButton, m_useButton, m_defineButton, m_syncButton}) {
        if (button != nullptr) {
            button->setEnabled(enabled);
        }
    }
    refreshMenus();
}

// ---------------------------------------------------------------------------
// Sections

bool MainController::askToLeave(SectionController& section)
{
    if (!section.hasChangesToSave()) {
        return true;
    }
    const AlertAnswer answer =
        m_alerts.ask({"Save changes", "Changes will be lost", {"Save", "Cancel"}, false, {}});
    if (answer.is("Save")) {
        section.saveChanges();
    } else {
        section.cleanUndoRedoArrays();
    }
    return true;
}

void MainController::showSection(Section section)
{
    SectionController* controller =
        section == Section::Open  ? static_cast<SectionController*>(m_openSection.get())
        : section == Section::Use ? static_cast<SectionController*>(m_useSection.get())
                                  : static_cast<SectionController*>(m_defineSection.get());
    if (QWidget* focus = QApplication::focusWidget(); focus != nullptr && m_window->isAncestorOf(focus)) {
        focus->clearFocus();
    }
    m_stack->setCurrentWidget(controller->view());
    controller->setFirstResponder();
    m_section = section;
    QToolButton* selected = section == Section::Open  ? m_openButton
                            : section == Section::Use ? m_useButton
                                                      : m_defineButton;
    selected->setChecked(true);
    m_searchAction->setVisible(section == Section::Use);
    refreshMenus();
}

void MainController::showOpenSection()
{
    askToLeave(*m_useSection);
    askToLeave(*m_defineSection);
    showSection(Section::Open);
}

void MainController::showUseSection()
{
    askToLeave(*m_defineSection);
    showSection(Section::Use);
}

void MainController::showDefineSection()
{
    showSection(Section::Define);
}

void MainController::undo()
{
    if (m_section == Section::Use) {
        m_useSection->undo();
    } else if (m_section == Section::Define) {
        m_defineSection->undo();
    }
}

void MainController::redo()
{
    if (m_section == Section::Use) {
        m_useSection->redo();
    } else if (m_section == Section::Define) {
        m_defineSection->redo();
    }
}

void MainController::enableUndo(bool enabled)
{
    m_undoItem = enabled;
    refreshMenus();
}

void MainController::enableRedo(bool enabled)
{
    m_redoItem = enabled;
    refreshMenus();
}

void MainController::enableAddRecord(bool enabled)
{
    m_newRecordItem = enabled;
    refreshMenus();
}

void MainController::enableEmailRecord(bool enabled)
{
    m_emailRecordItem = enabled;
    refreshMenus();
}

void MainController::setMultipleRecords(bool multiple)
{
    m_multipleRecords = multiple;
    refreshMenus();
}

void MainController::enableColumnsMenu(bool enabled)
{
    m_columnsMenuEnabled = enabled;
    refreshMenus();
}

void MainController::setColumnsMenu(QMenu* menu)
{
    m_listColumnsMenu = menu;
    // View > Columns shows the record list's own entries, so that a column
    // shown or hidden there is ticked in both places.
    QAction* item = action(MenuTag::Columns);
    if (item == nullptr || item->menu() == nullptr || menu == nullptr) {
        return;
    }
    QMenu* columns = item->menu();
    columns->clear();
    columns->addActions(menu->actions());
}

void MainController::sortingChangedNotification(int sorting)
{
    m_openSection->sortBy(sorting);
    m_useSection->setSortBy(sorting);
}

// ---------------------------------------------------------------------------
// Commands

void MainController::menuAction(int tag)
{
    if (!validateMenuItem(tag)) {
        return;
    }
    switch (tag) {
    case MenuTag::About:
        QMessageBox::about(
            m_window.get(), tr("About Dossiva"),
            tr("<h3>Dossiva %1</h3><p>Small personal databases: address lists, collections, inventories, "
               "logs and passwords, kept on your computer and in sync with your phone.</p>")
                .arg(QApplication::applicationVersion()));
        break;
    case MenuTag::CheckForUpdates:
        checkUpdatesNow();
        break;
    case MenuTag::Preferences:
        preferences().showPreferences();
        break;
    case MenuTag::Sync:
        m_syncSession->syncWithIphone();
        break;
    case MenuTag::Backup:
        m_syncSession->backupNow();
        break;
    case MenuTag::Restore:
        m_syncSession->restoreNow();
        break;
    case MenuTag::Undo:
        undo();
        break;
    case MenuTag::Redo:
        redo();
        break;
    case MenuTag::Help:
        QDesktopServices::openUrl(
            QUrl::fromLocalFile(QString::fromStdString(Paths::resourceDirectory() + "/help/index.html")));
        break;
    case MenuTag::Support:
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(AppLinks::kSupport)));
        break;
    case MenuTag::WebSite:
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(AppLinks::kWebSite)));
        break;
    case MenuTag::NewDatabase:
        showOpenSection();
        m_openSection->addRemovePressed(0);
        break;
    case MenuTag::DuplicateDatabase:
        showOpenSection();
        m_openSection->duplicateDB();
        break;
    case MenuTag::ExportCSV:
        if (m_exportCSV == nullptr) {
            m_exportCSV = new ExportCSVWindowController(m_alerts, m_panels, m_window.get());
        }
        m_exportCSV->displayAttachedTo(m_window.get(), {});
        break;
    case MenuTag::ExportDatabase:
        exportDatabase();
        break;
    case MenuTag::ImportDatabase:
        importDatabase();
        break;
    case MenuTag::Import:
        importFile(false);
        break;
    case MenuTag::ExportTemplate:
        exportTemplate();
        break;
    case MenuTag::ImportTemplate:
        importFile(true);
        break;
    case MenuTag::Acknowledgments:
        showTextWindow(QStringLiteral("Acknowledgments"), QStringLiteral("/Licenses/Acknowlement.html"));
        break;
    case MenuTag::LicenseAgreement:
        showTextWindow(QStringLiteral("License Agreement"),
                       QStringLiteral("/Licenses/License Agreement.html"));
        break;
    case MenuTag::NewRecord:
        m_useSection->addRemovePressed(0);
        break;
    case MenuTag::DuplicateRecords:
        m_useSection->duplicateRecord();
        break;
    case MenuTag::DeleteRecords:
        m_useSection->addRemovePressed(1);
        break;
    case MenuTag::DeleteAllRecords:
        m_useSection->deleteAllRecords();
        break;
    case MenuTag::Print:
        m_useSection->print();
        break;
    case MenuTag::FormView:
        m_useSection->listColumnPressed(0);
        break;
    case MenuTag::ListView:
        m_useSection->listColumnPressed(1);
        break;
    default:
        break;
    }
}

void MainController::exportDatabase()
{
    const auto name = FileManager::deletingPathExtension(DBManager::sharedIstance().dbName());
    if (const auto path = m_panels.runSavePanel({"dossiva", name})) {
        m_openSection->exportDossivaFile(*path);
    }
}

void MainController::exportTemplate()
{
    const auto name = FileManager::deletingPathExtension(DBManager::sharedIstance().dbName());
    if (const auto path = m_panels.runSavePanel({"dossivaTemplate", name})) {
        m_openSection->exportTemplate(*path);
    }
}

void MainController::importFile(bool templates)
{
    // Files only: a database package is a folder, chosen as one.
    const OpenPanelRequest request = templates ? OpenPanelRequest{{"dossivaTemplate"}, "Choose a file:"}
                                               : OpenPanelRequest{{"csv"}, "Choose a file:"};
    if (const auto path = m_panels.runOpenPanel(request)) {
        openFileFromFinder(*path);
    }
}

void MainController::importDatabase()
{
    OpenPanelRequest request{{"dossiva"}, "Choose a database (a folder whose name ends in .dossiva):"};
    request.chooseFolder = true;
    if (const auto path = m_panels.runOpenPanel(request)) {
        openFileFromFinder(*path);
    }
}

void MainController::openFileFromFinder(const std::string& path)
{
    const std::string extension = FileManager::pathExtension(path);
    const std::string name = FileManager::deletingPathExtension(FileManager::lastPathComponent(path));
    if (extension == "csv") {
        auto* window = new ImportCSVWindowController(
            m_alerts, [this](const std::string& package) { m_openSection->importedCSVDB(package); },
            m_window.get());
        window->setAttribute(Qt::WA_DeleteOnClose);
        m_importCSV = window;
        window->displayName(path);
        return;
    }
    if (extension == "dossivaTemplate") {
        const AlertAnswer answer = m_alerts.ask({"Import",
                                                 "Do you want to import the template \"" + name + "\"?",
                                                 {"Import", "Cancel"},
                                                 false,
                                                 {}});
        if (answer.is("Import")) {
            m_openSection->importTemplate(path);
        }
        return;
    }
    const AlertAnswer answer = m_alerts.ask(
        {"Import", "Do you want to import the database \"" + name + "\"?", {"Import", "Cancel"}, false, {}});
    if (answer.is("Import")) {
        showOpenSection();
        m_openSection->importDossivaFile(path);
    }
}

// ---------------------------------------------------------------------------
// Sync, backup and restore: the sessions are SyncSessionController's

bool MainController::applicationShouldTerminate()
{
    return !m_syncSession || m_syncSession->stopForQuit();
}

QWidget* MainController::sessionWindow()
{
    return m_window.get();
}

void MainController::prepareForSession()
{
    m_useSection->commitEditing();
    if (m_section != Section::Open) {
        showOpenSection();
    }
    m_openSection->closeDatabase();
}

std::vector<std::string> MainController::libraryNames()
{
    std::vector<std::string> names;
    for (const auto& entry : m_openSection->library().dbList()) {
        names.push_back(entry.name);
    }
    return names;
}

void MainController::sessionEnded(bool filesChanged)
{
    if (filesChanged) {
        m_openSection->loadDbArray();
    }
    m_openSection->reopenDatabase();
}

void MainController::companionChanged(const std::string& name)
{
    m_syncButton->setToolTip(name.empty() ? tr("Sync with Dossiva for iPhone")
                                          : tr("Sync with %1").arg(QString::fromStdString(name)));
}

void MainController::quitApplication()
{
    m_window->close();
}

void MainController::checkUpdatesNow()
{
    // Nothing is checked, so no time of a check is stored.
    m_alerts.inform("Check for Updates", updatesText().toStdString());
}

ImportCSVWindowController* MainController::importCSVWindow() const
{
    return m_importCSV;
}

ExportCSVWindowController* MainController::exportCSVWindow() const
{
    return m_exportCSV;
}

PreferencesWindowController& MainController::preferences()
{
    if (m_preferences == nullptr) {
        m_preferences = new PreferencesWindowController(m_window.get());
    }
    return *m_preferences;
}

void MainController::showTextWindow(const QString& title, const QString& resource)
{
    QDialog window(m_window.get());
    window.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&window);
    auto* text = new QTextBrowser(&window);
    text->setOpenExternalLinks(true);
    QFile file(QString::fromStdString(Paths::resourceDirectory()) + resource);
    if (file.open(QIODevice::ReadOnly)) {
        text->setHtml(QString::fromUtf8(file.readAll()));
    } else {
        text->setPlainText(tr("The text could not be found in %1.").arg(file.fileName()));
    }
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(&window);
    QObject::connect(buttons->addButton(tr("Close"), QDialogButtonBox::AcceptRole), &QPushButton::clicked,
                     &window, &QDialog::accept);
    layout->addWidget(buttons);
    window.resize(560, 480);
    window.exec();
}

} // namespace dossiva
