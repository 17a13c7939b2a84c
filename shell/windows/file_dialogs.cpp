#include "file_dialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <vector>

namespace harbex {

namespace {

// Name completion belongs to a dialog on screen. A completion that comes
// late (the folder's list is read in the background) could otherwise show
// its popup after the dialog was accepted, and the popup would take the next
// keys into the hidden dialog's name field. So the completers are detached
// from their fields while the dialog is hidden.
class CompletionGuard : public QObject {
public:
    explicit CompletionGuard(QFileDialog& dialog) : QObject(&dialog) {
        dialog.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QWidget*>(watched);
        if (dialog == nullptr) return false;
        if (event->type() == QEvent::Hide) Detach(*dialog);
        if (event->type() == QEvent::Show) Attach();
        return false;
    }

private:
    struct Field {
        QPointer<QLineEdit> edit;
        QPointer<QCompleter> completer;
    };

    void Detach(QWidget& dialog) {
        for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
            QCompleter* completer = edit->completer();
            if (completer == nullptr) continue;
            if (completer->popup() != nullptr) completer->popup()->hide();
            edit->setCompleter(nullptr);
            detached_.push_back({edit, completer});
        }
    }

    void Attach() {
        for (const Field& field : detached_) {
            if (field.edit && field.completer) field.edit->setCompleter(field.completer);
        }
        detached_.clear();
    }

    std::vector<Field> detached_;
};

// Qt's file dialog that adds a suffix to a bare name while a given filter
// is selected, however the filter came to be selected.
class ShellFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void SetSuffixRule(const QString& filter, const QString& suffix) {
        suffixFilter_ = filter;
        suffix_ = suffix;
    }

    void accept() override {
        const bool applies = !suffix_.isEmpty() && selectedNameFilter() == suffixFilter_;
        setDefaultSuffix(applies ? suffix_ : QString());
        QFileDialog::accept();
    }

private:
    QString suffixFilter_;
    QString suffix_;
};

} // namespace

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
    auto* dialog = new ShellFileDialog(parent); // owned by parent
    dialog->setObjectName(name);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(QtNameFilters(filter));
    SetDialogFilterIndex(*dialog, filterIndex);
    new CompletionGuard(*dialog); // owned by the dialog
    return dialog;
}

void UseSuffixWithFilter(QFileDialog& dialog, int filterIndex, const QString& suffix) {
    const QStringList filters = dialog.nameFilters();
    auto* shellDialog = dynamic_cast<ShellFileDialog*>(&dialog);
    if (shellDialog == nullptr || filterIndex < 1 || filterIndex > filters.size()) return;
    shellDialog->SetSuffixRule(filters[filterIndex - 1], suffix);
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
    const int answer = dialog.exec();
    if (QWidget* owner = dialog.parentWidget()) owner->activateWindow();
    if (answer != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    QDir::setCurrent(QFileInfo(files.first()).absolutePath());
    return files.first().toStdString();
}

} // namespace harbex
