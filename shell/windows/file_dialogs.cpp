#include "file_dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace harbex {

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        if (pattern.isEmpty()) continue;
        pattern.replace(";", " ");
        if (pattern == "*.*") pattern = "*";
        filters << parts[i] + " (" + pattern + ")";
    }
    return filters;
}

QFileDialog* CreateFileDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode,
                              const char* filter, int filterIndex) {
    auto* dialog = new QFileDialog(parent); // owned by parent
    dialog->setObjectName(name);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(QtNameFilters(filter));
    SetDialogFilterIndex(*dialog, filterIndex);
    return dialog;
}

void SetDialogFileName(QFileDialog& dialog, const QString& name) {
    // A wildcard name only says which files to show, which the selected
    // filter already does; Qt would take it for a file name.
    if (!name.contains('*') && !name.contains('?')) dialog.selectFile(name);
}

void SetDialogFilterIndex(QFileDialog& dialog, int filterIndex) {
    const QStringList filters = dialog.nameFilters();
    if (filterIndex >= 1 && filterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[filterIndex - 1]);
    }
}

void SetDialogFolder(QFileDialog& dialog, const std::string& folder) {
    dialog.setDirectory(QString::fromStdString(folder));
}

std::optional<std::string> RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    QDir::setCurrent(QFileInfo(files.first()).absolutePath());
    return files.first().toStdString();
}

} // namespace harbex
