#include "ui/use/RecentSearches.h"

#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "ui/widgets/UiText.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>

namespace dossiva {

namespace {
constexpr const char* kKey = "Recent searches";
} // namespace

RecentSearches::RecentSearches(QLineEdit* field) : QObject(field), m_field(field), m_menu(new QMenu(field))
{
    // The magnifier at the start of the field opens the menu.
    const QList<QAction*> actions = field->actions();
    m_action = actions.isEmpty() ? field->addAction(uiIcon("edit-find"), QLineEdit::LeadingPosition)
                                 : actions.first();
    m_action->setToolTip(tr("Recent Searches"));
    connect(m_action, &QAction::triggered, this, [this] {
        fillMenu();
        m_menu->popup(m_field->mapToGlobal(QPoint(0, m_field->height())));
    });
    fillMenu();
}

QStringList RecentSearches::searches() const
{
    QStringList list;
    if (const auto stored = UserDefaults::standard().object(kKey); stored && stored->isArray()) {
        for (const PropertyList& item : *stored->asArray()) {
            if (const std::string text = item.toString(); !text.empty()) {
                list << QString::fromStdString(text);
            }
        }
    }
    return list.mid(0, kLimit);
}

void RecentSearches::store(const QStringList& searches)
{
    PropertyList::Array items;
    for (const QString& text : searches.mid(0, kLimit)) {
        items.emplace_back(text.toStdString());
    }
    UserDefaults::standard().set(kKey, PropertyList(std::move(items)));
}

void RecentSearches::remember(const QString& text)
{
    if (text.trimmed().isEmpty()) {
        return;
    }
    QStringList list = searches();
    list.removeAll(text);
    list.prepend(text);
    store(list);
    fillMenu();
}

void RecentSearches::fillMenu()
{
    m_menu->clear();
    m_menu->addAction(tr("Recent Searches"))->setEnabled(false);
    for (const QString& text : searches()) {
        m_menu->addAction(text, this, [this, text] {
            m_field->setText(text);
            emit m_field->returnPressed();
        });
    }
    m_menu->addSeparator();
    m_menu->addAction(tr("Clear"), this, [this] {
        store({});
        fillMenu();
    });
}

} // namespace dossiva
