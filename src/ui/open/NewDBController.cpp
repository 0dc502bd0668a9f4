#include "ui/open/NewDBController.h"

#include "ui/open/OpenSectionController.h"
#include "ui/widgets/UiText.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace dossiva {

NewDBController::NewDBController(OpenSectionController& delegate, Alerts& alerts, QWidget* parent)
    : QDialog(parent), m_delegate(delegate), m_alerts(alerts), m_list(new QListWidget(this)),
      m_name(new QLineEdit(this)), m_create(nullptr)
{
    setWindowTitle(tr("New Database"));
    setObjectName(QStringLiteral("NewDatabaseSheet"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("Choose a template for the new database"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);

    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(48, 48));
    m_list->setGridSize(QSize(132, 92));
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMovement(QListView::Static);
    m_list->setWordWrap(true);
    m_list->setMinimumSize(600, 330);
    m_list->setAccessibleName(tr("Templates"));
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        // Only custom templates can be renamed.
        const int row = m_list->row(item);
        if (row >= TemplateCatalog::kBuiltInRows) {
            m_list->editItem(item);
        }
    });
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!m_reloading) {
            renameTemplate(m_list->row(item), item->text());
        }
    });
    layout->addWidget(m_list);

    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = new QLabel(tr("Name:"), this);
    nameLabel->setBuddy(m_name);
    m_name->setAccessibleName(tr("Database name"));
    connect(m_name, &QLineEdit::textChanged, this, [this] { controlTextDidChange(); });
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_name, 1);
    layout->addLayout(nameRow);

    auto* buttons = new QDialogButtonBox(this);
    m_create = buttons->addButton(tr("Create"), QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_create->setDefault(true);
    connect(m_create, &QPushButton::clicked, this, [this] { saveCancel(true); });
    connect(cancel, &QPushButton::clicked, this, [this] { saveCancel(false); });
    layout->addWidget(buttons);
}

void NewDBController::reloadRows()
{
    m_reloading = true;
    m_rows = TemplateCatalog::rows();
    m_list->clear();
    for (const auto& row : m_rows) {
        auto* item = new QListWidgetItem(templateIcon(row.icon), QString::fromStdString(row.name), m_list);
        if (row.custom) {
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            item->setToolTip(tr("Custom template: double-click to rename, Delete to remove"));
        }
    }
    m_reloading = false;
}

void NewDBController::showAttachedTo(QWidget* window)
{
    reloadRows();
    m_name->setText(QStringLiteral("untitled"));
    m_create->setEnabled(true);
    m_list->setCurrentRow(0);
    Q_UNUSED(window);
    setWindowModality(Qt::WindowModal);
    open();
    m_name->setFocus();
    m_name->selectAll();
}

void NewDBController::controlTextDidChange()
{
    QString name = m_name->text();
    name.remove(' ');
    m_create->setEnabled(!name.isEmpty());
}

void NewDBController::saveCancel(bool create)
{
    if (!create) {
        reject();
        return;
    }
    if (!m_create->isEnabled()) {
        return;
    }
    const int row = std::max(0, m_list->currentRow());
    const std::string name = m_name->text().toStdString();
    const bool created =
        row < TemplateCatalog::kBuiltInRows
            ? m_delegate.createNewDatabase(row, name)
            : m_delegate.createNewDatabaseCustomTemplate(m_rows[static_cast<std::size_t>(row)].name, name);
    if (!created) {
        m_alerts.inform(
            "Warning",
            "There is already a database with this name. Enter a name that is different from others.");
        return;
    }
    accept();
}

void NewDBController::tableDeleteKey()
{
    const int row = m_list->currentRow();
    if (row < TemplateCatalog::kBuiltInRows || row >= static_cast<int>(m_rows.size())) {
        return;
    }
    if (TemplateCatalog::deleteCustomTemplate(m_rows[static_cast<std::size_t>(row)].name, m_alerts)) {
        reloadRows();
        m_list->setCurrentRow(0);
    }
}

void NewDBController::renameTemplate(int row, const QString& newName)
{
    if (row < TemplateCatalog::kBuiltInRows || row >= static_cast<int>(m_rows.size())) {
        return;
    }
    TemplateCatalog::renameCustomTemplate(m_rows[static_cast<std::size_t>(row)].name, newName.toStdString(),
                                          m_alerts);
    reloadRows();
    m_list->setCurrentRow(row);
}

void NewDBController::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && m_list->hasFocus()) {
        tableDeleteKey();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace dossiva
