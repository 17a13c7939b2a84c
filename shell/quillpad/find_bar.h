#pragma once
// The find bar under the editor (Ctrl+F): a text to find, Next and
// Previous (F3, Shift+F3) that wrap around once, and Close (Esc).

#include <QToolBar>

class QLineEdit;
class QPlainTextEdit;

namespace quillpad {

class FindBar : public QToolBar {
    Q_OBJECT
public:
    FindBar(QPlainTextEdit& editor, QWidget* parent);
    // Shows the bar with its text selected, ready for typing.
    void Open();
    // Finds the text after (or before) the cursor; with no text, opens the bar.
    void Find(bool backward);

signals:
    void notFound(const QString& text);

private:
    QPlainTextEdit& editor_;
    QLineEdit* text_ = nullptr;
};

} // namespace quillpad
