#include "debug_control.h"

#include "debug_panes.h"
#include "editor_actions.h"
#include "editor_window.h"
#include "run_files.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QTextBlock>

namespace quillpad {
namespace {

constexpr char kCurrentLayer[] = "debug-statement";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString Describe(const debug::Stop& stop) {
    if (stop.reason == "exception") return "Stopped on an error";
    if (stop.reason == "breakpoint") return "Stopped at a breakpoint";
    if (stop.reason == "entry") return "Stopped before the first statement";
    if (stop.reason == "pause") return "Paused";
    return "Stopped";
}

} // namespace

DebugControl::DebugControl(EditorWindow& window, EditorActions& actions)
    : QObject(&window), window_(window), actions_(actions),
      book_(std::make_unique<BreakpointBook>(*window.Editor().document())),
      adapter_(std::make_unique<DebugAdapter>()) {
    CreatePanes();
    BuildMenu(actions);
    window_.Editor().SetMarginClick([this](int line) { ToggleBreakpointAt(line + 1); });
    connect(book_.get(), &BreakpointBook::changed, this, &DebugControl::BreakpointsChanged);
    remember_.setSingleShot(true);
    remember_.setInterval(kRememberDelayMs);
    connect(&remember_, &QTimer::timeout, this, [this] { book_->Remember(Path()); });
    connect(adapter_.get(), &DebugAdapter::stateChanged, this, &DebugControl::StateChanged);
    connect(adapter_.get(), &DebugAdapter::stopped, this, &DebugControl::Stopped);
    connect(adapter_.get(), &DebugAdapter::ended, this, &DebugControl::Ended);
    connect(adapter_.get(), &DebugAdapter::breakpointsBound, this, &DebugControl::Bound);
    connect(adapter_.get(), &DebugAdapter::finished, this, &DebugControl::UpdateActions);
    connect(adapter_.get(), &DebugAdapter::output, output_, &OutputPane::Append);
    connect(adapter_.get(), &DebugAdapter::problem, this, [this](const QString& text) {
        output_->Append("stderr", text + "\n");
        Status(text, kStatusMs);
    });
    UpdateActions();
}

DebugControl::~DebugControl() {
    if (remember_.isActive()) book_->Remember(Path());
}

void DebugControl::CreatePanes() {
    variables_ = new VariablesPane(&window_);
    stack_ = new CallStackPane(&window_);
    match_ = new MatchPane(&window_);
    output_ = new OutputPane(&window_);
    window_.addDockWidget(Qt::RightDockWidgetArea, variables_);
    window_.addDockWidget(Qt::RightDockWidgetArea, stack_);
    window_.addDockWidget(Qt::BottomDockWidgetArea, match_);
    window_.addDockWidget(Qt::BottomDockWidgetArea, output_);
    window_.tabifyDockWidget(match_, output_);
    for (QDockWidget* pane :
         std::initializer_list<QDockWidget*>{variables_, stack_, match_, output_})
        pane->hide();
    debug::DebugSession& session = adapter_->Session();
    variables_->SetFetch([&session](std::int64_t reference, auto done) {
        session.FetchVariables(reference, std::move(done));
    });
    variables_->SetEdit(
        [&session](std::int64_t container, const QString& name, const QString& value, auto done) {
            session.SetVariable(container, name.toStdString(), value.toStdString(),
                                [done = std::move(done)](bool success, const std::string& answer) {
                                    done(success, Q(answer));
                                });
        });
    connect(variables_, &VariablesPane::problem, this, [this](const QString& text) {
        Status(QString("The value was not changed: %1").arg(text), kStatusMs);
    });
    connect(stack_, &CallStackPane::frameChosen, this, [this](int index, int line) {
        adapter_->Session().SelectFrame(static_cast<std::size_t>(index));
        if (line > 0) window_.GoToLine(line);
    });
    connect(output_, &OutputPane::evaluate, this, &DebugControl::Evaluate);
}

void DebugControl::BuildMenu(EditorActions& actions) {
    QMenu* menu = actions.AddMenu("&Debug");
    debug::DebugSession& session = adapter_->Session();
    start_ = menu->addAction("&Start Debugging", QKeySequence(Qt::CTRL | Qt::Key_F5), this,
                             &DebugControl::Start);
    // F5 and Shift+F5 belong to the File menu's Run and Stop, which turn
    // to these while a session lasts.
    continue_ = menu->addAction("&Continue\tF5", this, &DebugControl::Continue);
    pause_ =
        menu->addAction("&Pause", QKeySequence(Qt::Key_F6), this, [&session] { session.Pause(); });
    stop_ = menu->addAction("S&top\tShift+F5", this, &DebugControl::Stop);
    menu->addSeparator();
    QAction* over = menu->addAction("Step &Over", QKeySequence(Qt::Key_F10), this,
                                    [&session] { session.StepOver(); });
    QAction* into = menu->addAction("Step &Into", QKeySequence(Qt::Key_F11), this,
                                    [&session] { session.StepIn(); });
    into->setToolTip("Into a function; at a statement with a pattern, into the matcher");
    QAction* out = menu->addAction("Step O&ut", QKeySequence(Qt::SHIFT | Qt::Key_F11), this,
                                   [&session] { session.StepOut(); });
    QAction* statement =
        menu->addAction("Step to Next &Statement", QKeySequence(Qt::CTRL | Qt::Key_F11), this,
                        [&session] { session.StepToStatement(); });
    statement->setToolTip("The next statement anywhere, past the matcher's steps");
    QAction* cursor = menu->addAction("&Run to Cursor", QKeySequence(Qt::CTRL | Qt::Key_F10), this,
                                      &DebugControl::RunToCursor);
    menu->addSeparator();
    QAction* toggle = menu->addAction("Toggle &Breakpoint", QKeySequence(Qt::Key_F9), this,
                                      &DebugControl::ToggleBreakpoint);
    QAction* edit =
        menu->addAction("Breakpoint Co&ndition...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9),
                        this, &DebugControl::EditBreakpoint);
    QAction* clear =
        menu->addAction("Remove &All Breakpoints", this, [this] { book_->Replace({}); });
    menu->addSeparator();
    for (QDockWidget* pane :
         std::initializer_list<QDockWidget*>{variables_, stack_, match_, output_})
        menu->addAction(pane->toggleViewAction());
    whileStopped_ = {continue_, over, into, out, statement, cursor};
    breakpointActions_ = {toggle, edit, clear};
}

bool DebugControl::Active() const {
    return adapter_->Active();
}

QString DebugControl::Path() const {
    return window_.File().Path();
}

void DebugControl::Status(const QString& text, int ms) {
    window_.statusBar()->showMessage(text, ms);
}

void DebugControl::SetListing(bool listing) {
    listing_ = listing;
    window_.Editor().SetDotRoom(!listing);
    UpdateActions();
}

void DebugControl::FileLoaded() {
    if (listing_) return;
    book_->Recall(Path());
}

void DebugControl::UpdateActions() {
    const debug::State state = adapter_->Session().CurrentState();
    const bool stopped = state == debug::State::Stopped;
    start_->setEnabled(!listing_ && !Active());
    pause_->setEnabled(state == debug::State::Running);
    stop_->setEnabled(Active());
    for (QAction* action : whileStopped_)
        action->setEnabled(stopped);
    for (QAction* action : breakpointActions_)
        action->setEnabled(!listing_);
    actions_.SetDebugging(Active());
}

// Saves as F5 does, then starts vantel-dap on the file.
void DebugControl::Start() {
    if (listing_) return;
    if (adapter_->Session().Active()) {
        Status("A debugging session is going; Shift+F5 stops it", kStatusMs);
        return;
    }
    if (Active()) {
        Status("vantel-dap is still ending; Shift+F5 ends it now", kStatusMs);
        return;
    }
    if (window_.Run().Running()) {
        Status("vantel is still running; Shift+F5 stops it", kStatusMs);
        return;
    }
    Document& file = window_.File();
    if ((file.Modified() || !file.Exists()) && !window_.Save()) return;
    debug::LaunchSettings settings;
    settings.program = Path().toStdString();
    settings.cwd = QFileInfo(Path()).absolutePath().toStdString();
    settings.breakpoints = book_->List();
    output_->Clear();
    emit notice({});
    ShowPanes();
    adapter_->Start(ProgramFolder() + "/vantel-dap", settings);
    window_.Editor().setReadOnly(true);
    Status(QString("Debugging %1; the text is read-only until the session ends")
               .arg(window_.File().Name()),
           kStatusMs);
    UpdateActions();
}

// The panes come back at each start; a window too small for them and the
// text grows, as far as the screen allows.
void DebugControl::ShowPanes() {
    const bool first = !variables_->isVisible() && !stack_->isVisible() && !output_->isVisible();
    for (QDockWidget* pane : std::initializer_list<QDockWidget*>{variables_, stack_, output_})
        pane->show();
    if (!first || window_.isMaximized() || window_.isFullScreen() || window_.screen() == nullptr)
        return;
    const QRect screen = window_.screen()->availableGeometry();
    const QSize wanted = kDebugWindowSize.boundedTo(screen.size());
    if (window_.width() >= wanted.width() && window_.height() >= wanted.height()) return;
    window_.resize(window_.size().expandedTo(wanted));
    QRect frame = window_.frameGeometry();
    frame.moveRight(std::min(frame.right(), screen.right()));
    frame.moveBottom(std::min(frame.bottom(), screen.bottom()));
    window_.move(std::max(frame.left(), screen.left()), std::max(frame.top(), screen.top()));
}

void DebugControl::Continue() {
    adapter_->Session().Continue();
}

void DebugControl::Stop() {
    adapter_->Stop();
}

void DebugControl::ToggleBreakpoint() {
    ToggleBreakpointAt(window_.Editor().textCursor().blockNumber() + 1);
}

void DebugControl::ToggleBreakpointAt(int line) {
    if (listing_) return;
    book_->Toggle(line);
}

void DebugControl::EditBreakpoint() {
    if (listing_) return;
    const int line = window_.Editor().textCursor().blockNumber() + 1;
    debug::SourceBreakpoint breakpoint{line, {}, {}};
    for (const debug::SourceBreakpoint& kept : book_->List())
        if (kept.line == line) breakpoint = kept;
    QDialog dialog(&window_);
    dialog.setWindowTitle(QString("Breakpoint at line %1").arg(line));
    auto* form = new QFormLayout(&dialog);
    auto* condition = new QLineEdit(Q(breakpoint.condition), &dialog);
    condition->setPlaceholderText("e.g. GT(N,10): stops only when it succeeds");
    auto* hits = new QLineEdit(Q(breakpoint.hitCondition), &dialog);
    hits->setPlaceholderText("e.g. 3: stops from the third time on");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow("Condition:", condition);
    form->addRow("Hit count:", hits);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return;
    breakpoint.condition = condition->text().trimmed().toStdString();
    breakpoint.hitCondition = hits->text().trimmed().toStdString();
    book_->Set(breakpoint);
}

void DebugControl::RunToCursor() {
    adapter_->Session().RunToLine(window_.Editor().textCursor().blockNumber() + 1);
}

void DebugControl::BreakpointsChanged() {
    unbound_.clear();
    ShowDots();
    if (!listing_) remember_.start();
    adapter_->Session().SetBreakpoints(book_->List());
}

void DebugControl::Bound(const std::vector<debug::BoundBreakpoint>& bound) {
    unbound_.clear();
    QStringList moved;
    for (const debug::BoundBreakpoint& breakpoint : bound) {
        if (!breakpoint.verified) {
            unbound_.insert(breakpoint.requestedLine);
            moved.append(QString("line %1: %2")
                             .arg(breakpoint.requestedLine)
                             .arg(breakpoint.message.empty() ? QString("no statement")
                                                             : Q(breakpoint.message)));
        }
    }
    ShowDots();
    if (!moved.isEmpty())
        Status(QString("Breakpoints that cannot stop: %1").arg(moved.join("; ")), kStatusMs);
}

void DebugControl::ShowDots() {
    std::map<int, QColor> dots;
    for (const debug::SourceBreakpoint& breakpoint : book_->List())
        dots[breakpoint.line - 1] =
            unbound_.count(breakpoint.line) != 0 ? kUnboundBreakpoint : kBreakpoint;
    window_.Editor().SetMarginDots(dots);
}

void DebugControl::StateChanged(debug::State state) {
    if (state == debug::State::Running) {
        ClearStop();
        Status("The program runs; F6 pauses it, Shift+F5 stops it", 0);
    }
    UpdateActions();
}

void DebugControl::Stopped(const debug::Stop& stop) {
    NumberedEditor& editor = window_.Editor();
    const int line = stop.Line();
    const bool error = stop.reason == "exception";
    const debug::Frame* frame =
        stop.selected < stop.frames.size() ? &stop.frames[stop.selected] : nullptr;
    const bool here =
        frame != nullptr && line > 0 &&
        (frame->path.empty() || CanonicalFile(Q(frame->path)) == CanonicalFile(Path()));
    if (here) {
        editor.SetMarks(kCurrentLayer,
                        {editor.LineMark(line - 1, error ? kErrorStatement : kCurrentStatement)});
        editor.ShowLine(line - 1);
    } else {
        editor.SetMarks(kCurrentLayer, {});
    }
    const QString message = Q(stop.message.empty() ? stop.description : stop.message);
    editor.SetLineNote(here && error ? line - 1 : -1, message, kErrorNote);
    emit notice(error ? QString("Line %1: %2").arg(line).arg(message) : QString());
    variables_->Show(stop);
    stack_->Show(stop);
    const debug::Scope* inMatch = stop.FindScope(debug::kMatchScope);
    const bool wasInMatch = lastShown_.FindScope(debug::kMatchScope) != nullptr;
    match_->Show(inMatch);
    if (inMatch != nullptr) {
        match_->show();
        match_->raise();
    } else if (wasInMatch) {
        output_->raise(); // the match is over: back to the program's output
    }
    // The adapter's own sentence says more than the reason: how the step
    // before ended, or what the matcher did.
    Status(stop.description.empty() || error
               ? QString("%1 at line %2; F5 continues, F10 steps over, F11 steps into")
                     .arg(Describe(stop))
                     .arg(line)
               : Q(stop.description),
           0);
    ++stopsShown_;
    lastShown_ = stop;
    UpdateActions();
}

void DebugControl::ClearStop() {
    window_.Editor().SetMarks(kCurrentLayer, {});
    window_.Editor().SetLineNote(-1, {}, kErrorNote);
}

void DebugControl::Ended(const debug::Ending& ending) {
    ClearStop();
    variables_->Clear();
    stack_->Clear();
    match_->Clear();
    window_.Editor().setReadOnly(window_.File().ReadOnly());
    QString text = "Debugging ended";
    if (ending.exitCode) text += QString("; the program's exit status %1").arg(*ending.exitCode);
    if (!ending.problem.empty()) {
        emit notice(QString("Debugging ended: %1").arg(Q(ending.problem)));
        output_->Append("stderr", Q(ending.problem) + "\n");
    }
    output_->Append("console", text + "\n");
    Status(text, kStatusMs);
    UpdateActions();
}

// The expression and its value stand together, also when several were
// asked before the first answer.
void DebugControl::Evaluate(const QString& expression) {
    adapter_->Session().Evaluate(
        expression.toStdString(), [this, expression](bool success, const std::string& answer) {
            output_->Append("console", "> " + expression + "\n");
            output_->Append(success ? "stdout" : "stderr", Q(answer) + "\n");
        });
}

} // namespace quillpad
