// Builds a database file (the empty base or a template) from its readable
// model source, through the program's own storage code:
//
//   dossiva-models SOURCE.model OUTPUT
#include "ModelSource.h"

#include "fields/StructureCodec.h"
#include "fields/TextNumbers.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace dossiva;

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "dossiva-models: %s\n", message.c_str());
    return 1;
}

std::optional<PropertyList> formulaOf(const ModelField& field, const DBManager& db, std::string& error)
{
    PropertyList::Array components;
    for (const auto& token : field.formula) {
        if (token == "+" || token == "-" || token == "*" || token == "/") {
            components.push_back(PropertyList::Dictionary{{"T", "TO"}, {"N", token}});
            continue;
        }
        const FieldDefinition* operand = nullptr;
        for (const auto& definition : db.dbStructure()) {
            if (definition.name == token && definition.type == FieldType::Number) {
                operand = &definition;
            }
        }
        if (operand == nullptr) {
            error = "formula of '" + field.label + "' names no number field '" + token + "'";
            return std::nullopt;
        }
        components.push_back(PropertyList::Dictionary{{"T", "TN"}, {"N", operand->id}});
    }
    return PropertyList(std::move(components));
}

std::optional<RGBColor> colorOf(const std::vector<std::string>& values)
{
    if (values.size() != 3) {
        return std::nullopt;
    }
    return RGBColor{leadingReal(values[0]), leadingReal(values[1]), leadingReal(values[2]), 1};
}

bool applyLayout(DBManager& db, const ModelLayout& entry)
{
    const auto& v = entry.values;
    if ((entry.setting == "label_font" || entry.setting == "text_font") && v.size() == 2) {
        const FontSpec font{v[0], leadingReal(v[1])};
        entry.setting == "label_font" ? db.setLabelFont(font) : db.setTextFont(font);
        return true;
    }
    if (entry.setting == "label_shadow" || entry.setting == "text_shadow") {
        const bool on = !v.empty() && v[0] == "on";
        entry.setting == "label_shadow" ? db.setLabelShadow(on) : db.setTextShadow(on);
        return true;
    }
    const auto color = colorOf(v);
    if (!color) {
        return false;
    }
    if (entry.setting == "label_color") {
        db.setLabelColor(*color);
    } else if (entry.setting == "text_color") {
        db.setTextColor(*color);
    } else if (entry.setting == "label_shadow_color") {
        db.setLabelShadowColor(*color);
    } else if (entry.setting == "text_shadow_color") {
        db.setTextShadowColor(*color);
    } else {
        return false;
    }
    return true;
}

int build(const ModelSource& model, const std::string& output)
{
    // Work in a private home so the storage code finds its package where it
    // always does.
    std::string home = (std::filesystem::temp_directory_path() / "dossiva-models-XXXXXX").string();
    if (::mkdtemp(home.data()) == nullptr) {
        return fail("cannot make a working folder");
    }
    ::setenv("HOME", home.c_str(), 1);
    const std::string package = "Model.dossiva";
    FileManager::createDirectories(Paths::imagesFolder(package));
    const std::string file = Paths::databaseFile(package);

    int status = 0;
    DBManager db;
    std::string error;
    if (!createEmptyDatabaseFile(file) || !db.openDB(package)) {
        status = fail("cannot create the database");
    }
    for (const auto& field : model.fields) {
        if (status != 0) {
            break;
        }
        PropertyList structure = structureFromEditor(field.type, field.editor);
        if (field.type == FieldType::Calculation) {
            auto formula = formulaOf(field, db, error);
            if (!formula) {
                status = fail(error);
                break;
            }
            structure = std::move(*formula);
        } else if (field.height) {
            structure = PropertyList(PropertyList::Array{PropertyList(*field.height)});
        }
        if (db.adddbFieldLabel(field.label, field.type, structure) < 0) {
            status = fail("cannot add field '" + field.label + "'");
        }
    }
    for (const auto& entry : model.layout) {
        if (status == 0 && !applyLayout(db, entry)) {
            status = fail("bad layout setting '" + entry.setting + "'");
        }
    }
    if (status == 0) {
        FileManager::removeItem(output);
        if (!FileManager::copyItem(file, output)) {
            status = fail("cannot write " + output);
        }
    }
    FileManager::removeItem(home);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        return fail("usage: dossiva-models SOURCE.model OUTPUT");
    }
    std::ifstream in(argv[1]);
    if (!in) {
        return fail(std::string("cannot read ") + argv[1]);
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    const auto model = parseModelSource(text.str(), error);
    if (!model) {
        return fail(std::string(argv[1]) + ": " + error);
    }
    return build(*model, argv[2]);
}
