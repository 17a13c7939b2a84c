#include "editor_window.h"

#include "file_store.h"
#include "highlighters.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>

namespace quillpad {
namespace {

constexpr int kDiskSettleMs = 250; // a file being written settles first

AskFunction& AskHandler() {
    static AskFunction ask = [](QWidget* parent, const QString& text,
                                QMessageBox::StandardButtons buttons) {
        QMessageBox box(QMessageBox::Question, "quillpad", text, buttons, parent);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    return ask;
}

std::vector<std::string> LinesOf(const QString& text) {
    std::vector<std::string> lines;
    for (const QString& line : text.split('\n'))
        lines.push_back(line.toStdString());
    return lines;
}

QTextEdit::ExtraSelection LineMark(QPlainTextEdit& editor, int line, const QColor& colour) {
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(editor.document()->findBlockByNumber(line));
    mark.format.setBackground(colour);
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    return mark;
}

} // namespace

void SetAskFunction(AskFunction ask) {
    AskHandler() = std::move(ask);
}

EditorWindow::EditorWindow(const OpenRequest& request)
    : path_(QFileInfo(request.file).absoluteFilePath()) {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    notice_ = new QLabel(central);
    notice_->setObjectName("notice");
    notice_->setWordWrap(true);
    notice_->setMargin(6);
    notice_->setStyleSheet("background: #fff3c4; color: #3d2e00;");
    notice_->hide();
    editor_ = new QPlainTextEdit(central);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor_->viewport()->installEventFilter(this);
    layout->addWidget(notice_);
    layout->addWidget(editor_);
    setCentralWidget(central);

    statement_ = new QLabel(this);
    statement_->setObjectName("statement");
    position_ = new QLabel(this);
    position_->setObjectName("position");
    statement_->setContentsMargins(8, 0, 8, 0);
    position_->setContentsMargins(8, 0, 8, 0);
    statusBar()->addPermanentWidget(statement_);
    statusBar()->addPermanentWidget(position_);

    BuildMenus();
    BuildFindBar();
    connect(editor_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        UpdatePosition();
        UpdateSelections();
    });
    connect(editor_->document(), &QTextDocument::modificationChanged, this,
            &QWidget::setWindowModified);
    diskCheck_.setSingleShot(true);
    diskCheck_.setInterval(kDiskSettleMs);
    connect(&diskCheck_, &QTimer::timeout, this, &EditorWindow::CheckDisk);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { diskCheck_.start(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { diskCheck_.start(); });

    ApplySwitches(request.font, request.readOnly);
    Load();
    resize(760, 560);
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    QAction* save = file->addAction("&Save", QKeySequence::Save, this, &EditorWindow::Save);
    file->addSeparator();
    file->addAction("&Close", QKeySequence::Close, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu("&Edit");
    QAction* undo = edit->addAction("&Undo", QKeySequence::Undo, editor_, &QPlainTextEdit::undo);
    QAction* redo = edit->addAction("&Redo", QKeySequence::Redo, editor_, &QPlainTextEdit::redo);
    edit->addSeparator();
    QAction* cut = edit->addAction("Cu&t", QKeySequence::Cut, editor_, &QPlainTextEdit::cut);
    edit->addAction("&Copy", QKeySequence::Copy, editor_, &QPlainTextEdit::copy);
    QAction* paste =
        edit->addAction("&Paste", QKeySequence::Paste, editor_, &QPlainTextEdit::paste);
    edit->addSeparator();
    edit->addAction("&Find...", QKeySequence::Find, this, [this] {
        findBar_->show();
        findText_->setFocus();
        findText_->selectAll();
    });
    edit->addAction("Find &Next", QKeySequence::FindNext, this, [this] { Find(false); });
    edit->addAction("Find Pre&vious", QKeySequence::FindPrevious, this, [this] { Find(true); });
    editingActions_ = {save, cut, paste};
    undo_ = undo;
    redo_ = redo;
    connect(editor_, &QPlainTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(editor_, &QPlainTextEdit::redoAvailable, redo, &QAction::setEnabled);

    QMenu* view = menuBar()->addMenu("&View");
    QAction* next = view->addAction("&Next Message", QKeySequence(Qt::Key_F8), this,
                                    [this] { StepMessage(Direction::Forward); });
    QAction* previous = view->addAction("&Previous Message", QKeySequence(Qt::SHIFT | Qt::Key_F8),
                                        this, [this] { StepMessage(Direction::Backward); });
    listingActions_ = {next, previous};
}

void EditorWindow::BuildFindBar() {
    findBar_ = new QToolBar("Find", this);
    findBar_->setMovable(false);
    findText_ = new QLineEdit(findBar_);
    findText_->setObjectName("findText");
    findText_->setPlaceholderText("Find");
    findBar_->addWidget(new QLabel("Find: ", findBar_));
    findBar_->addWidget(findText_);
    findBar_->addAction("Next", this, [this] { Find(false); });
    findBar_->addAction("Previous", this, [this] { Find(true); });
    QAction* close = findBar_->addAction("Close", this, [this] {
        findBar_->hide();
        editor_->setFocus();
    });
    close->setShortcut(Qt::Key_Escape);
    close->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(findText_, &QLineEdit::returnPressed, this, [this] { Find(false); });
    addToolBar(Qt::BottomToolBarArea, findBar_);
    findBar_->hide();
}

void EditorWindow::ApplySwitches(FontSwitch font, bool readOnly) {
    font_ = font;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    const int normal = fixed.pointSize() > 0 ? fixed.pointSize() : 10;
    fixed.setPointSize(FontPointSize(font, normal));
    editor_->setFont(fixed);
    editor_->setTabStopDistance(8 * QFontMetricsF(fixed).horizontalAdvance(' '));

    const bool wasReadOnly = readOnly_;
    readOnly_ = readOnly || unreadable_;
    editor_->setReadOnly(readOnly_);
    if (readOnly_) {
        // The listing view keeps a keyboard cursor for stepping through it.
        editor_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    for (QAction* action : editingActions_)
        action->setEnabled(!readOnly_);
    for (QAction* action : listingActions_)
        action->setEnabled(readOnly_);
    if (wasReadOnly != readOnly_ || !highlighter_) {
        highlighter_.reset();
        if (readOnly_) {
            highlighter_ = std::make_unique<ListingHighlighter>(editor_->document(), index_);
        } else {
            highlighter_ = std::make_unique<SourceHighlighter>(editor_->document());
        }
    }
    UpdateTitle();
}

QString EditorWindow::Name() const {
    return QFileInfo(path_).fileName();
}

void EditorWindow::UpdateTitle() {
    setWindowTitle(QString("%1[*]%2 - quillpad").arg(Name(), readOnly_ ? " (read-only)" : ""));
}

void EditorWindow::ShowNotice(const QString& text) {
    notice_->setText(text);
    notice_->setVisible(!text.isEmpty());
}

void EditorWindow::Load() {
    diskBytes_ = ReadWhole(path_);
    const QFileInfo info(path_);
    unreadable_ = !diskBytes_ && info.exists();
    if (unreadable_) ApplySwitches(font_, true);
    ShowBytes(diskBytes_.value_or(QByteArray()));
    if (unreadable_) {
        ShowNotice(QString("%1 cannot be read.").arg(path_));
    } else if (!diskBytes_) {
        ShowNotice(readOnly_ ? QString("%1 does not exist.").arg(path_)
                             : QString("%1 does not exist. Saving creates it.").arg(path_));
    } else {
        ShowNotice({});
    }
    WatchFile();
    if (!readOnly_) OfferRecovery();
}

// Shows the file's bytes, keeping the cursor and the scroll position, and
// marks the buffer unmodified.
void EditorWindow::ShowBytes(const QByteArray& bytes) {
    const int line = editor_->textCursor().blockNumber();
    const int column = editor_->textCursor().positionInBlock();
    const int scroll = editor_->verticalScrollBar()->value();
    DecodedText decoded = Decode(bytes);
    form_ = decoded.form;
    index_ = readOnly_ ? ListingIndex(LinesOf(decoded.text)) : ListingIndex();
    stepper_.Forget();
    marked_.reset();
    statusBar()->clearMessage();
    editor_->setPlainText(decoded.text);
    editor_->document()->setModified(false);
    const QTextBlock block = editor_->document()->findBlockByNumber(line);
    if (block.isValid()) {
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                            std::min(column, block.length() - 1));
        editor_->setTextCursor(cursor);
    }
    editor_->verticalScrollBar()->setValue(scroll);
    UpdatePosition();
    UpdateSelections();
}

void EditorWindow::OfferRecovery() {
    const std::optional<QByteArray> kept = PendingRecovery(path_);
    if (!kept) return;
    const QString text =
        QString("Unsaved changes to %1 were kept when quillpad was last asked to end.\n"
                "Restore them? (No throws them away.)")
            .arg(path_);
    const QMessageBox::StandardButton answer = Ask(text, QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::No) {
        DiscardRecovery(path_);
        return;
    }
    if (answer != QMessageBox::Yes) return;
    // Replaced as an edit, so that Undo brings back the file as saved; the
    // recovery file stays until the changes are saved or thrown away.
    const DecodedText decoded = Decode(*kept);
    QTextCursor cursor(editor_->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(decoded.text);
    editor_->setTextCursor(QTextCursor(editor_->document()));
    ShowNotice(QString("Restored the unsaved changes kept in %1.").arg(RecoveryPathFor(path_)));
}

void EditorWindow::WatchFile() {
    const QString folder = QFileInfo(path_).absolutePath();
    if (!watcher_.directories().contains(folder)) watcher_.addPath(folder);
    if (QFileInfo::exists(path_) && !watcher_.files().contains(path_)) watcher_.addPath(path_);
}

// Looks at the file after a change was reported: an unmodified buffer
// takes the new content silently; a modified one asks first.
void EditorWindow::CheckDisk() {
    WatchFile();
    const std::optional<QByteArray> now = ReadWhole(path_);
    if (now == diskBytes_ || !now) return;
    if (editor_->document()->isModified()) {
        const QString text =
            QString("%1 was changed on disk.\nReload it and lose your changes?").arg(path_);
        if (Ask(text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            diskBytes_ = now; // asked once per change
            return;
        }
    }
    diskBytes_ = now;
    ShowBytes(*now);
    ShowNotice({});
    statusBar()->showMessage(QString("Reloaded %1").arg(Name()), 4000);
}

void EditorWindow::Reopen(const OpenRequest& request) {
    if (ending_) return;
    if (editor_->document()->isModified()) {
        // Unsaved changes stay editable; a changed file asks first.
        ApplySwitches(request.font, false);
        CheckDisk();
    } else {
        ApplySwitches(request.font, request.readOnly);
        Load();
        statusBar()->showMessage(QString("Reloaded %1").arg(Name()), 4000);
    }
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

bool EditorWindow::Save() {
    if (readOnly_) return false;
    QString error;
    if (!SaveQuietly(error)) {
        Ask(QString("Cannot save %1:\n%2").arg(path_, error), QMessageBox::Ok);
        return false;
    }
    return true;
}

bool EditorWindow::SaveQuietly(QString& error) {
    TextForm form = form_;
    const QByteArray bytes = Encode(TextOf(*editor_->document()), form);
    if (!WriteWhole(path_, bytes, error)) return false;
    if (form.encoding != form_.encoding) {
        statusBar()->showMessage(QString("Saved %1 as UTF-8").arg(Name()), 6000);
    } else {
        statusBar()->showMessage(QString("Saved %1").arg(Name()), 4000);
    }
    form_ = form;
    diskBytes_ = bytes;
    editor_->document()->setModified(false);
    DiscardRecovery(path_);
    ShowNotice({});
    WatchFile();
    return true;
}

bool EditorWindow::KeepUnsaved(QString& error) {
    if (readOnly_ || !editor_->document()->isModified()) return true;
    TextForm form = form_;
    return KeepRecovery(path_, Encode(TextOf(*editor_->document()), form), error);
}

bool EditorWindow::EndOnRequest() {
    if (ending_) return true;
    QString error;
    if (!KeepUnsaved(error)) {
        ShowNotice(QString("quillpad was asked to end, but the unsaved changes to %1 cannot be "
                           "kept (%2). Save them, or close the window to throw them away.")
                       .arg(path_, error));
        raise();
        activateWindow();
        return false;
    }
    ending_ = true;
    close();
    return true;
}

EditorReply EditorWindow::Answer(const EditorRequest& request) {
    if (CanonicalFile(request.file) != CanonicalFile(path_)) return {};
    const bool modified = !readOnly_ && editor_->document()->isModified();
    QString error;
    if (request.kind == EditorRequestKind::Save) {
        if (!modified) return {EditorAnswer::Unchanged, {}};
        if (!SaveQuietly(error)) {
            ShowNotice(QString("Cannot save %1: %2").arg(path_, error));
            return {EditorAnswer::Failed, QString("Cannot save %1: %2").arg(path_, error)};
        }
        return {EditorAnswer::Saved, {}};
    }
    if (modified && !KeepUnsaved(error)) {
        EndOnRequest(); // stays up and says why
        return {EditorAnswer::Failed,
                QString("The unsaved changes to %1 cannot be kept: %2").arg(path_, error)};
    }
    // Closed from the event loop, after the answer has gone out.
    ending_ = true;
    QTimer::singleShot(0, this, &QWidget::close);
    return {modified ? EditorAnswer::Kept : EditorAnswer::Unchanged, {}};
}

QMessageBox::StandardButton EditorWindow::Ask(const QString& text,
                                              QMessageBox::StandardButtons buttons) {
    if (ending_) return QMessageBox::NoButton;
    const QMessageBox::StandardButton answer = AskHandler()(this, text, buttons);
    // Asked to end while the question was open: the answer no longer counts.
    return ending_ ? QMessageBox::NoButton : answer;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (ending_ || readOnly_ || !editor_->document()->isModified()) {
        event->accept();
        return;
    }
    const QMessageBox::StandardButton answer =
        Ask(QString("Save the changes to %1?").arg(path_),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (ending_) {
        event->accept();
    } else if (answer == QMessageBox::Save) {
        event->setAccepted(Save());
    } else if (answer == QMessageBox::Discard) {
        DiscardRecovery(path_);
        event->accept();
    } else {
        event->ignore();
    }
}

void EditorWindow::UpdatePosition() {
    const QTextCursor cursor = editor_->textCursor();
    const int line = cursor.blockNumber();
    position_->setText(
        QString("Line %1, Column %2").arg(line + 1).arg(cursor.positionInBlock() + 1));
    int statement = index_.StatementAt(line);
    if (const auto message = index_.MessageOn(line); message && statement == 0) {
        statement = index_.Messages()[*message].statement;
    }
    statement_->setText(statement > 0 ? QString("Statement %1").arg(statement) : QString());
}

void EditorWindow::UpdateSelections() {
    QList<QTextEdit::ExtraSelection> marks;
    marks.append(LineMark(*editor_, editor_->textCursor().blockNumber(), QColor(0xf2, 0xf5, 0xfa)));
    const auto& messages = index_.Messages();
    for (int m = 0; m < static_cast<int>(messages.size()); ++m) {
        const bool marked = marked_ == m;
        for (int line = messages[m].line; line <= messages[m].lastLine; ++line) {
            marks.append(LineMark(*editor_, line,
                                  marked ? QColor(0xff, 0xb8, 0xb8) : QColor(0xff, 0xdd, 0xdd)));
        }
        if (marked && messages[m].cardLine >= 0) {
            marks.append(LineMark(*editor_, messages[m].cardLine, QColor(0xff, 0xec, 0x99)));
        }
    }
    editor_->setExtraSelections(marks);
}

void EditorWindow::GoToStop(const MessageStepper::Stop& stop) {
    const ListingMessage& message = index_.Messages()[stop.message];
    marked_ = stop.message;
    // The message first, then the card: both stay in view when they fit.
    editor_->setTextCursor(QTextCursor(editor_->document()->findBlockByNumber(message.lastLine)));
    editor_->ensureCursorVisible();
    editor_->setTextCursor(QTextCursor(editor_->document()->findBlockByNumber(stop.line)));
    editor_->ensureCursorVisible();
    const QString text = editor_->document()->findBlockByNumber(message.line).text();
    QString where;
    if (message.cardLine < 0 && message.statement > 0) {
        where = QString(" (statement %1 is not listed)").arg(message.statement);
    }
    statusBar()->showMessage(QString("Message %1 of %2: %3%4")
                                 .arg(stop.message + 1)
                                 .arg(index_.Messages().size())
                                 .arg(text.trimmed(), where));
}

void EditorWindow::StepMessage(Direction direction) {
    const std::optional<MessageStepper::Stop> stop =
        stepper_.Step(index_, editor_->textCursor().blockNumber(), direction);
    if (stop) {
        GoToStop(*stop);
    } else {
        statusBar()->showMessage("The listing has no messages", 4000);
    }
}

// A double click on a message goes to its card; on a card, to the first
// message about it.
bool EditorWindow::FollowDoubleClick(int line) {
    if (const auto message = index_.MessageOn(line)) {
        GoToStop(stepper_.Select(index_, *message));
        return true;
    }
    if (const auto message = index_.MessageAboutCard(line)) {
        const MessageStepper::Stop stop = stepper_.Select(index_, *message);
        GoToStop({stop.message, index_.Messages()[*message].line});
        stepper_.Forget();
        return true;
    }
    return false;
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        readOnly_) {
        const auto* click = static_cast<QMouseEvent*>(event);
        const int line = editor_->cursorForPosition(click->position().toPoint()).blockNumber();
        if (FollowDoubleClick(line)) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void EditorWindow::Find(bool backward) {
    const QString text = findText_->text();
    if (text.isEmpty()) {
        findBar_->show();
        findText_->setFocus();
        return;
    }
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (editor_->find(text, flags)) return;
    // Wrap around once.
    QTextCursor start = editor_->textCursor();
    QTextCursor wrapped(editor_->document());
    if (backward) wrapped.movePosition(QTextCursor::End);
    editor_->setTextCursor(wrapped);
    if (!editor_->find(text, flags)) {
        editor_->setTextCursor(start);
        statusBar()->showMessage(QString("\"%1\" not found").arg(text), 4000);
    }
}

} // namespace quillpad
