#pragma once
// quillpad's text area: a plain text editor with the line numbers in a
// margin on its left.

#include <QPlainTextEdit>

namespace quillpad {

// The editor with a margin of line numbers.
class NumberedEditor : public QPlainTextEdit {
public:
    explicit NumberedEditor(QWidget* parent);
    int MarginWidth() const;
    // After a change of font or of the number of lines.
    void UpdateMargin();
    void PaintMargin(QPaintEvent* event);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* margin_;
};

} // namespace quillpad
