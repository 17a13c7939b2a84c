#pragma once
// The analysis of the text being edited, kept up with the typing: a short
// pause after the last change, the text goes to the analysis queue; an
// analysis that comes back after the text changed again is dropped. What
// the current analysis knows is answered in the editor's own terms (lines
// and character positions): the messages to underline, the explanation at
// a place, where a name is defined, where it is named, the outline. The
// widgets that show them are AnalysisView's; nothing here needs a screen.

#include "analysis_queue.h"
#include "text_codec.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTextDocument;

namespace quillpad {

// A place in the editor: the line (from 0) and the character position in it.
struct TextPlace {
    int line = 0;
    int position = 0;
    friend bool operator==(const TextPlace&, const TextPlace&) = default;
};
struct TextRange {
    TextPlace from;
    TextPlace to;
    bool Holds(const TextPlace& place) const;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

struct Underline {
    TextRange range; // at least one character wide, unless its line is empty
    bool error = true;
    QString message;
};

struct Reference {
    TextRange range;
    bool definition = false;
    QString card; // the line that holds it
};

struct OutlineItem {
    QString name;
    QString detail; // "statement N", or a function's prototype
    int depth = 0;  // 1 for a function under its entry label
    TextRange range;
};

class AnalysisSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kPauseMs = 300;
    // Beyond this many, messages are not underlined (each mark is a cursor
    // that every edit moves).
    static constexpr int kMaxUnderlines = 1000;

    AnalysisSession(QTextDocument& text, std::function<Encoding()> fileEncoding,
                    QObject* parent = nullptr);
    ~AnalysisSession() override;

    // An inactive session (the listing view) analyses nothing and knows nothing.
    void SetActive(bool active);
    bool Active() const { return active_; }
    void SetPause(int milliseconds) { pause_.setInterval(milliseconds); }

    // The analysis at hand is of the text as it stands.
    bool Current() const;
    // Runs `action` now when the analysis is current, else as soon as an
    // analysis of the text as it stands arrives (asking for one at once).
    // A change of the text before then drops it: it was meant for the text
    // the user saw.
    void WhenCurrent(std::function<void()> action);

    // What the current analysis knows (nothing when it is not current).
    std::vector<Underline> Underlines() const;
    // The messages whose underline holds the place.
    QStringList MessagesAt(const TextPlace& place) const;
    // What the language server's hover says at a place, in Markdown.
    QString Hover(const TextPlace& place) const;
    // The explanation at a place in Markdown: its messages, then the hover.
    // Empty when there is nothing to say.
    QString Explanation(const TextPlace& place) const;
    // Where the name at a place is defined. From one of its definitions, the
    // next: a function's name in DEFINE, then its entry label.
    // Nothing, with the reason in `problem`, when there is no such place.
    std::optional<TextRange> Definition(const TextPlace& place, QString& problem) const;
    // Every naming of the label or defined function at a place, its
    // definitions included; `name` says which.
    std::vector<Reference> References(const TextPlace& place, QString& name) const;
    std::vector<OutlineItem> Outline() const;
    // The analysed text itself, while it is current.
    const vantel::analysis::Source* Analysed() const;

signals:
    // An analysis of the text as it stands arrived.
    void analysed();
    // The text could not be analysed.
    void failed();

private:
    void Changed();
    void Ask();
    void Arrived(std::uint64_t revision, Encoding encoding,
                 std::shared_ptr<const AnalysedText> result);
    std::vector<Underline> MakeUnderlines() const;
    std::size_t OffsetOf(const TextPlace& place) const;
    TextPlace PlaceOf(const vantel::SourcePlace& place) const;
    TextRange RangeOf(const vantel::SourceSpan& span) const;
    QString LineText(int line) const;

    QTextDocument& text_;
    std::function<Encoding()> fileEncoding_;
    QTimer pause_;
    bool active_ = false;
    std::uint64_t revision_ = 1;
    std::uint64_t asked_ = 0;                 // the revision last sent to the queue
    Encoding askedEncoding_ = Encoding::Utf8; // and the encoding of its bytes
    std::shared_ptr<const AnalysedText> current_;
    Encoding encoding_ = Encoding::Utf8;         // of current_'s bytes
    std::vector<Underline> underlines_;          // of current_
    std::vector<std::function<void()>> pending_; // until the analysis is current
};

} // namespace quillpad
