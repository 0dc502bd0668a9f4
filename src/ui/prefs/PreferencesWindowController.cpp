#include "ui/prefs/PreferencesWindowController.h"

#include "platform/UserDefaults.h"
#include "ui/widgets/UiText.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QScreen>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <array>

namespace dossiva {

namespace {

constexpr const char* kSortingKey = "Sorting";
constexpr const char* kBackupKey = "Backup";
constexpr const char* kSyncTemplatesKey = "STemplates";
constexpr const char* kPrintBackgroundKey = "SPrintBack";
constexpr const char* kExportCsvKey = "Export CSV";

// Sorting written at start-up when missing: by creation date.
constexpr int kDefaultSorting = 2;
constexpr int kPaneMinimumWidth = 460;
constexpr int kResizeMilliseconds = 160;

struct PaneInfo {
    const char* identifier;
    const char* label;
    const char* icon;
};

// The toolbar's items, in their order.
constexpr std::array<PaneInfo, 3> kPanes = {{
    {"PGen", "General", ":/icons/preferences-general.svg"},
    {"PUpd", "Update", ":/icons/preferences-update.svg"},
    {"PCSV", "Export", ":/icons/preferences-export.svg"},
}};

int paneIndex(const QString& identifier)
{
    for (std::size_t i = 0; i < kPanes.size(); ++i) {
        if (identifier == QLatin1String(kPanes[i].identifier)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

QCheckBox* addCheckBox(QVBoxLayout* layout, const QString& text, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    layout->addWidget(box);
    return box;
}

QLabel* addNote(QVBoxLayout* layout, const QString& text, QWidget* parent)
{
    auto* note = new QLabel(text, parent);
    note->setWordWrap(true);
    note->setForegroundRole(QPalette::PlaceholderText);
    // Indented under the check box it explains.
    note->setContentsMargins(24, 0, 0, 0);
    layout->addWidget(note);
    return note;
}

// A heading over the check boxes that belong to one subject.
void addHeading(QVBoxLayout* layout, const QString& text, QWidget* parent)
{
    auto* heading = new QLabel(text, parent);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
}

QVBoxLayout* paneLayout(QWidget* pane)
{
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(8);
    pane->setMinimumWidth(kPaneMinimumWidth);
    return layout;
}

// Whether the checkbox is ticked, as the integer the settings keep.
std::int64_t state(bool checked)
{
    return checked ? 1 : 0;
}

} // namespace

PreferencesWindowController::PreferencesWindowController(QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_panes(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("PreferencesWindow"));
    // No toolbar toggling from a context menu: the toolbar is the window's
    // only navigation.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setCentralWidget(m_panes);
    m_panes->addWidget(buildGeneralPane());
    m_panes->addWidget(buildUpdatePane());
    m_panes->addWidget(buildExportPane());
    buildToolbar();
    readSettings();

    m_observer = NotificationCenter::defaultCenter().observe<std::int64_t>(
        kSortingTypeChangedNotificationFromListTable, nullptr,
        [this](const std::int64_t& index, const void*) { sortingChangedFromListTable(index); });

    showPane(QStringLiteral("PGen"));
}

PreferencesWindowController::~PreferencesWindowController() = default;

QWidget* PreferencesWindowController::buildGeneralPane()
{
    auto* pane = new QWidget;
    pane->setObjectName(QStringLiteral("PGen"));
    auto* layout = paneLayout(pane);

    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 8);
    m_sortingPopUp = new QComboBox(pane);
    // Items in the order of the sort indexes.
    m_sortingPopUp->addItem(tr("Name"));
    m_sortingPopUp->addItem(tr("Date edited"));
    m_sortingPopUp->addItem(tr("Date created"));
    m_sortingPopUp->setAccessibleName(tr("Sort databases and records by"));
    auto* sortLabel = new QLabel(tr("&Sort databases and records by:"), pane);
    sortLabel->setBuddy(m_sortingPopUp);
    form->addRow(sortLabel, m_sortingPopUp);
    layout->addLayout(form);
    connect(m_sortingPopUp, &QComboBox::activated, this, [this](int index) { sortingChanged(index); });

    addHeading(layout, tr("When syncing with Dossiva for iPhone"), pane);
    m_backupButton = addCheckBox(layout, tr("&Back up all databases first"), pane);
    m_syncTemplatesButton = addCheckBox(layout, tr("Sync &templates too"), pane);
    connect(m_backupButton, &QCheckBox::clicked, this,
            [](bool on) { UserDefaults::standard().setInteger(kBackupKey, state(on)); });
    connect(m_syncTemplatesButton, &QCheckBox::clicked, this,
            [](bool on) { UserDefaults::standard().setInteger(kSyncTemplatesKey, state(on)); });

    layout->addSpacing(8);
    addHeading(layout, tr("When printing records"), pane);
    m_printBackground = addCheckBox(layout, tr("&Print the form background"), pane);
    connect(m_printBackground, &QCheckBox::clicked, this,
            [](bool on) { UserDefaults::standard().setInteger(kPrintBackgroundKey, state(on)); });
    layout->addStretch(1);
    return pane;
}

QWidget* PreferencesWindowController::buildUpdatePane()
{
    auto* pane = new QWidget;
    pane->setObjectName(QStringLiteral("PUpd"));
    auto* layout = paneLayout(pane);
    // There is no update check here to schedule or report: new versions come
    // with the system's own updates.
    m_updateLabel = new QLabel(updatesText(), pane);
    m_updateLabel->setObjectName(QStringLiteral("updateLabel"));
    m_updateLabel->setWordWrap(true);
    m_updateLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_updateLabel->setAccessibleName(tr("Updates"));
    layout->addWidget(m_updateLabel);
    layout->addStretch(1);
    return pane;
}

QWidget* PreferencesWindowController::buildExportPane()
{
    auto* pane = new QWidget;
    pane->setObjectName(QStringLiteral("PCSV"));
    auto* layout = paneLayout(pane);

    m_showExport = addCheckBox(layout, tr("&Show the export options before exporting to CSV"), pane);
    connect(m_showExport, &QCheckBox::clicked, this,
            [](bool on) { UserDefaults::standard().setBool(kExportCsvKey, on); });
    addNote(layout,
            tr("When this is off, Export CSV goes straight to choosing the file, with the "
               "encoding, header row and records you chose last."),
            pane);
    layout->addStretch(1);
    return pane;
}

void PreferencesWindowController::buildToolbar()
{
    auto* toolbar = new QToolBar(tr("Preferences"), this);
    toolbar->setObjectName(QStringLiteral("PToolBar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setVisible(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(32, 32));
    addToolBar(Qt::TopToolBarArea, toolbar);

    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (std::size_t i = 0; i < kPanes.size(); ++i) {
        const PaneInfo& info = kPanes[i];
        auto* action = new QAction(QIcon(QString::fromLatin1(info.icon)), tr(info.label), group);
        action->setObjectName(QString::fromLatin1(info.identifier));
        action->setCheckable(true);
        action->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(i))));
        action->setToolTip(tr(info.label));
        const QString identifier = QString::fromLatin1(info.identifier);
        connect(action, &QAction::triggered, this, [this, identifier] { showPane(identifier); });
        toolbar->addAction(action);
        m_paneActions.push_back(action);
    }
    auto* close = new QAction(this);
    close->setShortcuts(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
}

void PreferencesWindowController::readSettings()
{
    const UserDefaults& defaults = UserDefaults::standard();
    std::int64_t sorting = defaults.has(kSortingKey) ? defaults.integerForKey(kSortingKey) : kDefaultSorting;
    if (sorting < 0 || sorting >= m_sortingPopUp->count()) {
        sorting = kDefaultSorting;
    }
    m_sortingPopUp->setCurrentIndex(static_cast<int>(sorting));
    m_showExport->setChecked(!defaults.has(kExportCsvKey) || defaults.boolForKey(kExportCsvKey));
    m_printBackground->setChecked(printBackground());
    m_syncTemplatesButton->setChecked(defaults.boolForKey(kSyncTemplatesKey));
    m_backupButton->setChecked(defaults.boolForKey(kBackupKey));
}

void PreferencesWindowController::showPreferences()
{
    if (!m_placed) {
        // Centred over the main window, or on the screen when there is none.
        const QRect area =
            parentWidget() ? parentWidget()->window()->frameGeometry() : screen()->availableGeometry();
        move(area.center() - rect().center());
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

void PreferencesWindowController::showPane(const QString& identifier)
{
    const int index = paneIndex(identifier);
    if (index < 0) {
        return;
    }
    const QRect old = geometry();
    const int oldContentHeight = m_panes->height();
    m_panes->setCurrentIndex(index);
    // The window takes the size of the shown pane alone.
    for (int i = 0; i < m_panes->count(); ++i) {
        const auto policy = i == index ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        m_panes->widget(i)->setSizePolicy(policy, policy);
    }
    m_paneActions[static_cast<std::size_t>(index)]->setChecked(true);
    setWindowTitle(tr(kPanes[static_cast<std::size_t>(index)].label));

    QWidget* pane = m_panes->currentWidget();
    const QSize paneSize = pane->sizeHint().expandedTo(pane->minimumSizeHint());
    if (!isVisible()) {
        setFixedSize(QMainWindow::sizeHint());
        return;
    }
    // The top edge and the horizontal centre stay where they were.
    const int height = old.height() - oldContentHeight + paneSize.height();
    const int width = std::max(paneSize.width(), QMainWindow::minimumSizeHint().width());
    const QRect target(old.x() + (old.width() - width) / 2, old.y(), width, height);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (m_resize) {
        m_resize->stop();
    }
    m_resize = new QPropertyAnimation(this, "geometry", this);
    m_resize->setDuration(kResizeMilliseconds);
    m_resize->setStartValue(old);
    m_resize->setEndValue(target);
    connect(m_resize, &QPropertyAnimation::finished, this, [this, target] { setFixedSize(target.size()); });
    m_resize->start(QAbstractAnimation::DeleteWhenStopped);
}

QString PreferencesWindowController::currentPane() const
{
    const int index = m_panes->currentIndex();
    return index < 0 ? QString() : QString::fromLatin1(kPanes[static_cast<std::size_t>(index)].identifier);
}

void PreferencesWindowController::sortingChanged(int index)
{
    UserDefaults::standard().setInteger(kSortingKey, index);
    NotificationCenter::defaultCenter().post(kSortingTypeChangedNotification, this, std::int64_t{index});
}

void PreferencesWindowController::sortingChangedFromListTable(std::int64_t index)
{
    // Only the pop-up follows: the record list has already stored and
    // applied the new sort, so nothing is posted back.
    if (index >= 0 && index < m_sortingPopUp->count()) {
        m_sortingPopUp->setCurrentIndex(static_cast<int>(index));
    }
}

bool PreferencesWindowController::printBackground()
{
    return UserDefaults::standard().boolForKey(kPrintBackgroundKey);
}

} // namespace dossiva
