// The Use section's search and sort over 100,000 records of 12 fields held
// in memory, as loadDbData leaves them: the core's work alone, no file.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "fields/StructureCodec.h"
#include "records/RecordFilter.h"
#include "records/RecordSorter.h"
#include "records/ShownRecords.h"

#include <cstdio>
#include <random>

namespace dossiva::bench {

namespace {

constexpr int kRecords = 100000;
constexpr double kSearchTarget = 0.015;
constexpr double kSortTarget = 0.020;

std::vector<FieldDefinition> mixedStructure()
{
    const int types[] = {FieldType::Main,   FieldType::SmallText, FieldType::LargeText, FieldType::Number,
                         FieldType::Date,   FieldType::Time,      FieldType::DateTime,  FieldType::Image,
                         FieldType::Choose, FieldType::Email,     FieldType::Checkbox,  FieldType::Password};
    std::vector<FieldDefinition> structure;
    for (int type : types) {
        const auto id = static_cast<FieldId>(structure.size() + 1);
        PropertyList options = type == FieldType::Choose
                                   ? PropertyList(PropertyList::Array{
                                         PropertyList("Red"), PropertyList("Green"), PropertyList("Blue")})
                                   : defaultStructure(type);
        structure.push_back(
            {id, "Field " + std::to_string(id), type, std::move(options), static_cast<int>(id), 0});
    }
    return structure;
}

// Values of the kinds and sizes loadDbData gives, in the same mix as the
// load benchmark's file.
std::vector<Record> mixedRecords()
{
    std::mt19937 random(42);
    std::vector<Record> records;
    records.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        const std::int64_t when = 900000000 + static_cast<std::int64_t>(random() % 800000000);
        Record record{i + 1, std::to_string(when), i % 7 == 0 ? "0" : std::to_string(when + 3600), {}};
        record.values.reserve(12);
        record.values.emplace_back(1, FieldValue::text((i % 3 ? "Record " : "record ") + std::to_string(i) +
                                                       " " + words(random, 2)));
        record.values.emplace_back(2, FieldValue::text(words(random, 2)));
        record.values.emplace_back(3, FieldValue::text(words(random, 10 + static_cast<int>(random() % 20))));
        record.values.emplace_back(
            4, FieldValue::text(std::to_string(random() % 100000) + "." + std::to_string(random() % 100)));
        record.values.emplace_back(5, FieldValue::text(std::to_string(when)));
        record.values.emplace_back(6, FieldValue::text(std::to_string(when + 60)));
        record.values.emplace_back(7, FieldValue::dateTime(std::to_string(when), std::to_string(when + 120)));
        record.values.emplace_back(8, FieldValue::integer(i % 10 == 0 ? 1 + random() % 2000000000 : 0));
        record.values.emplace_back(9, FieldValue::integer(static_cast<std::int64_t>(random() % 4) - 1));
        record.values.emplace_back(10,
                                   FieldValue::text(words(random, 1) + std::to_string(i) + "@example.org"));
        record.values.emplace_back(11, FieldValue::text(random() % 2 ? "1" : "0"));
        record.values.emplace_back(12, FieldValue::password("pw-" + std::to_string(random())));
        records.push_back(std::move(record));
    }
    return records;
}

void benchSearchAndSort()
{
    const std::vector<FieldDefinition> structure = mixedStructure();
    const std::vector<Record> records = mixedRecords();
    const std::vector<const Record*> all = recordPointers(records);
    std::printf("search and sort: %d records, %zu fields\n", kRecords, structure.size());

    // A text found nowhere makes every searched field of every record be
    // read. The Use section keeps the records' lowered texts between
    // searches; the first search after a change lowers them again.
    const std::uint64_t revision = 1;
    ShownRecords shown;
    const auto search = [&](const char* text) {
        const Figures time = timeRuns(kRuns, [&] {
            shown.reset(records);
            shown.search(structure, text, false, revision);
        });
        printMilliseconds("search \"" + std::string(text) + "\" (" + std::to_string(shown.size()) + " found)",
                          time, kSearchTarget);
    };
    search("quokka");
    search("Kestrel Linden");
    search("green");
    std::uint64_t changed = revision;
    const Figures first = timeRuns(kRuns, [&] {
        shown.reset(records);
        shown.search(structure, "quokka", false, ++changed);
    });
    printSeconds("first", first, "search after the records changed (for information)");

    for (auto [sorting, label] : {std::pair{RecordSorter::ByTitle, "sort by title"},
                                  std::pair{RecordSorter::ByCreationDate, "sort by creation date"},
                                  std::pair{RecordSorter::ByModificationDate, "sort by modification date"}}) {
        std::vector<const Record*> list;
        const Figures time = timeRuns(
            kRuns, [&, sorting = sorting] { RecordSorter(sorting, false).sort(list); }, [&] { list = all; });
        printMilliseconds(label, time, kSortTarget);
    }
}

const BenchRegistration registration(30, "Searching and sorting records", benchSearchAndSort);

} // namespace
} // namespace dossiva::bench
