#include "ui/open/OpenSectionController.h"

#include "platform/FileManager.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "ui/open/DatabaseListView.h"
#include "ui/open/NewDBController.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/UiText.h"
#include "ui/widgets/WelcomeView.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace dossiva {

namespace {

constexpr int kMinimumListWidth = 199;
constexpr int kMinimumDetailsWidth = 542;
constexpr int kThumbnailSize = 40;

QString displayName(const std::string& packageName)
{
    return QString::fromStdString(FileManager::deletingPathExtension(packageName));
}

} // namespace

OpenSectionController::OpenSectionController(Alerts& alerts, OpenSectionDelegate& delegate, QObject* parent)
    : QObject(parent), m_alerts(alerts), m_delegate(delegate), m_library(alerts)
{
    buildView();
    loadDbArray();
}

OpenSectionController::~OpenSectionController()
{
    listen(false);
    delete m_view;
}

QWidget* OpenSectionController::view()
{
    return m_view;
}

void OpenSectionController::setFirstResponder()
{
    m_list->setFocus();
}

void OpenSectionController::buildView()
{
    m_view = new QWidget;
    m_view->setObjectName(QStringLiteral("OpenSection"));
    auto* layout = new QVBoxLayout(m_view);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Horizontal, m_view);
    layout->addWidget(m_splitter);

    // The list pane: a header with the sort direction, the list, and the
    // add and remove buttons.
    auto* listPane = new QWidget(m_splitter);
    auto* listLayout = new QVBoxLayout(listPane);
    listLayout->setContentsMargins(8, 8, 4, 8);
    auto* header = new QHBoxLayout;
    auto* title = new QLabel(tr("Databases"), listPane);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    header->addWidget(title);
    header->addStretch();
    m_sortButton = new QToolButton(listPane);
    m_sortButton->setAutoRaise(true);
    m_sortButton->setAccessibleName(tr("Sort direction"));
    connect(m_sortButton, &QToolButton::clicked, this, [this] { sortOrderChanged(); });
    header->addWidget(m_sortButton);
    listLayout->addLayout(header);

    m_list = new DatabaseListView(listPane);
    m_list->setObjectName(QStringLiteral("DatabaseList"));
    m_list->setAccessibleName(tr("Databases"));
    m_list->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    m_list->setSpacing(2);
    m_list->setUniformItemSizes(true);
    // Only a selection is a choice: the row the focus lands on opens nothing.
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_redisplaying) {
            selectionChanged();
        }
    });
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!m_redisplaying) {
            renameFromList(item);
        }
    });
    connect(m_list, &DatabaseListView::deleteRequested, this, [this] { tableDeleteKey(); });
    connect(m_list, &DatabaseListView::pictureDoubleClicked, this,
            [this] { m_delegate.showUseSectionFromOpen(); });
    connect(m_list, &DatabaseListView::nameDoubleClicked, this, [this] { editPressed(); });
    listLayout->addWidget(m_list);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    m_addButton = new QToolButton(listPane);
    m_addButton->setIcon(uiIcon("list-add"));
    m_addButton->setToolTip(tr("New database"));
    m_addButton->setAccessibleName(tr("New database"));
    connect(m_addButton, &QToolButton::clicked, this, [this] { addRemovePressed(0); });
    m_removeButton = new QToolButton(listPane);
    m_removeButton->setIcon(uiIcon("list-remove"));
    m_removeButton->setToolTip(tr("Delete database"));
    m_removeButton->setAccessibleName(tr("Delete database"));
    connect(m_removeButton, &QToolButton::clicked, this, [this] { addRemovePressed(1); });
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_removeButton);
    buttons->addStretch();
    listLayout->addLayout(buttons);

    // The details pane: the welcome message while the library is empty,
    // otherwise the open database's picture, name, dates and record count.
    m_detailStack = new QStackedWidget(m_splitter);
    m_welcome = new WelcomeView({}, {}, m_detailStack);
    m_detailStack->addWidget(m_welcome);

    auto* details = new QWidget(m_detailStack);
    auto* detailLayout = new QVBoxLayout(details);
    detailLayout->setContentsMargins(32, 32, 32, 32);
    m_picture = new QLabel(details);
    m_picture->setFixedSize(128, 128);
    m_picture->setAlignment(Qt::AlignCenter);
    m_nameLabel = new ElidedLabel(details);
    m_nameLabel->setObjectName(QStringLiteral("DatabaseName"));
    m_nameLabel->setAccessibleName(tr("Database name"));
    m_nameLabel->setAccessibleDescription(tr("Click twice to rename"));
    QFont large = m_nameLabel->font();
    large.setPointSizeF(large.pointSizeF() * 1.7);
    large.setBold(true);
    m_nameLabel->setFont(large);
    connect(m_nameLabel, &ElidedLabel::clicked, this, [this] { nameClicked(); });
    auto* top = new QHBoxLayout;
    top->addWidget(m_picture);
    top->addSpacing(16);
    top->addWidget(m_nameLabel, 1, Qt::AlignVCenter);
    detailLayout->addLayout(top);
    detailLayout->addSpacing(24);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    m_created = new QLabel(details);
    m_edited = new QLabel(details);
    m_synced = new QLabel(details);
    m_records = new QLabel(details);
    for (QLabel* label : {m_created, m_edited, m_synced, m_records}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    form->addRow(tr("Created:"), m_created);
    form->addRow(tr("Last edited:"), m_edited);
    form->addRow(tr("Last synced:"), m_synced);
    form->addRow(tr("Contents:"), m_records);
    detailLayout->addLayout(form);
    detailLayout->addStretch();
    m_useButton = new QPushButton(uiIcon("document-edit"), tr("Use Database"), details);
    m_useButton->setAccessibleName(tr("Use database"));
    connect(m_useButton, &QPushButton::clicked, this, [this] { m_delegate.showUseSectionFromOpen(); });
    detailLayout->addWidget(m_useButton, 0, Qt::AlignRight);
    m_detailStack->addWidget(details);

    m_splitter->addWidget(listPane);
    m_splitter->addWidget(m_detailStack);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setChildrenCollapsible(false);
    listPane->setMinimumWidth(kMinimumListWidth);
    m_detailStack->setMinimumWidth(kMinimumDetailsWidth);
    m_splitter->setSizes({260, 640});
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] { clampSplitter(); });

    const bool ascending = UserDefaults::standard().integerForKey("DBSortOrder") != 0;
    m_sortButton->setIcon(uiIcon(ascending ? "view-sort-ascending" : "view-sort-descending"));
}

void OpenSectionController::clampSplitter()
{
    QList<int> sizes = m_splitter->sizes();
    if (sizes.size() == 2 && sizes[0] < kMinimumListWidth) {
        const int total = sizes[0] + sizes[1];
        m_splitter->setSizes({kMinimumListWidth, total - kMinimumListWidth});
    }
}

QIcon OpenSectionController::thumbnail(const LibraryEntry& entry)
{
    QPixmap canvas(kThumbnailSize * 2, kThumbnailSize * 2);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(2, 2, canvas.width() - 4, canvas.height() - 4), 12, 12);
    painter.setClipPath(rounded);
    if (const ImagePtr background = m_library.backgroundThumbnail(entry.name, canvas.width())) {
        painter.drawImage(canvas.rect(), toQImage(*background));
    } else {
        // Without a background of its own, the icon of the template it was
        // made from tells databases apart.
        const std::string icon = m_library.templateIcon(entry.name);
        painter.fillRect(canvas.rect(), m_list->palette().base());
        const QIcon shown = icon.empty() ? appIcon() : templateIcon(icon);
        const int inset = canvas.width() / 8;
        shown.paint(&painter, canvas.rect().adjusted(inset, inset, -inset, -inset));
    }
    painter.setClipping(false);
    painter.setPen(QPen(QColor(0, 0, 0, 60), 2));
    painter.drawPath(rounded);
    return QIcon(canvas);
}

void OpenSectionController::redisplay(const std::optional<std::string>& selected)
{
    m_redisplaying = true;
    m_list->clear();
    for (const auto& entry : m_library.dbList()) {
        auto* item = new QListWidgetItem(thumbnail(entry), displayName(entry.name), m_list);
        item->setData(Qt::UserRole, QString::fromStdString(entry.name));
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        if (selected && entry.name == *selected) {
            m_list->setCurrentItem(item);
        }
    }
    m_redisplaying = false;
    m_removeButton->setEnabled(selectedDatabase().has_value());
    if (!selectedDatabase()) {
        showWelcome();
    }
}

void OpenSectionController::showWelcome()
{
    if (m_library.dbList().empty()) {
        m_welcome->setText(
            tr("Welcome to Dossiva"),
            tr("Your library is empty.\n\nUse the \"+\" button to create a database, empty or "
               "from one of the templates, or import a database or a CSV file from the File menu."));
    } else {
        m_welcome->setText({}, tr("Choose a database in the list to see its details and work with it."));
    }
    m_detailStack->setCurrentWidget(m_welcome);
}

std::optional<std::string> OpenSectionController::selectedDatabase() const
{
    const QList<QListWidgetItem*> selected = m_list ? m_list->selectedItems() : QList<QListWidgetItem*>();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return selected.front()->data(Qt::UserRole).toString().toStdString();
}

void OpenSectionController::selectDatabase(const std::string& packageName)
{
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        if (item->data(Qt::UserRole).toString().toStdString() == packageName) {
            if (item->isSelected()) {
                selectionChanged();
            } else {
                m_list->setCurrentItem(item);
            }
            m_list->scrollToItem(item);
            return;
        }
    }
}

void OpenSectionController::loadDbArray()
{
    listen(false);
    // Read again after a sync or restore, the list keeps the database chosen
    // before, when it is still there.
    const auto selected = selectedDatabase();
    m_library.loadDbArray();
    redisplay(selected);
    updateDetails();
}

void OpenSectionController::openPrevious()
{
    if (const auto previous = m_library.openPrevious()) {
        selectDatabase(*previous);
    }
}

void OpenSectionController::rememberOpenedDB()
{
    DatabaseLibrary::rememberOpenedDB(selectedDatabase());
}

void OpenSectionController::selectionChanged()
{
    m_removeButton->setEnabled(selectedDatabase().has_value());
    updateDetails();
    NotificationCenter::defaultCenter().post(kDBChangedNotification, this);
}

void OpenSectionController::updateDetails()
{
    listen(false);
    DBManager& db = DBManager::sharedIstance();
    const auto selected = selectedDatabase();
    m_useButton->setEnabled(selected.has_value());
    m_removeButton->setEnabled(selected.has_value());
    if (!selected) {
        db.openDB();
        showWelcome();
        return;
    }
    m_detailStack->setCurrentIndex(1);
    db.openDB(*selected);
    db.loadDbData();
    m_nameLabel->setFullText(displayName(*selected));
    if (const LibraryEntry* entry = m_library.entry(*selected)) {
        m_picture->setPixmap(thumbnail(*entry).pixmap(112, 112));
    }
    const auto dates = db.getDates();
    const auto show = [](std::int64_t seconds) { return seconds < 0 ? QString() : longDateText(seconds); };
    m_created->setText(dates ? show((*dates)[0]) : QString());
    m_edited->setText(dates ? show((*dates)[1]) : QString());
    m_synced->setText(dates && (*dates)[2] >= 0 ? longDateText((*dates)[2]) : tr("Not synced yet"));
    m_records->setText(QString::asprintf("%u Records", static_cast<unsigned>(db.dbData().size())));
    listen(true);
}

void OpenSectionController::nameClicked()
{
    // A second click soon after the first renames, as a double click would.
    if (m_nameClick.isValid() && m_nameClick.elapsed() <= 800) {
        m_nameClick.invalidate();
        editPressed();
    } else {
        m_nameClick.start();
    }
}

void OpenSectionController::listen(bool on)
{
    m_observers.clear();
    if (!on) {
        return;
    }
    auto& center = NotificationCenter::defaultCenter();
    m_observers.push_back(center.observe<std::int64_t>(
        kEditDateNotification, nullptr, [this](const std::int64_t& seconds, const void*) {
            const auto selected = selectedDatabase();
            if (!selected) {
                return;
            }
            m_edited->setText(longDateText(seconds));
            m_records->setText(QString::asprintf(
                "%d Records", static_cast<int>(DBManager::sharedIstance().dbData().size())));
            m_library.setEditDate(*selected, seconds);
            redisplay();
        }));
    m_observers.push_back(center.observe<ImagePtr>(kDBBackgroundChangedNotification, nullptr,
                                                   [this](const ImagePtr& picture, const void*) {
                                                       if (const auto selected = selectedDatabase()) {
                                                           m_library.setBackground(*selected, picture);
                                                           redisplay();
                                                       }
                                                   }));
}

void OpenSectionController::closeDatabase()
{
    listen(false);
    DBManager::sharedIstance().openDB();
}

void OpenSectionController::reopenDatabase()
{
    if (selectedDatabase()) {
        updateDetails();
    }
    NotificationCenter::defaultCenter().post(kDBChangedNotification, this);
}

void OpenSectionController::sortBy(int sorting)
{
    const bool ascending = UserDefaults::standard().integerForKey("DBSortOrder") != 0;
    m_library.sortBy(sorting, ascending);
    redisplay();
}

void OpenSectionController::sortOrderChanged()
{
    UserDefaults& defaults = UserDefaults::standard();
    const bool ascending = defaults.integerForKey("DBSortOrder") == 0;
    defaults.setInteger("DBSortOrder", ascending ? 1 : 0);
    m_sortButton->setIcon(uiIcon(ascending ? "view-sort-ascending" : "view-sort-descending"));
    sortBy(static_cast<int>(defaults.integerForKey("Sorting")));
}

void OpenSectionController::addRemovePressed(int segment)
{
    if (segment == 0) {
        if (m_newDBController == nullptr) {
            m_newDBController = new NewDBController(*this, m_alerts, m_view);
            connect(m_newDBController, &QDialog::finished, this,
                    [this] { m_delegate.enableToolbarButton(true); });
        }
        m_delegate.enableToolbarButton(false);
        m_newDBController->showAttachedTo(m_view->window());
        return;
    }
    const auto selected = selectedDatabase();
    const int row = m_list->currentRow();
    if (selected && m_library.deleteDatabase(*selected)) {
        // The row that takes the deleted one's place is chosen next, as in
        // a file list; the last row when it was the last.
        redisplay(std::nullopt);
        const int next = std::min(row, m_list->count() - 1);
        if (next >= 0) {
            m_list->setCurrentRow(next);
        } else {
            selectionChanged();
        }
    }
}

void OpenSectionController::editPressed()
{
    if (QListWidgetItem* item = m_list->currentItem()) {
        m_list->editItem(item);
    }
}

void OpenSectionController::renameFromList(QListWidgetItem* item)
{
    const std::string package = item->data(Qt::UserRole).toString().toStdString();
    const std::string newName = item->text().trimmed().toStdString();
    if (!m_library.renameDatabase(package, newName)) {
        redisplay(package); // back to the old name
        return;
    }
    // The library has opened the renamed database and announced it; the
    // list and the details follow without a second announcement or load.
    redisplay(DatabaseLibrary::packageName(newName));
    updateDetails();
}

void OpenSectionController::duplicateDB()
{
    const auto selected = selectedDatabase();
    if (!selected) {
        return;
    }
    if (const auto copy = m_library.duplicateDB(*selected)) {
        redisplay();
        selectDatabase(*copy);
        editPressed();
    }
}

bool OpenSectionController::createNewDatabase(int row, const std::string& name)
{
    return finishCreate(m_library.createNewDatabase(row, name), name);
}

bool OpenSectionController::createNewDatabaseCustomTemplate(const std::string& templateName,
                                                            const std::string& name)
{
    return finishCreate(m_library.createNewDatabaseCustomTemplate(templateName, name), name);
}

// A new database is selected and shown in the Use section; only a taken name
// answers false, so the sheet stays open for another.
bool OpenSectionController::finishCreate(DatabaseLibrary::CreateResult result, const std::string& name)
{
    if (result == DatabaseLibrary::CreateResult::NameTaken) {
        return false;
    }
    if (result == DatabaseLibrary::CreateResult::Created) {
        redisplay();
        selectDatabase(DatabaseLibrary::packageName(name));
        m_delegate.showUseSectionFromOpen();
    }
    return true;
}

void OpenSectionController::importDossivaFile(const std::string& path)
{
    if (const auto imported = m_library.importDossivaFile(path)) {
        redisplay();
        selectDatabase(*imported);
    }
}

void OpenSectionController::exportDossivaFile(const std::string& path)
{
    if (const auto selected = selectedDatabase()) {
        // The save panel has asked before choosing a path that exists.
        m_library.exportDossivaFile(*selected, path, true);
    }
}

void OpenSectionController::importTemplate(const std::string& path)
{
    m_library.importTemplate(path);
}

void OpenSectionController::exportTemplate(const std::string& path)
{
    if (const auto selected = selectedDatabase()) {
        m_library.exportTemplate(*selected, path, true);
    }
}

void OpenSectionController::importedCSVDB(const std::string& packageName)
{
    m_library.importedCSVDB(packageName);
    redisplay();
    selectDatabase(packageName);
}

QString OpenSectionController::detailText(const char* which) const
{
    const std::string key = which;
    if (key == "name") {
        return m_nameLabel->fullText();
    }
    if (key == "created") {
        return m_created->text();
    }
    if (key == "edited") {
        return m_edited->text();
    }
    if (key == "synced") {
        return m_synced->text();
    }
    if (key == "records") {
        return m_records->text();
    }
    return {};
}

} // namespace dossiva
