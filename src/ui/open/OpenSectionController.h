#pragma once

#include "library/DatabaseLibrary.h"
#include "platform/NotificationCenter.h"
#include "ui/app/SectionController.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <optional>
#include <vector>

class QLabel;
class QListWidgetItem;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QToolButton;

namespace dossiva {

class DatabaseListView;
class ElidedLabel;
class FilePanels;
class NewDBController;
class WelcomeView;

// What the Open section asks of the main window.
class OpenSectionDelegate {
public:
    virtual ~OpenSectionDelegate() = default;
    virtual void showUseSectionFromOpen() = 0;
    virtual void enableToolbarButton(bool enabled) = 0;
};

// The library screen: the databases on the left, the open one's details on
// the right, and the commands that make, copy, rename, delete, import and
// export databases and templates. The file work is DatabaseLibrary's.
class OpenSectionController final : public QObject, public SectionController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OpenSectionController)
public:
    OpenSectionController(Alerts& alerts, OpenSectionDelegate& delegate, QObject* parent = nullptr);
    ~OpenSectionController() override;

    QWidget* view() override;
    void setFirstResponder() override;

    DatabaseLibrary& library() { return m_library; }

    void loadDbArray();
    void openPrevious();
    void rememberOpenedDB();
    // The selected package, if any.
    std::optional<std::string> selectedDatabase() const;
    void selectDatabase(const std::string& packageName);
    void closeDatabase();
    void reopenDatabase();

    void sortBy(int sorting);
    void sortOrderChanged();

    // Library commands.
    void addRemovePressed(int segment);
    void tableDeleteKey() { addRemovePressed(1); }
    void editPressed();
    void duplicateDB();
    bool createNewDatabase(int row, const std::string& name);
    bool createNewDatabaseCustomTemplate(const std::string& templateName, const std::string& name);
    void importDossivaFile(const std::string& path);
    void exportDossivaFile(const std::string& path);
    void importTemplate(const std::string& path);
    void exportTemplate(const std::string& path);
    void importedCSVDB(const std::string& packageName);

    // The new-database sheet, once shown.
    NewDBController* newDatabaseSheet() const { return m_newDBController; }
    DatabaseListView* listWidget() const { return m_list; }
    // The texts of the details panel, for the screen and its tests (the
    // name whole, as the tooltip shows it when it is cut short).
    QString detailText(const char* which) const;
    ElidedLabel* nameLabel() const { return m_nameLabel; }

private:
    void buildView();
    bool finishCreate(DatabaseLibrary::CreateResult result, const std::string& name);
    // Fills the list again, selecting `selected` when listed, without
    // treating that as the user's choice.
    void redisplay(const std::optional<std::string>& selected);
    void redisplay() { redisplay(selectedDatabase()); }
    void selectionChanged();
    void updateDetails();
    void showWelcome();
    void nameClicked();
    void listen(bool on);
    void renameFromList(QListWidgetItem* item);
    void clampSplitter();
    QIcon thumbnail(const LibraryEntry& entry);

    Alerts& m_alerts;
    OpenSectionDelegate& m_delegate;
    DatabaseLibrary m_library;
    bool m_redisplaying = false;
    QElapsedTimer m_nameClick;
    std::vector<ObserverToken> m_observers;

    QPointer<QWidget> m_view;
    QSplitter* m_splitter = nullptr;
    DatabaseListView* m_list = nullptr;
    QToolButton* m_addButton = nullptr;
    QToolButton* m_removeButton = nullptr;
    QToolButton* m_sortButton = nullptr;
    QStackedWidget* m_detailStack = nullptr;
    WelcomeView* m_welcome = nullptr;
    ElidedLabel* m_nameLabel = nullptr;
    QLabel* m_created = nullptr;
    QLabel* m_edited = nullptr;
    QLabel* m_synced = nullptr;
    QLabel* m_records = nullptr;
    QLabel* m_picture = nullptr;
    QPushButton* m_useButton = nullptr;
    NewDBController* m_newDBController = nullptr;
};

} // namespace dossiva
