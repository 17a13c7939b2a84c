#include "numbered_editor.h"

#include <QPainter>
#include <QTextBlock>

namespace quillpad {
namespace {

// The margin beside the editor: it only paints the numbers.
class Margin : public QWidget {
public:
    explicit Margin(NumberedEditor* editor) : QWidget(editor), editor_(editor) {}
    QSize sizeHint() const override { return {editor_->MarginWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintMargin(event); }

private:
    NumberedEditor* editor_;
};

} // namespace

NumberedEditor::NumberedEditor(QWidget* parent)
    : QPlainTextEdit(parent), margin_(new Margin(this)) {
    connect(this, &QPlainTextEdit::blockCountChanged, this, &NumberedEditor::UpdateMargin);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
        if (dy != 0) {
            margin_->scroll(0, dy);
        } else {
            margin_->update(0, rect.y(), margin_->width(), rect.height());
        }
    });
    setViewportMargins(MarginWidth(), 0, 0, 0);
}

int NumberedEditor::MarginWidth() const {
    int digits = 1;
    for (int count = std::max(1, blockCount()); count >= 10; count /= 10)
        ++digits;
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 3);
}

void NumberedEditor::UpdateMargin() {
    margin_->setFont(font());
    setViewportMargins(MarginWidth(), 0, 0, 0);
    const QRect area = contentsRect();
    margin_->setGeometry(QRect(area.left(), area.top(), MarginWidth(), area.height()));
    margin_->update();
}

void NumberedEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    UpdateMargin();
}

void NumberedEditor::PaintMargin(QPaintEvent* event) {
    QPainter painter(margin_);
    painter.fillRect(event->rect(), QColor(0xf0, 0xf0, 0xf0));
    painter.setPen(QColor(0x80, 0x80, 0x80));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= event->rect().top()) {
            painter.drawText(0, top, margin_->width() - 4, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        }
        top += height;
        block = block.next();
    }
}

} // namespace quillpad
