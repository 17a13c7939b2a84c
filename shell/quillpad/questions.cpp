#include "questions.h"

namespace quillpad {
namespace {

QMessageBox::StandardButton AskInABox(QWidget* parent, const QString& text,
                                      QMessageBox::StandardButtons buttons,
                                      QMessageBox::StandardButton keeping) {
    QMessageBox box(QMessageBox::Question, "quillpad", text, buttons, parent);
    box.setDefaultButton(keeping);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

AskFunction& AskHandler() {
    static AskFunction ask = AskInABox;
    return ask;
}

} // namespace

void SetAskFunction(AskFunction ask) {
    AskHandler() = ask ? std::move(ask) : AskFunction(AskInABox);
}

QMessageBox::StandardButton AskUser(QWidget* parent, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton keeping) {
    return AskHandler()(parent, text, buttons, keeping);
}

} // namespace quillpad
