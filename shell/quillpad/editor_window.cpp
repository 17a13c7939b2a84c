#include "editor_window.h"

#include "analysis_view.h"
#include "debug_control.h"
#include "editor_actions.h"
#include "find_bar.h"
#include "highlighters.h"
#include "settings.h"

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace quillpad {
namespace {

constexpr char kNoticeStyle[] = "background: #fff3c4; color: #3d2e00;";
constexpr int kNoticeMargin = 6;      // pixels around the notice's text
constexpr int kStatusLabelMargin = 8; // pixels beside the status bar's labels

} // namespace

EditorWindow::EditorWindow(const OpenRequest& request) {
    CreateParts(request.file);
    CreateStatusBar();
    actions_ = std::make_unique<EditorActions>(*this);
    analysis_ = std::make_unique<AnalysisView>(
        *editor_, [this] { return document_->FileEncoding(); }, *actions_->AddMenu("&Go"),
        *statusBar());
    debug_ = std::make_unique<DebugControl>(*this, *actions_);
    ConnectParts();
    resize(kDefaultSize);
    restoreGeometry(settings::WindowGeometry());
    ApplySwitches(request.font, request.readOnly);
    Load("Opened", request.line);
    if (request.debug) QTimer::singleShot(0, debug_.get(), &DebugControl::Start);
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::CreateParts(const QString& path) {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    notice_ = new QLabel(central);
    notice_->setObjectName("notice");
    notice_->setWordWrap(true);
    notice_->setMargin(kNoticeMargin);
    notice_->setStyleSheet(kNoticeStyle);
    notice_->hide();
    editor_ = new NumberedEditor(central);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(notice_);
    layout->addWidget(editor_);
    setCentralWidget(central);
    findBar_ = new FindBar(*editor_, this);
    addToolBar(Qt::BottomToolBarArea, findBar_);
    document_ = std::make_unique<Document>(path, *editor_->document());
    keeper_ = std::make_unique<DocumentKeeper>(*document_, *this);
    listing_ = std::make_unique<ListingView>(*editor_);
    diskWatch_ = std::make_unique<DiskWatch>();
}

void EditorWindow::CreateStatusBar() {
    statement_ = new QLabel(this);
    statement_->setObjectName("statement");
    position_ = new QLabel(this);
    position_->setObjectName("position");
    for (QLabel* label : {statement_, position_})
        label->setContentsMargins(kStatusLabelMargin, 0, kStatusLabelMargin, 0);
    run_ = std::make_unique<RunControl>(*statusBar());
    statusBar()->addPermanentWidget(statement_);
    statusBar()->addPermanentWidget(position_);
}

void EditorWindow::ConnectParts() {
    connect(document_.get(), &Document::autosaved, this, [this](const QString& error) {
        if (!error.isEmpty())
            ShowNotice(QString("Unsaved changes cannot be kept as recovery text: %1").arg(error));
    });
    connect(editor_, &QPlainTextEdit::cursorPositionChanged, this, &EditorWindow::UpdatePosition);
    connect(editor_->document(), &QTextDocument::modificationChanged, this,
            [this](bool modified) { setWindowModified(modified && !document_->ReadOnly()); });
    connect(diskWatch_.get(), &DiskWatch::changed, this, &EditorWindow::CheckDisk);
    connect(keeper_.get(), &DocumentKeeper::notice, this, &EditorWindow::ShowNotice);
    connect(keeper_.get(), &DocumentKeeper::status, this,
            [this](const QString& text) { ShowStatus(text, 0); });
    connect(run_.get(), &RunControl::ended, this, &EditorWindow::RunEnded);
    connect(run_.get(), &RunControl::runningChanged, actions_.get(), &EditorActions::SetRunning);
    connect(listing_.get(), &ListingView::status, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(listing_.get(), &ListingView::sourceRequested, this,
            [this](const QString& source, int line) { OpenInQuillpad(source, false, line); });
    connect(debug_.get(), &DebugControl::notice, this, &EditorWindow::ShowNotice);
    connect(findBar_, &FindBar::notFound, this, [this](const QString& text) {
        ShowStatus(QString("\"%1\" not found").arg(text), kBriefStatusMs);
    });
}

void EditorWindow::ApplySwitches(FontSwitch font, bool readOnly) {
    font_ = font;
    ApplyFont();
    document_->SetReadOnly(readOnly);
    const bool listing = document_->ReadOnly();
    // A debugging session keeps the text as the adapter reads it.
    editor_->setReadOnly(listing || debug_->Active());
    if (listing) {
        // The listing view keeps a keyboard cursor for stepping through it.
        editor_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        setWindowModified(false);
        sourceColours_.reset();
    }
    listing_->SetActive(listing);
    analysis_->SetActive(!listing);
    if (!listing && !sourceColours_)
        sourceColours_ = std::make_unique<SourceHighlighter>(
            editor_->document(), [this] { return document_->FileEncoding(); });
    actions_->SetListing(listing);
    debug_->SetListing(listing);
    UpdateTitle();
}

void EditorWindow::ApplyFont() {
    editor_->SetPointSize(
        FontPointSize(font_, settings::FontSize(NumberedEditor::SystemPointSize())));
}

void EditorWindow::ZoomFont(int step) {
    settings::ChangeFontSize(step, NumberedEditor::SystemPointSize());
    ApplyFont();
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

void EditorWindow::ShowStatus(const QString& text, int ms) {
    statusBar()->showMessage(text, ms);
}

// Reads the file and shows it from its first line: a listing from its
// first message, a source where kept recovery text or `line` puts it.
void EditorWindow::Load(const QString& verb, int line) {
    document_->Load();
    if (document_->Unreadable()) ApplySwitches(font_, true);
    ShowStatus(QString("%1 %2").arg(verb, Name()), kBriefStatusMs);
    listing_->Rebuild(Path());
    ShowLoadNotice();
    diskWatch_->Watch(Path());
    editor_->ShowLine(0);
    if (document_->ReadOnly()) {
        listing_->StartAtFirstMessage();
    } else {
        settings::RememberRecent(Path());
        debug_->FileLoaded();
        if (keeper_->OfferRecovery()) editor_->ShowLine(0);
    }
    if (line > 0) GoToLine(line);
    UpdatePosition();
}

void EditorWindow::ShowLoadNotice() {
    if (document_->Unreadable()) {
        ShowNotice(QString("%1 cannot be read.").arg(Path()));
    } else if (!document_->Exists()) {
        ShowNotice(document_->ReadOnly()
                       ? QString("%1 does not exist.").arg(Path())
                       : QString("%1 does not exist. Saving creates it.").arg(Path()));
    } else {
        ShowNotice({});
    }
}

// Looks at the file after a change was reported: an unmodified buffer
// takes the new content silently; a modified one asks first.
void EditorWindow::CheckDisk() {
    const Document::DiskChange change = document_->LookAtDisk();
    if (change == Document::DiskChange::Deleted && !document_->ReadOnly())
        ShowStatus(QString("%1 was deleted on disk; Save writes it again.").arg(Name()), 0);
    if (change != Document::DiskChange::Changed || !keeper_->MayReload()) return;
    ReloadKeepingView();
    ShowNotice({});
    ShowStatus(QString("Reloaded %1%2")
                   .arg(Name(), document_->ReadOnly() ? "" : " (Undo brings back the text before)"),
               kBriefStatusMs);
}

// Takes the file's new bytes as one undoable step, keeping the cursor and
// the scroll position.
void EditorWindow::ReloadKeepingView() {
    editor_->KeepView([this] { document_->Reload(); });
    listing_->Rebuild(Path());
    UpdatePosition();
}

void EditorWindow::Reopen(const OpenRequest& request) {
    if (keeper_->Ending()) return;
    if (document_->Modified()) {
        // Unsaved changes stay editable; a changed file asks first.
        ApplySwitches(request.font, false);
        CheckDisk();
    } else {
        const bool wasListing = document_->ReadOnly();
        ApplySwitches(request.font, request.readOnly);
        if (document_->DiskDiffers() || wasListing != document_->ReadOnly()) {
            Load("Reloaded");
        } else if (document_->ReadOnly()) {
            listing_->StartAtFirstMessage();
        }
    }
    if (request.line > 0) GoToLine(request.line);
    ComeForward();
    if (request.debug) debug_->Start();
}

void EditorWindow::ComeForward() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

bool EditorWindow::Save() {
    if (document_->ReadOnly()) return false;
    QString keptIn;
    if (!keeper_->MayOverwrite(keptIn)) return false;
    QString error;
    bool converted = false;
    if (!document_->Save(error, &converted)) {
        keeper_->Ask(QString("Cannot save %1:\n%2").arg(Path(), error), QMessageBox::Ok,
                     QMessageBox::Ok);
        return false;
    }
    ShowStatus(QString(converted ? "Saved %1 as UTF-8" : "Saved %1").arg(Name()),
               converted ? kStatusMs : kBriefStatusMs);
    ShowNotice(
        keptIn.isEmpty()
            ? QString()
            : QString("Saved over a change made on disk; that version is kept in %1.").arg(keptIn));
    diskWatch_->Renew();
    return true;
}

bool EditorWindow::SaveAs(const QString& path) {
    QString error;
    const QString old = Path();
    if (!document_->SaveAs(path, error)) {
        keeper_->Ask(QString("Cannot save %1:\n%2").arg(path, error), QMessageBox::Ok,
                     QMessageBox::Ok);
        return false;
    }
    ApplySwitches(font_, false);
    diskWatch_->Watch(Path());
    settings::RememberRecent(Path());
    ShowNotice({});
    ShowStatus(QString("Saved %1 as %2").arg(old, Path()));
    emit fileChanged(Path());
    return true;
}

void EditorWindow::GoToLine(int line) {
    editor_->ShowLine(line - 1);
    editor_->setFocus();
}

void EditorWindow::OpenInQuillpad(const QString& path, bool readOnly, int line) {
    CommandLine command{font_, readOnly, QFile::encodeName(path).toStdString(), line};
    QStringList arguments;
    for (const std::string& word : CommandWords(command))
        arguments.append(QFile::decodeName(QByteArray::fromStdString(word)));
    const QString program = ProgramFolder() + "/quillpad-editor";
    if (!QProcess::startDetached(program, arguments))
        ShowStatus(QString("Cannot start %1").arg(program));
}

void EditorWindow::RunWithVantel() {
    if (document_->ReadOnly()) return;
    if (debug_->Active()) {
        debug_->Continue(); // F5 while debugging
        return;
    }
    if (run_->Running()) {
        run_->Start(Path()); // says that a run is going
        return;
    }
    if ((document_->Modified() || !document_->Exists()) && !Save()) return;
    run_->Start(Path());
}

void EditorWindow::StopRun() {
    if (debug_->Active()) debug_->Stop();
    run_->Stop();
}

// vantel's words stand in the notice until the next run (which clears them
// when it has none).
void EditorWindow::RunEnded(const RunReport& report, const RunEnd& end) {
    ShowNotice(report.notice);
    if (report.showListing) OpenInQuillpad(end.listing, true);
}

bool EditorWindow::OpenSourceOfMessage() {
    return listing_->OpenSourceOfMessage();
}

bool EditorWindow::EndOnRequest() {
    if (keeper_->KeepForEnd()) {
        close();
        return true;
    }
    ComeForward();
    return false;
}

EditorReply EditorWindow::Answer(const EditorRequest& request) {
    return keeper_->Answer(request, [this] { close(); });
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (!keeper_->MayClose([this] { return Save(); })) {
        event->ignore();
        return;
    }
    settings::SetWindowGeometry(saveGeometry());
    debug_->Stop();
    event->accept();
}

void EditorWindow::UpdatePosition() {
    const QTextCursor cursor = editor_->textCursor();
    position_->setText(QString("Line %1, Column %2")
                           .arg(cursor.blockNumber() + 1)
                           .arg(cursor.positionInBlock() + 1));
    statement_->setText(listing_->StatementText(cursor.blockNumber()));
}

} // namespace quillpad
