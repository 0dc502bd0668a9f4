#pragma once

#include "library/TemplateCatalog.h"
#include "platform/Alerts.h"

#include <QDialog>

#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace dossiva {

class OpenSectionController;

// The new-database sheet: the empty base, the built-in templates and the
// custom ones, and the new database's name.
class NewDBController final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NewDBController)
public:
    NewDBController(OpenSectionController& delegate, Alerts& alerts, QWidget* parent = nullptr);

    // Fills the list afresh and runs the sheet on the window.
    void showAttachedTo(QWidget* window);

    QListWidget* templateList() const { return m_list; }
    QLineEdit* nameField() const { return m_name; }
    QPushButton* createButton() const { return m_create; }

    // Create (true) or Cancel (false).
    void saveCancel(bool create);
    // Deletes the selected custom template after asking.
    void tableDeleteKey();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void reloadRows();
    void controlTextDidChange();
    void renameTemplate(int row, const QString& newName);

    OpenSectionController& m_delegate;
    Alerts& m_alerts;
    std::vector<TemplateRow> m_rows;
    bool m_reloading = false;
    QListWidget* m_list;
    QLineEdit* m_name;
    QPushButton* m_create;
};

} // namespace dossiva
