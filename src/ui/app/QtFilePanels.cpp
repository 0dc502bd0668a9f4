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
    QFileDialog dialog(m_window, QString::fromStdString(request.message), documentsFolder());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    QStringList patterns;
    QStringList filters;
    for (const auto& type : request.types) {
        patterns << QString::fromStdString("*." + type);
        filters << describe(type);
    }
    filters.prepend(QStringLiteral("All supported files (%1)").arg(patterns.join(' ')));
    dialog.setNameFilters(filters);
    // A package is a folder: stepping into one picks it.
    QString package;
    const bool takesPackages =
        std::find(request.types.begin(), request.types.end(), "dossiva") != request.types.end();
    QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&](const QString& folder) {
        if (takesPackages && folder.endsWith(QStringLiteral(".dossiva"))) {
            package = folder;
            dialog.reject();
        }
    });
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        return dialog.selectedFiles().first().toStdString();
    }
    if (!package.isEmpty()) {
        return package.toStdString();
    }
    return std::nullopt;
}

std::optional<std::string> QtFilePanels::runSavePanel(const SavePanelRequest& request)
{
    const QString proposed =
        QDir(documentsFolder()).filePath(QString::fromStdString(request.proposedName + "." + request.type));
    QFileDialog dialog(m_window, QStringLiteral("Save"), proposed, describe(request.type));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(request.type));
    dialog.setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

} // namespace dossiva
