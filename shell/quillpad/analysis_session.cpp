#include "analysis_session.h"

#include "analysis/hover.h"
#include "analysis/navigation.h"
#include "analysis_text.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <utility>

namespace quillpad {
namespace {

namespace analysis = vantel::analysis;

bool NotAfter(const TextPlace& a, const TextPlace& b) {
    return a.line < b.line || (a.line == b.line && a.position <= b.position);
}

// Analysis texts are bytes of the file's encoding (a card quoted in an
// explanation is Latin-1 in a Latin-1 file); the rest is ASCII.
QString FromBytes(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (utf8.hasError())
        text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return text;
}

// A message as Markdown text: every ASCII punctuation character escaped,
// so that none of it is read as markup, and its blanks not to be broken (a
// message is one line, as in the listing).
QString MarkdownText(const QString& text) {
    QString out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        if (c.unicode() < 0x80 && (c.isPunct() || c.isSymbol())) out += '\\';
        out += c == ' ' ? QChar(QChar::Nbsp) : c;
    }
    return out;
}

void Flatten(const std::vector<analysis::Symbol>& symbols, int depth,
             const std::function<TextRange(const vantel::SourceSpan&)>& rangeOf,
             std::vector<OutlineItem>& out) {
    for (const analysis::Symbol& s : symbols) {
        out.push_back(
            {QString::fromStdString(s.name), FromBytes(s.detail), depth, rangeOf(s.selection)});
        Flatten(s.children, depth + 1, rangeOf, out);
    }
}

} // namespace

bool TextRange::Holds(const TextPlace& place) const {
    return NotAfter(from, place) && NotAfter(place, to);
}

AnalysisSession::AnalysisSession(QTextDocument& text, std::function<Encoding()> fileEncoding,
                                 QObject* parent)
    : QObject(parent), text_(text), fileEncoding_(std::move(fileEncoding)) {
    pause_.setSingleShot(true);
    pause_.setInterval(kPauseMs);
    connect(&pause_, &QTimer::timeout, this, &AnalysisSession::Ask);
    connect(&text_, &QTextDocument::contentsChanged, this, &AnalysisSession::Changed);
}

AnalysisSession::~AnalysisSession() {
    AnalysisQueue::Shared().Cancel(this);
}

void AnalysisSession::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    pending_.clear();
    current_.reset();
    if (active) {
        pause_.start();
    } else {
        pause_.stop();
        AnalysisQueue::Shared().Cancel(this);
        asked_ = 0;
    }
}

// A file saved as UTF-8 after it was Latin-1 keeps its text but not its bytes.
bool AnalysisSession::Current() const {
    return active_ && current_ && current_->revision == revision_ && encoding_ == fileEncoding_();
}

void AnalysisSession::Changed() {
    ++revision_;
    pending_.clear();
    if (active_) pause_.start();
}

void AnalysisSession::Ask() {
    if (!active_) return;
    pause_.stop();
    asked_ = revision_;
    askedEncoding_ = fileEncoding_();
    std::string bytes = AnalysedBytes(TextOf(text_), askedEncoding_);
    AnalysisQueue::Shared().Request(
        this, revision_, std::move(bytes),
        [this, encoding = askedEncoding_](std::uint64_t revision,
                                          std::shared_ptr<const AnalysedText> result) {
            QMetaObject::invokeMethod(
                this, [this, revision, encoding, result] { Arrived(revision, encoding, result); },
                Qt::QueuedConnection);
        });
}

void AnalysisSession::Arrived(std::uint64_t revision, Encoding encoding,
                              std::shared_ptr<const AnalysedText> result) {
    // The text (or the bytes it is saved as) changed since: dropped.
    if (!active_ || revision != revision_ || encoding != fileEncoding_()) return;
    if (!result) {
        pending_.clear();
        emit failed();
        return;
    }
    current_ = std::move(result);
    encoding_ = encoding;
    underlines_ = MakeUnderlines();
    emit analysed();
    const std::vector<std::function<void()>> actions = std::exchange(pending_, {});
    for (const std::function<void()>& action : actions)
        if (Current()) action();
}

void AnalysisSession::WhenCurrent(std::function<void()> action) {
    if (!active_) return;
    if (Current()) {
        action();
        return;
    }
    pending_.push_back(std::move(action));
    if (asked_ != revision_ || askedEncoding_ != fileEncoding_()) Ask();
}

QString AnalysisSession::LineText(int line) const {
    return text_.findBlockByNumber(line).text();
}

std::size_t AnalysisSession::OffsetOf(const TextPlace& place) const {
    const analysis::Source& source = current_->source;
    const int line = std::clamp(place.line, 0, source.CardCount() - 1);
    const LineBytes bytes(LineText(line), encoding_, std::max(place.position, 0));
    const auto column = static_cast<std::size_t>(bytes.ByteColumn(place.position));
    return source.CardStart(line) + std::min(column, source.Card(line).size());
}

TextPlace AnalysisSession::PlaceOf(const vantel::SourcePlace& place) const {
    const int lines = text_.blockCount();
    if (place.line > lines) return {lines - 1, static_cast<int>(LineText(lines - 1).size())};
    const int line = std::max(place.line, 1) - 1;
    const int column = std::max(place.column, 1) - 1;
    const LineBytes bytes(LineText(line), encoding_, column + 1);
    return {line, bytes.Position(column)};
}

TextRange AnalysisSession::RangeOf(const vantel::SourceSpan& span) const {
    TextRange range{PlaceOf(span.from), PlaceOf(span.to)};
    // The end is the first character after the span.
    if (span.to.line >= 1 && span.to.line <= text_.blockCount()) {
        const int column = std::max(span.to.column, 1) - 1;
        const LineBytes bytes(LineText(range.to.line), encoding_, column + 1);
        range.to.position = bytes.PositionAfter(column);
    }
    if (!NotAfter(range.from, range.to)) range.to = range.from;
    return range;
}

std::vector<Underline> AnalysisSession::Underlines() const {
    return Current() ? underlines_ : std::vector<Underline>{};
}

std::vector<Underline> AnalysisSession::MakeUnderlines() const {
    std::vector<Underline> out;
    for (const analysis::Diagnostic& d : current_->source.Analysis().diagnostics) {
        if (out.size() == static_cast<std::size_t>(kMaxUnderlines)) break;
        Underline u{RangeOf(d.span), d.severity == analysis::Diagnostic::Severity::Error,
                    FromBytes(d.message)};
        if (u.range.from == u.range.to) {
            const int length = static_cast<int>(LineText(u.range.to.line).size());
            if (u.range.to.position < length)
                ++u.range.to.position;
            else if (u.range.from.position > 0)
                --u.range.from.position;
        }
        out.push_back(std::move(u));
    }
    return out;
}

QStringList AnalysisSession::MessagesAt(const TextPlace& place) const {
    QStringList messages;
    if (!Current()) return messages;
    for (const Underline& u : underlines_)
        if (u.range.Holds(place)) messages.append(u.message);
    return messages;
}

QString AnalysisSession::Explanation(const TextPlace& place) const {
    if (!Current()) return {};
    QStringList parts;
    for (const Underline& u : underlines_)
        if (u.range.Holds(place))
            parts.append(QString(u.error ? "**Error:**\u00a0%1" : "**Warning:**\u00a0%1")
                             .arg(MarkdownText(u.message)));
    if (const QString hover = Hover(place); !hover.isEmpty()) parts.append(hover);
    return parts.join("\n\n");
}

QString AnalysisSession::Hover(const TextPlace& place) const {
    if (!Current()) return {};
    const analysis::Source& source = current_->source;
    return FromBytes(analysis::HoverText(source, analysis::SiteAt(source, OffsetOf(place))));
}

const vantel::analysis::Source* AnalysisSession::Analysed() const {
    return Current() ? &current_->source : nullptr;
}

std::optional<TextRange> AnalysisSession::Definition(const TextPlace& place,
                                                     QString& problem) const {
    if (!Current()) {
        problem = "The text is being analysed";
        return std::nullopt;
    }
    const analysis::Source& source = current_->source;
    const std::optional<analysis::Named> named = analysis::NamedAt(source, OffsetOf(place));
    if (!named) {
        problem = "No label or defined function at the cursor";
        return std::nullopt;
    }
    std::vector<TextRange> ranges;
    for (const vantel::SourceSpan& span : analysis::Definitions(source.Analysis(), *named))
        ranges.push_back(RangeOf(span));
    if (ranges.empty()) {
        problem = QString("No statement has the label %1").arg(QString::fromStdString(named->name));
        return std::nullopt;
    }
    const auto here = std::find_if(ranges.begin(), ranges.end(),
                                   [&place](const TextRange& r) { return r.Holds(place); });
    if (here == ranges.end() || here + 1 == ranges.end()) return ranges.front();
    return *(here + 1);
}

std::vector<Reference> AnalysisSession::References(const TextPlace& place, QString& name) const {
    std::vector<Reference> out;
    if (!Current()) return out;
    const analysis::Source& source = current_->source;
    const std::optional<analysis::Named> named = analysis::NamedAt(source, OffsetOf(place));
    if (!named) return out;
    name = QString::fromStdString(named->name);
    for (const analysis::Occurrence* o :
         analysis::OccurrencesOf(source.Analysis(), *named, true, false)) {
        const TextRange range = RangeOf(o->span);
        out.push_back({range, analysis::IsDefinition(o->role), LineText(range.from.line)});
    }
    return out;
}

std::vector<OutlineItem> AnalysisSession::Outline() const {
    std::vector<OutlineItem> out;
    if (!Current()) return out;
    Flatten(
        analysis::Outline(current_->source), 0,
        [this](const vantel::SourceSpan& span) { return RangeOf(span); }, out);
    return out;
}

} // namespace quillpad
