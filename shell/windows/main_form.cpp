#include "main_form.h"

#include "about_form.h"
#include "editor_requests_client.h"
#include "file_dialogs.h"
#include "forms.h"
#include "launcher/run_files.h"
#include "launcher/shell_paths.h"
#include "launcher/text_files.h"
#include "options/initfile.h"
#include "options_form.h"
#include "platform.h"
#include "process_watch.h"
#include "running_form.h"
#include "ui_main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace harbex {

namespace {

constexpr char kMainCaption[] = "SNOBOL4 Execution System";
constexpr char kSourcePattern[] = "*.sno";
constexpr char kOpenFilter[] = "SNOBOL4 Source Files|*.sno|KEVRA Source Files|*.kev|"
                               "COBOL Source Files|*.cbl|All files|*.*";
constexpr char kSaveFilter[] = "SNOBOL4 files|*.sno|KEVRA files|*.kev|COBOL files|*.cbl|"
                               "All files|*.*";
// The stored filter index of the open dialog; the first activation sets 1.
constexpr int kStoredOpenFilterIndex = 3;
constexpr char kSubsetKey[] = "Subset";
constexpr char kSubsetDescription[] = "Subset SNOBOL";
// New adds this to a bare name while the SNOBOL4 filter is selected.
constexpr char kSourceSuffix[] = "sno";
constexpr char kCloseDuringRun[] = "A program is still running. Stop it and quit?";
constexpr char kCloseDuringRunCaption[] = "Warning";
// The exit status of a program that could not start the program it was to
// become.
constexpr int kCannotStartStatus = 127;
// The window's own settings, apart from the shell's registry key.
constexpr char kWindowSettingsApplication[] = "harbex";
constexpr char kGeometryValue[] = "MainWindow/Geometry";

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

// The keyboard's ways to the File menu's commands, beside their mnemonics.
const QKeySequence kNewKey(Qt::CTRL | Qt::Key_N);
const QKeySequence kChooseKey(Qt::CTRL | Qt::Key_O);
const QKeySequence kEditKey(Qt::CTRL | Qt::Key_E);
const QList<QKeySequence> kRunKeys{QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)};
const QKeySequence kDebugKey(Qt::CTRL | Qt::Key_F5); // as in quillpad
const QKeySequence kExitKey(Qt::CTRL | Qt::Key_Q);

// The first start's size: the memo shows this many lines and columns, and
// the caption has this much room beside it for the frame's buttons.
constexpr int kFirstStartMemoLines = 20;
constexpr int kFirstStartMemoColumns = 72;
constexpr int kCaptionButtonsRoom = 160;

// Lines of the processor's own words, for the memo.
QStringList WordsOf(const std::string& words) {
    return ToQString(words).split('\n');
}

bool IsExecutable(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::TMainForm>()) {
    createLayout();
    createFileDialogs();
    executablePath_ = ExecutablePath();
    Launcher.SetWaiter([this](ProcessHandle child) { waitForProcessor(child); });
    Launcher.SetChildNotices([this](ProcessHandle child) { watchChild(child); },
                             [this](ProcessHandle child) { unwatchChild(child); });
    Launcher.SetEndNotice(
        [this](ProcessHandle child, std::optional<int> status) { noticeChildEnd(child, status); });
}

TMainForm::~TMainForm() {
    emit OnDestroy();
}

void TMainForm::createLayout() {
    ui->setupUi(this);
    ApplyDesignScale();
    if (!restoreGeometry(WindowSettings().value(kGeometryValue).toByteArray())) placeFirstTime();
    assignShortcuts();
    // A menu left with Esc hands the keyboard back to the memo, also when
    // the menu bar kept it.
    for (QMenu* menu : ui->MainMenu1->findChildren<QMenu*>()) {
        connect(menu, &QMenu::aboutToHide, this,
                [this] { QTimer::singleShot(0, this, [this] { focusMemoIfLost(); }); });
    }
    ui->MainMenu1->installEventFilter(this);
}

// With no geometry kept yet, the window opens centred and large enough
// for its whole caption and a memo of kFirstStartMemoLines lines.
void TMainForm::placeFirstTime() {
    const QFontMetrics memo(ui->Memo1->font());
    QFont captionFont = font();
    captionFont.setBold(true);
    const int captionWidth =
        QFontMetrics(captionFont).horizontalAdvance(kMainCaption) + kCaptionButtonsRoom;
    const int memoWidth = memo.averageCharWidth() * kFirstStartMemoColumns;
    const int memoHeight = memo.lineSpacing() * kFirstStartMemoLines +
                           2 * (ui->Memo1->frameWidth() + ui->Memo1->contentsMargins().top() +
                                static_cast<int>(ui->Memo1->document()->documentMargin()));
    resize(std::max({width(), captionWidth, memoWidth}),
           std::max(height(), menuBar()->sizeHint().height() + memoHeight));
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TMainForm::assignShortcuts() {
    ui->New1->setShortcut(kNewKey);
    ui->Choose1->setShortcut(kChooseKey);
    ui->Edit1->setShortcut(kEditKey);
    ui->Run1->setShortcuts(kRunKeys);
    ui->DebugSource1->setShortcut(kDebugKey);
    ui->eXit1->setShortcut(kExitKey);
}

QSettings& TMainForm::WindowSettings() {
    static QSettings settings(kRegistryOrganisation, kWindowSettingsApplication);
    return settings;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->MainMenu1 &&
        (event->type() == QEvent::FocusOut || event->type() == QEvent::KeyRelease)) {
        QTimer::singleShot(0, this, [this] { focusMemoIfLost(); });
    }
    return TForm::eventFilter(watched, event);
}

// The focus belongs in the memo unless another widget of this window has it.
void TMainForm::focusMemoIfLost() {
    if (!isActiveWindow() || QApplication::activePopupWidget() != nullptr) return;
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || focus == ui->MainMenu1) ui->Memo1->setFocus(Qt::OtherFocusReason);
}

void TMainForm::createFileDialogs() {
    OpenDialog = CreateFileDialog(this, "OpenDialog", QFileDialog::AcceptOpen, kOpenFilter,
                                  kStoredOpenFilterIndex);
    SaveDialog1 = CreateFileDialog(this, "SaveDialog1", QFileDialog::AcceptSave, kSaveFilter, 1);
    // New asks before it replaces a file.
    SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite, false);
    UseSuffixWithFilter(*SaveDialog1, 1, kSourceSuffix);
}

// Every activation refreshes the program folder; the first one also reads
// the settings.
void TMainForm::Activator() {
    ProgramDir = ProgramDirOf(executablePath_);
    if (!FirstActivation) return;
    FirstActivation = false;
    LargerFont = false;
    SmallerFont = false;
    SettingsKey.reset();
    OptionRecords.clear();
    readToolPaths();
    // quillpad says so only on its standard error, which goes nowhere here.
    if (HandOffNamesQuillpad(ProgramDir)) log("HARBEX_EDITOR names quillpad itself: ignored");
    setWindowTitle(kMainCaption);
    openSettingsKey();
    prepareFileDialogs();
    if (SettingsKey) {
        readCurrentDir();
    } else {
        ShowMessage("Registry Problem", "Oops", MessageButtons::Ok);
        close();
    }
    LoadOptions();
}

void TMainForm::readToolPaths() {
    const ToolPaths paths = ChooseToolPaths(ProgramDir, CurrentFolder());
    EditorCommand = paths.editorCommand;
    ProcessorDir = paths.processorDir;
}

void TMainForm::openSettingsKey() {
    SettingsKey = RegistryKey::Open();
}

void TMainForm::prepareFileDialogs() {
    SetDialogFileName(*SaveDialog1, kSourcePattern);
    SetDialogFileName(*OpenDialog, kSourcePattern);
    SetDialogFilterIndex(*OpenDialog, 1);
}

void TMainForm::readCurrentDir() {
    CurrentDir = SettingsKey->Read(kCurrentDirValue).toStdString();
    if (!CurrentDir.empty()) return;
    CurrentDir = DefaultCurrentDir(std::getenv("HOME"));
    SettingsKey->Write(kCurrentDirValue, ToQString(CurrentDir));
}

void TMainForm::LoadOptions() {
    initfile optionFile(OptionFilePath());
    const bool stored = optionFile.LoadPlain();
    SubsetMode = false;
    optionFile.GetBool(kSubsetKey, SubsetMode);
    // Without settings of the user's own, a run that can work out of the box:
    // vantel, unless a full interpreter was put beside the shell.
    const bool chooseVantel = !stored && !IsExecutable(ProcessorDir + std::string(kFullProgram));
    if (chooseVantel) SubsetMode = true;
    logProcessor(chooseVantel);
    GeneralOption subset;
    subset.MakeBooleanOption(kSubsetKey, kSubsetDescription, &SubsetMode);
    OptionRecords.push_back(subset);
    if (!OptionRecords.empty() && OptionsForm != nullptr) OptionsForm->SetOptions(OptionRecords);
}

// Every start says which processor runs will use.
void TMainForm::logProcessor(bool chosenForAFirstStart) {
    const std::string full = ProcessorDir + std::string(kFullProgram);
    if (chosenForAFirstStart) {
        log("Runs use vantel (Subset SNOBOL = Yes): there is no full interpreter " +
            ToQString(full));
    } else if (SubsetMode) {
        log("Runs use vantel (Subset SNOBOL = Yes): " +
            ToQString(ProcessorDir + std::string(kSubsetProgram)));
    } else if (IsExecutable(full)) {
        log("Runs use the full interpreter (Subset SNOBOL = No): " + ToQString(full));
    } else {
        log("Runs use the full interpreter (Subset SNOBOL = No), but there is none: " +
            ToQString(full) +
            "; to run with vantel, set Options/Run Options (Subset SNOBOL = Yes)");
    }
}

// Writes the subset flag back, keeping the option file's other keys.
void TMainForm::ShutDown() {
    WindowSettings().setValue(kGeometryValue, saveGeometry());
    WindowSettings().sync();
    initfile optionFile(OptionFilePath());
    optionFile.LoadPlain();
    optionFile.SetBool(kSubsetKey, SubsetMode);
}

void TMainForm::Sizing() {
    const QRect outer = frameGeometry();
    const QRect memo = ui->Memo1->geometry();
    const Extent size = FitMemo({outer.width(), outer.height()}, memo.x(), memo.y(),
                                PlatformMetrics(*this, menuBar()->height()));
    ui->Memo1->resize(std::max(0, size.width), std::max(0, size.height));
}

RunRequest TMainForm::runRequest() const {
    return {ProcessorDir, EditorCommand, SourceFile, SubsetMode, LargerFont, SmallerFont};
}

void TMainForm::RunIt() {
    if (IsRunning()) return;
    const RunRequest request = runRequest();
    if (!saveBeforeRun(request.sourceFile)) return;
    log("Running: " + ToQString(request.sourceFile));
    RunResult result = RunProcessor(Launcher, request);
    if (result.outcome == RunOutcome::Done && closeAfterRun_) {
        close();
        return;
    }
    // A run that left no listing explains itself instead of opening one.
    if (result.outcome == RunOutcome::Done && result.listingWritten) {
        ProcessHandle editor = kNoHandle;
        result.outcome = OpenListing(Launcher, request, result.listing, &editor);
        rememberEditor(editor, result.listing);
    }
    reportRunOutcome(result, request);
}

// A run reads the source from disk: the quillpad window that has it open
// saves its changes first. False, with the reason in the memo, when it
// could not; the run does not start then.
bool TMainForm::saveBeforeRun(const std::string& source) {
    if (EditorHandsFilesOn(ProgramDir)) return true;
    const quillpad::EditorReply reply = AskEditorToSave(ToQString(source));
    switch (reply.answer) {
    case quillpad::EditorAnswer::Saved:
        log("Saved: " + ToQString(source));
        return true;
    case quillpad::EditorAnswer::Failed:
        log("Not run: the changes to " + ToQString(source) + " could not be saved. " +
            reply.detail);
        return false;
    case quillpad::EditorAnswer::NoEditor:
        // A socket held by another user is not asked, and is named.
        if (!reply.detail.isEmpty()) log(reply.detail);
        break;
    case quillpad::EditorAnswer::Unchanged:
    case quillpad::EditorAnswer::Kept:
        break;
    }
    return true;
}

void TMainForm::rememberEditor(ProcessHandle editor, const std::string& file) {
    if (editor != kNoHandle && childWatches_.count(editor) != 0) editorFiles_[editor] = file;
}

// Before the shell ends its children, each quillpad window it started is
// asked to end on its own, keeping unsaved text. One that cannot keep it
// stays up and is left running; the user is told which file it holds.
void TMainForm::endEditorsPolitely() {
    if (EditorHandsFilesOn(ProgramDir)) return;
    std::map<std::string, std::vector<ProcessHandle>> editorsOf;
    for (const auto& [editor, file] : editorFiles_)
        editorsOf[file].push_back(editor);
    for (const auto& [file, editors] : editorsOf) {
        const quillpad::EditorReply reply = AskEditorToEnd(ToQString(file));
        if (reply.answer != quillpad::EditorAnswer::Failed) continue;
        for (ProcessHandle editor : editors)
            Launcher.Release(editor);
        ShowMessage("The quillpad window of " + ToQString(file) +
                        " still holds unsaved work and stays open. " + reply.detail,
                    kCloseDuringRunCaption, MessageButtons::Ok);
    }
}

// Waits for the processor in the event loop under the running window;
// installed as the launcher's way to wait.
void TMainForm::waitForProcessor(ProcessHandle child) {
    ProcessWatch watch(child);
    TRunningForm running(this, ToQString(std::filesystem::path(SourceFile).filename().string()),
                         watch);
    runningWatch_ = &watch;
    running.Wait();
    runningWatch_ = nullptr;
    if (watch.Stopped()) log("Stopped: " + ToQString(SourceFile));
    activateWindow();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!IsRunning()) {
        endEditorsPolitely();
        TForm::closeEvent(event);
        return;
    }
    event->ignore();
    if (closeAfterRun_ || !AskYesNo(kCloseDuringRun, kCloseDuringRunCaption)) return;
    closeAfterRun_ = true;
    if (runningWatch_ != nullptr) runningWatch_->Stop();
}

// The memo says what the run did; the defined message boxes follow.
void TMainForm::reportRunOutcome(const RunResult& result, const RunRequest& request) {
    switch (result.outcome) {
    case RunOutcome::Done:
    case RunOutcome::EditorNotFound:
        reportListing(result);
        if (result.outcome == RunOutcome::EditorNotFound)
            ShowMessage("Editor program not found", "Oops:Error", MessageButtons::OkCancel);
        break;
    case RunOutcome::ProcessorNotFound:
        if (request.subsetMode) {
            log("Cannot start " + ToQString(ProcessorProgram(request)));
        } else {
            log("Cannot start " + ToQString(ProcessorProgram(request)) +
                "; to run with vantel, set Options/Run Options (Subset SNOBOL = Yes)");
        }
        ShowMessage("Language processor not found", "Oops:Error", MessageButtons::OkCancel);
        break;
    case RunOutcome::CannotCreate:
        ShowMessage("Cannot create " + ToQString(result.file), "Oops:Error", MessageButtons::Ok);
        break;
    case RunOutcome::WouldReplaceSource:
        log("Not run: " + ToQString(result.file) + " would replace the source");
        ShowMessage("Cannot create " + ToQString(result.file) + ": it is the source file",
                    "Oops:Error", MessageButtons::Ok);
        break;
    }
}

// The listing and the summary read from it; without a listing, the
// processor's own words say why, in the memo and in a box.
void TMainForm::reportListing(const RunResult& result) {
    const QStringList words =
        result.processorWords.empty() ? QStringList() : WordsOf(result.processorWords);
    if (result.listingWritten) {
        for (const QString& line : words)
            log(line);
        log("Listing: " + ToQString(result.listing));
        if (result.summary) log(ToQString(*result.summary));
        return;
    }
    const QString why =
        words.isEmpty() ? ToQString(result.listing) + " was not written" : words.join('\n');
    log("No listing: " + why);
    ShowMessage("The run left no listing.\n\n" + why, "Oops:Error", MessageButtons::Ok);
}

// The end of a child that runs on (an editor) is noticed through its
// pidfd, which turns readable then; the launcher reaps it.
void TMainForm::watchChild(ProcessHandle child) {
    auto* notifier = new QSocketNotifier(child, QSocketNotifier::Read, this); // owned by this
    childWatches_[child] = notifier;
    connect(notifier, &QSocketNotifier::activated, this,
            [this, child] { Launcher.ReapIfEnded(child); });
}

// An editor ends with status 127 when the program it hands the file to
// (HARBEX_EDITOR) could not be started; the box follows the event that
// noticed the end.
void TMainForm::noticeChildEnd(ProcessHandle child, std::optional<int> status) {
    if (status != kCannotStartStatus || editorFiles_.count(child) == 0) return;
    QTimer::singleShot(0, this, [] {
        ShowMessage("Editor program not found", "Oops:Error", MessageButtons::OkCancel);
    });
}

// Called before the child's pidfd is closed: the notifier goes first.
void TMainForm::unwatchChild(ProcessHandle child) {
    const auto found = childWatches_.find(child);
    if (found == childWatches_.end()) return;
    found->second->setEnabled(false);
    found->second->deleteLater();
    childWatches_.erase(found);
    editorFiles_.erase(child);
}

void TMainForm::NewFile() {
    const std::optional<std::string> chosen = RunFileDialog(*SaveDialog1);
    if (!chosen) return;
    SourceFile = *chosen;
    const bool written = WriteFileWhole(SourceFile, kNewFileTemplate);
    enableSourceCommands();
    log("Creating: " + ToQString(SourceFile));
    if (!written)
        ShowMessage("Cannot create " + ToQString(SourceFile), "Oops:Error", MessageButtons::Ok);
    // The next Choose starts where the new file is.
    rememberFolderOf(SourceFile);
}

void TMainForm::ChooseFile() {
    SetDialogFolder(*OpenDialog, CurrentDir);
    const std::optional<std::string> chosen = RunFileDialog(*OpenDialog);
    if (!chosen) return;
    SourceFile = *chosen;
    enableSourceCommands();
    // Paths with blanks run as they are: no warning about them.
    log("File: " + ToQString(SourceFile));
    rememberFolderOf(SourceFile);
}

void TMainForm::rememberFolderOf(const std::string& source) {
    CurrentDir = ChosenFolder(source);
    if (SettingsKey) SettingsKey->Write(kCurrentDirValue, ToQString(CurrentDir));
}

void TMainForm::EditClick() {
    ProcessHandle editor = kNoHandle;
    if (!EditSource(Launcher, runRequest(), &editor)) {
        ShowMessage("Editor program not found", "Oops:Error", MessageButtons::OkCancel);
        return;
    }
    rememberEditor(editor, SourceFile);
}

// The source opens in quillpad, which debugs it with vantel whichever
// processor Run uses. A quillpad that has the file open already takes the
// request over its socket (the new one hands it on and ends). An editor
// that HARBEX_EDITOR names cannot debug: nothing is started then.
void TMainForm::DebugIt() {
    if (EditorHandsFilesOn(ProgramDir)) {
        log("Not debugged: HARBEX_EDITOR hands files to another editor, and only quillpad "
            "debugs");
        return;
    }
    ProcessHandle editor = kNoHandle;
    if (!DebugSource(Launcher, runRequest(), &editor)) {
        ShowMessage("Editor program not found", "Oops:Error", MessageButtons::OkCancel);
        return;
    }
    log("Debugging in quillpad: " + ToQString(SourceFile));
    rememberEditor(editor, SourceFile);
}

void TMainForm::eXit1Click() {
    close();
}

// The shell's other windows stand over the main window: the desktop places
// them on it and keeps them above it.
void TMainForm::showOver(QWidget& window) {
    window.winId();
    if (QWindow* handle = window.windowHandle()) handle->setTransientParent(windowHandle());
    window.show();
    window.raise();
    window.activateWindow();
}

void TMainForm::Opt_Call() {
    if (OptionsForm == nullptr) return;
    showOver(*OptionsForm);
}

void TMainForm::FontMenuClick() {
    LargerFont = true;
    SmallerFont = false;
}

void TMainForm::SetFontSmaller() {
    SmallerFont = true;
    LargerFont = false;
}

void TMainForm::DoDebug() {}

void TMainForm::About1Click() {
    if (AboutForm == nullptr) return;
    showOver(*AboutForm);
}

void TMainForm::enableSourceCommands() {
    ui->Edit1->setEnabled(true);
    ui->Run1->setEnabled(true);
    ui->DebugSource1->setEnabled(true);
}

void TMainForm::log(const QString& line) {
    ui->Memo1->appendPlainText(line);
}

} // namespace harbex
