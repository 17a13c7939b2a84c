#include "editor_window.h"

#include "file_store.h"
#include "highlighters.h"
#include "run_files.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>

namespace quillpad {
namespace {

constexpr int kDiskSettleMs = 250; // a file being written settles first
constexpr int kRecentFiles = 8;

AskFunction& AskHandler() {
    static AskFunction ask = [](QWidget* parent, const QString& text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton keeping) {
        QMessageBox box(QMessageBox::Question, "quillpad", text, buttons, parent);
        box.setDefaultButton(keeping);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    return ask;
}

QString& ProgramFolderSetting() {
    static QString folder;
    return folder;
}

QSettings Settings() {
    return QSettings("quillpad", "quillpad");
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

void SetProgramFolder(const QString& folder) {
    ProgramFolderSetting() = folder;
}

QString ProgramFolder() {
    const QString& folder = ProgramFolderSetting();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

EditorWindow::EditorWindow(const OpenRequest& request) {
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
    editor_ = new NumberedEditor(central);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor_->viewport()->installEventFilter(this);
    editor_->installEventFilter(this);
    layout->addWidget(notice_);
    layout->addWidget(editor_);
    setCentralWidget(central);
    document_ = std::make_unique<Document>(request.file, *editor_->document(), this);
    connect(document_.get(), &Document::autosaved, this, [this](const QString& error) {
        if (!error.isEmpty()) {
            ShowNotice(QString("Unsaved changes cannot be kept as recovery text: %1").arg(error));
        }
    });

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
            [this](bool modified) { setWindowModified(modified && !document_->ReadOnly()); });
    diskCheck_.setSingleShot(true);
    diskCheck_.setInterval(kDiskSettleMs);
    connect(&diskCheck_, &QTimer::timeout, this, &EditorWindow::CheckDisk);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { diskCheck_.start(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { diskCheck_.start(); });
    connect(&run_, &QProcess::finished, this, &EditorWindow::RunEnded);
    connect(&run_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        ShowNotice(QString("Cannot start %1: %2").arg(run_.program(), run_.errorString()));
    });

    pendingLine_ = request.line;
    ApplySwitches(request.font, request.readOnly);
    Load();
    resize(760, 560);
    restoreGeometry(Settings().value("geometry").toByteArray());
}

EditorWindow::~EditorWindow() {
    if (run_.state() != QProcess::NotRunning) {
        run_.kill();
        run_.waitForFinished(2000);
    }
}

void EditorWindow::BuildMenus() {
    BuildFileMenu();
    BuildEditMenu();
    BuildViewMenu();
    ReturnFocusAfterMenus();
}

QMenu* EditorWindow::BuildFileMenu() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", QKeySequence::Open, this, &EditorWindow::ChooseOpen);
    recentMenu_ = file->addMenu("Open &Recent");
    connect(recentMenu_, &QMenu::aboutToShow, this, &EditorWindow::FillRecentMenu);
    QAction* save = file->addAction("&Save", QKeySequence::Save, this, &EditorWindow::Save);
    file->addAction("Save &As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                    &EditorWindow::ChooseSaveAs);
    file->addSeparator();
    QAction* run = file->addAction("R&un with vantel", QKeySequence(Qt::Key_F5), this,
                                   &EditorWindow::RunWithVantel);
    file->addSeparator();
    file->addAction("&Close", QKeySequence::Close, this, &QWidget::close);
    editingActions_ = {save, run};
    return file;
}

void EditorWindow::BuildEditMenu() {
    QMenu* edit = menuBar()->addMenu("&Edit");
    QAction* undo = edit->addAction("&Undo", QKeySequence::Undo, editor_, &QPlainTextEdit::undo);
    QAction* redo = edit->addAction("&Redo", QKeySequence::Redo, editor_, &QPlainTextEdit::redo);
    QAction* undoSeparator = edit->addSeparator();
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
    edit->addAction("&Go to Line...", QKeySequence(Qt::CTRL | Qt::Key_G), this, [this] {
        bool chosen = false;
        const int line = QInputDialog::getInt(this, "Go to Line",
                                              "Line:", editor_->textCursor().blockNumber() + 1, 1,
                                              editor_->blockCount(), 1, &chosen);
        if (chosen) GoToLine(line);
    });
    editingActions_ += {cut, paste};
    undoActions_ = {undo, redo, undoSeparator};
    connect(editor_, &QPlainTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(editor_, &QPlainTextEdit::redoAvailable, redo, &QAction::setEnabled);
}

void EditorWindow::BuildViewMenu() {
    QMenu* view = menuBar()->addMenu("&View");
    QAction* next = view->addAction("&Next Message", QKeySequence(Qt::Key_F8), this,
                                    [this] { StepMessage(Direction::Forward); });
    QAction* previous = view->addAction("&Previous Message", QKeySequence(Qt::SHIFT | Qt::Key_F8),
                                        this, [this] { StepMessage(Direction::Backward); });
    // Enter in the listing itself does the same (see eventFilter).
    QAction* source =
        view->addAction("&Source of Message\tEnter", this, &EditorWindow::OpenSourceOfMessage);
    view->addSeparator();
    view->addAction("&Larger Font", QKeySequence::ZoomIn, this, [this] { ZoomFont(1); });
    view->addAction("S&maller Font", QKeySequence::ZoomOut, this, [this] { ZoomFont(-1); });
    listingActions_ = {next, previous, source};
}

// A menu closed with Esc leaves the keyboard with the menu bar; it goes
// back to the text unless the menu's command took it elsewhere.
void EditorWindow::ReturnFocusAfterMenus() {
    for (QAction* action : menuBar()->actions()) {
        QMenu* menu = action->menu();
        if (menu == nullptr) continue;
        connect(menu, &QMenu::aboutToHide, this, [this] {
            QTimer::singleShot(0, this, [this] {
                QWidget* focus = QApplication::focusWidget();
                if (QApplication::activePopupWidget() != nullptr) return;
                if (focus == nullptr || focus == menuBar() || focus == this) editor_->setFocus();
            });
        });
    }
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

void EditorWindow::ApplyFont() {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    const int system = fixed.pointSize() > 0 ? fixed.pointSize() : 10;
    const int normal = Settings().value("fontSize", system).toInt();
    fixed.setPointSize(FontPointSize(font_, normal));
    editor_->setFont(fixed);
    editor_->setTabStopDistance(8 * QFontMetricsF(fixed).horizontalAdvance(' '));
    editor_->UpdateMargin();
}

void EditorWindow::ZoomFont(int step) {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const int system = fixed.pointSize() > 0 ? fixed.pointSize() : 10;
    QSettings settings = Settings();
    const int normal = std::clamp(settings.value("fontSize", system).toInt() + step, 6, 48);
    settings.setValue("fontSize", normal);
    ApplyFont();
}

void EditorWindow::ApplySwitches(FontSwitch font, bool readOnly) {
    font_ = font;
    ApplyFont();
    const bool wasReadOnly = document_->ReadOnly();
    document_->SetReadOnly(readOnly);
    const bool listing = document_->ReadOnly();
    editor_->setReadOnly(listing);
    if (listing) {
        // The listing view keeps a keyboard cursor for stepping through it.
        editor_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        setWindowModified(false);
    }
    for (QAction* action : editingActions_)
        action->setEnabled(!listing);
    for (QAction* action : undoActions_)
        action->setVisible(!listing);
    for (QAction* action : listingActions_)
        action->setEnabled(listing);
    if (wasReadOnly != listing || !highlighter_) {
        highlighter_.reset();
        if (listing) {
            highlighter_ = std::make_unique<ListingHighlighter>(editor_->document(), index_);
        } else {
            highlighter_ = std::make_unique<SourceHighlighter>(editor_->document());
        }
    }
    UpdateTitle();
}

void EditorWindow::UpdateTitle() {
    const bool listing = document_->ReadOnly();
    setWindowTitle(QString("%1%2%3 - quillpad")
                       .arg(Name(), listing ? "" : "[*]", listing ? " (read-only)" : ""));
}

void EditorWindow::ShowNotice(const QString& text) {
    notice_->setText(text);
    notice_->setVisible(!text.isEmpty());
}

void EditorWindow::RebuildIndex() {
    index_ = document_->ReadOnly() ? ListingIndex(LinesOf(TextOf(*editor_->document())))
                                   : ListingIndex();
    stepper_.Forget();
    marked_.reset();
    if (highlighter_) highlighter_->rehighlight();
}

void EditorWindow::Load() {
    document_->Load();
    if (document_->Unreadable()) ApplySwitches(font_, true);
    ShowLoaded();
    const QString path = Path();
    if (document_->Unreadable()) {
        ShowNotice(QString("%1 cannot be read.").arg(path));
    } else if (!document_->Exists()) {
        ShowNotice(document_->ReadOnly()
                       ? QString("%1 does not exist.").arg(path)
                       : QString("%1 does not exist. Saving creates it.").arg(path));
    } else {
        ShowNotice({});
    }
    WatchFile();
    if (!document_->ReadOnly()) {
        RememberRecent(path);
        OfferRecovery();
    }
    if (pendingLine_ > 0) GoToLine(std::exchange(pendingLine_, 0));
}

void EditorWindow::ShowLoaded() {
    RebuildIndex();
    statusBar()->clearMessage();
    UpdatePosition();
    UpdateSelections();
}

// Takes the file's new bytes as one undoable step, keeping the cursor and
// the scroll position.
void EditorWindow::ReloadKeepingView() {
    const int line = editor_->textCursor().blockNumber();
    const int column = editor_->textCursor().positionInBlock();
    const int scroll = editor_->verticalScrollBar()->value();
    document_->Reload();
    ShowLoaded();
    const QTextBlock block = editor_->document()->findBlockByNumber(line);
    if (block.isValid()) {
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                            std::min(column, block.length() - 1));
        editor_->setTextCursor(cursor);
    }
    editor_->verticalScrollBar()->setValue(scroll);
}

void EditorWindow::OfferRecovery() {
    const Document::Pending pending = document_->PendingRecovery();
    if (!pending.note.isEmpty()) statusBar()->showMessage(pending.note);
    if (!pending.kept) return;
    const QString text = QString("Unsaved changes to %1 were kept when quillpad last ended.\n"
                                 "Restore them? (No throws them away.)")
                             .arg(Path());
    const QMessageBox::StandardButton answer =
        Ask(text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::No) {
        document_->DiscardRecovery();
        return;
    }
    if (answer != QMessageBox::Yes) return;
    // Replaced as an edit, so that Undo brings back the file as saved.
    document_->Restore(*pending.kept);
    editor_->setTextCursor(QTextCursor(editor_->document()));
    ShowNotice(QString("Restored the unsaved changes kept in %1.").arg(RecoveryPathFor(Path())));
}

void EditorWindow::WatchFile() {
    const QString folder = QFileInfo(Path()).absolutePath();
    if (!watcher_.directories().contains(folder)) watcher_.addPath(folder);
    if (QFileInfo::exists(Path()) && !watcher_.files().contains(Path())) watcher_.addPath(Path());
}

// Looks at the file after a change was reported: an unmodified buffer
// takes the new content silently; a modified one asks first, and keeps
// the changes unless told otherwise.
void EditorWindow::CheckDisk() {
    WatchFile();
    switch (document_->LookAtDisk()) {
    case Document::DiskChange::None:
        return;
    case Document::DiskChange::Deleted:
        if (document_->ReadOnly()) return;
        statusBar()->showMessage(
            QString("%1 was deleted on disk; Save writes it again.").arg(Name()));
        return;
    case Document::DiskChange::Changed:
        break;
    }
    if (document_->Modified()) {
        const QString text =
            QString("%1 was changed on disk.\nReload it and lose your changes?").arg(Path());
        if (Ask(text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
            document_->KeepDespiteChange();
            return;
        }
    }
    ReloadKeepingView();
    ShowNotice({});
    statusBar()->showMessage(
        QString("Reloaded %1%2")
            .arg(Name(), document_->ReadOnly() ? "" : " (Undo brings back the text before)"),
        4000);
}

void EditorWindow::Reopen(const OpenRequest& request) {
    if (ending_) return;
    if (document_->Modified()) {
        // Unsaved changes stay editable; a changed file asks first.
        ApplySwitches(request.font, false);
        CheckDisk();
    } else {
        ApplySwitches(request.font, request.readOnly);
        Load();
        statusBar()->showMessage(QString("Reloaded %1").arg(Name()), 4000);
    }
    if (request.line > 0) GoToLine(request.line);
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

bool EditorWindow::Save() {
    if (document_->ReadOnly()) return false;
    QString error;
    bool converted = false;
    if (!document_->Save(error, &converted)) {
        Ask(QString("Cannot save %1:\n%2").arg(Path(), error), QMessageBox::Ok, QMessageBox::Ok);
        return false;
    }
    statusBar()->showMessage(QString(converted ? "Saved %1 as UTF-8" : "Saved %1").arg(Name()),
                             converted ? 6000 : 4000);
    ShowNotice({});
    WatchFile();
    return true;
}

bool EditorWindow::SaveAs(const QString& path) {
    QString error;
    const QString old = Path();
    if (!document_->SaveAs(path, error)) {
        Ask(QString("Cannot save %1:\n%2").arg(path, error), QMessageBox::Ok, QMessageBox::Ok);
        return false;
    }
    ApplySwitches(font_, false);
    watcher_.removePaths(watcher_.files());
    WatchFile();
    RememberRecent(Path());
    ShowNotice({});
    statusBar()->showMessage(QString("Saved %1 as %2").arg(old, Path()), 6000);
    emit fileChanged(Path());
    return true;
}

void EditorWindow::ChooseSaveAs() {
    const QString path = QFileDialog::getSaveFileName(this, "Save As", Path());
    if (!path.isEmpty()) SaveAs(path);
}

void EditorWindow::ChooseOpen() {
    const QString path = QFileDialog::getOpenFileName(
        this, "Open", QFileInfo(Path()).absolutePath(), "SNOBOL4 files (*.sno);;All files (*)");
    if (!path.isEmpty()) OpenInQuillpad(path);
}

// Another file gets a quillpad window of its own (the one that has it
// open already, if any), so that each file keeps one window.
void EditorWindow::OpenInQuillpad(const QString& path, const QStringList& switches) {
    QStringList arguments = switches;
    if (font_ == FontSwitch::Larger) arguments.prepend("/L");
    if (font_ == FontSwitch::Smaller) arguments.prepend("/S");
    arguments.append(path);
    const QString program = ProgramFolder() + "/quillpad-editor";
    if (!QProcess::startDetached(program, arguments)) {
        statusBar()->showMessage(QString("Cannot start %1").arg(program), 6000);
    }
}

void EditorWindow::RememberRecent(const QString& path) {
    QSettings settings = Settings();
    QStringList recent = settings.value("recentFiles").toStringList();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kRecentFiles)
        recent.removeLast();
    settings.setValue("recentFiles", recent);
}

void EditorWindow::FillRecentMenu() {
    recentMenu_->clear();
    for (const QString& path : Settings().value("recentFiles").toStringList()) {
        if (path == Path()) continue;
        recentMenu_->addAction(path, this, [this, path] { OpenInQuillpad(path); });
    }
    if (recentMenu_->isEmpty()) recentMenu_->addAction("(none)")->setEnabled(false);
}

void EditorWindow::GoToLine(int line) {
    const int target = std::clamp(line, 1, editor_->blockCount()) - 1;
    editor_->setTextCursor(QTextCursor(editor_->document()->findBlockByNumber(target)));
    editor_->centerCursor();
    editor_->setFocus();
}

void EditorWindow::RunWithVantel() {
    if (document_->ReadOnly() || run_.state() != QProcess::NotRunning) return;
    if ((document_->Modified() || !document_->Exists()) && !Save()) return;
    const QString folder = QFileInfo(Path()).absolutePath();
    runListing_ = ListingPathFor(Path(), folder);
    run_.setWorkingDirectory(folder);
    run_.setStandardInputFile(QProcess::nullDevice());
    run_.setStandardOutputFile(QProcess::nullDevice());
    run_.setStandardErrorFile(QProcess::nullDevice());
    run_.start(ProgramFolder() + "/vantel", {Path()});
    statusBar()->showMessage(QString("Running vantel on %1...").arg(Name()));
}

void EditorWindow::RunEnded(int exitCode, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit) {
        statusBar()->showMessage("vantel did not end normally", 6000);
        return;
    }
    if (!QFileInfo::exists(runListing_)) {
        statusBar()->showMessage(QString("vantel left no listing %1").arg(runListing_), 6000);
        return;
    }
    statusBar()->showMessage(
        QString("vantel ended with status %1; listing %2").arg(exitCode).arg(runListing_), 6000);
    OpenInQuillpad(runListing_, {"-r"});
}

bool EditorWindow::OpenSourceOfMessage() {
    if (!document_->ReadOnly()) return false;
    const auto message = index_.MessageOn(editor_->textCursor().blockNumber());
    if (!message) return false;
    const QString source = SourceOfListing(Path());
    if (source.isEmpty()) {
        statusBar()->showMessage(QString("The source of %1 was not found").arg(Name()), 6000);
        return true;
    }
    const std::optional<QByteArray> bytes = ReadWhole(source);
    const std::optional<int> line =
        index_.SourceLineOf(*message, LinesOf(Decode(bytes.value_or(QByteArray())).text));
    if (!line) {
        statusBar()->showMessage("This message names no line of the source", 6000);
        return true;
    }
    OpenInQuillpad(source, {QString("--line=%1").arg(*line + 1)});
    return true;
}

bool EditorWindow::EndOnRequest() {
    if (ending_) return true;
    QString error;
    if (!document_->KeepUnsaved(error)) {
        ShowNotice(QString("quillpad was asked to end, but the unsaved changes to %1 cannot be "
                           "kept (%2). Save them, or close the window to throw them away.")
                       .arg(Path(), error));
        raise();
        activateWindow();
        return false;
    }
    ending_ = true;
    close();
    return true;
}

EditorReply EditorWindow::Answer(const EditorRequest& request) {
    if (CanonicalFile(request.file) != CanonicalFile(Path())) return {};
    const bool modified = document_->Modified();
    QString error;
    if (request.kind == EditorRequestKind::Save) {
        if (!modified) return {EditorAnswer::Unchanged, {}};
        if (!document_->Save(error)) {
            ShowNotice(QString("Cannot save %1: %2").arg(Path(), error));
            return {EditorAnswer::Failed, QString("Cannot save %1: %2").arg(Path(), error)};
        }
        statusBar()->showMessage(QString("Saved %1 before a run").arg(Name()), 4000);
        return {EditorAnswer::Saved, {}};
    }
    if (!document_->KeepUnsaved(error)) {
        EndOnRequest(); // stays up and says why
        return {EditorAnswer::Failed,
                QString("The unsaved changes to %1 cannot be kept: %2").arg(Path(), error)};
    }
    // Closed from the event loop, after the answer has gone out.
    ending_ = true;
    QTimer::singleShot(0, this, &QWidget::close);
    return {modified ? EditorAnswer::Kept : EditorAnswer::Unchanged, {}};
}

QMessageBox::StandardButton EditorWindow::Ask(const QString& text,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton keeping) {
    if (ending_) return QMessageBox::NoButton;
    const QMessageBox::StandardButton answer = AskHandler()(this, text, buttons, keeping);
    // Asked to end while the question was open: the answer no longer counts.
    return ending_ ? QMessageBox::NoButton : answer;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (!ending_ && document_->Modified()) {
        const QMessageBox::StandardButton answer =
            Ask(QString("Save the changes to %1?").arg(Path()),
                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (ending_) {
            // Asked to end meanwhile: the recovery text was kept.
        } else if (answer == QMessageBox::Save) {
            if (!Save()) {
                event->ignore();
                return;
            }
        } else if (answer == QMessageBox::Discard) {
            document_->DiscardRecovery();
        } else {
            event->ignore();
            return;
        }
    }
    Settings().setValue("geometry", saveGeometry());
    event->accept();
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
        document_->ReadOnly()) {
        const auto* click = static_cast<QMouseEvent*>(event);
        const int line = editor_->cursorForPosition(click->position().toPoint()).blockNumber();
        if (FollowDoubleClick(line)) return true;
    }
    if (watched == editor_ && event->type() == QEvent::KeyPress && document_->ReadOnly()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && OpenSourceOfMessage()) return true;
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
