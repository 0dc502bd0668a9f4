#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;
class QLineEdit;
class QMenu;

namespace dossiva {

// The recent searches of the search field, kept in the preferences under
// "Recent searches" (the ten last, newest first) and offered in the menu of
// the field's magnifier: the title "Recent Searches", the searches, a
// separator and "Clear".
class RecentSearches final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecentSearches)
public:
    static constexpr int kLimit = 10;

    explicit RecentSearches(QLineEdit* field);

    // A search was made: it goes first, once.
    void remember(const QString& text);
    QStringList searches() const;
    QMenu* menu() const { return m_menu; }

private:
    void store(const QStringList& searches);
    void fillMenu();

    QPointer<QLineEdit> m_field;
    QMenu* m_menu;
    QAction* m_action;
};

} // namespace dossiva
