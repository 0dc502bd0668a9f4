#pragma once

#include "support/TestDatabase.h"
#include "ui/SectionHarness.h"

#include "platform/Alerts.h"
#include "platform/FilePanels.h"
#include "storage/DBManager.h"
#include "ui/use/UseSectionController.h"

#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace dossiva::test {

// A database of the test's own opened in the Use section inside a window
// with the main menu's Undo and Redo, the search field, scripted alerts and
// panels, and a protection password question that answers as told.
class UseSectionFixture : public ::testing::Test {
protected:
    explicit UseSectionFixture(const std::string& name) : package(library.makePackage(name)) {}

    // Opens the database in the section, as selecting it in the Open
    // section does, sorted by title A to Z.
    void open();
    void searchFor(const QString& text);
    // Adds a record of this title and these values, each made a moment
    // after the last.
    RecordId addRecord(const std::string& title, std::vector<std::pair<FieldId, FieldValue>> values = {});

    TestLibrary library;
    DBManager& db = DBManager::sharedIstance();
    std::string package;
    RecordingSectionDelegate delegate;
    ScriptedAlerts alerts;
    ScriptedFilePanels panels;
    QWidget window;
    QLineEdit* search = new QLineEdit(&window);
    std::unique_ptr<UseSectionController> section;
    bool passwordGiven = true;
    int passwordAsked = 0;
    std::int64_t created = 1000;
};

} // namespace dossiva::test
