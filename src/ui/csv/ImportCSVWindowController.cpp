#include "ui/csv/ImportCSVWindowController.h"

#include "platform/FileManager.h"
#include "ui/widgets/RadioCellDelegate.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace dossiva {

namespace {

constexpr int kMarkerColumn = static_cast<int>(CsvPreviewColumn::MainMarker);
constexpr int kNameColumn = static_cast<int>(CsvPreviewColumn::Name);
constexpr int kTypeColumn = static_cast<int>(CsvPreviewColumn::Type);
constexpr int kValueColumn = static_cast<int>(CsvPreviewColumn::Value);

constexpr int kTablePage = 0;
constexpr int kMessagePage = 1;

// The encoding pop-up's items, by tag.
constexpr std::array<const char*, 5> kEncodingTitles = {"Unicode", "UTF-8", "Mac OS Roman", "ISO Latin 1",
                                                        "ASCII"};

// The separator pop-up's items, by tag.
constexpr std::array<const char*, 3> kSeparatorTitles = {"Comma ( , )", "Tab", "Semicolon ( ; )"};

// The type pop-up's items, in the order of CsvImportModel::kTypeCodes.
constexpr std::array<const char*, 10> kTypeTitles = {
    "Small text",    "Large text", "Number", "Time",     "Date",
    "Date and time", "E-mail",     "Link",   "Checkbox", "Password",
};
static_assert(kTypeTitles.size() == CsvImportModel::kTypeCodes.size());

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

// Reading a large file takes a moment; the pointer says so meanwhile.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QToolButton* arrowButton(Qt::ArrowType arrow, const QString& name, const QKeySequence& shortcut,
                         QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRaise(true);
    button->setAccessibleName(name);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(name, shortcut.toString(QKeySequence::NativeText)));
    button->setShortcut(shortcut);
    return button;
}

} // namespace

ImportCSVWindowController::ImportCSVWindowController(Alerts& alerts,
                                                     std::function<void(const std::string&)> imported,
                                                     QWidget* parent)
    : QDialog(parent), m_alerts(alerts), m_imported(std::move(imported))
{
    setObjectName(QStringLiteral("ImportWindow"));
    setWindowTitle(tr("Import CSV"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(10);

    m_fileTitle = new QLabel(this);
    QFont bold = m_fileTitle->font();
    bold.setBold(true);
    m_fileTitle->setFont(bold);
    m_fileTitle->setTextFormat(Qt::PlainText);
    layout->addWidget(m_fileTitle);

    layout->addLayout(buildOptions());
    layout->addWidget(buildBody(), 1);

    auto* buttons = new QDialogButtonBox(this);
    m_importButton = buttons->addButton(tr("&Import"), QDialogButtonBox::AcceptRole);
    m_importButton->setObjectName(QStringLiteral("import"));
    m_importButton->setDefault(true);
    auto* cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    cancelButton->setObjectName(QStringLiteral("cancel"));
    connect(m_importButton, &QPushButton::clicked, this, &ImportCSVWindowController::import);
    connect(cancelButton, &QPushButton::clicked, this, &ImportCSVWindowController::cancel);
    // Escape and the window's close button cancel too.
    connect(this, &QDialog::rejected, this, [this] { m_model.cancel(); });
    layout->addWidget(buttons);

    resize(720, 500);
}

QLayout* ImportCSVWindowController::buildOptions()
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    // The pop-ups keep their natural width; the space left goes to the right.
    grid->setColumnStretch(4, 1);

    m_dbName = new QLineEdit(this);
    m_dbName->setAccessibleName(tr("Database name"));
    auto* nameLabel = new QLabel(tr("Database &name:"), this);
    nameLabel->setBuddy(m_dbName);
    grid->addWidget(nameLabel, 0, 0, Qt::AlignRight);
    m_dbName->setMinimumWidth(320);
    grid->addWidget(m_dbName, 0, 1, 1, 3);

    m_encoding = new QComboBox(this);
    for (std::size_t tag = 0; tag < kEncodingTitles.size(); ++tag) {
        m_encoding->addItem(tr(kEncodingTitles[tag]), static_cast<int>(tag));
    }
    m_encoding->setAccessibleName(tr("Encoding"));
    auto* encodingLabel = new QLabel(tr("&Encoding:"), this);
    encodingLabel->setBuddy(m_encoding);
    grid->addWidget(encodingLabel, 1, 0, Qt::AlignRight);
    grid->addWidget(m_encoding, 1, 1);
    connect(m_encoding, &QComboBox::activated, this, [this](int index) {
        const int tag = m_encoding->itemData(index).toInt();
        reread([this, tag] { return m_model.encoding(tag); });
    });

    m_format = new QComboBox(this);
    for (std::size_t tag = 0; tag < kSeparatorTitles.size(); ++tag) {
        m_format->addItem(tr(kSeparatorTitles[tag]), static_cast<int>(tag));
    }
    m_format->setAccessibleName(tr("Separator"));
    auto* formatLabel = new QLabel(tr("&Separator:"), this);
    formatLabel->setBuddy(m_format);
    grid->addWidget(formatLabel, 1, 2, Qt::AlignRight);
    grid->addWidget(m_format, 1, 3);
    connect(m_format, &QComboBox::activated, this, [this](int index) {
        const auto separator = static_cast<CsvSeparator>(m_format->itemData(index).toInt());
        reread([this, separator] { return m_model.format(separator); });
    });

    m_fieldsLabel = new QCheckBox(tr("The &first row holds the field names"), this);
    m_fieldsLabel->setAccessibleName(tr("The first row holds the field names"));
    grid->addWidget(m_fieldsLabel, 2, 1, 1, 3);
    connect(m_fieldsLabel, &QCheckBox::toggled, this, [this](bool on) {
        m_model.fieldsLabel(on);
        reloadTable();
    });
    return grid;
}

QWidget* ImportCSVWindowController::buildBody()
{
    m_body = new QStackedWidget(this);

    auto* tablePage = new QWidget(m_body);
    auto* tableLayout = new QVBoxLayout(tablePage);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setSpacing(6);
    m_table = new QTableWidget(0, 4, tablePage);
    m_table->setObjectName(QStringLiteral("fieldsTable"));
    m_table->setAccessibleName(tr("Fields of the new database"));
    m_table->setHorizontalHeaderLabels({tr("Main"), tr("Field name"), tr("Type"), tr("Value")});
    m_table->horizontalHeaderItem(kMarkerColumn)->setToolTip(tr("The main field names each record"));
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_table->setWordWrap(false);
    m_table->setItemDelegateForColumn(kMarkerColumn, new RadioCellDelegate(m_table));
    auto* header = m_table->horizontalHeader();
    header->setSectionResizeMode(kMarkerColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kNameColumn, QHeaderView::Interactive);
    header->setSectionResizeMode(kTypeColumn, QHeaderView::Interactive);
    header->setSectionResizeMode(kValueColumn, QHeaderView::Stretch);
    header->resizeSection(kNameColumn, 190);
    header->resizeSection(kTypeColumn, 150);
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) { itemChanged(item); });
    tableLayout->addWidget(m_table, 1);

    auto* navigation = new QHBoxLayout;
    m_previous = arrowButton(Qt::LeftArrow, tr("Previous record"),
                             QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), tablePage);
    m_next = arrowButton(Qt::RightArrow, tr("Next record"), QKeySequence(Qt::CTRL | Qt::Key_BracketRight),
                         tablePage);
    m_currentRecordText = new QLabel(tablePage);
    m_currentRecordText->setObjectName(QStringLiteral("currentRecordText"));
    m_currentRecordText->setAlignment(Qt::AlignCenter);
    m_currentRecordText->setMinimumWidth(180);
    connect(m_previous, &QToolButton::clicked, this, [this] { recordNavigation(0); });
    connect(m_next, &QToolButton::clicked, this, [this] { recordNavigation(1); });
    navigation->addStretch(1);
    navigation->addWidget(m_previous);
    navigation->addWidget(m_currentRecordText);
    navigation->addWidget(m_next);
    navigation->addStretch(1);
    tableLayout->addLayout(navigation);
    m_body->insertWidget(kTablePage, tablePage);

    auto* messagePage = new QWidget(m_body);
    auto* messageLayout = new QVBoxLayout(messagePage);
    // Wide side margins keep the wrapped message in a readable column.
    messageLayout->setContentsMargins(80, 0, 80, 0);
    messageLayout->setSpacing(12);
    messageLayout->addStretch(1);
    m_errorIcon = new QLabel(messagePage);
    m_errorIcon->setAlignment(Qt::AlignCenter);
    m_errorIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(40, 40));
    messageLayout->addWidget(m_errorIcon);
    m_errorText = new QLabel(messagePage);
    m_errorText->setObjectName(QStringLiteral("errorText"));
    m_errorText->setWordWrap(true);
    m_errorText->setAlignment(Qt::AlignCenter);
    m_errorText->setTextFormat(Qt::PlainText);
    messageLayout->addWidget(m_errorText);
    messageLayout->addStretch(2);
    m_body->insertWidget(kMessagePage, messagePage);
    return m_body;
}

void ImportCSVWindowController::displayName(const std::string& path)
{
    const std::string fileName = FileManager::lastPathComponent(path);
    m_fileTitle->setText(tr("Import “%1” as a new database").arg(qt(fileName)));
    m_dbName->setText(qt(FileManager::deletingPathExtension(fileName)));
    {
        BusyCursor busy;
        m_model.displayName(path);
    }
    const QSignalBlocker blocker(m_fieldsLabel);
    m_fieldsLabel->setChecked(m_model.labelsOn());
    manageInterface();
    setWindowModality(parentWidget() != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    m_dbName->setFocus();
    open();
}

void ImportCSVWindowController::reread(const std::function<CsvReadStatus()>& read)
{
    // The message page stands in for the table while the file is read.
    m_body->setCurrentIndex(kMessagePage);
    m_errorText->clear();
    {
        BusyCursor busy;
        read();
    }
    manageInterface();
}

void ImportCSVWindowController::manageInterface()
{
    {
        // The pop-ups show what the reader used: the encoding a byte-order
        // mark chose, the separator found on the first line.
        const QSignalBlocker encodingBlocker(m_encoding);
        const QSignalBlocker formatBlocker(m_format);
        m_encoding->setCurrentIndex(m_encoding->findData(m_model.currentEncoding()));
        m_format->setCurrentIndex(m_format->findData(static_cast<int>(m_model.separator())));
    }
    const bool readable = m_model.status() == CsvReadStatus::Done;
    m_errorText->setText(qt(m_model.statusMessage()));
    m_body->setCurrentIndex(readable ? kTablePage : kMessagePage);
    m_errorIcon->setVisible(!readable);
    reloadTable();
}

void ImportCSVWindowController::reloadTable()
{
    const QSignalBlocker blocker(m_table);
    const bool readable = m_model.status() == CsvReadStatus::Done;
    const std::size_t rows = readable ? m_model.numberOfRows() : 0;
    m_table->setRowCount(static_cast<int>(rows));
    for (std::size_t row = 0; row < rows; ++row) {
        showRow(row);
    }
    updatePreview();
}

QTableWidgetItem* ImportCSVWindowController::cell(int line, int column)
{
    QTableWidgetItem* item = m_table->item(line, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        m_table->setItem(line, column, item);
    }
    return item;
}

// Updates the row's cells in place (they may be the ones reporting a change).
void ImportCSVWindowController::showRow(std::size_t row)
{
    const int line = static_cast<int>(row);
    const bool main = m_model.isMainField(row);

    QTableWidgetItem* marker = cell(line, kMarkerColumn);
    marker->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    marker->setCheckState(main ? Qt::Checked : Qt::Unchecked);
    marker->setData(Qt::AccessibleTextRole, main ? tr("Main field") : tr("Make this the main field"));

    const QString name = qt(m_model.name(row));
    QTableWidgetItem* nameItem = cell(line, kNameColumn);
    nameItem->setText(name);
    Qt::ItemFlags nameFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_model.shouldEditTableColumn(CsvPreviewColumn::Name, row)) {
        nameFlags |= Qt::ItemIsEditable;
    }
    nameItem->setFlags(nameFlags);

    auto* types = qobject_cast<QComboBox*>(m_table->cellWidget(line, kTypeColumn));
    if (main) {
        if (types != nullptr) {
            m_table->removeCellWidget(line, kTypeColumn);
        }
        QTableWidgetItem* type = cell(line, kTypeColumn);
        type->setText(tr("Main field"));
        type->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        type->setToolTip(tr("The main field is text; its type cannot be changed"));
    } else {
        if (types == nullptr) {
            types = typePopUp(row);
            m_table->setCellWidget(line, kTypeColumn, types);
        }
        if (QTableWidgetItem* type = m_table->item(line, kTypeColumn)) {
            type->setText(QString());
            type->setToolTip(QString());
        }
        types->setCurrentIndex(m_model.typeIndex(row));
        types->setAccessibleName(tr("Type of %1").arg(name));
    }

    cell(line, kValueColumn)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}

QComboBox* ImportCSVWindowController::typePopUp(std::size_t row)
{
    auto* types = new QComboBox;
    types->setFrame(false);
    for (const char* title : kTypeTitles) {
        types->addItem(tr(title));
    }
    connect(types, &QComboBox::activated, this, [this, row](int index) {
        if (m_model.setTypeIndex(row, index)) {
            updatePreview();
        }
    });
    return types;
}

void ImportCSVWindowController::updatePreview()
{
    {
        const QSignalBlocker blocker(m_table);
        for (int line = 0; line < m_table->rowCount(); ++line) {
            const QString text = qt(m_model.previewValue(static_cast<std::size_t>(line)));
            QTableWidgetItem* value = m_table->item(line, kValueColumn);
            // One line in the cell; the whole value in the tooltip.
            value->setText(QString(text).replace(QLatin1Char('\n'), QChar(0x21B5)));
            value->setToolTip(text);
        }
    }
    const bool readable = m_model.status() == CsvReadStatus::Done;
    m_currentRecordText->setText(readable ? qt(m_model.caption()) : QString());
    m_previous->setEnabled(readable && m_model.canShowPrevious());
    m_next->setEnabled(readable && m_model.canShowNext());
    m_importButton->setEnabled(readable && m_model.importEnabled());
}

void ImportCSVWindowController::itemChanged(QTableWidgetItem* item)
{
    const auto row = static_cast<std::size_t>(item->row());
    if (item->column() == kMarkerColumn) {
        if (item->checkState() == Qt::Checked) {
            m_model.setMainField(row);
        }
        // Exactly one main field: the former one is unmarked, and a main
        // field cannot be unmarked on its own.
        reloadTable();
    } else if (item->column() == kNameColumn) {
        const QString name = item->text().trimmed();
        if (!name.isEmpty()) {
            m_model.setName(row, name.toStdString());
        }
        // The cell shows the name the field gets; a field needs one, so an
        // emptied cell goes back to the name it had.
        const QSignalBlocker blocker(m_table);
        item->setText(qt(m_model.name(row)));
    }
}

void ImportCSVWindowController::recordNavigation(int segment)
{
    m_model.recordNavigation(segment);
    updatePreview();
}

void ImportCSVWindowController::import()
{
    if (!m_importButton->isEnabled()) {
        return;
    }
    const auto package = m_model.import(m_alerts, m_dbName->text().toStdString());
    if (!package) {
        // The user has been told why; the window stays for another try.
        return;
    }
    if (m_imported) {
        m_imported(*package);
    }
    accept();
}

void ImportCSVWindowController::cancel()
{
    reject();
}

} // namespace dossiva
