#pragma once

#include "ui/app/MenuRules.h"
#include "ui/app/SectionDelegate.h"
#include "ui/open/OpenSectionController.h"
#include "ui/sync/SyncSessionHost.h"

#include <QMainWindow>
#include <QObject>
#include <QPointer>

#include <map>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QButtonGroup;
class QLineEdit;
class QToolButton;

namespace dossiva {

class Alerts;
class FilePanels;
class ExportCSVWindowController;
class ImportCSVWindowController;
class MainController;
class PasswordPanel;
class PreferencesWindowController;
class StructureSectionController;
class SyncSessionController;
class UseSectionController;

// The one main window. Closing it ends the application the way quitting does.
class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)
public:
    explicit MainWindow(MainController& controller);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainController& m_controller;
};

// The application's controller: the main window with its toolbar, sections
// and menus, the password gate at launch, the files handed over by the
// system, and the settings kept at quit.
class MainController final : public QObject,
                             public SectionDelegate,
                             public OpenSectionDelegate,
                             public SyncSessionHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainController)
public:
    enum class Section { Open = 0, Use = 1, Define = 2 };

    MainController(Alerts& alerts, FilePanels& panels, QObject* parent = nullptr);
    ~MainController() override;

    // -- Launch and quit ---------------------------------------------------

    // A document handed over by the system: kept until the launch has
    // finished, then opened.
    void applicationOpenFile(const std::string& path);
    // Runs the password gate and builds the window. False when the password
    // was not given and the application must end.
    bool applicationDidFinishLaunching();
    // False while a session runs: it is stopped first, and the application
    // quits when it has ended.
    bool applicationShouldTerminate();
    void applicationWillTerminate();
    bool isLaunchFinished() const { return !m_firstTime; }
    // Shows the window in front of the others, as a second launch of
    // Dossiva does: restored when minimised, raised and active.
    void bringToFront();

    // -- Window and sections -------------------------------------------------

    MainWindow* mainWindow() const { return m_window.get(); }
    OpenSectionController& openSection() { return *m_openSection; }
    UseSectionController& useSection() { return *m_useSection; }
    StructureSectionController& defineSection() { return *m_defineSection; }
    PasswordPanel& passwordPanel() { return *m_passwordPanel; }
    Section shownSection() const { return m_section; }
    void showOpenSection();
    void showUseSection();
    void showDefineSection();

    // -- Commands -----------------------------------------------------------

    // Runs the command with the tag, as its menu item does.
    void menuAction(int tag);
    // Whether the command is enabled now, with the titles of the record
    // commands brought up to date.
    bool validateMenuItem(int tag);
    QAction* action(int tag) const;
    MenuState menuState() const;
    void openFileFromFinder(const std::string& path);
    void undo();
    void redo();

    PreferencesWindowController& preferences();
    ImportCSVWindowController* importCSVWindow() const;
    ExportCSVWindowController* exportCSVWindow() const;

    // -- SectionDelegate ------------------------------------------------------

    void enableUndo(bool enabled) override;
    void enableRedo(bool enabled) override;
    void enableAddRecord(bool enabled) override;
    void enableEmailRecord(bool enabled) override;
    void setMultipleRecords(bool multiple) override;
    void enableColumnsMenu(bool enabled) override;

    // -- OpenSectionDelegate --------------------------------------------------

    void showUseSectionFromOpen() override { showUseSection(); }
    void enableToolbarButton(bool enabled) override;

    // -- Sync, backup and restore --------------------------------------------

    SyncSessionController& syncSession() { return *m_syncSession; }

    // -- SyncSessionHost ------------------------------------------------------

    QWidget* sessionWindow() override;
    void prepareForSession() override;
    std::vector<std::string> libraryNames() override;
    void sessionEnded(bool filesChanged) override;
    void companionChanged(const std::string& name) override;
    void quitApplication() override;

private:
    void initGUIAndOther();
    void buildToolbar();
    void buildMenus();
    QAction* addCommand(class QMenu* menu, int tag, const QString& title, const QKeySequence& shortcut = {});
    void refreshMenus();
    bool askToLeave(SectionController& section);
    void showSection(Section section);
    void showTextWindow(const QString& title, const QString& resource);
    void exportDatabase();
    void exportTemplate();
    void importFile(bool templates);
    void importDatabase();
    void keepWindowOnScreen();
    void showDatabaseInTitle();
    void checkUpdatesNow();
    void sortingChangedNotification(int sorting);

    Alerts& m_alerts;
    FilePanels& m_panels;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<OpenSectionController> m_openSection;
    std::unique_ptr<UseSectionController> m_useSection;
    std::unique_ptr<StructureSectionController> m_defineSection;
    std::unique_ptr<PasswordPanel> m_passwordPanel;
    QPointer<PreferencesWindowController> m_preferences;
    QPointer<ImportCSVWindowController> m_importCSV;
    QPointer<ExportCSVWindowController> m_exportCSV;
    class QStackedWidget* m_stack = nullptr;
    QButtonGroup* m_navigation = nullptr;
    QToolButton* m_openButton = nullptr;
    QToolButton* m_useButton = nullptr;
    QToolButton* m_defineButton = nullptr;
    QToolButton* m_syncButton = nullptr;
    QLineEdit* m_searchField = nullptr;
    QAction* m_searchAction = nullptr;
    std::map<int, QAction*> m_actions;
    Section m_section = Section::Open;
    std::unique_ptr<SyncSessionController> m_syncSession;
    ObserverToken m_sortingObserver;
    ObserverToken m_databaseObserver;

    bool m_firstTime = true;
    std::optional<std::string> m_fileToOpen;
    bool m_newRecordItem = false;
    bool m_undoItem = false;
    bool m_redoItem = false;
    bool m_emailRecordItem = false;
    bool m_columnsMenuEnabled = false;
    bool m_multipleRecords = false;
};

} // namespace dossiva
