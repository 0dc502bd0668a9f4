#pragma once

#include "fields/FieldModel.h"
#include "platform/Image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dossiva::test {

// A small picture of one colour, for records that hold pictures.
ImagePtr solidPicture(std::uint8_t red);

// A package the sync tests share: a main field "Title", a text field
// "Note", a picture field "Photo" and a choice field "Kind", and records
// added with given texts and dates. Each function works on the package that
// is open in the shared DBManager.
struct SampleFields {
    FieldId title = 0;
    FieldId note = 0;
    FieldId photo = 0;
    FieldId kind = 0;
};

// Makes NAME.dossiva with the sample fields (the main field renamed
// "Title") and leaves it open.
SampleFields makeSamplePackage(const std::string& name);
// Adds a record to the open database; returns its id.
RecordId addSampleRecord(const SampleFields& fields, const std::string& title, std::int64_t created,
                         std::int64_t modified, ImagePtr photo = nullptr);
// Sets the open database's sync and edit dates.
void setSampleDates(std::int64_t edit, std::int64_t sync);

// The titles of a package's records in order, each as "title" or, with
// pictures, "title+photo" when the picture file it names exists and reads.
std::vector<std::string> recordTitles(const std::string& packageName);
// The texts of a database file's field labels, in form order.
std::vector<std::string> fieldLabels(const std::string& packageName);

} // namespace dossiva::test
