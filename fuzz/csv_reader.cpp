// The CSV reader on files of every encoding it reads, the byte-order mark
// guess included, with the separator guessed or set.
#include "FuzzInput.h"

#include "csv/CsvReader.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace dossiva;

namespace {

// One file, rewritten for each input, in a private folder of a memory file
// system when there is one: the reader takes paths, as the application
// gives it.
const std::string& inputFile()
{
    static const std::string path = [] {
        std::string folder =
            (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/dossiva-fuzz-XXXXXX");
        if (mkdtemp(folder.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        static std::string removeAtExit;
        removeAtExit = folder;
        std::atexit([] {
            std::remove((removeAtExit + "/input.csv").c_str());
            rmdir(removeAtExit.c_str());
        });
        return folder + "/input.csv";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const unsigned encodingChoice = input.choose(6);
    const unsigned separatorChoice = input.choose(4);
    std::optional<TextEncoding> encoding;
    if (encodingChoice < 5) {
        encoding = static_cast<TextEncoding>(encodingChoice);
    }
    {
        std::ofstream file(inputFile(), std::ios::binary | std::ios::trunc);
        file.write(input.rest().data(), static_cast<std::streamsize>(input.rest().size()));
    }
    CsvReader reader;
    if (separatorChoice < 3) {
        reader.setSeparator(static_cast<CsvSeparator>(separatorChoice));
    }
    if (reader.importCSVFile(inputFile(), encoding) == CsvReadStatus::Done) {
        // Every row fits the fields proposed for the file, and they fit a
        // database.
        if (reader.structure().size() > CsvReader::largestColumnCount()) {
            std::abort();
        }
        for (std::size_t row = 0; row < reader.data().size(); ++row) {
            if (reader.data().cellCount(row) > reader.structure().size()) {
                std::abort();
            }
        }
        // A file is parsed in place, over its own text: its rows must be
        // those of the same text parsed into a buffer of their own.
        if (reader.usedEncoding() == TextEncoding::UTF8) {
            std::string_view text = input.rest();
            if (text.starts_with("\xEF\xBB\xBF")) {
                text.remove_prefix(3);
            }
            const auto rows = CsvReader::parseCSVString(text, reader.separator());
            if (rows.size() != reader.data().size()) {
                std::abort();
            }
            for (std::size_t row = 0; row < rows.size(); ++row) {
                if (reader.data().row(row) != rows[row]) {
                    std::abort();
                }
            }
        }
    }
    CsvReader::parseCSVString(input.rest(), static_cast<CsvSeparator>(separatorChoice % 3));
    return 0;
}
