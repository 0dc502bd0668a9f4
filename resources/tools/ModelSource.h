#pragma once

#include "fields/StructureCodec.h"
#include "storage/FormLayout.h"

#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// A database model written as text, one statement a line:
//
//   field main "Title"
//   field choose "Genre" items "Fiction" "Poetry"
//   field date "Published" now | nonow
//   field checkbox "Read" caption "Yes"
//   field password "Password" ask
//   field large "Notes" height 120
//   field calculation "Total" formula "Price" * "Quantity"
//   layout label_color 0.2 0.2 0.4
//   layout label_font "DejaVu Sans" 13
//   layout label_shadow on
//
// Blank lines and lines starting with # are ignored.
struct ModelField {
    std::string label;
    int type = 0;
    StructureEditorState editor;
    std::optional<double> height;     // large text
    std::vector<std::string> formula; // operand labels and operators
};

struct ModelLayout {
    std::string setting; // label_font, text_color, label_shadow, ...
    std::vector<std::string> values;
};

struct ModelSource {
    std::vector<ModelField> fields;
    std::vector<ModelLayout> layout;
};

// Parses a model's text; on failure gives nullopt and a message naming the line.
std::optional<ModelSource> parseModelSource(const std::string& text, std::string& error);

// The type code of a word of the model language ("main", "small", ...).
std::optional<int> modelTypeCode(const std::string& word);

} // namespace dossiva
