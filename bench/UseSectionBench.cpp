// The Use section on screen (offscreen) with 100,000 records of 12 fields:
// opening the database and showing its first card, a search, a sort,
// showing another record, and building the card form of a 40-field
// database; then the same records as a table: its first screen, a sort
// from its header and scrolling it a screen at a time.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "fields/StructureCodec.h"
#include "platform/Alerts.h"
#include "platform/FilePanels.h"
#include "platform/NotificationCenter.h"
#include "storage/DBManager.h"
#include "ui/app/SectionDelegate.h"
#include "ui/use/RecordTableModel.h"
#include "ui/use/RecordTableView.h"
#include "ui/use/UseRecordListViewController.h"
#include "ui/use/UseSectionController.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace dossiva::bench {

namespace {

constexpr int kRecords = 100000;

class QuietDelegate final : public SectionDelegate {
public:
    void enableUndo(bool) override {}
    void enableRedo(bool) override {}
    void enableAddRecord(bool) override {}
    void enableEmailRecord(bool) override {}
    void setMultipleRecords(bool) override {}
    void enableColumnsMenu(bool) override {}
};

QApplication& application()
{
    static int argc = 1;
    static char name[] = "dossiva-bench";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Never destroyed: a QApplication torn down among the exit handlers runs
    // after Qt's own statics are gone and crashes the end of the run.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// The Use section in a window of its own, with the main window's search
// field, answering no question.
struct ShownSection {
    ShownSection()
    {
        section.setSearchField(&search);
        section.view()->resize(1000, 700);
        section.view()->show();
    }
    QuietDelegate delegate;
    ScriptedAlerts alerts;
    ScriptedFilePanels panels;
    QLineEdit search;
    UseSectionController section{delegate, alerts, panels, [] { return true; }};
};

// A database of 40 fields of every type and one record.
bool makeWideDatabase(const std::string& package)
{
    if (!makeMixedDatabase(package, 1)) {
        return false;
    }
    DBManager& db = DBManager::sharedIstance();
    const int types[] = {FieldType::SmallText, FieldType::Number, FieldType::Date,    FieldType::Choose,
                         FieldType::Email,     FieldType::Link,   FieldType::Checkbox};
    for (int i = 0; db.dbStructure().size() < 40; ++i) {
        const int type = types[static_cast<std::size_t>(i) % std::size(types)];
        if (db.adddbFieldLabel("Extra " + std::to_string(i), type, defaultStructure(type)) < 0) {
            return false;
        }
    }
    return db.loadDbData();
}

void benchUseSection()
{
    application();
    DBManager& db = DBManager::sharedIstance();
    const std::string package = "Use Bench.dossiva";
    if (!makeMixedDatabase(package, kRecords)) {
        std::fprintf(stderr, "cannot build the benchmark database\n");
        return;
    }
    db.openDB();
    ShownSection shown;
    UseSectionController& section = shown.section;
    QLineEdit& search = shown.search;
    std::printf("Use section: %d records, 12 fields\n", kRecords);

    const Figures open = timeRuns(kRuns, [&] {
        db.openDB(package);
        db.loadDbData();
        NotificationCenter::defaultCenter().post(kDBChangedNotification, nullptr);
    });
    printMilliseconds("open and show the first card", open, 0.5);

    Figures searching = timeRuns(kRuns, [&] {
        search.setText(QStringLiteral("quokka"));
        section.startSearch();
        search.setText(QString());
    });
    // Two searches a run: the one that finds nothing and the one that shows every record again.
    searching = {searching.median / 2, searching.min / 2, searching.max / 2};
    printMilliseconds("search (no match) and back to every record", searching, 0.015);

    const Figures sorting = timeRuns(kRuns, [&] { section.sortOrderChanged(); });
    printMilliseconds("sort the other way", sorting, 0.020);

    QListView* list = section.recordList();
    int row = 0;
    const Figures showing = timeRuns(20, [&] {
        row = (row + 7919) % kRecords;
        list->setCurrentIndex(list->model()->index(row, 0));
    });
    printMilliseconds("show another record", showing, 0.005);

    const std::string wide = "Wide Bench.dossiva";
    if (!makeWideDatabase(wide)) {
        std::fprintf(stderr, "cannot build the 40-field database\n");
        return;
    }
    const Figures building =
        timeRuns(kRuns, [&] { NotificationCenter::defaultCenter().post(kDBChangedNotification, nullptr); });
    printMilliseconds("build the card form of 40 fields", building, 0.050);
    db.openDB();
}

// Clicks a header section as a person does: pressed and released on it.
void clickHeader(QHeaderView& header, int section)
{
    const QPointF at(header.sectionViewportPosition(section) + 10, header.height() / 2.0);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, header.viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(header.viewport(), &event);
    }
}

void benchRecordList()
{
    application();
    DBManager& db = DBManager::sharedIstance();
    const std::string package = "List Bench.dossiva";
    if (!makeMixedDatabase(package, kRecords) || !db.loadDbData()) {
        std::fprintf(stderr, "cannot build the benchmark database\n");
        return;
    }
    ShownSection shown;
    UseSectionController& section = shown.section;
    section.listColumnPressed(1);
    // Nothing paints before the window is exposed, which it learns from an
    // event of its own.
    for (int wait = 0; wait < 100 && !section.view()->windowHandle()->isExposed(); ++wait) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    RecordTableView* table = section.listView()->table();
    // The main window sorts the section when a header asks for a new sort.
    const ObserverToken sortingFollows = NotificationCenter::defaultCenter().observe<std::int64_t>(
        kSortingTypeChangedNotification, nullptr, [&section](const std::int64_t& sorting, const void*) {
            section.setSortBy(static_cast<int>(sorting));
        });
    std::printf("Record list: %d records, 12 fields\n", kRecords);

    // The database is read already: the columns, the rows and the
    // painting of the first screen of them.
    const Figures building = timeRuns(kRuns, [&] {
        NotificationCenter::defaultCenter().post(kDBChangedNotification, nullptr);
        table->viewport()->repaint();
    });
    printMilliseconds("build the table and show its first screen", building, 0.300);
    if (!table->isVisible() || table->model()->rowCount() != kRecords) {
        std::fprintf(stderr, "the table does not show the records\n");
        return;
    }

    // The title's header, and the creation date's, in turn: a new sort
    // each time, not a flip of the same one.
    int column = 0;
    const std::optional<std::size_t> title = section.listView()->model()->columns().indexOfSortType(0);
    const Figures sorting = timeRuns(kRuns, [&] {
        column = column == 0 ? static_cast<int>(title.value_or(0)) : 0;
        clickHeader(*table->horizontalHeader(), column);
        table->viewport()->repaint();
    });
    printMilliseconds("sort from a column's header", sorting, 0.050);
    const std::string firstTitle =
        table->model()->index(0, static_cast<int>(title.value_or(0))).data().toString().toStdString();

    QScrollBar* bar = table->verticalScrollBar();
    const Figures scrolling = timeRuns(50, [&] {
        bar->setValue(bar->value() + bar->pageStep());
        table->viewport()->repaint();
    });
    printMilliseconds("scroll one screen", scrolling, 0.016);
    std::printf("  (sorted: \"%s\" first; scrolled to row %d)\n", firstTitle.c_str(), table->rowAt(0));
    db.openDB();
}

const BenchRegistration registration(40, "Use section", benchUseSection);
const BenchRegistration listRegistration(41, "Record list", benchRecordList);

} // namespace

} // namespace dossiva::bench
