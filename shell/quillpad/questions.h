#pragma once
// Every question quillpad asks goes through one replaceable function, so
// that tests can answer them. `keeping` is the default answer: the one
// that throws no work away.

#include <QMessageBox>
#include <functional>

namespace quillpad {

using AskFunction = std::function<QMessageBox::StandardButton(QWidget* parent, const QString& text,
                                                              QMessageBox::StandardButtons buttons,
                                                              QMessageBox::StandardButton keeping)>;
void SetAskFunction(AskFunction ask);
QMessageBox::StandardButton AskUser(QWidget* parent, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton keeping);

} // namespace quillpad
