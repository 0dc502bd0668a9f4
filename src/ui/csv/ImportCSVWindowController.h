#pragma once

#include "library/CsvImportModel.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QLayout;
class QStackedWidget;
class QTableWidget;
class QTableWidgetItem;
class QToolButton;

namespace dossiva {

class Alerts;

// The CSV import window: the file read in a chosen encoding and separator,
// its columns as proposed fields with a preview of one record at a time,
// and the import into a new database. The logic is CsvImportModel's.
class ImportCSVWindowController final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImportCSVWindowController)
public:
    // imported is called with the new package's name after a successful
    // import (the Open section registers it).
    ImportCSVWindowController(Alerts& alerts, std::function<void(const std::string&)> imported,
                              QWidget* parent = nullptr);

    // Shows the window as a sheet and reads the file.
    void displayName(const std::string& path);

    CsvImportModel& model() { return m_model; }
    QTableWidget* table() const { return m_table; }
    QLabel* currentRecordText() const { return m_currentRecordText; }
    QLabel* errorText() const { return m_errorText; }
    QCheckBox* fieldsLabelBox() const { return m_fieldsLabel; }
    QComboBox* encodingPopUp() const { return m_encoding; }
    QComboBox* formatPopUp() const { return m_format; }
    QLineEdit* dbNameField() const { return m_dbName; }
    QPushButton* importButton() const { return m_importButton; }
    QToolButton* previousButton() const { return m_previous; }
    QToolButton* nextButton() const { return m_next; }

    void import();
    void cancel();

private:
    QLayout* buildOptions();
    QWidget* buildBody();
    // Reads the file again with a changed encoding or separator.
    void reread(const std::function<CsvReadStatus()>& read);
    // The table, or the message saying why the file could not be read.
    void manageInterface();
    void reloadTable();
    void showRow(std::size_t row);
    QTableWidgetItem* cell(int line, int column);
    QComboBox* typePopUp(std::size_t row);
    // The previewed record's values, the caption and the buttons' states.
    void updatePreview();
    void itemChanged(QTableWidgetItem* item);
    void recordNavigation(int segment);

    Alerts& m_alerts;
    std::function<void(const std::string&)> m_imported;
    CsvImportModel m_model;
    QTableWidget* m_table = nullptr;
    QLabel* m_currentRecordText = nullptr;
    QLabel* m_errorText = nullptr;
    QCheckBox* m_fieldsLabel = nullptr;
    QComboBox* m_encoding = nullptr;
    QComboBox* m_format = nullptr;
    QLineEdit* m_dbName = nullptr;
    QPushButton* m_importButton = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QStackedWidget* m_body = nullptr;
    QLabel* m_fileTitle = nullptr;
    QLabel* m_errorIcon = nullptr;
};

} // namespace dossiva
