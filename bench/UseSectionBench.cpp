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
    static QApplication app(argc, argv);
    return app;
}

void reportMilliseconds(const char* what, double seconds, double target)
{
    std::printf("  %-44s %8.1f ms (target %.0f ms)%s\n", what, seconds * 1000, target * 1000,
                seconds <= target ? "" : "  OVER");
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

    const double open = bestOf(3, [&] {
        db.openDB(package);
        db.loadDbData();
        NotificationCenter::defaultCenter().post(kDBChangedNotification, nullptr);
    });
    reportMilliseconds("open and show the first card", open, 0.5);

    const double searching = bestOf(5, [&] {
        search.setText(QStringLiteral("quokka"));
        section.startSearch();
        search.setText(QString());
    });
    reportMilliseconds("search (no match) and back to every record", searching / 2, 0.030);

    const double sorting = bestOf(5, [&] { section.sortOrderChanged(); });
    reportMilliseconds("sort the other way", sorting, 0.050);

    QListView* list = section.recordList();
    int row = 0;
    const double showing = bestOf(20, [&] {
        row = (row + 7919) % kRecords;
        list->setCurrentIndex(list->model()->index(row, 0));
    });
    reportMilliseconds("show another record", showing, 0.005);

    const std::string wide = "Wide Bench.dossiva";
    if (!makeWideDatabase(wide)) {
        std::fprintf(stderr, "cannot build the 40-field database\n");
        return;
    }
    const double building =
        bestOf(5, [&] { NotificationCenter::defaultCenter().post(kDBChangedNotification, nullptr); });
    reportMilliseconds("build the card form of 40 fields", building, 0.050);
    db.openDB();
}

const BenchRegistration registration(40, "Use section", benchUseSection);

} // namespace

} // namespace dossiva::bench
