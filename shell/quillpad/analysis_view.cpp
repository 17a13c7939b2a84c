#include "analysis_view.h"

#include "numbered_editor.h"
#include "pick_list.h"

#include <QAction>
#include <QHelpEvent>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolTip>

namespace quillpad {
namespace {

constexpr int kListedCardLength = 100; // characters of a card shown in a list
constexpr int kSayMs = 4000;

QString Html(const QString& markdown) {
    QTextDocument document;
    document.setMarkdown(markdown);
    return document.toHtml();
}

QString Shortened(const QString& card) {
    const QString trimmed = card.trimmed();
    return trimmed.size() <= kListedCardLength ? trimmed
                                               : trimmed.left(kListedCardLength) + QChar(0x2026);
}

} // namespace

AnalysisView::AnalysisView(NumberedEditor& editor, std::function<Encoding()> fileEncoding,
                           QMenu& menu, QStatusBar& status)
    : editor_(editor), session_(*editor.document(), std::move(fileEncoding)), status_(status) {
    actions_ = {
        menu.addAction("Go to &Definition", QKeySequence(Qt::Key_F12), this,
                       &AnalysisView::GoToDefinition),
        menu.addAction("Find &References", QKeySequence(Qt::SHIFT | Qt::Key_F12), this,
                       &AnalysisView::ShowReferences),
        menu.addAction("&Outline...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), this,
                       &AnalysisView::ShowOutline),
        menu.addAction("&Explain at Cursor",
                       QKeySequence(Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_I), this,
                       &AnalysisView::ShowExplanation),
    };
    connect(&session_, &AnalysisSession::analysed, this, [this] {
        ShowUnderlines();
        ShowMessageAtCursor();
    });
    connect(&session_, &AnalysisSession::failed, this,
            [this] { Say("The text could not be analysed"); });
    connect(&editor_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        HideKeyboardTip();
        ShowMessageAtCursor();
    });
    editor_.installEventFilter(this);
    editor_.viewport()->installEventFilter(this);
    SetActive(false);
}

void AnalysisView::SetActive(bool active) {
    session_.SetActive(active);
    for (QAction* action : actions_)
        action->setEnabled(active);
    if (!active) editor_.SetMarks(kLayer, {});
}

TextPlace AnalysisView::CursorPlace() const {
    const QTextCursor cursor = editor_.textCursor();
    return {cursor.blockNumber(), cursor.positionInBlock()};
}

void AnalysisView::Say(const QString& text) {
    shownMessage_.clear();
    status_.showMessage(text, kSayMs);
}

void AnalysisView::ShowUnderlines() {
    QList<QTextEdit::ExtraSelection> marks;
    QTextDocument& document = *editor_.document();
    for (const Underline& u : session_.Underlines()) {
        QTextEdit::ExtraSelection mark;
        const QTextBlock from = document.findBlockByNumber(u.range.from.line);
        const QTextBlock to = document.findBlockByNumber(u.range.to.line);
        mark.cursor = QTextCursor(&document);
        mark.cursor.setPosition(from.position() + u.range.from.position);
        mark.cursor.setPosition(to.position() + u.range.to.position, QTextCursor::KeepAnchor);
        if (mark.cursor.hasSelection()) {
            mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
            mark.format.setUnderlineColor(u.error ? kError : kWarning);
        } else { // an empty line: the line is tinted instead
            mark.format.setBackground(u.error ? kEmptyLineError : kEmptyLineWarning);
            mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        }
        marks.append(mark);
    }
    editor_.SetMarks(kLayer, marks);
}

void AnalysisView::ShowMessageAtCursor() {
    const QStringList messages = session_.MessagesAt(CursorPlace());
    if (messages.isEmpty()) {
        if (!shownMessage_.isEmpty() && status_.currentMessage() == shownMessage_)
            status_.clearMessage();
        shownMessage_.clear();
        return;
    }
    shownMessage_ = messages.join("; ");
    status_.showMessage(shownMessage_);
}

// Qt hides a tooltip when the mouse moves, not when a key is pressed.
void AnalysisView::HideKeyboardTip() {
    if (keyboardTip_) QToolTip::hideText();
    keyboardTip_ = false;
}

bool AnalysisView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &editor_ && event->type() == QEvent::KeyPress) HideKeyboardTip();
    if (watched == editor_.viewport() && event->type() == QEvent::ToolTip && session_.Active()) {
        const auto* help = static_cast<QHelpEvent*>(event);
        ShowTooltip(help->pos(), help->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// The character under the mouse (not merely the nearest place between two
// characters), and what the analysis says there.
void AnalysisView::ShowTooltip(const QPoint& at, const QPoint& global) {
    QTextCursor cursor = editor_.cursorForPosition(at);
    const QRect left = editor_.cursorRect(cursor);
    if (at.y() < left.top() || at.y() > left.bottom()) { // below the last line
        QToolTip::hideText();
        return;
    }
    if (at.x() < left.x() && !cursor.atBlockStart()) {
        cursor.movePosition(QTextCursor::PreviousCharacter);
    } else if (cursor.atBlockEnd()) {
        QToolTip::hideText();
        return;
    }
    QTextCursor next = cursor;
    next.movePosition(QTextCursor::NextCharacter);
    const QRect right = editor_.cursorRect(next);
    const QRect character(editor_.cursorRect(cursor).topLeft(), QPoint(right.x(), right.bottom()));
    ShowTooltip({cursor.blockNumber(), cursor.positionInBlock()}, global,
                character.adjusted(-2, -2, 2, 2));
}

// `area`: the tooltip goes when the mouse leaves it.
void AnalysisView::ShowTooltip(const TextPlace& place, const QPoint& global, const QRect& area) {
    QPointer<QWidget> viewport = editor_.viewport();
    session_.WhenCurrent([this, place, global, area, viewport] {
        if (viewport.isNull()) return;
        const QString explanation = session_.Explanation(place);
        if (explanation.isEmpty()) {
            QToolTip::hideText();
            return;
        }
        QToolTip::showText(global, Html(explanation), viewport, area);
    });
}

void AnalysisView::ShowExplanation() {
    AtCursor([this](const TextPlace& place) {
        if (session_.Explanation(place).isEmpty()) {
            Say("Nothing to explain at the cursor");
            return;
        }
        const QRect caret = editor_.cursorRect();
        ShowTooltip(place, editor_.viewport()->mapToGlobal(caret.bottomLeft()), {});
        keyboardTip_ = true;
    });
}

void AnalysisView::Select(const TextRange& range) {
    QTextDocument& document = *editor_.document();
    QTextCursor cursor(&document);
    cursor.setPosition(document.findBlockByNumber(range.from.line).position() +
                       range.from.position);
    cursor.setPosition(document.findBlockByNumber(range.to.line).position() + range.to.position,
                       QTextCursor::KeepAnchor);
    editor_.setTextCursor(cursor);
    editor_.centerCursor();
    editor_.setFocus();
}

void AnalysisView::AtCursor(const std::function<void(const TextPlace&)>& command) {
    const TextPlace place = CursorPlace();
    if (session_.Current()) {
        command(place);
        return;
    }
    Say("Analysing the text...");
    session_.WhenCurrent([this, place, command] {
        if (CursorPlace() == place) command(place);
    });
}

void AnalysisView::GoToDefinition() {
    AtCursor([this](const TextPlace& place) {
        QString problem;
        if (const std::optional<TextRange> found = session_.Definition(place, problem)) {
            Select(*found);
            Say(QString("Line %1").arg(found->from.line + 1));
        } else {
            Say(problem);
        }
    });
}

void AnalysisView::ShowReferences() {
    AtCursor([this](const TextPlace& place) {
        QString name;
        const std::vector<Reference> found = session_.References(place, name);
        if (found.empty()) {
            Say("No label or defined function at the cursor");
            return;
        }
        QList<QStringList> rows;
        for (const Reference& r : found)
            rows.append({QString::number(r.range.from.line + 1), r.definition ? "definition" : "",
                         Shortened(r.card)});
        OpenList(QString("%1: %2 reference%3")
                     .arg(name)
                     .arg(found.size())
                     .arg(found.size() == 1 ? "" : "s"),
                 {"Line", "", "Card"}, rows, [this, found](int index) {
                     Select(found[static_cast<std::size_t>(index)].range);
                 });
    });
}

void AnalysisView::ShowOutline() {
    AtCursor([this](const TextPlace&) {
        const std::vector<OutlineItem> items = session_.Outline();
        if (items.empty()) {
            Say("No labels or defined functions in this file");
            return;
        }
        QList<QStringList> rows;
        for (const OutlineItem& item : items)
            rows.append({QString(item.depth * 3, ' ') + item.name, item.detail,
                         QString::number(item.range.from.line + 1)});
        OpenList(
            "Outline: labels and functions", {"Name", "", "Line"}, rows,
            [this, items](int index) { Select(items[static_cast<std::size_t>(index)].range); });
    });
}

void AnalysisView::OpenList(const QString& title, const QStringList& headers,
                            const QList<QStringList>& rows, std::function<void(int)> chosen) {
    if (list_ != nullptr) list_->close();
    list_ = new PickList(editor_, title, headers, rows, std::move(chosen));
    connect(list_, &QObject::destroyed, this, [this] { list_ = nullptr; });
    list_->Open();
}

} // namespace quillpad
