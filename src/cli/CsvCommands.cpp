// Commands that write a database's records to a CSV file and make a new
// database from one.
#include "cli/CliCommand.h"
#include "cli/ConsoleAlerts.h"
#include "cli/DatabaseResolver.h"

#include "csv/CsvExportSettings.h"
#include "csv/CsvText.h"
#include "fields/FieldModel.h"
#include "library/CsvExporter.h"
#include "library/CsvImportModel.h"
#include "library/DatabaseLibrary.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <charconv>
#include <iostream>
#include <map>
#include <set>

namespace dossiva::cli {

namespace {

std::optional<TextEncoding> encodingNamed(const std::string& name)
{
    static const std::map<std::string, TextEncoding> encodings{{"utf16", TextEncoding::UTF16},
                                                               {"utf8", TextEncoding::UTF8},
                                                               {"macroman", TextEncoding::MacRoman},
                                                               {"latin1", TextEncoding::Latin1},
                                                               {"ascii", TextEncoding::ASCII}};
    const auto found = encodings.find(name);
    return found == encodings.end() ? std::nullopt : std::optional(found->second);
}

std::optional<int> typeNamed(const std::string& name)
{
    static const std::map<std::string, int> types{
        {"small", FieldType::SmallText},  {"large", FieldType::LargeText}, {"number", FieldType::Number},
        {"time", FieldType::Time},        {"date", FieldType::Date},       {"datetime", FieldType::DateTime},
        {"email", FieldType::Email},      {"link", FieldType::Link},       {"checkbox", FieldType::Checkbox},
        {"password", FieldType::Password}};
    const auto found = types.find(name);
    return found == types.end() ? std::nullopt : std::optional(found->second);
}

std::optional<long long> wholeNumber(std::string_view text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// The value after an option, or nullopt when it is missing.
std::optional<std::string> optionValue(const std::vector<std::string>& args, std::size_t& i)
{
    if (i + 1 >= args.size()) {
        return std::nullopt;
    }
    return args[++i];
}

int exportCsv(const std::vector<std::string>& args)
{
    std::vector<std::string> positional;
    std::optional<TextEncoding> encoding;
    bool labels = false;
    std::optional<std::vector<RecordId>> records;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--labels") {
            labels = true;
        } else if (arg == "--encoding") {
            const auto name = optionValue(args, i);
            encoding = name ? encodingNamed(*name) : std::nullopt;
            if (!encoding) {
                return fail("--encoding takes one of utf16, utf8, macroman, latin1, ascii");
            }
        } else if (arg == "--records") {
            const auto list = optionValue(args, i);
            if (!list) {
                return fail("--records takes record ids separated by commas");
            }
            records.emplace();
            for (std::size_t start = 0; start <= list->size();) {
                const std::size_t end = std::min(list->find(',', start), list->size());
                const auto id = wholeNumber(std::string_view(*list).substr(start, end - start));
                if (!id) {
                    return fail("--records: \"" + list->substr(start, end - start) + "\" is not a record id");
                }
                records->push_back(*id);
                start = end + 1;
            }
        } else if (arg.starts_with("--")) {
            return fail("export-csv: unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        return fail("usage: export-csv NAME FILE [--encoding E] [--labels] [--records ID,ID,...]");
    }
    if (!DatabaseResolver::existingPackage(positional[0])) {
        return 1;
    }
    const std::string package = DatabaseLibrary::packageName(positional[0]);
    const std::string shownName = FileManager::deletingPathExtension(package);
    if (!FileManager::isDirectory(Paths::packagePath(package))) {
        return fail("no database named \"" + shownName + "\"");
    }
    if (!encoding) {
        encoding = CsvText::encodingForTag(CsvExportSettings::load().encoding);
    }

    DBManager& db = DBManager::sharedIstance();
    // Exporting must not change the database.
    db.setReadOnly(true);
    const bool loaded = db.openDB(package) && db.loadDbData();
    db.setReadOnly(false);
    if (!loaded) {
        const Failure why = db.lastFailure();
        db.openDB();
        return fail("\"" + shownName + "\" cannot be read as a database", why);
    }
    if (records) {
        std::set<RecordId> known;
        for (const auto& record : db.dbData()) {
            known.insert(record.recordId);
        }
        for (const RecordId id : *records) {
            if (!known.contains(id)) {
                db.openDB();
                return fail("\"" + shownName + "\" has no record with id " + std::to_string(id));
            }
        }
    }
    ConsoleAlerts alerts;
    // Nobody watches a sheet here: no pause after writing.
    CsvExporter exporter(alerts);
    const bool written = exporter.exportCSVFile(positional[1], *encoding, labels, records);
    db.openDB();
    return written ? 0 : 1;
}

// A column named by its label (with --labels) or by its number from 0.
std::optional<std::size_t> columnNamed(const CsvImportModel& model, const std::string& name,
                                       std::string& problem)
{
    const std::size_t columns = model.reader().structure().size();
    if (model.labelsOn()) {
        std::optional<std::size_t> found;
        for (std::size_t column = 0; column < columns; ++column) {
            if (model.name(column) == name) {
                if (found) {
                    problem = "more than one column is labelled \"" + name + "\"";
                    return std::nullopt;
                }
                found = column;
            }
        }
        if (!found) {
            problem = "no column is labelled \"" + name + "\"";
        }
        return found;
    }
    const auto number = wholeNumber(name);
    if (!number || *number < 0 || static_cast<std::size_t>(*number) >= columns) {
        problem = "no column " + name + " (columns are numbered from 0 to " + std::to_string(columns - 1) +
                  "; use --labels to name them by their labels)";
        return std::nullopt;
    }
    return static_cast<std::size_t>(*number);
}

int importCsv(const std::vector<std::string>& args)
{
    std::vector<std::string> positional;
    std::optional<std::string> name;
    std::optional<TextEncoding> encoding;
    std::optional<CsvSeparator> separator;
    std::optional<std::string> mainColumn;
    std::vector<std::pair<std::string, int>> types;
    bool labels = false;
    std::uint64_t largestFile = CsvReader::kDefaultLargestFile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--labels") {
            labels = true;
        } else if (arg == "--max-size") {
            const auto bytes = wholeNumber(optionValue(args, i).value_or(""));
            if (!bytes || *bytes <= 0) {
                return fail("--max-size takes the largest file size to import, in bytes");
            }
            largestFile = static_cast<std::uint64_t>(*bytes);
        } else if (arg == "--name") {
            name = optionValue(args, i);
            if (!name) {
                return fail("--name takes the new database's name");
            }
        } else if (arg == "--encoding") {
            const auto value = optionValue(args, i);
            encoding = value ? encodingNamed(*value) : std::nullopt;
            if (!encoding) {
                return fail("--encoding takes one of utf16, utf8, macroman, latin1, ascii");
            }
        } else if (arg == "--separator") {
            const auto value = optionValue(args, i).value_or("");
            if (value != "comma" && value != "tab" && value != "semicolon") {
                return fail("--separator takes comma, tab or semicolon");
            }
            separator = value == "comma" ? CsvSeparator::Comma
                        : value == "tab" ? CsvSeparator::Tab
                                         : CsvSeparator::Semicolon;
        } else if (arg == "--main") {
            mainColumn = optionValue(args, i);
            if (!mainColumn) {
                return fail("--main takes a column");
            }
        } else if (arg == "--type") {
            // One or more COLUMN=TYPE; a label may hold "=", a type never does.
            const std::size_t first = i + 1;
            while (i + 1 < args.size() && !args[i + 1].starts_with("--") &&
                   args[i + 1].find('=') != std::string::npos) {
                const std::string& assignment = args[++i];
                const std::size_t equals = assignment.rfind('=');
                const auto type = typeNamed(assignment.substr(equals + 1));
                if (!type) {
                    return fail(
                        "--type " + assignment +
                        ": the type is one of small, large, number, time, date, datetime, email, link, "
                        "checkbox, password");
                }
                types.emplace_back(assignment.substr(0, equals), *type);
            }
            if (i + 1 == first) {
                return fail("--type takes COLUMN=TYPE");
            }
        } else if (arg.starts_with("--")) {
            return fail("import-csv: unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 1) {
        return fail(
            "usage: import-csv FILE [--name N] [--encoding E] [--separator comma|tab|semicolon] [--labels] "
            "[--main COLUMN] [--type COLUMN=TYPE ...] [--max-size BYTES]");
    }
    const std::string& file = positional[0];

    CsvImportModel model;
    model.setLargestFile(largestFile);
    if (separator) {
        model.presetSeparator(*separator);
    }
    const CsvReadStatus status =
        encoding ? model.displayName(file, CsvText::tagForEncoding(*encoding)) : model.displayName(file);
    if (status != CsvReadStatus::Done) {
        const bool tooLarge = model.reader().refusal().kind == CsvRefusal::Kind::TooLarge;
        return fail(file + ": " + model.statusMessage() +
                    (tooLarge ? " Use --max-size BYTES to import a larger file." : ""));
    }
    if (model.reader().endsInsideQuotes()) {
        std::cerr
            << "dossiva-cli: note: the file ends inside a quoted value; its last value holds the rest of "
               "the file\n";
    }
    model.fieldsLabel(labels);
    std::string problem;
    if (mainColumn) {
        const auto column = columnNamed(model, *mainColumn, problem);
        if (!column) {
            return fail("--main: " + problem);
        }
        model.setMainField(*column);
    }
    for (const auto& [columnName, type] : types) {
        const auto column = columnNamed(model, columnName, problem);
        if (!column) {
            return fail("--type: " + problem);
        }
        if (model.isMainField(*column)) {
            return fail("--type: \"" + columnName + "\" is the main field, whose type cannot be changed");
        }
        model.setType(*column, type);
    }
    if (!model.importEnabled()) {
        return fail(file + " holds no record to import" + (labels ? " (its only row holds the labels)" : ""));
    }
    ConsoleAlerts alerts;
    const std::string databaseName =
        name.value_or(FileManager::deletingPathExtension(FileManager::lastPathComponent(file)));
    return model.import(alerts, databaseName) ? 0 : 1;
}

const CommandRegistration registration(
    30,
    {
        {"export-csv", "NAME FILE [--encoding E] [--labels] [--records ID,ID,...]",
         "writes a database's records to a CSV file (all of them, or the listed ones in that order);\n"
         "E is utf16, utf8, macroman, latin1 or ascii (default: the export sheet's last choice, else utf8);\n"
         "--labels writes a first row of field labels",
         exportCsv},
        {"import-csv",
         "FILE [--name N] [--encoding E] [--separator comma|tab|semicolon] [--labels] [--main COLUMN] "
         "[--type COLUMN=TYPE ...] [--max-size BYTES]",
         "makes a new database from a CSV file (name: N, else the file's name);\n"
         "without --encoding a UTF-16 byte-order mark is followed, else UTF-8 is read; the separator is\n"
         "guessed from the first line unless given; --labels takes the first row as field names;\n"
         "COLUMN is a label with --labels, else a number from 0; the first column is the main field\n"
         "unless --main says otherwise; TYPE is small, large, number, time, date, datetime, email, link,\n"
         "checkbox or password; dates and times that cannot be read are imported empty and reported;\n"
         "a file larger than --max-size BYTES (default 1 GiB) is refused",
         importCsv},
    });

} // namespace

} // namespace dossiva::cli
