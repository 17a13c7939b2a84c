#include "about_form.h"

#include "ui_about_form.h"

#include <QKeyEvent>

namespace harbex {

TAboutForm::TAboutForm(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::TAboutForm>()) {
    createLayout();
    writeTexts();
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::createLayout() {
    ui->setupUi(this);
    ApplyDesignScale();
}

void TAboutForm::writeTexts() {
    ui->Title->setText("SNOBOL4 workbench");
    ui->Credit->setText(
        "Subset mode runs vantel, the SNOBOL4 subset interpreter that comes with this shell.\n"
        "Full mode runs snobol4, a full SNOBOL4 interpreter that you install yourself.");
}

void TAboutForm::Done() {
    close();
}

// Enter and Esc close the window, as its one button does.
void TAboutForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        Done();
        break;
    default:
        TForm::keyPressEvent(event);
    }
}

} // namespace harbex
