#include "ui/use/UseSectionController.h"

#include "fields/FieldRules.h"
#include "fields/LargeTextHeight.h"
#include "platform/Alerts.h"
#include "platform/FileManager.h"
#include "platform/FilePanels.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "records/RecordEditor.h"
#include "records/RecordEntries.h"
#include "records/RecordSorter.h"
#include "storage/DBManager.h"
#include "storage/ImageCache.h"
#include "ui/app/SectionDelegate.h"
#include "ui/fieldviews/CheckboxFieldViewController.h"
#include "ui/fieldviews/ChooseFieldViewController.h"
#include "ui/fieldviews/CreatedModifiedDateFieldViewController.h"
#include "ui/fieldviews/DateKindFieldViewController.h"
#include "ui/fieldviews/LargeTextFieldViewController.h"
#include "ui/fieldviews/PasswdFieldViewController.h"
#include "ui/fieldviews/PictureFieldViewController.h"
#include "ui/use/FieldsView.h"
#include "ui/use/FormFonts.h"
#include "ui/use/FormPrinter.h"
#include "ui/use/RecentSearches.h"
#include "ui/use/RecordListModel.h"
#include "ui/use/UseRecordListViewController.h"
#include "ui/widgets/UiText.h"
#include "ui/widgets/WelcomeView.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTemporaryFile>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace dossiva {

namespace {

constexpr int kMinimumListWidth = 199;
constexpr int kMinimumFormWidth = 542;
constexpr int kLabelFloor = 129;
constexpr int kLabelMargin = 5;
constexpr double kLabelShare = 0.35;

DBManager& store()
{
    return DBManager::sharedIstance();
}

QToolButton* toolButton(const QString& name, const QIcon& icon, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setAccessibleName(name);
    button->setToolTip(name);
    return button;
}

std::int64_t seconds(const std::string& text)
{
    return text.empty() ? 0 : std::strtoll(text.c_str(), nullptr, 10);
}

} // namespace

UseSectionController::UseSectionController(SectionDelegate& delegate, Alerts& alerts, FilePanels& panels,
                                           std::function<bool()> askPassword, QObject* parent)
    : QObject(parent), m_delegate(delegate), m_alerts(alerts), m_panels(panels),
      m_askPassword(std::move(askPassword))
{
    m_context.alerts = &m_alerts;
    m_context.panels = &m_panels;
    m_context.openUrl = [](const std::string& url) {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
    };
    const UserDefaults& defaults = UserDefaults::standard();
    m_sorting = static_cast<int>(defaults.integerForKey("Sorting"));
    m_ascending = defaults.integerForKey("RecSortOrder") != 0;
    buildView();
    m_dbObserver = NotificationCenter::defaultCenter().observe<NoPayload>(
        kDBChangedNotification, nullptr, [this](const NoPayload&, const void*) { dbChanged(); });
    qApp->installEventFilter(this);
    if (defaults.boolForKey("list column")) {
        listColumnPressed(1);
    }
    dbChanged();
}

UseSectionController::~UseSectionController()
{
    qApp->removeEventFilter(this);
    m_recordList->removeEventFilter(this);
    m_form->setArray({});
    m_fieldsArray.clear();
    m_form = nullptr;
    delete m_view;
}

// ---------------------------------------------------------------------------
// The screen

void UseSectionController::buildView()
{
    m_view = new QWidget;
    m_view->setObjectName(QStringLiteral("UseSection"));
    auto* layout = new QVBoxLayout(m_view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 2, 6, 2);
    bar->addStretch();
    m_settingsButton = toolButton(tr("Fonts, colours and background"), uiIcon("format-text"), m_view);
    m_settingsButton->setCheckable(true);
    connect(m_settingsButton, &QToolButton::toggled, this, [this](bool open) { m_settings->setOpen(open); });
    bar->addWidget(m_settingsButton);
    m_card = toolButton(tr("As Form"), uiIcon("view-card"), m_view);
    m_list = toolButton(tr("As List"), uiIcon("view-list"), m_view);
    for (QToolButton* button : {m_card, m_list}) {
        button->setCheckable(true);
        button->setAutoExclusive(true);
        bar->addWidget(button);
    }
    m_card->setChecked(true);
    connect(m_card, &QToolButton::clicked, this, [this] { listColumnPressed(0); });
    connect(m_list, &QToolButton::clicked, this, [this] { listColumnPressed(1); });
    layout->addLayout(bar);

    m_settings = new FormSettingsPanel(m_view);
    layout->addWidget(m_settings);
    connectSettings();

    m_modeStack = new QStackedWidget(m_view);
    m_splitter = new QSplitter(Qt::Horizontal, m_modeStack);
    m_splitter->addWidget(buildRecordPane());
    m_splitter->addWidget(buildFormPane());
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setSizes({240, 660});
    m_modeStack->addWidget(m_splitter);
    m_listView = std::make_unique<UseRecordListViewController>(*this, m_delegate, m_context);
    m_modeStack->addWidget(m_listView->view());
    layout->addWidget(m_modeStack, 1);
}

QWidget* UseSectionController::buildRecordPane()
{
    auto* pane = new QWidget;
    pane->setMinimumWidth(kMinimumListWidth);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_dbName = new QToolButton(pane);
    m_dbName->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_dbName->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_dbName->setAccessibleName(tr("Sort order"));
    connect(m_dbName, &QToolButton::clicked, this, [this] { sortOrderChanged(); });
    layout->addWidget(m_dbName);

    m_recordList = new QListView(pane);
    m_recordList->setObjectName(QStringLiteral("RecordList"));
    m_recordList->setAccessibleName(tr("Records"));
    m_recordList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_recordList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_recordList->setUniformItemSizes(true);
    m_recordList->setIconSize(QSize(RecordListModel::kThumbnailSide, RecordListModel::kThumbnailSide));
    m_recordList->installEventFilter(this);
    m_model = new RecordListModel(this);
    m_recordList->setModel(m_model);
    connect(m_recordList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_reselecting) {
            selectionChanged();
        }
    });
    layout->addWidget(m_recordList, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 2, 4, 2);
    m_add = toolButton(tr("Add a record"), uiIcon("list-add"), pane);
    m_remove = toolButton(tr("Delete the selected records"), uiIcon("list-remove"), pane);
    connect(m_add, &QToolButton::clicked, this, [this] { addRemovePressed(0); });
    connect(m_remove, &QToolButton::clicked, this, [this] { addRemovePressed(1); });
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    m_counter = new QLabel(pane);
    m_counter->setAccessibleName(tr("Number of records"));
    buttons->addWidget(m_counter);
    layout->addLayout(buttons);
    return pane;
}

QWidget* UseSectionController::buildFormPane()
{
    m_formStack = new QStackedWidget;
    m_formStack->setMinimumWidth(kMinimumFormWidth);
    m_scrollArea = new QScrollArea(m_formStack);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_form = new FieldsView(m_scrollArea);
    m_form->widthChanged = [this] { rebuildLabelLength(); };
    m_form->pictureDropped = [this](const QString& path) { setBackground(path); };
    m_form->colorDropped = [this](const QColor& color) { setBackgroundColor(color); };
    m_welcome = new WelcomeView({}, {}, m_formStack);
    m_multiple = new QLabel(m_formStack);
    m_multiple->setAlignment(Qt::AlignCenter);
    m_formStack->addWidget(m_scrollArea);
    m_formStack->addWidget(m_welcome);
    m_formStack->addWidget(m_multiple);
    return m_formStack;
}

void UseSectionController::connectSettings()
{
    m_settings->fontChosen = [this](FormSettingsPanel::Row row, const FontSpec& font) {
        fontChosen(row, font);
    };
    m_settings->colorChosen = [this](FormSettingsPanel::Swatch swatch, const RGBColor& color) {
        colorChosen(swatch, color);
    };
    m_settings->shadowToggled = [this](FormSettingsPanel::Row row, bool shadow) {
        shadowToggled(row, shadow);
    };
    m_settings->backgroundChosen = [this](int tag) { backgroundChosen(tag); };
}

void UseSectionController::setSearchField(QLineEdit* field)
{
    m_searchField = field;
    m_recentSearches = std::make_unique<RecentSearches>(field);
    // The field searches on Return only; its clear button shows every
    // record again.
    connect(field, &QLineEdit::returnPressed, this, [this] {
        m_recentSearches->remember(m_searchField->text());
        startSearch();
    });
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty()) {
            startSearch();
        }
    });
}

// ---------------------------------------------------------------------------
// Loading a database

void UseSectionController::dbChanged()
{
    DBManager& db = store();
    m_history.clear();
    setUndoState();
    m_form->setArray({});
    m_fieldsArray.clear();
    m_datesView = nullptr;
    m_shownRecord.reset();
    m_structureArray = db.dbStructure();
    ImageCache::sharedIstance().releaseImages();
    const QString name = QString::fromStdString(FileManager::deletingPathExtension(db.dbName()));
    m_dbName->setText(name);
    m_dbName->setIcon(uiIcon(m_ascending ? "view-sort-ascending" : "view-sort-descending"));
    m_layout = db.dbName().empty() ? FormLayout() : db.readFormLayout(true);
    if (!m_structureArray.empty()) {
        m_settings->showLayout(m_layout);
        buildFieldViews();
    }
    m_records.reset(db.dbData());
    m_model->setRecords(&m_records, m_structureArray, db.dbName());
    m_listView->structureChanged();
    m_listView->setDbArray(m_records);
    performSearch();
    if (m_records.empty()) {
        showForm(false);
    }
    const bool open = !db.dbName().empty();
    m_delegate.enableAddRecord(open);
    m_add->setEnabled(open);
    m_form->setBackground(open ? m_layout.background : nullptr);
    manageWelcome();
}

void UseSectionController::buildFieldViews()
{
    QFont measuring = QApplication::font();
    measuring.setBold(true);
    measuring.setPointSize(18);
    const QFontMetrics metrics(measuring);
    int widest = 0;
    for (const FieldDefinition& field : m_structureArray) {
        auto view = makeFieldView(field.type, m_context);
        if (field.type != FieldType::Separator && field.type != FieldType::Unsupported) {
            view->setTitle(QString::fromStdString(field.name));
        }
        const PropertyList* first = field.structure.at(0);
        if (auto* large = dynamic_cast<LargeTextFieldViewController*>(view.get()); large && first) {
            large->setOverallFieldHeight(static_cast<int>(first->toReal()));
        } else if (auto* date = dynamic_cast<DateKindFieldViewController*>(view.get())) {
            date->setShowNow(first == nullptr || first->toBool(true));
        } else if (auto* checkbox = dynamic_cast<CheckboxFieldViewController*>(view.get())) {
            const PropertyList* caption = field.structure.find("Caption");
            checkbox->setCaption(caption ? caption->toString() : std::string());
        } else if (auto* password = dynamic_cast<PasswdFieldViewController*>(view.get())) {
            const PropertyList* ask = field.structure.find("Ask");
            password->setAskPasswd(ask != nullptr && ask->toBool());
        }
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(field.name)));
        view->setID(std::to_string(field.id));
        view->setDelegate(this);
        m_fieldsArray.push_back(std::move(view));
    }
    auto dates = makeFieldView(FieldType::CreationDate, m_context);
    dates->setID("-1");
    m_datesView = dynamic_cast<CreatedModifiedDateFieldViewController*>(dates.get());
    m_fieldsArray.push_back(std::move(dates));
    applyLook();
    m_currentLabelLengthMax = std::max(kLabelFloor, widest) + kLabelMargin;
    rebuildLabelLength();
}

void UseSectionController::applyLook()
{
    const QFont labelFont = FormFonts::qfont(FormFonts::storedOrDefault(m_layout.labelFont));
    const QFont textFont = FormFonts::qfont(FormFonts::storedOrDefault(m_layout.textFont));
    for (const auto& view : m_fieldsArray) {
        view->setTextFont(textFont);
        view->setTextColor(m_layout.textColor);
        view->setLabelColor(m_layout.labelColor);
        view->setLabelFont(labelFont);
        view->setLabelShadow(m_layout.labelShadow);
        view->setTextShadow(m_layout.textShadow);
        view->setLabelShadowColor(m_layout.labelShadowColor);
        view->setTextShadowColor(m_layout.textShadowColor);
    }
}

void UseSectionController::linkKeyViews()
{
    // Tab walks the fields in form order and wraps (the event filter closes
    // the ring); Tab in the record list starts it.
    m_keyViews.clear();
    for (const auto& view : m_fieldsArray) {
        if (QWidget* focus = view->textView()) {
            m_keyViews.push_back(focus);
        }
    }
    for (std::size_t i = 1; i < m_keyViews.size(); ++i) {
        QWidget::setTabOrder(m_keyViews[i - 1], m_keyViews[i]);
    }
}

void UseSectionController::rebuildLabelLength()
{
    const int cap = static_cast<int>(kLabelShare * m_form->width());
    const int width = m_form->width() > 0 ? std::min(m_currentLabelLengthMax, cap) : m_currentLabelLengthMax;
    for (const auto& view : m_fieldsArray) {
        view->setLabelLenght(width);
    }
}

// ---------------------------------------------------------------------------
// Showing records

void UseSectionController::updateInterface(const Record& record)
{
    const std::string& package = store().dbName();
    for (std::size_t i = 0; i < m_structureArray.size() && i < m_fieldsArray.size(); ++i) {
        const FieldDefinition& field = m_structureArray[i];
        FieldViewController& view = *m_fieldsArray[i];
        const FieldValue* value = record.value(field.id);
        switch (field.type) {
        case FieldType::Date:
        case FieldType::Time: {
            auto& date = static_cast<DateKindFieldViewController&>(view);
            const std::string_view text = value ? value->text() : std::string_view();
            date.setDate(text.empty() ? std::nullopt : std::optional(seconds(std::string(text))));
            break;
        }
        case FieldType::DateTime: {
            auto& date = static_cast<DateKindFieldViewController&>(view);
            // A value holding a time only shows today's date with it.
            date.setDate(value ? combineDateTime(value->datePart(), value->timePart(), std::time(nullptr))
                               : std::nullopt);
            break;
        }
        case FieldType::Image: {
            auto& picture = static_cast<PictureFieldViewController&>(view);
            const std::int64_t number = value ? value->integer() : 0;
            const std::string path = number > 0 ? Paths::imageFile(package, number) : std::string();
            picture.setPath(path);
            picture.setImage(number > 0 ? ImageCache::sharedIstance().getImage(path) : nullptr);
            break;
        }
        case FieldType::Choose: {
            auto& choose = static_cast<ChooseFieldViewController&>(view);
            choose.setPopUpContent(choiceItems(field.structure));
            choose.setSelectedRow(value ? static_cast<int>(value->integer()) : -1);
            break;
        }
        case FieldType::Checkbox:
            static_cast<CheckboxFieldViewController&>(view).setState(value ? std::string(value->text())
                                                                           : "0");
            break;
        case FieldType::Password: {
            auto& password = static_cast<PasswdFieldViewController&>(view);
            password.setText(value ? std::string(value->text()) : std::string());
            password.showPasswd(value != nullptr && value->shown());
            break;
        }
        case FieldType::Separator:
        case FieldType::Unsupported:
            break;
        default:
            view.setText(value ? std::string(value->text()) : std::string());
            break;
        }
    }
    if (m_datesView != nullptr) {
        const std::int64_t modified = seconds(record.modified);
        m_datesView->setCreatedDate(seconds(record.created));
        m_datesView->setModifiedDate(modified == 0 ? std::nullopt : std::optional(modified));
    }
    m_shownRecord = record.recordId;
}

void UseSectionController::selectionChanged()
{
    const std::vector<RecordId> selected = selectedRecords();
    m_listView->selectRowIndexes(selected);
    // The same record selected again (after a save re-sorted the list) is
    // no change: its history and its views stay as they are.
    if (selected.size() == 1 && m_shownRecord == selected.front() &&
        m_formStack->currentWidget() == m_scrollArea) {
        return;
    }
    // Another record (or none, or several): the history was about the one
    // shown before.
    m_history.clear();
    setUndoState();
    m_delegate.setMultipleRecords(selected.size() > 1);
    m_delegate.enableEmailRecord(!selected.empty());
    if (selected.size() != 1) {
        m_shownRecord.reset();
        if (selected.size() > 1) {
            m_multiple->setText(tr("%1 records selected").arg(selected.size()));
            m_formStack->setCurrentWidget(m_multiple);
        }
        return;
    }
    if (const auto row = m_records.rowOf(selected.front())) {
        m_formStack->setCurrentWidget(m_scrollArea);
        updateInterface(m_records.at(*row));
    }
}

void UseSectionController::selectRow(std::optional<std::size_t> row)
{
    QItemSelectionModel* selection = m_recordList->selectionModel();
    m_reselecting = true;
    selection->clearSelection();
    if (row && *row < m_records.size()) {
        const QModelIndex index = m_model->index(static_cast<int>(*row));
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_recordList->scrollTo(index);
    }
    m_reselecting = false;
    selectionChanged();
}

std::vector<RecordId> UseSectionController::selectedRecords() const
{
    std::vector<RecordId> ids;
    QModelIndexList rows = m_recordList->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : rows) {
        if (static_cast<std::size_t>(index.row()) < m_records.size()) {
            ids.push_back(m_records.at(static_cast<std::size_t>(index.row())).recordId);
        }
    }
    return ids;
}

void UseSectionController::showForm(bool hasRecord)
{
    m_form->setArray(hasRecord ? [this] {
        std::vector<FieldViewController*> views;
        for (const auto& view : m_fieldsArray) {
            views.push_back(view.get());
        }
        return views;
    }()
                               : std::vector<FieldViewController*>{});
    if (hasRecord) {
        linkKeyViews();
    }
    enableFontButton(hasRecord);
    m_remove->setEnabled(hasRecord);
    m_delegate.enableEmailRecord(hasRecord);
    if (!hasRecord) {
        m_shownRecord.reset();
    }
}

void UseSectionController::manageWelcome()
{
    const bool shown = !m_records.empty();
    QString text = welcomeText();
    if (!shown && !store().dbData().empty()) {
        text = tr("No records found.");
    }
    m_welcome->setText({}, text);
    m_listView->setWelcome(text, !shown);
    if (!shown) {
        m_formStack->setCurrentWidget(m_welcome);
    } else if (m_formStack->currentWidget() == m_welcome) {
        m_formStack->setCurrentWidget(m_scrollArea);
    }
    updateCounter();
}

QString UseSectionController::welcomeText() const
{
    const std::string& name = store().dbName();
    if (name.empty()) {
        return QStringLiteral(
            "There is no database opened.\n\nPlease go to Open section to open or create a database.");
    }
    return QStringLiteral(
               "Welcome to database \"%1\".\n\nUse the \"+\" button to add records.\nIf you want to modify "
               "database fields go to \"Define\".")
        .arg(QString::fromStdString(FileManager::deletingPathExtension(name)));
}

void UseSectionController::updateCounter()
{
    const auto count = static_cast<int>(m_records.size());
    m_counter->setText(QString::asprintf("%d Record%c", count, count == 1 ? ' ' : 's'));
}

FieldViewController* UseSectionController::fieldView(FieldId field) const
{
    const std::string id = std::to_string(field);
    for (const auto& view : m_fieldsArray) {
        if (view->_id() == id) {
            return view.get();
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Search and sort

void UseSectionController::startSearch()
{
    commitEditing();
    m_records.reset(store().dbData());
    performSearch();
}

void UseSectionController::performSearch()
{
    const std::string text = m_searchField ? m_searchField->text().toStdString() : std::string();
    m_records.search(m_structureArray, text, UserDefaults::standard().boolForKey("Protect"),
                     store().dataRevision());
    reloadRows();
    sort();
    manageWelcome();
}

void UseSectionController::sort()
{
    if (m_records.empty()) {
        reloadRows();
        showForm(false);
        selectRow(std::nullopt);
        updateCounter();
        return;
    }
    const std::vector<RecordId> selected = selectedRecords();
    const RecordId keep = selected.size() == 1 ? selected.front() : m_records.at(0).recordId;
    const std::optional<std::size_t> keptRow = m_records.rowOf(keep);
    m_records.sort(RecordSorter(m_sorting, m_ascending), store().dataRevision());
    reloadRows();
    if (m_form->views().empty()) {
        showForm(true);
    }
    // A record that left the list (an edit made it fail the search) gives
    // way to the one now at its place.
    std::optional<std::size_t> row = m_records.rowOf(keep);
    if (!row) {
        row = std::min(keptRow.value_or(0), m_records.size() - 1);
    }
    selectRow(row);
    updateCounter();
}

void UseSectionController::reloadRows()
{
    m_model->reload();
    m_listView->setDbArray(m_records);
}

void UseSectionController::setSortBy(int sorting)
{
    commitEditing();
    m_sorting = sorting;
    m_listView->sortByChanged(m_sorting);
    sort();
}

void UseSectionController::sortOrderChanged()
{
    commitEditing();
    m_ascending = !m_ascending;
    UserDefaults::standard().setInteger("RecSortOrder", m_ascending ? 1 : 0);
    m_dbName->setIcon(uiIcon(m_ascending ? "view-sort-ascending" : "view-sort-descending"));
    m_listView->sortByChanged(m_sorting);
    sort();
}

void UseSectionController::reloadAll()
{
    m_records.reset(store().dbData());
    performSearch();
}

// ---------------------------------------------------------------------------
// Records

void UseSectionController::addRemovePressed(int segment)
{
    if (segment == 0) {
        addRecord();
    } else {
        deleteSelectedRecords();
    }
}

void UseSectionController::addRecord()
{
    commitEditing();
    if (m_history.canUndo()) {
        cleanUndoRedoArrays();
    }
    RecordEditor editor(store());
    const auto id = editor.addRecord();
    if (!id) {
        failed("The record could not be added.");
        return;
    }
    if (m_searchField) {
        const QSignalBlocker quiet(m_searchField);
        m_searchField->clear();
    }
    reloadAll();
    selectRow(m_records.rowOf(*id));
    focusFirstField();
}

void UseSectionController::focusFirstField()
{
    if (m_listMode) {
        m_listView->editFirstSelectedRowField();
    } else if (!m_fieldsArray.empty()) {
        m_fieldsArray.front()->setFirstResponder();
    }
}

void UseSectionController::deleteSelectedRecords()
{
    commitEditing();
    if (m_history.canUndo()) {
        cleanUndoRedoArrays();
    }
    const std::vector<RecordId> selected = selectedRecords();
    const std::string title = selected.size() > 1 ? "Are you sure you want to delete " +
                                                        std::to_string(selected.size()) + " records?"
                                                  : "Are you sure you want to delete this record?";
    if (!m_alerts.ask({title, "", {"Delete", "Cancel"}}).is("Delete")) {
        return;
    }
    const std::optional<std::size_t> oneRow =
        selected.size() == 1 ? m_records.rowOf(selected.front()) : std::nullopt;
    std::vector<RecordId> order = m_records.ids();
    RecordEditor editor(store());
    std::string problem;
    for (const RecordId id : selected) {
        if (editor.deleteRecord(id)) {
            std::erase(order, id);
        } else if (problem.empty()) {
            problem = store().lastFailure().reason;
        }
    }
    m_records.show(store().dbData(), order);
    reloadRows();
    if (!problem.empty()) {
        m_alerts.inform("Warning", "Some records could not be deleted.", problem);
    }
    afterDeletion(oneRow);
}

void UseSectionController::afterDeletion(std::optional<std::size_t> oneSelectedRow)
{
    if (m_records.empty()) {
        showForm(false);
        selectRow(std::nullopt);
    } else {
        selectRow(oneSelectedRow && *oneSelectedRow > 0 ? std::min(*oneSelectedRow - 1, m_records.size() - 1)
                                                        : 0);
    }
    manageWelcome();
}

void UseSectionController::tableDeleteKey()
{
    if (!m_records.empty()) {
        addRemovePressed(1);
    }
}

void UseSectionController::deleteAllRecords()
{
    commitEditing();
    // The question counts what will go: every record of the database, also
    // those the search hides.
    const std::size_t count = store().dbData().size();
    const std::string title = "Are you sure you want to delete ALL " + std::to_string(count) + " record(s)?";
    if (!m_alerts.ask({title, "", {"Delete All", "Cancel"}}).is("Delete All")) {
        return;
    }
    RecordEditor editor(store());
    if (!editor.deleteAllRecords()) {
        failed("The records could not be deleted.");
        return;
    }
    m_history.clear();
    setUndoState();
    reloadAll();
    afterDeletion(std::nullopt);
}

void UseSectionController::duplicateRecord()
{
    commitEditing();
    const std::vector<RecordId> selected = selectedRecords();
    if (selected.empty()) {
        return;
    }
    RecordEditor editor(store());
    const RecordEditor::Duplicates result = editor.duplicateRecords(selected);
    if (!result.complete) {
        m_alerts.inform("Error", "Error duplicating", store().lastFailure().reason);
    }
    // The store's list has grown either way: the shown list is made again.
    reloadAll();
    if (selected.size() == 1 && !result.copies.empty()) {
        selectRow(m_records.rowOf(result.copies.front()));
        focusFirstField();
    } else {
        selectRow(0);
    }
}

void UseSectionController::failed(const std::string& message)
{
    m_alerts.inform("Warning", message, store().lastFailure().reason);
}

// ---------------------------------------------------------------------------
// Saving and recalculating

void UseSectionController::commitEditing()
{
    m_listView->endEditing();
    for (const auto& view : m_fieldsArray) {
        if (view->edited()) {
            save();
            return;
        }
    }
}

bool UseSectionController::save()
{
    if (!m_shownRecord || m_structureArray.empty()) {
        return true;
    }
    std::vector<FieldEdit> edits;
    std::vector<FieldViewController*> edited;
    for (std::size_t i = 0; i < m_structureArray.size() && i < m_fieldsArray.size(); ++i) {
        FieldViewController& view = *m_fieldsArray[i];
        if (!view.edited()) {
            continue;
        }
        FieldEdit edit{m_structureArray[i].id, view.text(), nullptr};
        if (auto* picture = dynamic_cast<PictureFieldViewController*>(&view)) {
            edit.image = picture->image();
        }
        edits.push_back(std::move(edit));
        edited.push_back(&view);
    }
    if (edits.empty()) {
        return true;
    }
    RecordEditor editor(store());
    // The edits stay marked, and in the form, until they are stored.
    if (!editor.save(*m_shownRecord, edits)) {
        failed("The record could not be saved.");
        return false;
    }
    for (FieldViewController* view : edited) {
        view->save();
    }
    if (const Record* record = store().record(*m_shownRecord); record && m_datesView) {
        m_datesView->setModifiedDate(seconds(record->modified));
    }
    performSearch();
    return true;
}

void UseSectionController::numberFieldChanged(FieldId field)
{
    // A calculation's save must not come back here.
    if (m_recalculating || !store().shouldRebuildCalculationFields(field)) {
        return;
    }
    m_recalculating = true;
    const auto textOf = [this](FieldId id) {
        const FieldViewController* view = fieldView(id);
        return view ? view->text() : std::string();
    };
    const SaveEntries results = RecordEntries::recalculation(m_structureArray, textOf);
    for (std::size_t i = 0; i < results.fieldIds.size(); ++i) {
        if (FieldViewController* view = fieldView(results.fieldIds[i])) {
            view->setText(std::string(results.entries[i].value.text()));
            view->setEdited(true);
        }
    }
    save();
    m_recalculating = false;
}

void UseSectionController::largeTextFieldDidGrow(FieldViewController& view)
{
    auto* large = dynamic_cast<LargeTextFieldViewController*>(&view);
    const FieldDefinition* field = store().field(view.fieldId());
    if (large == nullptr || field == nullptr) {
        return;
    }
    const PropertyList structure = LargeTextHeight::withHeight(field->structure, large->overallFieldHeight());
    if (!store().setdbFieldLabel(field->name, field->id, structure)) {
        failed("The field's height could not be stored.");
    }
}

void UseSectionController::passwdShowButtonChanged(FieldViewController& view, bool shown)
{
    if (m_shownRecord) {
        store().setPasswordShown(*m_shownRecord, view.fieldId(), shown);
    }
}

bool UseSectionController::askPassword()
{
    return m_askPassword && m_askPassword();
}

// ---------------------------------------------------------------------------
// Undo and redo

void UseSectionController::addToUndoArray(FieldViewController& view)
{
    m_history.record({view._id(), view.object()});
    setUndoState();
}

void UseSectionController::undo()
{
    undoOrRedo(true);
}

void UseSectionController::redo()
{
    undoOrRedo(false);
}

void UseSectionController::undoOrRedo(bool undo)
{
    if (m_listMode) {
        undo ? m_listView->undo() : m_listView->redo();
        return;
    }
    if (!(undo ? m_history.canUndo() : m_history.canRedo())) {
        return;
    }
    const CardEdit& next = undo ? m_history.nextUndo() : m_history.nextRedo();
    FieldViewController* view = nullptr;
    for (const auto& candidate : m_fieldsArray) {
        if (candidate->_id() == next.fieldId) {
            view = candidate.get();
        }
    }
    if (view == nullptr) {
        cleanUndoRedoArrays();
        return;
    }
    CardEdit current{view->_id(), view->object()};
    const CardEdit applied = undo ? m_history.undo(std::move(current)) : m_history.redo(std::move(current));
    view->setObject(applied.before);
    setUndoState();
    save();
}

void UseSectionController::cleanUndoRedoArrays()
{
    m_history.clear();
    m_listView->cleanUndoRedoArrays();
    setUndoState();
}

void UseSectionController::setUndoState()
{
    // Each mode has its history; the commands follow the one shown.
    m_delegate.enableUndo(m_listMode ? m_listView->canUndo() : m_history.canUndo());
    m_delegate.enableRedo(m_listMode ? m_listView->canRedo() : m_history.canRedo());
}

void UseSectionController::historyChanged()
{
    setUndoState();
}

bool UseSectionController::hasChangesToSave()
{
    if (m_listMode) {
        return m_listView->hasChangesToSave();
    }
    if (m_history.canUndo()) {
        save();
    }
    cleanUndoRedoArrays();
    return false;
}

void UseSectionController::saveChanges()
{
    commitEditing();
}

void UseSectionController::setFirstResponder()
{
    if (m_listMode) {
        m_listView->setFocus();
    } else {
        m_recordList->setFocus();
    }
}

// ---------------------------------------------------------------------------
// Card and list

void UseSectionController::listColumnPressed(int segment)
{
    commitEditing();
    cleanUndoRedoArrays();
    m_listMode = segment == 1;
    m_modeStack->setCurrentIndex(m_listMode ? 1 : 0);
    m_settingsButton->setVisible(!m_listMode);
    if (m_listMode) {
        m_settingsButton->setChecked(false);
    }
    (m_listMode ? m_list : m_card)->setChecked(true);
    m_delegate.enableColumnsMenu(m_listMode);
    UserDefaults::standard().setBool("list column", m_listMode);
    if (m_listMode) {
        m_listView->setFocus();
        return;
    }
    // The list stores its edits without the form: the form shows them now.
    if (m_shownRecord) {
        if (const auto row = m_records.rowOf(*m_shownRecord)) {
            updateInterface(m_records.at(*row));
        }
    }
    m_recordList->setFocus();
}

// ---------------------------------------------------------------------------
// What the list view asks

void UseSectionController::selectRowIndexes(const std::vector<RecordId>& records)
{
    QItemSelectionModel* selection = m_recordList->selectionModel();
    QItemSelection rows;
    std::optional<std::size_t> first;
    for (const RecordId id : records) {
        if (const auto row = m_records.rowOf(id)) {
            const QModelIndex index = m_model->index(static_cast<int>(*row));
            rows.select(index, index);
            first = first ? std::min(*first, *row) : *row;
        }
    }
    m_reselecting = true;
    selection->select(rows, QItemSelectionModel::ClearAndSelect);
    if (first) {
        selection->setCurrentIndex(m_model->index(static_cast<int>(*first)), QItemSelectionModel::NoUpdate);
        m_recordList->scrollTo(m_model->index(static_cast<int>(*first)));
    }
    m_reselecting = false;
    selectionChanged();
}

void UseSectionController::updateInterface(RecordId record)
{
    const auto row = m_records.rowOf(record);
    if (!row) {
        return;
    }
    m_model->recordChanged(static_cast<int>(*row));
    if (m_shownRecord == record) {
        updateInterface(m_records.at(*row));
    }
}

// ---------------------------------------------------------------------------
// Keys

bool UseSectionController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_recordList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) && !m_records.empty()) {
            tableDeleteKey();
            return true;
        }
        if (key->key() == Qt::Key_Tab && !m_records.empty() && !m_keyViews.empty()) {
            m_keyViews.front()->setFocus(Qt::TabFocusReason);
            return true;
        }
        return false;
    }
    QWidget* focus = QApplication::focusWidget();
    const bool inForm = focus != nullptr && m_form != nullptr && m_form->isAncestorOf(focus);
    const QWidget* list = m_listView ? m_listView->view() : nullptr;
    const bool inList = focus != nullptr && list != nullptr && list->isAncestorOf(focus);
    if (event->type() == QEvent::ShortcutOverride && (inForm || inList)) {
        // A text field would take Undo and Redo for its own typing; they
        // belong to the record's history.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            event->ignore();
            return true;
        }
    }
    if (!inForm) {
        return false;
    }
    if (event->type() == QEvent::KeyPress && !m_keyViews.empty()) {
        // Tab wraps around the form's fields.
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool forward = key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier;
        const bool backward = key->key() == Qt::Key_Backtab;
        QWidget* last = m_keyViews.back();
        QWidget* first = m_keyViews.front();
        if (forward && (focus == last || last->isAncestorOf(focus))) {
            first->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (backward && (focus == first || first->isAncestorOf(focus))) {
            last->setFocus(Qt::BacktabFocusReason);
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn && watched == focus) {
        // The form scrolls just enough to show the field being edited.
        for (const auto& view : m_fieldsArray) {
            if (view->view()->isAncestorOf(focus)) {
                m_scrollArea->ensureWidgetVisible(view->view(), 0, 0);
                break;
            }
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// The form's look

void UseSectionController::enableFontButton(bool enabled)
{
    m_settingsButton->setEnabled(enabled);
    if (!enabled) {
        m_settingsButton->setChecked(false);
    }
}

void UseSectionController::fontChosen(FormSettingsPanel::Row row, const FontSpec& font)
{
    const QFont chosen = FormFonts::qfont(font);
    const bool labels = row == FormSettingsPanel::Row::Labels;
    for (const auto& view : m_fieldsArray) {
        labels ? view->setLabelFont(chosen) : view->setTextFont(chosen);
    }
    (labels ? m_layout.labelFont : m_layout.textFont) = font;
    if (!(labels ? store().setLabelFont(font) : store().setTextFont(font))) {
        failed("The font could not be stored.");
    }
    m_form->restack();
}

void UseSectionController::colorChosen(FormSettingsPanel::Swatch swatch, const RGBColor& color)
{
    // With no record shown there is no form to see the colour on.
    if (!m_settingsButton->isEnabled()) {
        return;
    }
    using Swatch = FormSettingsPanel::Swatch;
    bool stored = false;
    switch (swatch) {
    case Swatch::LabelColor:
        stored = store().setLabelColor(color);
        m_layout.labelColor = color;
        break;
    case Swatch::TextColor:
        stored = store().setTextColor(color);
        m_layout.textColor = color;
        break;
    case Swatch::LabelShadowColor:
        stored = store().setLabelShadowColor(color);
        m_layout.labelShadowColor = color;
        break;
    case Swatch::TextShadowColor:
        stored = store().setTextShadowColor(color);
        m_layout.textShadowColor = color;
        break;
    }
    if (!stored) {
        failed("The colour could not be stored.");
    }
    m_settings->setSwatchColor(swatch, color);
    applyLook();
}

void UseSectionController::shadowToggled(FormSettingsPanel::Row row, bool shadow)
{
    if (!m_settingsButton->isEnabled()) {
        return;
    }
    const bool labels = row == FormSettingsPanel::Row::Labels;
    (labels ? m_layout.labelShadow : m_layout.textShadow) = shadow;
    if (!(labels ? store().setLabelShadow(shadow) : store().setTextShadow(shadow))) {
        failed("The shadow could not be stored.");
    }
    applyLook();
}

void UseSectionController::backgroundChosen(int tag)
{
    if (tag == FormSettingsPanel::kBackgroundChoose) {
        const auto path = m_panels.runOpenPanel({{"png", "jpg", "jpeg", "tiff"}, "Chooose Background"});
        if (path && !store().saveBackground(*path)) {
            failed("The background could not be stored.");
        }
    } else if (tag == FormSettingsPanel::kBackgroundNone && !store().saveBackground({})) {
        failed("The background could not be removed.");
    }
    showStoredBackground();
}

void UseSectionController::showStoredBackground()
{
    m_layout.background = store().readFormLayout(true).background;
    m_form->setBackground(m_layout.background);
}

void UseSectionController::setBackground(const QString& path)
{
    // The dropped picture shows at once; it stays only when confirmed.
    const auto picture = Image::readFile(path.toStdString());
    m_form->setBackground(picture ? std::make_shared<const Image>(*picture) : nullptr);
    if (m_alerts.ask({"Background", "Do you confirm the new background image?", {"Confirm", "Cancel"}})
            .is("Confirm") &&
        !store().saveBackground(path.toStdString())) {
        failed("The background could not be stored.");
    }
    showStoredBackground();
}

void UseSectionController::setBackgroundColor(const QColor& color)
{
    // A colour is kept as a tiled picture of it, written to a file of our
    // own that nobody else can have made in its place.
    QImage tile(100, 100, QImage::Format_ARGB32);
    tile.fill(color);
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/dossiva-background-XXXXXX.tiff"));
    if (!file.open() || !tile.save(&file, "TIFF")) {
        m_alerts.inform("Warning", "The colour could not be made into a background.");
        return;
    }
    file.close();
    setBackground(file.fileName());
}

// ---------------------------------------------------------------------------
// Printing

void UseSectionController::print()
{
    commitEditing();
    std::optional<int> pages;
    if (m_listMode) {
        pages = m_listView->runPrintDialog(m_view);
    } else if (!m_form->views().empty()) {
        pages = FormPrinter(*m_form, m_layout).runPrintDialog(m_view);
    }
    // A printer or PDF file that cannot be opened prints nothing.
    if (pages == 0) {
        m_alerts.inform("Warning", "Nothing could be printed: the printer or the file could not be opened.");
    }
}

} // namespace dossiva
