// Commands that write a database's records to a CSV file and make a new
// database from one.
#include "cli/ArgumentChecks.h"
#include "cli/CliCommand.h"
#include "cli/ConsoleAlerts.h"
#include "cli/DatabaseResolver.h"
#include "cli/FieldTypeNames.h"
#include "cli/WholeNumber.h"

#include "csv/CsvExportSettings.h"
#include "csv/CsvText.h"
#include "library/CsvExporter.h"
#include "library/CsvImportModel.h"
#include "library/CsvImporter.h"
#include "library/DatabaseLibrary.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dossiva::cli {

namespace {

// "-" names standard output or standard input.
constexpr const char* kStandardStream = "-";

const std::map<std::string, TextEncoding>& encodings()
{
    static const std::map<std::string, TextEncoding> named{{"utf16", TextEncoding::UTF16},
                                                           {"utf8", TextEncoding::UTF8},
                                                           {"macroman", TextEncoding::MacRoman},
                                                           {"latin1", TextEncoding::Latin1},
                                                           {"ascii", TextEncoding::ASCII}};
    return named;
}

bool importable(int type)
{
    return CsvImporter::importsType(type);
}

// A folder of this run's own, removed with it: where a CSV file is made
// before it goes to standard output, or where standard input is kept to be
// read as a file.
class ScratchFolder {
public:
    ScratchFolder() : m_path(makeFolder()) {}
    ~ScratchFolder()
    {
        if (!m_path.empty()) {
            FileManager::removeItem(m_path);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // "" when no folder could be made.
    const std::string& path() const { return m_path; }

private:
    static std::string makeFolder()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/dossiva-cli-XXXXXX";
        return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }

    std::string m_path;
};

// Why a file cannot be written at `path`: its folder is missing or is no
// folder. The exporter itself reports what only writing shows.
std::optional<Failure> destinationProblem(const std::string& path)
{
    struct stat status {};
    const std::string folder = FileManager::parentPath(path);
    if (::stat(folder.c_str(), &status) != 0) {
        return Failure::file(errno, "cannot write " + path + ": ");
    }
    if (!S_ISDIR(status.st_mode)) {
        return Failure::file(ENOTDIR, "cannot write " + path + ": ");
    }
    return std::nullopt;
}

// Why the file cannot be read, naming it and the system's reason.
std::optional<Failure> sourceProblem(const std::string& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return Failure::file(errno, "cannot read " + path + ": ");
    }
    struct stat status {};
    const bool folder = ::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode);
    ::close(descriptor);
    return folder ? std::optional(Failure::file(EISDIR, "cannot read " + path + ": ")) : std::nullopt;
}

// Copies a file to standard output.
bool copyToOutput(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::cout << in.rdbuf();
    std::cout.flush();
    return in.good() || in.eof() ? static_cast<bool>(std::cout) : false;
}

// Keeps standard input (what follows the password line, when there is one)
// in a file, refusing more than `largest` bytes; the path, or nullopt after
// a message.
std::optional<std::string> keepInput(const ScratchFolder& scratch, std::uint64_t largest)
{
    const std::string path = scratch.path() + "/standard input.csv";
    std::ofstream out(path, std::ios::binary);
    std::uint64_t kept = 0;
    char buffer[1 << 16];
    while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
        kept += static_cast<std::uint64_t>(std::cin.gcount());
        if (kept > largest) {
            fail("standard input holds more than " + std::to_string(largest) +
                 " bytes: use --max-size BYTES to import a larger file");
            return std::nullopt;
        }
        out.write(buffer, std::cin.gcount());
    }
    if (!out.flush()) {
        fail("standard input cannot be kept in " + path);
        return std::nullopt;
    }
    return path;
}

CommandRun defineExportCsv(CLI::App& app)
{
    struct Arguments {
        std::string name;
        std::string file;
        std::optional<std::string> encoding;
        bool labels = false;
        std::vector<RecordId> records;
    };
    auto args = std::make_shared<Arguments>();
    addDatabaseName(app, args->name);
    app.add_option("FILE", args->file, "the CSV file to write, or - for standard output")->required();
    app.add_option(
           "--encoding", args->encoding,
           "utf16, utf8, macroman, latin1 or ascii (default: the export sheet's last choice, else utf8)")
        ->check(CLI::IsMember({"utf16", "utf8", "macroman", "latin1", "ascii"}));
    app.add_flag("--labels", args->labels, "write a first row of field labels");
    app.add_option("--records", args->records, "only these records, in this order (ids separated by commas)")
        ->delimiter(',');
    return [args] {
        const auto package = DatabaseResolver::existingPackage(args->name);
        if (!package) {
            return kFailed;
        }
        const bool toOutput = args->file == kStandardStream;
        if (!toOutput) {
            if (const auto problem = destinationProblem(args->file)) {
                return fail(problem->reason);
            }
        }
        const TextEncoding encoding =
            args->encoding
                ? encodings().at(*args->encoding)
                : CsvText::encodingForTag(CsvExportSettings::load().encoding).value_or(TextEncoding::UTF8);
        const std::string shownName = FileManager::deletingPathExtension(*package);
        DBManager& db = DBManager::sharedIstance();
        // Exporting must not change the database.
        db.setReadOnly(true);
        const bool loaded = db.openDB(*package) && db.loadDbData();
        db.setReadOnly(false);
        if (!loaded) {
            const Failure why = db.lastFailure();
            db.openDB();
            return fail("\"" + shownName + "\" cannot be read as a database", why);
        }
        std::set<RecordId> known;
        for (const auto& record : db.dbData()) {
            known.insert(record.recordId);
        }
        for (const RecordId id : args->records) {
            if (!known.contains(id)) {
                db.openDB();
                return fail("\"" + shownName + "\" has no record with id " + std::to_string(id));
            }
        }
        const std::optional<std::vector<RecordId>> records =
            args->records.empty() ? std::nullopt : std::optional(args->records);
        // On standard output the data goes alone; what is said goes to
        // standard error.
        ConsoleAlerts alerts(toOutput ? ConsoleAlerts::Successes::ToStderr
                                      : ConsoleAlerts::Successes::ToStdout);
        CsvExporter exporter(alerts);
        const ScratchFolder scratch;
        if (toOutput && scratch.path().empty()) {
            db.openDB();
            return fail("no folder for the export can be made in the temporary folder");
        }
        const std::string path = toOutput ? scratch.path() + "/" + shownName + ".csv" : args->file;
        const bool written = exporter.exportCSVFile(path, encoding, args->labels, records);
        db.openDB();
        if (written && toOutput && !copyToOutput(path)) {
            return fail("standard output cannot be written");
        }
        return written ? kDone : kFailed;
    };
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
    const auto number = parseWholeNumber(name);
    if (!number || *number < 0 || static_cast<std::size_t>(*number) >= columns) {
        problem = "no column " + name + " (columns are numbered from 0 to " + std::to_string(columns - 1) +
                  "; use --labels to name them by their labels)";
        return std::nullopt;
    }
    return static_cast<std::size_t>(*number);
}

struct ImportArguments {
    std::string file;
    std::optional<std::string> name;
    std::optional<std::string> encoding;
    std::optional<std::string> separator;
    bool labels = false;
    std::optional<std::string> mainColumn;
    std::vector<std::string> types;
    std::uint64_t largestFile = CsvReader::kDefaultLargestFile;
};

// The columns' types from COLUMN=TYPE; false after a message.
bool applyTypes(CsvImportModel& model, const std::vector<std::string>& assignments)
{
    for (const std::string& assignment : assignments) {
        // A label may hold "=", a type never does.
        const std::size_t equals = assignment.rfind('=');
        const auto type =
            equals == std::string::npos ? std::nullopt : typeNamed(assignment.substr(equals + 1), importable);
        if (!type) {
            wrongUsage("import-csv", "--type " + assignment + ": give COLUMN=TYPE, the type one of " +
                                         typeNameList(importable));
            return false;
        }
        const std::string column = assignment.substr(0, equals);
        std::string problem;
        const auto found = columnNamed(model, column, problem);
        if (!found) {
            fail("--type: " + problem);
            return false;
        }
        if (model.isMainField(*found)) {
            fail("--type: \"" + column + "\" is the main field, whose type cannot be changed");
            return false;
        }
        model.setType(*found, *type);
    }
    return true;
}

int importCsv(const ImportArguments& args)
{
    const bool fromInput = args.file == kStandardStream;
    if (fromInput && !args.name) {
        return wrongUsage("import-csv", "standard input has no name: give the new database's with --name");
    }
    const std::string databaseName =
        args.name.value_or(FileManager::deletingPathExtension(FileManager::lastPathComponent(args.file)));
    if (!DatabaseResolver::plainPackage(databaseName)) {
        return kFailed;
    }
    if (FileManager::exists(Paths::packagePath(DatabaseLibrary::packageName(databaseName)))) {
        return fail("a database named \"" + databaseName + "\" already exists: choose another with --name");
    }
    const ScratchFolder scratch;
    std::string file = args.file;
    if (fromInput) {
        const auto kept = scratch.path().empty() ? std::nullopt : keepInput(scratch, args.largestFile);
        if (!kept) {
            return kFailed;
        }
        file = *kept;
    } else if (const auto problem = sourceProblem(file)) {
        return fail(problem->reason);
    }
    CsvImportModel model;
    model.setLargestFile(args.largestFile);
    if (args.separator) {
        model.presetSeparator(*args.separator == "comma" ? CsvSeparator::Comma
                              : *args.separator == "tab" ? CsvSeparator::Tab
                                                         : CsvSeparator::Semicolon);
    }
    const CsvReadStatus status =
        args.encoding ? model.displayName(file, CsvText::tagForEncoding(encodings().at(*args.encoding)))
                      : model.displayName(file);
    if (status != CsvReadStatus::Done) {
        const bool tooLarge = model.reader().refusal().kind == CsvRefusal::Kind::TooLarge;
        if (status == CsvReadStatus::ReadError) {
            const auto problem = sourceProblem(file);
            return fail(problem ? problem->reason : "cannot read " + args.file);
        }
        return fail(args.file + ": " + model.statusMessage() +
                    (tooLarge ? " Use --max-size BYTES to import a larger file." : ""));
    }
    if (model.reader().endsInsideQuotes()) {
        std::cerr
            << "dossiva-cli: note: the file ends inside a quoted value; its last value holds the rest of "
               "the file\n";
    }
    model.fieldsLabel(args.labels);
    if (args.mainColumn) {
        std::string problem;
        const auto column = columnNamed(model, *args.mainColumn, problem);
        if (!column) {
            return fail("--main: " + problem);
        }
        model.setMainField(*column);
    }
    if (!applyTypes(model, args.types)) {
        return kFailed;
    }
    if (!model.importEnabled()) {
        return fail(args.file + " holds no record to import" +
                    (args.labels ? " (its only row holds the labels)" : ""));
    }
    ConsoleAlerts alerts;
    return model.import(alerts, databaseName) ? kDone : kFailed;
}

CommandRun defineImportCsv(CLI::App& app)
{
    auto args = std::make_shared<ImportArguments>();
    app.add_option("FILE", args->file, "the CSV file to read, or - for standard input")->required();
    app.add_option("--name", args->name, "the new database's name (default: the file's, without .csv)");
    app.add_option(
           "--encoding", args->encoding,
           "utf16, utf8, macroman, latin1 or ascii (default: a UTF-16 byte-order mark is followed, else "
           "UTF-8 is read)")
        ->check(CLI::IsMember({"utf16", "utf8", "macroman", "latin1", "ascii"}));
    app.add_option("--separator", args->separator,
                   "comma, tab or semicolon (default: guessed from the first line)")
        ->check(CLI::IsMember({"comma", "tab", "semicolon"}));
    app.add_flag("--labels", args->labels, "the first row holds the field labels");
    app.add_option("--main", args->mainColumn, "the column of the main field (default: the first)");
    app.add_option("--type", args->types,
                   "COLUMN=TYPE ...: a column's type, one of " + typeNameList(importable) +
                       " (default: small text)");
    app.add_option("--max-size", args->largestFile, "the largest file to import, in bytes (default: 1 GiB)")
        ->check(byteCount());
    return [args] { return importCsv(*args); };
}

const CommandRegistration registration(
    30,
    {
        {"export-csv",
         "writes a database's records to a CSV file (all of them, or the listed ones in that order)", "",
         defineExportCsv},
        {"import-csv", "makes a new database from a CSV file",
         "COLUMN is a label with --labels, else a number from 0. Dates and times that cannot be read are\n"
         "imported empty and reported. What records --format csv writes comes back with import-csv --labels\n"
         "(give --type for the columns that are not text).",
         defineImportCsv},
    });

} // namespace

} // namespace dossiva::cli
