#pragma once
// quillpad's text area: a plain text editor with the line numbers in a
// margin on its left, the current line highlighted, and marks that other
// parts lay over lines (the listing's messages), each part in a layer of
// its own. The margin also draws dots beside lines (breakpoints) and
// tells of clicks in it; a note may stand after the text of one line.

#include <QPlainTextEdit>
#include <QTextEdit>
#include <functional>
#include <map>

class QPainter;

namespace quillpad {

class NumberedEditor : public QPlainTextEdit {
public:
    static constexpr QColor kCurrentLine{0xf2, 0xf5, 0xfa};
    static constexpr QColor kMarginBackground{0xf0, 0xf0, 0xf0};
    static constexpr QColor kMarginNumbers{0x80, 0x80, 0x80};

    explicit NumberedEditor(QWidget* parent);

    // The point size of the system's fixed-pitch font.
    static int SystemPointSize();
    // The system's fixed-pitch font at `pointSize`, tabs every 8 columns.
    void SetPointSize(int pointSize);
    // Runs `change` (which replaces the text) keeping the cursor's line and
    // column, as far as they still exist, and the scroll position.
    void KeepView(const std::function<void()>& change);
    // Puts the cursor at the start of `line` (from 0, kept within the
    // text) and scrolls it into the middle of the view.
    void ShowLine(int line);

    // A whole line in `colour`, as a mark for a layer.
    QTextEdit::ExtraSelection LineMark(int line, const QColor& colour) const;
    // Replaces the marks of one layer; layers lie over the current line in
    // the order of their names.
    void SetMarks(const QString& layer, const QList<QTextEdit::ExtraSelection>& marks);

    // Dots in the margin beside lines (from 0), and who hears of a click
    // in the margin (with the line clicked, from 0).
    void SetMarginDots(const std::map<int, QColor>& dots);
    // Whether the margin keeps room for dots (not in the listing view).
    void SetDotRoom(bool room);
    void SetMarginClick(std::function<void(int line)> click) { marginClick_ = std::move(click); }
    void MarginClicked(int y);
    // Words drawn after the text of `line` (from 0); an empty text, none.
    void SetLineNote(int line, const QString& text, const QColor& colour);

    int MarginWidth() const;
    // After a change of font or of the number of lines.
    void UpdateMargin();
    void PaintMargin(QPaintEvent* event);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowMarks();
    void PaintDot(QPainter& painter, int top, const QColor& colour) const;

    QWidget* margin_;
    std::map<QString, QList<QTextEdit::ExtraSelection>> layers_;
    std::map<int, QColor> dots_;
    bool dotRoom_ = false;
    std::function<void(int)> marginClick_;
    int noteLine_ = -1;
    QString note_;
    QColor noteColour_;
};

} // namespace quillpad
