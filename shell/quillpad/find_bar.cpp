#include "find_bar.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace quillpad {

FindBar::FindBar(QPlainTextEdit& editor, QWidget* parent)
    : QToolBar("Find", parent), editor_(editor) {
    setMovable(false);
    text_ = new QLineEdit(this); // owned by the bar
    text_->setObjectName("findText");
    text_->setPlaceholderText("Find");
    addWidget(new QLabel("Find: ", this));
    addWidget(text_);
    addAction("Next", this, [this] { Find(false); });
    addAction("Previous", this, [this] { Find(true); });
    QAction* close = addAction("Close", this, [this] {
        hide();
        editor_.setFocus();
    });
    close->setShortcut(Qt::Key_Escape);
    close->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(text_, &QLineEdit::returnPressed, this, [this] { Find(false); });
    hide();
}

void FindBar::Open() {
    show();
    text_->setFocus();
    text_->selectAll();
}

void FindBar::Find(bool backward) {
    const QString text = text_->text();
    if (text.isEmpty()) {
        Open();
        return;
    }
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (editor_.find(text, flags)) return;
    // Wrap around once.
    const QTextCursor start = editor_.textCursor();
    QTextCursor wrapped(editor_.document());
    if (backward) wrapped.movePosition(QTextCursor::End);
    editor_.setTextCursor(wrapped);
    if (!editor_.find(text, flags)) {
        editor_.setTextCursor(start);
        emit notFound(text);
    }
}

} // namespace quillpad
