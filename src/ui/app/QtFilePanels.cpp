#include "ui/app/QtFilePanels.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace dossiva {

namespace {

QString describe(const std::string& type)
{
    if (type == "dossiva") {
        return QStringLiteral("Dossiva databases (*.dossiva)");
    }
    if (type == "dossivaTemplate") {
        return QStringLiteral("Dossiva templates (*.dossivaTemplate)");
    }
    if (type == "csv") {
        return QStringLiteral("CSV files (*.csv)");
    }
    return QString::fromStdString(type + " files (*." + type + ")");
}

QString documentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

std::optional<std::string> QtFilePanels::runOpenPanel(const OpenPanelRequest& request)
{
    // The desktop's own chooser (through its portal where there is one),
    // with the user's bookmarks and recent places.
    QFileDialog dialog(m_window, QString::fromStdString(request.message), documentsFolder());
    dialog.setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    if (request.chooseFolder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        QStringList patterns;
        QStringList filters;
        for (const auto& type : request.types) {
            patterns << QString::fromStdString("*." + type);
            filters << describe(type);
        }
        if (filters.size() > 1) {
            filters.prepend(QStringLiteral("All supported files (%1)").arg(patterns.join(' ')));
        }
        dialog.setNameFilters(filters);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtFilePanels::runSavePanel(const SavePanelRequest& request)
{
    const QString proposed =
        QDir(documentsFolder()).filePath(QString::fromStdString(request.proposedName + "." + request.type));
    QFileDialog dialog(m_window, QStringLiteral("Save"), proposed, describe(request.type));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(request.type));
    dialog.setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

} // namespace dossiva
