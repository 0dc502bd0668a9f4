#include "support/DatabaseState.h"

#include "support/Files.h"
#include "support/TestDatabase.h"

#include "platform/FileManager.h"

#include <algorithm>
#include <functional>
#include <sstream>
#include <vector>

namespace dossiva::test {

std::string fileDigest(const std::string& path)
{
    const auto bytes = FileManager::exists(path) ? FileManager::readFile(path) : std::nullopt;
    return bytes ? std::to_string(std::hash<std::string>{}(std::string(bytes->begin(), bytes->end())))
                 : std::string("missing");
}

std::string databaseState(const std::string& package, RecordDates dates)
{
    const std::string file = package + "/database.db";
    if (!FileManager::exists(file)) {
        return "absent";
    }
    if (sqliteShell(file, "pragma integrity_check") != "ok\n") {
        return "corrupt";
    }
    std::string columns = dates == RecordDates::Compared ? "create_date||'|'||edit_date" : "'-|-'";
    std::vector<bool> picture{false, false};
    std::string state;
    for (const auto& field : textLines(sqliteShell(file, "select id,field_type,field_name from fields_table "
                                                         "order by id"))) {
        const auto first = field.find('|');
        const auto second = field.find('|', first + 1);
        columns += "||'|'||\"" + field.substr(0, first) + "\"";
        picture.push_back(field.substr(first + 1, second - first - 1) == "7");
        state += field.substr(second + 1) + ";";
    }
    std::vector<std::string> records;
    for (const auto& row : textLines(sqliteShell(file, "select " + columns + " from data_table"))) {
        std::string record;
        std::istringstream values(row);
        std::size_t column = 0;
        for (std::string value; std::getline(values, value, '|'); ++column) {
            if (column < picture.size() && picture[column] && value != "0" && !value.empty()) {
                const std::string path = package + "/images/" + value;
                value = "picture " + fileDigest(path) + " hd " + fileDigest(path + "_hd");
            }
            record += value + "|";
        }
        records.push_back(record);
    }
    std::sort(records.begin(), records.end());
    for (const auto& record : records) {
        state += "\n" + record;
    }
    return state;
}

} // namespace dossiva::test
