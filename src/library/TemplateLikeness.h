#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace dossiva {

// Which template a database was made from, told by its fields, so the
// library can show the template's icon for it: the package stores no word
// of its template, but a database made from one has that template's fields
// (labels and types) among its own. Of the templates that fit, the one
// with the most fields wins, a built-in one before a custom one; the empty
// base names no template.
class TemplateLikeness {
public:
    // Reads the fields of every template (built-in and custom) now.
    TemplateLikeness();

    // The icon name of the template the package's fields come from, or ""
    // when none fits or the package cannot be read.
    std::string iconFor(const std::string& packageName) const;

    using Fields = std::set<std::pair<std::string, long long>>; // label, type

    // The labels and types of a database or template file; empty when it
    // cannot be read.
    static Fields fieldsOf(const std::string& databaseFile);

private:
    struct Known {
        std::string icon;
        Fields fields;
    };
    std::vector<Known> m_templates; // in the catalog's order
};

} // namespace dossiva
