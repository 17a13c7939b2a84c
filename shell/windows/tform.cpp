#include "tform.h"

#include <QCloseEvent>
#include <QEvent>
#include <QResizeEvent>
#include <QScreen>
#include <cmath>

namespace harbex {

TForm::TForm(QWidget* parent) : QMainWindow(parent) {
    const QScreen* screen = this->screen();
    if (screen != nullptr) scale_ = screen->logicalDotsPerInchY() / kDesignDpi;
}

int TForm::Scaled(int designPixels) const {
    return static_cast<int>(std::lround(designPixels * scale_));
}

void TForm::ApplyDesignScale() {
    const QRect design(property("designLeft").toInt(), property("designTop").toInt(), width(),
                       height());
    if (QWidget* central = centralWidget()) {
        for (QWidget* child : central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect at = child->geometry();
            child->setGeometry(Scaled(at.x()), Scaled(at.y()), Scaled(at.width()),
                               Scaled(at.height()));
        }
    }
    move(Scaled(design.x()), Scaled(design.y()));
    resize(Scaled(design.width()), Scaled(design.height()));
}

bool TForm::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate) emit OnActivate();
    return handled;
}

void TForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    emit OnResize();
}

void TForm::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) emit OnClose();
}

} // namespace harbex
