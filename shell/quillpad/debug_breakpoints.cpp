#include "debug_breakpoints.h"

#include "single_instance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSettings>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

namespace quillpad {
namespace {

constexpr char kGroup[] = "breakpoints";

QSettings Store() {
    return QSettings("quillpad", "quillpad");
}

// A settings key may not hold every character of a path: the file's key
// is a hash of its canonical path, which the entry also keeps.
QString KeyOf(const QString& canonical) {
    return QString::fromLatin1(
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
}

} // namespace

BreakpointBook::BreakpointBook(QTextDocument& text, QObject* parent)
    : QObject(parent), text_(text), characters_(text.characterCount()) {
    // A text tells of its changes only once it has a layout; an editor's
    // has one already.
    text_.documentLayout();
    connect(&text_, &QTextDocument::contentsChange, this, &BreakpointBook::TextChanged);
}

std::vector<debug::SourceBreakpoint> BreakpointBook::List() const {
    std::vector<debug::SourceBreakpoint> list;
    for (const Entry& entry : entries_) {
        debug::SourceBreakpoint breakpoint = entry.breakpoint;
        breakpoint.line = LineOf(entry);
        list.push_back(std::move(breakpoint));
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
    // Two whose lines became one: the first keeps its condition.
    list.erase(std::unique(list.begin(), list.end(),
                           [](const auto& a, const auto& b) { return a.line == b.line; }),
               list.end());
    return list;
}

bool BreakpointBook::Has(int line) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [this, line](const Entry& entry) { return LineOf(entry) == line; });
}

void BreakpointBook::Toggle(int line) {
    if (Has(line)) {
        std::erase_if(entries_, [this, line](const Entry& entry) { return LineOf(entry) == line; });
        before_ = List();
        emit changed();
    } else {
        Set({line, {}, {}});
    }
}

void BreakpointBook::Set(const debug::SourceBreakpoint& breakpoint) {
    std::vector<debug::SourceBreakpoint> list = List();
    std::erase_if(list, [&](const auto& kept) { return kept.line == breakpoint.line; });
    list.push_back(breakpoint);
    Replace(list);
}

void BreakpointBook::Replace(const std::vector<debug::SourceBreakpoint>& breakpoints) {
    Place(breakpoints);
    emit changed();
}

// Ties each breakpoint to its line; lines past the end are dropped.
void BreakpointBook::Place(const std::vector<debug::SourceBreakpoint>& breakpoints) {
    entries_.clear();
    for (const debug::SourceBreakpoint& breakpoint : breakpoints) {
        const QTextBlock block = text_.findBlockByNumber(breakpoint.line - 1);
        if (breakpoint.line < 1 || !block.isValid()) continue;
        entries_.push_back(Entry{QTextCursor(block), breakpoint});
    }
    before_ = List();
}

// The anchors follow every edit by themselves; a replacement of the whole
// text would gather them all at its start, so they are put back where
// they were.
void BreakpointBook::TextChanged(int position, int removed, int /*added*/) {
    const bool whole = position == 0 && removed > 0 && removed >= characters_ - 1;
    characters_ = text_.characterCount();
    if (entries_.empty()) return;
    if (whole) {
        Place(before_);
        emit changed();
        return;
    }
    const std::vector<debug::SourceBreakpoint> now = List();
    if (now == before_) return;
    before_ = now;
    emit changed();
}

void BreakpointBook::Recall(const QString& path) {
    const QString canonical = CanonicalFile(path);
    QSettings store = Store();
    store.beginGroup(kGroup);
    const QVariantMap entry = store.value(KeyOf(canonical)).toMap();
    std::vector<debug::SourceBreakpoint> list;
    if (entry.value("file").toString() == canonical) {
        for (const QVariant& item : entry.value("points").toList()) {
            const QVariantMap point = item.toMap();
            list.push_back({point.value("line").toInt(),
                            point.value("condition").toString().toStdString(),
                            point.value("hitCondition").toString().toStdString()});
        }
    }
    Place(list);
    emit changed();
}

void BreakpointBook::Remember(const QString& path) const {
    const QString canonical = CanonicalFile(path);
    QSettings store = Store();
    store.beginGroup(kGroup);
    const QString key = KeyOf(canonical);
    const std::vector<debug::SourceBreakpoint> list = List();
    if (list.empty()) {
        store.remove(key);
        return;
    }
    QVariantList points;
    for (const debug::SourceBreakpoint& breakpoint : list) {
        points.append(
            QVariantMap{{"line", breakpoint.line},
                        {"condition", QString::fromStdString(breakpoint.condition)},
                        {"hitCondition", QString::fromStdString(breakpoint.hitCondition)}});
    }
    store.setValue(key, QVariantMap{{"file", canonical},
                                    {"points", points},
                                    {"changed", QDateTime::currentSecsSinceEpoch()}});
    // The files changed longest ago are forgotten past the limit.
    QStringList keys = store.childKeys();
    if (keys.size() <= kRememberedBreakpointFiles) return;
    std::sort(keys.begin(), keys.end(), [&store](const QString& a, const QString& b) {
        return store.value(a).toMap().value("changed").toLongLong() <
               store.value(b).toMap().value("changed").toLongLong();
    });
    for (qsizetype i = 0; i < keys.size() - kRememberedBreakpointFiles; ++i)
        store.remove(keys[i]);
}

} // namespace quillpad
