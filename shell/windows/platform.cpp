#include "platform.h"

#include "forms.h"
#include "main_form.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <utility>

namespace harbex {

namespace {

void DesktopMessageBox(const QString& text, const QString& caption, MessageButtons buttons) {
    QMessageBox::StandardButtons shown = QMessageBox::Ok;
    if (buttons == MessageButtons::OkCancel) shown |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::NoIcon, caption, text, shown, MessageBoxOwner());
    box.exec();
}

MessageBoxFunction& CurrentMessageBox() {
    static MessageBoxFunction function = DesktopMessageBox;
    return function;
}

bool DesktopQuestion(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                    MessageBoxOwner());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QuestionFunction& CurrentQuestion() {
    static QuestionFunction function = DesktopQuestion;
    return function;
}

} // namespace

QWidget* MessageBoxOwner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return MainForm;
}

SystemMetrics PlatformMetrics(const QWidget& window, int menuBarHeight) {
    const QRect outer = window.frameGeometry();
    const QRect client = window.geometry();
    SystemMetrics metrics;
    metrics.menuHeight = menuBarHeight - 1;
    metrics.minWindowHeight = outer.height() - client.height();
    metrics.dialogFrame = 0;
    metrics.sizingFrame = (outer.width() - client.width()) / 2;
    return metrics;
}

void ShowMessage(const QString& text, const QString& caption, MessageButtons buttons) {
    CurrentMessageBox()(text, caption, buttons);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
    MessageBoxFunction previous = std::move(CurrentMessageBox());
    CurrentMessageBox() = function ? std::move(function) : MessageBoxFunction(DesktopMessageBox);
    return previous;
}

} // namespace harbex

namespace harbex {

bool AskYesNo(const QString& text, const QString& caption) {
    return CurrentQuestion()(text, caption);
}

QuestionFunction SetQuestionFunction(QuestionFunction function) {
    QuestionFunction previous = std::move(CurrentQuestion());
    CurrentQuestion() = function ? std::move(function) : QuestionFunction(DesktopQuestion);
    return previous;
}

} // namespace harbex
