#pragma once

#include "fields/FieldModel.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace dossiva {

class Alerts;
class FilePanels;
struct CsvExportChoices;

// The CSV export sheet: encoding, header row, selected records or the whole
// database; then the save panel and the writer.
class ExportCSVWindowController final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExportCSVWindowController)
public:
    ExportCSVWindowController(Alerts& alerts, FilePanels& panels, QWidget* parent = nullptr);

    // Shows the sheet on the window, or, when the "Export CSV" setting is
    // off, goes straight to the save panel with the last choices. selected:
    // the records selected in the Use section, in their order.
    void displayAttachedTo(QWidget* window, std::vector<RecordId> selected);

    // The sheet's buttons.
    void next();
    void cancel();

    QComboBox* encodingPopUp() const { return m_encoding; }
    QCheckBox* fieldsLabelBox() const { return m_fieldsLabel; }
    QRadioButton* selectedRecordsButton() const { return m_selectedRecords; }
    QRadioButton* wholeDatabaseButton() const { return m_wholeDatabase; }

private:
    void restoreChoices();
    void showRecordsChoice();
    CsvExportChoices currentChoices() const;
    void exportWithChoices();

    Alerts& m_alerts;
    FilePanels& m_panels;
    std::vector<RecordId> m_selected;
    QComboBox* m_encoding = nullptr;
    QCheckBox* m_fieldsLabel = nullptr;
    QRadioButton* m_selectedRecords = nullptr;
    QRadioButton* m_wholeDatabase = nullptr;
    // The records choice last stored, kept while the sheet cannot offer it.
    int m_storedRecords = 1;
};

} // namespace dossiva
