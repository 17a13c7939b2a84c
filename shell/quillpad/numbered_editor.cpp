#include "numbered_editor.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

namespace quillpad {
namespace {

constexpr int kTabColumns = 8;
constexpr int kFallbackPointSize = 10; // when the system's font has no point size
constexpr int kMarginPadding = 8;      // pixels around the numbers
constexpr int kMarginRightGap = 4;     // pixels between the numbers and the text
constexpr int kMarginMinDigits = 3;    // the margin's width does not jump for short files
constexpr int kNoteGap = 3;            // character widths between a line's text and its note

// The margin beside the editor: it only paints the numbers.
class Margin : public QWidget {
public:
    explicit Margin(NumberedEditor* editor) : QWidget(editor), editor_(editor) {}
    QSize sizeHint() const override { return {editor_->MarginWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintMargin(event); }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            editor_->MarginClicked(event->position().toPoint().y());
    }

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
    // Room on the left for a dot as high as a line.
    return kMarginPadding + (dotRoom_ ? fontMetrics().height() : 0) +
           fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, kMarginMinDigits);
}

void NumberedEditor::SetMarginDots(const std::map<int, QColor>& dots) {
    dots_ = dots;
    margin_->update();
}

void NumberedEditor::SetDotRoom(bool room) {
    if (dotRoom_ == room) return;
    dotRoom_ = room;
    UpdateMargin();
}

void NumberedEditor::MarginClicked(int y) {
    if (!marginClick_) return;
    const QTextBlock block = cursorForPosition(QPoint(0, y)).block();
    if (block.isValid()) marginClick_(block.blockNumber());
}

void NumberedEditor::SetLineNote(int line, const QString& text, const QColor& colour) {
    noteLine_ = text.isEmpty() ? -1 : line;
    note_ = text;
    noteColour_ = colour;
    viewport()->update();
}

void NumberedEditor::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    const QTextBlock block = document()->findBlockByNumber(noteLine_);
    if (noteLine_ < 0 || !block.isValid() || !block.isVisible()) return;
    const QRectF line = blockBoundingGeometry(block).translated(contentOffset());
    const qreal after =
        block.layout()->lineAt(0).isValid() ? block.layout()->lineAt(0).naturalTextWidth() : 0;
    QPainter painter(viewport());
    QFont italic = font();
    italic.setItalic(true);
    painter.setFont(italic);
    painter.setPen(noteColour_);
    const qreal left = line.left() + after + kNoteGap * fontMetrics().horizontalAdvance(' ');
    painter.drawText(QRectF(left, line.top(), viewport()->width(), line.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, note_);
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

void NumberedEditor::PaintDot(QPainter& painter, int top, const QColor& colour) const {
    const int size = fontMetrics().height() * 3 / 4;
    const int inset = (fontMetrics().height() - size) / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(130));
    painter.setBrush(colour);
    painter.drawEllipse(kMarginPadding / 2 + inset, top + inset, size, size);
    painter.restore();
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
            const auto dot = dots_.find(block.blockNumber());
            if (dot != dots_.end()) PaintDot(painter, top, dot->second);
        }
        top += height;
        block = block.next();
    }
}

} // namespace quillpad
