#pragma once
// The shell's file dialogs: Qt's own dialogs configured like the platform's
// default file dialogs (no overwrite prompt, no existence check); the owner
// may turn the overwrite prompt on.

#include <QFileDialog>
#include <QStringList>
#include <optional>
#include <string>

namespace harbex {

// "Description|pattern|Description|pattern..." to Qt's name filters; the
// all-files pattern "*.*" becomes "*".
QStringList QtNameFilters(const QString& filter);

// A file dialog owned by `parent`, with the filter and the 1-based filter
// index selected.
QFileDialog* CreateFileDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode,
                              const char* filter, int filterIndex);

// While the filter at the 1-based index is selected, a name typed without
// an extension gets the suffix (for dialogs made by CreateFileDialog).
void UseSuffixWithFilter(QFileDialog& dialog, int filterIndex, const QString& suffix);

void SetDialogFileName(QFileDialog& dialog, const QString& name);
void SetDialogFilterIndex(QFileDialog& dialog, int filterIndex);
void SetDialogFolder(QFileDialog& dialog, const std::string& folder);

// Runs the dialog; the chosen path, or none when cancelled. Like the
// platform's dialogs, a choice makes the chosen file's folder the current
// one. The owner window is active again afterwards.
std::optional<std::string> RunFileDialog(QFileDialog& dialog);

} // namespace harbex
