#include "numbered_editor.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

namespace quillpad {
namespace {

constexpr int kTabColumns = 8;
constexpr int kFallbackPointSize = 10; // when the system's font has no point size
constexpr int kMarginPadding = 8;      // pixels around the numbers
constexpr int kMarginRightGap = 4;     // pixels between the numbers and the text
constexpr int kMarginMinDigits = 3;    // the margin's width does not jump for short files

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
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &NumberedEditor::ShowMarks);
    setViewportMargins(MarginWidth(), 0, 0, 0);
    ShowMarks();
}

int NumberedEditor::SystemPointSize() {
    const int size = QFontDatabase::systemFont(QFontDatabase::FixedFont).pointSize();
    return size > 0 ? size : kFallbackPointSize;
}

void NumberedEditor::KeepView(const std::function<void()>& change) {
    const int line = textCursor().blockNumber();
    const int column = textCursor().positionInBlock();
    const int scroll = verticalScrollBar()->value();
    change();
    const QTextBlock block = document()->findBlockByNumber(line);
    if (block.isValid()) {
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                            std::min(column, block.length() - 1));
        setTextCursor(cursor);
    }
    verticalScrollBar()->setValue(scroll);
}

void NumberedEditor::SetPointSize(int pointSize) {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    fixed.setPointSize(pointSize);
    setFont(fixed);
    setTabStopDistance(kTabColumns * QFontMetricsF(fixed).horizontalAdvance(' '));
    UpdateMargin();
}

void NumberedEditor::ShowLine(int line) {
    const int target = std::clamp(line, 0, blockCount() - 1);
    setTextCursor(QTextCursor(document()->findBlockByNumber(target)));
    centerCursor();
}

QTextEdit::ExtraSelection NumberedEditor::LineMark(int line, const QColor& colour) const {
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(document()->findBlockByNumber(line));
    mark.format.setBackground(colour);
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    return mark;
}

void NumberedEditor::SetMarks(const QString& layer, const QList<QTextEdit::ExtraSelection>& marks) {
    if (marks.isEmpty()) {
        layers_.erase(layer);
    } else {
        layers_[layer] = marks;
    }
    ShowMarks();
}

void NumberedEditor::ShowMarks() {
    QList<QTextEdit::ExtraSelection> all{LineMark(textCursor().blockNumber(), kCurrentLine)};
    for (const auto& [layer, marks] : layers_)
        all += marks;
    setExtraSelections(all);
}

int NumberedEditor::MarginWidth() const {
    int digits = 1;
    for (int count = std::max(1, blockCount()); count >= 10; count /= 10)
        ++digits;
    return kMarginPadding +
           fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, kMarginMinDigits);
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
    painter.fillRect(event->rect(), kMarginBackground);
    painter.setPen(kMarginNumbers);
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= event->rect().top()) {
            painter.drawText(0, top, margin_->width() - kMarginRightGap, fontMetrics().height(),
                             Qt::AlignRight, QString::number(block.blockNumber() + 1));
        }
        top += height;
        block = block.next();
    }
}

} // namespace quillpad
