#include "ui/tour/ScreenshotTour.h"

#include "storage/DBManager.h"
#include "ui/app/MainController.h"
#include "ui/app/MenuRules.h"
#include "ui/app/PasswordPanel.h"
#include "ui/csv/ExportCSVWindowController.h"
#include "ui/csv/ImportCSVWindowController.h"
#include "ui/define/AddComponentWindow.h"
#include "ui/define/CalculationFieldStructureViewController.h"
#include "ui/define/ChooseFieldStructureViewController.h"
#include "ui/define/StructurePaletteView.h"
#include "ui/define/StructureSectionController.h"
#include "ui/open/DatabaseListView.h"
#include "ui/open/NewDBController.h"
#include "ui/prefs/PreferencesWindowController.h"
#include "ui/sync/ConflictResolverView.h"
#include "ui/sync/RestoreView.h"
#include "ui/sync/SyncDatabaseTable.h"
#include "ui/sync/SyncSessionController.h"
#include "ui/sync/SyncSheet.h"
#include "ui/use/FieldsView.h"
#include "ui/use/FormPrinter.h"
#include "ui/use/RecordTableView.h"
#include "ui/use/UseRecordListViewController.h"
#include "ui/use/UseSectionController.h"
#include "ui/widgets/EditableItemList.h"
#include "ui/widgets/ReorderableList.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace dossiva {

namespace {

// Time for a screen to lay itself out and paint before it is grabbed.
constexpr int kSettleMilliseconds = 350;
// The preferences window animates to each pane's size.
constexpr int kPaneSettleMilliseconds = 600;
constexpr QSize kMainWindowSize(1040, 700);

// A people list with a header row and a column of dates, for the import
// window's preview.
constexpr const char* kSampleCsv = "Name,Phone,E-mail,Birthday,Notes\n"
                                   "Ann Carter,555-0134,ann.carter@example.org,12/04/1986,Book club\n"
                                   "Bruno Alves,555-0178,bruno@example.net,03/11/1979,\"Neighbour, flat 2\"\n"
                                   "Chloe Martin,555-0102,chloe.m@example.com,27/06/1992,Tennis on Fridays\n";

// One screen: how to bring it up, which widget shows it and how to put it
// away again. Showing may run a modal loop; the grab is scheduled first.
struct Shot {
    QString file;
    std::function<void()> show;
    std::function<QWidget*()> widget;
    std::function<void()> close;
    int settle = kSettleMilliseconds;
    // The picture, when it is more than the widget alone.
    std::function<QPixmap(QWidget&)> picture = nullptr;
};

class Tour final : public QObject {
public:
    Tour(std::vector<Shot> shots, QString folder) : m_shots(std::move(shots)), m_folder(std::move(folder)) {}

    void start()
    {
        QTimer::singleShot(kSettleMilliseconds, this, [this] { next(); });
    }

private:
    void next()
    {
        if (m_index >= m_shots.size()) {
            QApplication::exit(m_failures == 0 ? 0 : 1);
            return;
        }
        const Shot& shot = m_shots[m_index];
        QTimer::singleShot(shot.settle, this, [this] { grab(); });
        shot.show();
    }

    void grab()
    {
        const Shot& shot = m_shots[m_index++];
        QWidget* widget = shot.widget();
        const QString path = QDir(m_folder).filePath(shot.file);
        if (widget == nullptr || !widget->isVisible()) {
            std::fprintf(stderr, "screenshot tour: %s is not on screen\n", qPrintable(shot.file));
            ++m_failures;
        } else if (!(shot.picture ? shot.picture(*widget) : widget->grab()).save(path, "PNG")) {
            std::fprintf(stderr, "screenshot tour: cannot write %s\n", qPrintable(path));
            ++m_failures;
        } else {
            std::printf("%s\n", qPrintable(path));
        }
        if (shot.close) {
            shot.close();
        }
        QTimer::singleShot(kSettleMilliseconds / 2, this, [this] { next(); });
    }

    std::vector<Shot> m_shots;
    QString m_folder;
    std::size_t m_index = 0;
    int m_failures = 0;
};

bool writeSampleCsv(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    return file.write(kSampleCsv) == static_cast<qint64>(qstrlen(kSampleCsv));
}

// Chooses a type in the import window's table as a person would.
void chooseImportType(ImportCSVWindowController& window, int row, int typeIndex)
{
    if (auto* types = qobject_cast<QComboBox*>(window.table()->cellWidget(row, 2))) {
        types->setCurrentIndex(typeIndex);
        emit types->activated(typeIndex);
    }
}

// Opens a database of the sample library in the Use section.
void showDatabase(MainController& controller, const std::string& name)
{
    controller.showOpenSection();
    controller.openSection().selectDatabase(name + ".dossiva");
    controller.showUseSection();
}

QMenu* columnsMenu(MainController& controller)
{
    UseRecordListViewController* list = controller.useSection().listView();
    return list != nullptr ? list->columnsListMenu() : nullptr;
}

void rightClickHeader(MainController& controller)
{
    QWidget* header = controller.useSection().listView()->table()->horizontalHeader()->viewport();
    // Over the record dates, so that the menu leaves the fields' cells in sight.
    const QPointF at(30, header->height() / 2.0);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, at, header->mapToGlobal(at), Qt::RightButton,
                          type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(header, &click);
    }
}

// The main window with the columns menu where it popped up: the menu is a
// window of its own, which the window's picture leaves out.
QPixmap withColumnsMenu(MainController& controller, QWidget& window)
{
    QPixmap picture = window.grab();
    QMenu* menu = columnsMenu(controller);
    if (menu != nullptr && menu->isVisible()) {
        QPainter painter(&picture);
        painter.drawPixmap(window.mapFromGlobal(menu->mapToGlobal(QPoint(0, 0))), menu->grab());
    }
    return picture;
}

void appendUseShots(std::vector<Shot>& list, MainController& controller)
{
    const auto window = [&controller]() -> QWidget* { return controller.mainWindow(); };
    list.push_back({QStringLiteral("use-section.png"),
                    [&controller] { showDatabase(controller, "Home Library"); }, window, nullptr});
    list.push_back({QStringLiteral("use-every-field.png"),
                    [&controller] { showDatabase(controller, "Showcase"); }, window, nullptr});
    list.push_back(
        {QStringLiteral("use-settings.png"),
         [&controller] { controller.useSection().settingsButton()->setChecked(true); }, window,
         [&controller] {
             controller.useSection().settingsButton()->setChecked(false);
             // The page the printer would get, kept as a PDF
             // for scripts/screenshots to turn into a picture.
             QPrinter printer(QPrinter::HighResolution);
             printer.setOutputFormat(QPrinter::PdfFormat);
             printer.setOutputFileName(
                 QDir(qApp->property("tourFolder").toString()).filePath(QStringLiteral("print-page.pdf")));
             FormLayout layout = DBManager::sharedIstance().readFormLayout(true);
             FormPrinter(*controller.useSection().form(), layout).print(printer);
         },
         700});
    list.push_back({QStringLiteral("use-list.png"),
                    [&controller] {
                        controller.menuAction(MenuTag::ListView);
                        // The columns menu, as a right click on the header
                        // opens it, once the table has its columns.
                        QTimer::singleShot(150, &controller, [&controller] { rightClickHeader(controller); });
                    },
                    window,
                    [&controller] {
                        if (QMenu* menu = columnsMenu(controller)) {
                            menu->hide();
                        }
                    },
                    700, [&controller](QWidget& shown) { return withColumnsMenu(controller, shown); }});
    // The cells of the other kinds: picture, pop-up, checkbox, password.
    list.push_back({QStringLiteral("use-list-cells.png"),
                    [&controller] {
                        QScrollBar* across =
                            controller.useSection().listView()->table()->horizontalScrollBar();
                        across->setValue(across->maximum());
                    },
                    window, [&controller] { controller.menuAction(MenuTag::FormView); }});
}

// The database whose name is the longest: the one that shows how a name too
// long for its room is cut.
std::string longestName(OpenSectionController& open)
{
    std::string longest;
    for (const auto& entry : open.library().dbList()) {
        if (entry.name.size() > longest.size()) {
            longest = entry.name;
        }
    }
    return longest;
}

// A question as the user sees it: over the main window, as a sheet at its
// top (a virtual X server has no window manager to place it).
QPixmap overMainWindow(MainController& controller, QWidget& question)
{
    QPixmap picture = controller.mainWindow()->grab();
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QColor(0, 0, 0, 60));
    const QPixmap sheet = question.grab();
    painter.drawPixmap((picture.width() - sheet.width()) / 2, 56, sheet);
    return picture;
}

QMessageBox* shownQuestion()
{
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

// The editor of a field of the open database, by the field's name.
StructureFieldViewController* defineEditor(MainController& controller, const std::string& name)
{
    for (const FieldDefinition& field : DBManager::sharedIstance().dbStructure()) {
        if (field.name == name) {
            return controller.defineSection().editor(field.id);
        }
    }
    return nullptr;
}

// A press and moves of the left button on a widget, as a person drags;
// the release comes with the shot's close.
void mouseTo(QWidget* widget, QEvent::Type type, const QPoint& point)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, widget->mapToGlobal(point), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The Showcase's formula editor.
CalculationFieldStructureViewController* totalEditor(MainController& controller)
{
    return qobject_cast<CalculationFieldStructureViewController*>(defineEditor(controller, "Total"));
}

void appendDefineShots(std::vector<Shot>& list, MainController& controller)
{
    const auto window = [&controller]() -> QWidget* { return controller.mainWindow(); };
    list.push_back({QStringLiteral("define-section.png"),
                    [&controller] {
                        controller.showOpenSection();
                        controller.openSection().selectDatabase("Showcase.dossiva");
                        controller.showDefineSection();
                        // The simple fields folded to their headers, so the
                        // main field and the choice list show together.
                        for (const char* name : {"Nickname", "Story", "Price", "Quantity", "Bought", "Opens",
                                                 "Delivered", "Photo"}) {
                            if (StructureFieldViewController* editor = defineEditor(controller, name)) {
                                editor->setCollapsed(true);
                            }
                        }
                        if (auto* colour = qobject_cast<ChooseFieldStructureViewController*>(
                                defineEditor(controller, "Colour"))) {
                            colour->items()->list()->setCurrentRow(1);
                            colour->items()->list()->setFocus();
                        }
                    },
                    window, nullptr, kPaneSettleMilliseconds});
    list.push_back(
        {QStringLiteral("define-formula-panel.png"),
         [&controller] {
             if (CalculationFieldStructureViewController* total = totalEditor(controller)) {
                 controller.defineSection().scrollArea()->ensureWidgetVisible(total->view(), 0, 10);
                 total->addRemoveButton(0);
                 total->addComponentWindow()->operatorTable()->setCurrentRow(0);
             }
         },
         [&controller]() -> QWidget* {
             CalculationFieldStructureViewController* total = totalEditor(controller);
             return total ? total->addComponentWindow() : nullptr;
         },
         [&controller] {
             if (CalculationFieldStructureViewController* total = totalEditor(controller)) {
                 total->addComponentWindow()->reject();
             }
         },
         kSettleMilliseconds, [&controller](QWidget& panel) { return overMainWindow(controller, panel); }});
    list.push_back({QStringLiteral("define-adding-a-field.png"),
                    [&controller] {
                        // A type dragged from the palette onto the stack
                        // opens a gap where it would land.
                        StructureSectionController& define = controller.defineSection();
                        define.scrollArea()->verticalScrollBar()->setValue(0);
                        QListWidget* palette = define.table();
                        QWidget* viewport = palette->viewport();
                        const QPoint start = palette->visualItemRect(palette->item(7)).center();
                        const QPoint over = viewport->mapFromGlobal(
                            define.scrollArea()->viewport()->mapToGlobal(QPoint(260, 150)));
                        mouseTo(viewport, QEvent::MouseButtonPress, start);
                        mouseTo(viewport, QEvent::MouseMove, start + QPoint(20, 0));
                        mouseTo(viewport, QEvent::MouseMove, over);
                    },
                    window,
                    [&controller] {
                        // Let go over the palette: nothing is added.
                        QListWidget* palette = controller.defineSection().table();
                        mouseTo(palette->viewport(), QEvent::MouseButtonRelease,
                                palette->visualItemRect(palette->item(7)).center());
                    },
                    kPaneSettleMilliseconds});
}

// Runs `then` once `ready` holds, checking every 50 ms for up to 20 s: a
// session against the companion takes its own time.
void whenReady(QObject* context, std::function<bool()> ready, std::function<void()> then, int triesLeft = 400)
{
    if (ready() || triesLeft == 0) {
        then();
        return;
    }
    QTimer::singleShot(50, context, [context, ready = std::move(ready), then = std::move(then), triesLeft] {
        whenReady(context, ready, then, triesLeft - 1);
    });
}

// The companion the tour syncs with, from DOSSIVA_TOUR_COMPANION
// ("127.0.0.1:PORT", the test peer scripts/screenshots starts); without it
// the sync screens are not shown.
bool findTourCompanion(MainController& controller)
{
    const QString given = QString::fromLocal8Bit(std::getenv("DOSSIVA_TOUR_COMPANION"));
    const auto parts = given.split(QLatin1Char(':'));
    bool isNumber = false;
    const int port = parts.size() == 2 ? parts[1].toInt(&isNumber) : 0;
    if (!isNumber || port <= 0) {
        return false;
    }
    controller.syncSession().found(parts[0].toStdString(), port, "Tour iPhone");
    return true;
}

// The sync sheet on the companion: the progress view as the session starts,
// the table with two databases ticked, a conflict, then the restore view.
void appendSyncShots(std::vector<Shot>& list, MainController& controller)
{
    SyncSessionController& session = controller.syncSession();
    SyncSheet& sheet = session.sheet();
    const auto sheetShown = [&controller, &sheet](QWidget& widget) {
        return overMainWindow(controller, widget);
    };
    const auto theSheet = [&sheet]() -> QWidget* { return &sheet; };
    // Grabbed at once: connecting to the companion takes a moment only.
    list.push_back({QStringLiteral("sync-progress.png"),
                    [&controller, &session] {
                        // As after Sync was answered in the question.
                        controller.showOpenSection();
                        controller.enableToolbarButton(false);
                        session.startSyncWithIphone();
                    },
                    theSheet, nullptr, 0, sheetShown});
    list.push_back(
        {QStringLiteral("sync-table.png"),
         [&sheet] {
             whenReady(
                 &sheet, [&sheet] { return sheet.currentView() == sheet.databaseTable(); },
                 [&sheet] {
                     QTableWidget* table = sheet.databaseTable()->table();
                     for (int row = 0; row < table->rowCount() && row < 2; ++row) {
                         table->item(row, SyncDatabaseTable::TickColumn)->setCheckState(Qt::Checked);
                     }
                     for (int row = 0; row < table->rowCount(); ++row) {
                         if (table->item(row, SyncDatabaseTable::NameColumn)->text() ==
                             QStringLiteral("Weekly Recipes")) {
                             table->item(row, SyncDatabaseTable::TickColumn)->setCheckState(Qt::Checked);
                         }
                     }
                 });
         },
         theSheet, nullptr, 1500, sheetShown});
    list.push_back({QStringLiteral("sync-conflict.png"),
                    [&sheet] { sheet.databaseTable()->syncButton()->click(); },
                    [&sheet]() -> QWidget* {
                        return sheet.currentView() == sheet.conflictResolver() ? &sheet : nullptr;
                    },
                    [&sheet] {
                        // Every conflict keeps the copy preselected.
                        while (sheet.currentView() == sheet.conflictResolver()) {
                            sheet.conflictResolver()->nextButton()->click();
                        }
                    },
                    4000, sheetShown});
    list.push_back(
        {QStringLiteral("restore-view.png"),
         [&controller, &session, &sheet] {
             whenReady(
                 &sheet, [&session] { return !session.isBusy(); },
                 [&controller, &sheet] {
                     controller.menuAction(MenuTag::Restore);
                     QTableWidget* backups = sheet.restoreView()->table();
                     if (backups->rowCount() > 0) {
                         backups->selectRow(backups->rowCount() - 1);
                     }
                 });
         },
         [&sheet]() -> QWidget* { return sheet.currentView() == sheet.restoreView() ? &sheet : nullptr; },
         [&sheet] { sheet.restoreView()->cancelButton()->click(); }, 6000, sheetShown});
}

std::vector<Shot> shots(MainController& controller, const QString& sampleCsv)
{
    std::vector<Shot> list;
    list.push_back({QStringLiteral("open-section.png"),
                    [&controller] {
                        controller.showOpenSection();
                        OpenSectionController& open = controller.openSection();
                        if (!open.selectedDatabase() && !open.library().dbList().empty()) {
                            open.selectDatabase(open.library().dbList().front().name);
                        }
                    },
                    [&controller] { return controller.mainWindow(); }, nullptr});
    list.push_back({QStringLiteral("open-section-long-name.png"),
                    [&controller] {
                        OpenSectionController& open = controller.openSection();
                        open.selectDatabase(longestName(open));
                    },
                    [&controller] { return controller.mainWindow(); }, nullptr});
    list.push_back({QStringLiteral("delete-question.png"),
                    [&controller] {
                        // Delete pressed on the list, as a person would; the
                        // question runs modally and is grabbed from its loop.
                        QListWidget* databases = controller.openSection().listWidget();
                        databases->setFocus();
                        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
                        QApplication::sendEvent(databases, &press);
                    },
                    [] { return static_cast<QWidget*>(shownQuestion()); },
                    [] {
                        if (QMessageBox* question = shownQuestion()) {
                            question->reject();
                        }
                    },
                    kSettleMilliseconds,
                    [&controller](QWidget& question) { return overMainWindow(controller, question); }});
    list.push_back({QStringLiteral("new-database.png"),
                    [&controller] { controller.menuAction(MenuTag::NewDatabase); },
                    [&controller]() -> QWidget* { return controller.openSection().newDatabaseSheet(); },
                    [&controller] {
                        if (NewDBController* sheet = controller.openSection().newDatabaseSheet()) {
                            sheet->reject();
                        }
                    }});
    const std::vector<std::pair<QString, QString>> panes = {
        {QStringLiteral("PGen"), QStringLiteral("preferences-general.png")},
        {QStringLiteral("PUpd"), QStringLiteral("preferences-update.png")},
        {QStringLiteral("PCSV"), QStringLiteral("preferences-export.png")},
    };
    for (const auto& [pane, file] : panes) {
        list.push_back({file,
                        [&controller, pane = pane] {
                            controller.preferences().showPreferences();
                            controller.preferences().showPane(pane);
                        },
                        [&controller]() -> QWidget* { return &controller.preferences(); },
                        [&controller, last = pane == QStringLiteral("PCSV")] {
                            if (last) {
                                controller.preferences().close();
                            }
                        },
                        kPaneSettleMilliseconds});
    }
    list.push_back({QStringLiteral("password-panel.png"),
                    [&controller] {
                        // The panel runs modally; it is grabbed and cancelled
                        // from inside its loop.
                        QTimer::singleShot(0, &controller.passwordPanel(), [&controller] {
                            controller.passwordPanel().field()->setText(QStringLiteral("correct horse"));
                        });
                        QString typed;
                        controller.passwordPanel().askPassword(typed);
                    },
                    [&controller]() -> QWidget* { return &controller.passwordPanel(); },
                    [&controller] { controller.passwordPanel().passwdButtonClick(0); }});
    list.push_back({QStringLiteral("csv-import.png"),
                    [&controller, sampleCsv] {
                        controller.openFileFromFinder(sampleCsv.toStdString());
                        if (ImportCSVWindowController* window = controller.importCSVWindow()) {
                            window->fieldsLabelBox()->setChecked(true);
                            chooseImportType(*window, 3, 4); // Birthday as a date
                            window->resize(760, 470);
                        }
                    },
                    [&controller]() -> QWidget* { return controller.importCSVWindow(); },
                    [&controller] {
                        if (ImportCSVWindowController* window = controller.importCSVWindow()) {
                            window->cancel();
                        }
                    }});
    list.push_back({QStringLiteral("csv-export.png"),
                    [&controller] { controller.menuAction(MenuTag::ExportCSV); },
                    [&controller]() -> QWidget* { return controller.exportCSVWindow(); },
                    [&controller] {
                        if (ExportCSVWindowController* sheet = controller.exportCSVWindow()) {
                            sheet->cancel();
                        }
                    }});
    appendUseShots(list, controller);
    appendDefineShots(list, controller);
    if (findTourCompanion(controller)) {
        appendSyncShots(list, controller);
    }
    return list;
}

} // namespace

int runScreenshotTour(MainController& controller, const QString& folder)
{
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "screenshot tour: cannot make the folder %s\n", qPrintable(folder));
        return 1;
    }
    QTemporaryDir scratch;
    const QString sampleCsv = scratch.filePath(QStringLiteral("Friends.csv"));
    if (!scratch.isValid() || !writeSampleCsv(sampleCsv)) {
        std::fprintf(stderr, "screenshot tour: cannot write the sample CSV file\n");
        return 1;
    }
    controller.mainWindow()->resize(kMainWindowSize);
    qApp->setProperty("tourFolder", folder);
    Tour tour(shots(controller, sampleCsv), folder);
    tour.start();
    return QApplication::exec();
}

} // namespace dossiva
