#pragma once
// The editor window's debugger: the Debug menu, the breakpoints of the
// file (red dots in the margin, F9 or a click there), the panes, and the
// session with vantel-dap that they show: the statement where the program
// stopped is highlighted, a stop on an error shows its message at the
// line. While a session lasts the text cannot be changed, so that the
// lines the adapter names are the lines shown; it was saved first, as F5
// saves before a run.

#include "debug_adapter.h"
#include "debug_breakpoints.h"

#include <QObject>
#include <QTimer>
#include <memory>

class QAction;
class QMenu;

namespace quillpad {

class CallStackPane;
class EditorActions;
class EditorWindow;
class MatchPane;
class OutputPane;
class VariablesPane;

class DebugControl : public QObject {
    Q_OBJECT
public:
    static constexpr QColor kBreakpoint{0xd3, 0x2f, 0x2f};
    static constexpr QColor kUnboundBreakpoint{0xef, 0x9a, 0x9a};
    static constexpr QColor kCurrentStatement{0xff, 0xf5, 0x9d};
    static constexpr QColor kErrorStatement{0xff, 0xcd, 0xd2};
    static constexpr QColor kErrorNote{0xb7, 0x1c, 0x1c};
    // Breakpoints are written to the settings this long after the last
    // change (typing moves them line by line), and when the window goes.
    static constexpr int kRememberDelayMs = 1000;
    // Room for about 80 columns of text beside the Variables pane, with the
    // Output pane below: a smaller window grows to it when the panes come.
    static constexpr QSize kDebugWindowSize{1100, 780};

    DebugControl(EditorWindow& window, EditorActions& actions);
    ~DebugControl() override;

    bool Active() const;
    void SetListing(bool listing);
    // The file was read: its remembered breakpoints come back.
    void FileLoaded();

    // The commands of the Debug menu.
    void Start();
    void Continue();
    void Stop();
    void ToggleBreakpoint();
    void ToggleBreakpointAt(int line); // from 1
    void EditBreakpoint();
    void RunToCursor();

    // The stops shown so far, and the last one.
    int StopsShown() const { return stopsShown_; }
    const debug::Stop& LastShown() const { return lastShown_; }
    DebugAdapter& Adapter() { return *adapter_; }
    BreakpointBook& Breakpoints() { return *book_; }
    VariablesPane& Variables() { return *variables_; }
    CallStackPane& CallStack() { return *stack_; }
    MatchPane& Match() { return *match_; }
    OutputPane& Output() { return *output_; }

signals:
    // Words for the window's notice bar; empty takes it away.
    void notice(const QString& text);

private:
    void CreatePanes();
    void ShowPanes();
    void BuildMenu(EditorActions& actions);
    void StateChanged(debug::State state);
    void Stopped(const debug::Stop& stop);
    void Ended(const debug::Ending& ending);
    void BreakpointsChanged();
    void Bound(const std::vector<debug::BoundBreakpoint>& bound);
    void ShowDots();
    void ClearStop();
    void Evaluate(const QString& expression);
    void Status(const QString& text, int ms);
    void UpdateActions();
    QString Path() const;

    EditorWindow& window_;
    EditorActions& actions_;
    std::unique_ptr<BreakpointBook> book_;
    std::unique_ptr<DebugAdapter> adapter_;
    VariablesPane* variables_ = nullptr; // owned by the window, as the panes below
    CallStackPane* stack_ = nullptr;
    MatchPane* match_ = nullptr;
    OutputPane* output_ = nullptr;
    std::set<int> unbound_; // lines whose breakpoint binds to no statement
    QTimer remember_;
    bool listing_ = false;
    int stopsShown_ = 0;
    debug::Stop lastShown_;

    QAction* start_ = nullptr;
    QAction* continue_ = nullptr;
    QAction* pause_ = nullptr;
    QAction* stop_ = nullptr;
    QList<QAction*> whileStopped_;
    QList<QAction*> breakpointActions_;
};

} // namespace quillpad
