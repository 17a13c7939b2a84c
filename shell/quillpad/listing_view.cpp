#include "listing_view.h"

#include "file_store.h"
#include "highlighters.h"
#include "numbered_editor.h"
#include "run_files.h"
#include "text_codec.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextBlock>

namespace quillpad {
namespace {

const QString kMarkLayer = "listing";

std::vector<std::string> LinesOf(const QString& text) {
    std::vector<std::string> lines;
    for (const QString& line : text.split('\n'))
        lines.push_back(line.toStdString());
    return lines;
}

bool IsEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

ListingView::ListingView(NumberedEditor& editor, QObject* parent)
    : QObject(parent), editor_(editor) {
    editor_.installEventFilter(this);
    editor_.viewport()->installEventFilter(this);
}

ListingView::~ListingView() = default;

void ListingView::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    highlighter_.reset();
    if (active_) highlighter_ = std::make_unique<ListingHighlighter>(editor_.document(), index_);
    Rebuild(path_);
}

void ListingView::Rebuild(const QString& path) {
    path_ = path;
    index_ = active_ ? ListingIndex(LinesOf(TextOf(*editor_.document()))) : ListingIndex();
    stepper_.Forget();
    chosen_.reset();
    if (highlighter_) highlighter_->rehighlight();
    ShowMarks();
}

void ListingView::StartAtFirstMessage() {
    if (index_.Messages().empty()) {
        editor_.moveCursor(QTextCursor::End);
        editor_.ensureCursorVisible();
        return;
    }
    GoToStop(stepper_.Select(index_, 0));
}

void ListingView::Step(Direction direction) {
    const std::optional<MessageStepper::Stop> stop =
        stepper_.Step(index_, editor_.textCursor().blockNumber(), direction);
    if (stop) {
        GoToStop(*stop);
    } else {
        emit status("The listing has no messages");
    }
}

// The card first, then the message: both stay in view when they fit, and
// the cursor is on the message.
void ListingView::GoToStop(const MessageStepper::Stop& stop) {
    const ListingMessage& message = index_.Messages()[stop.message];
    chosen_ = stop.message;
    if (message.cardLine >= 0) {
        editor_.setTextCursor(QTextCursor(editor_.document()->findBlockByNumber(message.cardLine)));
        editor_.ensureCursorVisible();
    }
    editor_.setTextCursor(QTextCursor(editor_.document()->findBlockByNumber(message.lastLine)));
    editor_.ensureCursorVisible();
    editor_.setTextCursor(QTextCursor(editor_.document()->findBlockByNumber(stop.line)));
    editor_.ensureCursorVisible();
    ShowMarks();
    const QString text = editor_.document()->findBlockByNumber(message.line).text().trimmed();
    QString where;
    if (message.cardLine < 0 && message.statement > 0)
        where = QString(" (statement %1 is not listed)").arg(message.statement);
    emit status(QString("Message %1 of %2: %3%4")
                    .arg(stop.message + 1)
                    .arg(index_.Messages().size())
                    .arg(text, where));
}

// A double click on a message goes to its card; on a card, to the first
// message about it.
bool ListingView::FollowDoubleClick(int line) {
    if (const auto message = index_.MessageOn(line)) {
        const int card = index_.Messages()[*message].cardLine;
        if (card < 0) return false;
        stepper_.Forget();
        chosen_ = *message;
        editor_.setTextCursor(QTextCursor(editor_.document()->findBlockByNumber(card)));
        ShowMarks();
        return true;
    }
    if (const auto message = index_.MessageAboutCard(line)) {
        GoToStop(stepper_.Select(index_, *message));
        return true;
    }
    return false;
}

std::optional<int> ListingView::MessageAt(int line) const {
    if (const auto message = index_.MessageOn(line)) return message;
    return index_.MessageAboutCard(line);
}

bool ListingView::OpenSourceOfMessage() {
    if (!active_) return false;
    const std::optional<int> message = MessageAt(editor_.textCursor().blockNumber());
    if (!message) return false;
    const QString source = SourceOfListing(path_);
    if (source.isEmpty()) {
        emit status(QString("The source of %1 was not found").arg(path_));
        return true;
    }
    const std::optional<QByteArray> bytes = ReadWhole(source);
    const std::optional<int> line =
        index_.SourceLineOf(*message, LinesOf(Decode(bytes.value_or(QByteArray())).text));
    if (!line) {
        emit status("This message names no line of the source");
        return true;
    }
    emit sourceRequested(source, *line + 1);
    return true;
}

QString ListingView::StatementText(int line) const {
    int statement = index_.StatementAt(line);
    if (const auto message = index_.MessageOn(line); message && statement == 0)
        statement = index_.Messages()[*message].statement;
    return statement > 0 ? QString("Statement %1").arg(statement) : QString();
}

void ListingView::ShowMarks() {
    QList<QTextEdit::ExtraSelection> marks;
    const auto& messages = index_.Messages();
    for (int m = 0; m < static_cast<int>(messages.size()); ++m) {
        const bool chosen = chosen_ == m;
        for (int line = messages[m].line; line <= messages[m].lastLine; ++line)
            marks.append(editor_.LineMark(line, chosen ? kChosenMessage : kMessage));
        if (chosen && messages[m].cardLine >= 0)
            marks.append(editor_.LineMark(messages[m].cardLine, kChosenCard));
    }
    editor_.SetMarks(kMarkLayer, marks);
}

bool ListingView::eventFilter(QObject* watched, QEvent* event) {
    if (!active_) return false;
    if (watched == editor_.viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* click = static_cast<QMouseEvent*>(event);
        return FollowDoubleClick(
            editor_.cursorForPosition(click->position().toPoint()).blockNumber());
    }
    return watched == &editor_ && IsEnter(event) && OpenSourceOfMessage();
}

} // namespace quillpad
