#pragma once
// The breakpoints of one file: each tied to its line in the text, so that
// it moves with the line while lines are added or removed above it (a
// breakpoint whose line is deleted goes to the line that takes its place;
// two on one line become one), and kept across a replacement of the whole
// text (a reload) at the same line numbers. They are remembered per file
// in quillpad's settings, so that they are there when the file opens again.

#include "debug_session.h"

#include <QObject>
#include <QTextCursor>
#include <vector>

class QTextDocument;

namespace quillpad {

// Files whose breakpoints are remembered; the least recently changed go.
inline constexpr int kRememberedBreakpointFiles = 200;

class BreakpointBook : public QObject {
    Q_OBJECT
public:
    explicit BreakpointBook(QTextDocument& text, QObject* parent = nullptr);

    // Lines from 1, in order, one breakpoint per line.
    std::vector<debug::SourceBreakpoint> List() const;
    bool Has(int line) const;
    void Toggle(int line);
    // Sets or adds the breakpoint of `line` with a condition and hit count.
    void Set(const debug::SourceBreakpoint& breakpoint);
    void Replace(const std::vector<debug::SourceBreakpoint>& breakpoints);

    // Reads and writes the breakpoints remembered for `path`.
    void Recall(const QString& path);
    void Remember(const QString& path) const;

signals:
    void changed();

private:
    struct Entry {
        QTextCursor anchor; // at the start of the line
        debug::SourceBreakpoint breakpoint;
    };

    void TextChanged(int position, int removed, int added);
    void Place(const std::vector<debug::SourceBreakpoint>& breakpoints);
    int LineOf(const Entry& entry) const { return entry.anchor.blockNumber() + 1; }

    QTextDocument& text_;
    std::vector<Entry> entries_;
    std::vector<debug::SourceBreakpoint> before_; // as they were before the last change
    int characters_ = 0;                          // of the text before the last change
};

} // namespace quillpad
