// The Use section's search and sort over 100,000 records of 12 fields held
// in memory, as loadDbData leaves them: the core's work alone, no file.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "fields/StructureCodec.h"
#include "records/RecordFilter.h"
#include "records/RecordSorter.h"

#include <cstdio>
#include <random>

namespace dossiva::bench {

namespace {

constexpr int kRecords = 100000;
constexpr double kSearchTarget = 0.030;
constexpr double kSortTarget = 0.050;

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

    // A text found nowhere makes every searched field of every record be read.
    std::size_t found = 0;
    const double missing =
        bestOf(5, [&] { found = RecordFilter(structure, "quokka", false).filter(all).size(); });
    std::printf("  search \"quokka\" (no match)     %6.1f ms, %zu found\n", missing * 1000, found);
    const double some =
        bestOf(5, [&] { found = RecordFilter(structure, "Kestrel Linden", false).filter(all).size(); });
    std::printf("  search \"Kestrel Linden\"        %6.1f ms, %zu found\n", some * 1000, found);
    const double choice =
        bestOf(5, [&] { found = RecordFilter(structure, "green", false).filter(all).size(); });
    std::printf("  search \"green\" (a choice)      %6.1f ms, %zu found\n", choice * 1000, found);

    double byTitle = 0;
    double byCreation = 0;
    double byModification = 0;
    for (auto [sorting, time] :
         {std::pair{RecordSorter::ByTitle, &byTitle}, std::pair{RecordSorter::ByCreationDate, &byCreation},
          std::pair{RecordSorter::ByModificationDate, &byModification}}) {
        std::vector<const Record*> list;
        *time = bestOf(5, [&, sorting = sorting] {
            list = all;
            RecordSorter(sorting, false).sort(list);
        });
    }
    std::printf("  sort by title                  %6.1f ms\n", byTitle * 1000);
    std::printf("  sort by creation date          %6.1f ms\n", byCreation * 1000);
    std::printf("  sort by modification date      %6.1f ms\n", byModification * 1000);

    const double search = std::max({missing, some, choice});
    const double sort = std::max({byTitle, byCreation, byModification});
    std::printf("  slowest search %.1f ms (target %.0f ms) %s\n", search * 1000, kSearchTarget * 1000,
                search <= kSearchTarget ? "ok" : "OVER");
    std::printf("  slowest sort   %.1f ms (target %.0f ms) %s\n", sort * 1000, kSortTarget * 1000,
                sort <= kSortTarget ? "ok" : "OVER");
}

const BenchRegistration registration(30, "Searching and sorting records", benchSearchAndSort);

} // namespace
} // namespace dossiva::bench
