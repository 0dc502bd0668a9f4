// The Use section on screen (offscreen) with 100,000 records of 12 fields:
// opening the database and showing its first card, a search, a sort,
// showing another record, and building the card form of a 40-field
// database.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "fields/StructureCodec.h"
#include "platform/Alerts.h"
#include "platform/FilePanels.h"
#include "platform/NotificationCenter.h"
#include "storage/DBManager.h"
#include "ui/app/SectionDelegate.h"
#include "ui/use/UseSectionController.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>

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
    QuietDelegate delegate;
    ScriptedAlerts alerts;
    ScriptedFilePanels panels;
    QLineEdit search;
    UseSectionController section(delegate, alerts, panels, [] { return true; });
    section.setSearchField(&search);
    section.view()->resize(1000, 700);
    section.view()->show();
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

const BenchRegistration registration(40, "Use section", benchUseSection);

} // namespace

} // namespace dossiva::bench
