#include "ui/csv/ExportCSVWindowController.h"

#include "csv/CsvExportSettings.h"
#include "csv/CsvText.h"
#include "library/CsvExporter.h"
#include "platform/FileManager.h"
#include "platform/FilePanels.h"
#include "storage/DBManager.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <array>

namespace dossiva {

namespace {

// The encoding pop-up's items, by tag.
constexpr std::array<const char*, 5> kEncodingTitles = {
    "Unicode (UTF-16)", "UTF-8", "Mac OS Roman", "ISO Latin 1", "ASCII",
};

} // namespace

ExportCSVWindowController::ExportCSVWindowController(Alerts& alerts, FilePanels& panels, QWidget* parent)
    : QDialog(parent), m_alerts(alerts), m_panels(panels)
{
    setObjectName(QStringLiteral("ExportWindow"));
    setWindowTitle(tr("Export CSV"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(10);

    auto* title = new QLabel(tr("Export records to a CSV file"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);

    auto* form = new QFormLayout;
    form->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setLabelAlignment(Qt::AlignRight);
    m_encoding = new QComboBox(this);
    for (std::size_t tag = 0; tag < kEncodingTitles.size(); ++tag) {
        m_encoding->addItem(tr(kEncodingTitles[tag]), static_cast<int>(tag));
    }
    m_encoding->setAccessibleName(tr("Encoding"));
    form->addRow(tr("&Encoding:"), m_encoding);

    m_fieldsLabel = new QCheckBox(tr("Write the field &names as the first row"), this);
    m_fieldsLabel->setAccessibleName(tr("Write the field names as the first row"));
    form->addRow(QString(), m_fieldsLabel);

    m_selectedRecords = new QRadioButton(tr("&Selected records"), this);
    m_selectedRecords->setAccessibleName(tr("Export the selected records"));
    m_wholeDatabase = new QRadioButton(tr("&Whole database"), this);
    m_wholeDatabase->setAccessibleName(tr("Export the whole database"));
    auto* records = new QButtonGroup(this);
    records->addButton(m_selectedRecords, 0);
    records->addButton(m_wholeDatabase, 1);
    auto* recordsBox = new QVBoxLayout;
    recordsBox->setSpacing(4);
    recordsBox->addWidget(m_selectedRecords);
    recordsBox->addWidget(m_wholeDatabase);
    form->addRow(tr("Export:"), recordsBox);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(this);
    auto* next = buttons->addButton(tr("Continue…"), QDialogButtonBox::AcceptRole);
    next->setObjectName(QStringLiteral("next"));
    next->setAccessibleName(tr("Continue"));
    next->setDefault(true);
    auto* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(next, &QPushButton::clicked, this, &ExportCSVWindowController::next);
    connect(cancel, &QPushButton::clicked, this, &ExportCSVWindowController::cancel);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    restoreChoices();
}

void ExportCSVWindowController::restoreChoices()
{
    const CsvExportChoices choices = CsvExportSettings::load();
    m_encoding->setCurrentIndex(m_encoding->findData(choices.encoding));
    m_fieldsLabel->setChecked(choices.labels);
    m_storedRecords = choices.records;
    showRecordsChoice();
}

void ExportCSVWindowController::showRecordsChoice()
{
    // Without a selection, "selected records" would write an empty file:
    // the choice is offered only when there is something selected, and the
    // stored choice stays for the next time there is.
    const bool hasSelection = !m_selected.empty();
    m_selectedRecords->setEnabled(hasSelection);
    (hasSelection && m_storedRecords == 0 ? m_selectedRecords : m_wholeDatabase)->setChecked(true);
}

CsvExportChoices ExportCSVWindowController::currentChoices() const
{
    CsvExportChoices choices;
    choices.encoding = m_encoding->currentData().toInt();
    choices.labels = m_fieldsLabel->isChecked();
    choices.records =
        m_selectedRecords->isEnabled() ? (m_selectedRecords->isChecked() ? 0 : 1) : m_storedRecords;
    return choices;
}

void ExportCSVWindowController::displayAttachedTo(QWidget* window, std::vector<RecordId> selected)
{
    m_selected = std::move(selected);
    restoreChoices();
    if (!CsvExportSettings::showsSheet()) {
        exportWithChoices();
        return;
    }
    if (window != nullptr && window != parentWidget()) {
        setParent(window, windowFlags());
    }
    setWindowModality(window != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    m_encoding->setFocus();
    open();
}

void ExportCSVWindowController::next()
{
    accept();
    exportWithChoices();
}

void ExportCSVWindowController::cancel()
{
    reject();
}

void ExportCSVWindowController::exportWithChoices()
{
    const std::string& dbName = DBManager::sharedIstance().dbName();
    if (dbName.empty()) {
        return;
    }
    const CsvExportChoices choices = currentChoices();
    const auto path = m_panels.runSavePanel({"csv", FileManager::deletingPathExtension(dbName)});
    // The choices are kept whether or not a file was chosen.
    CsvExportSettings::store(choices);
    if (!path) {
        return;
    }
    const auto encoding = CsvText::encodingForTag(choices.encoding);
    const bool selectedOnly = choices.records == 0 && !m_selected.empty();
    CsvExporter(m_alerts).exportCSVFile(*path, encoding.value_or(TextEncoding::UTF8), choices.labels,
                                        selectedOnly ? std::optional(m_selected) : std::nullopt);
}

} // namespace dossiva
