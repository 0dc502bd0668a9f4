#pragma once

#include "platform/NotificationCenter.h"

#include <QMainWindow>
#include <QPointer>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QAction;
class QLabel;
class QPropertyAnimation;
class QStackedWidget;

namespace dossiva {

// The preferences window: the General, Update and Export panes, each control
// written to the preferences the moment it changes.
class PreferencesWindowController final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreferencesWindowController)
public:
    explicit PreferencesWindowController(QWidget* parent = nullptr);
    ~PreferencesWindowController() override;

    void showPreferences();
    // The SPrintBack setting; false when absent.
    static bool printBackground();

    // Shows the pane "PGen", "PUpd" or "PCSV".
    void showPane(const QString& identifier);
    QString currentPane() const;

    QComboBox* sortingPopUp() const { return m_sortingPopUp; }
    QCheckBox* backupButton() const { return m_backupButton; }
    QCheckBox* syncTemplatesButton() const { return m_syncTemplatesButton; }
    QCheckBox* printBackgroundButton() const { return m_printBackground; }
    QCheckBox* showExport() const { return m_showExport; }
    QLabel* updateLabel() const { return m_updateLabel; }

private:
    QWidget* buildGeneralPane();
    QWidget* buildUpdatePane();
    QWidget* buildExportPane();
    void buildToolbar();
    void readSettings();
    void sortingChanged(int index);
    void sortingChangedFromListTable(std::int64_t index);

    QComboBox* m_sortingPopUp = nullptr;
    QCheckBox* m_backupButton = nullptr;
    QCheckBox* m_syncTemplatesButton = nullptr;
    QCheckBox* m_printBackground = nullptr;
    QCheckBox* m_showExport = nullptr;
    QLabel* m_updateLabel = nullptr;
    QStackedWidget* m_panes = nullptr;
    ObserverToken m_observer;
    std::vector<QAction*> m_paneActions;
    QPointer<QPropertyAnimation> m_resize;
    bool m_placed = false;
};

} // namespace dossiva
