// The debugger in quillpad's window, against a stand-in adapter that walks
// a source's lines (fake_dap.cpp): breakpoints that follow their lines and
// are remembered, a session from start to end through the menus and the
// panes, an error stop, values edited and expressions evaluated, and
// adapters that are missing, vanish or babble.

#include "debug_breakpoints.h"
#include "debug_control.h"
#include "debug_panes.h"
#include "quillpad_test_support.h"
#include "run_files.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace quillpad {
namespace {

using namespace std::chrono_literals;

std::vector<int> Lines(const BreakpointBook& book) {
    std::vector<int> lines;
    for (const debug::SourceBreakpoint& breakpoint : book.List())
        lines.push_back(breakpoint.line);
    return lines;
}

TEST(Breakpoints, FollowTheirLinesAndKeepTheirPlaceOverAReload) {
    QTextDocument text("a\nb\nc\nd\ne\nf\n");
    BreakpointBook book(text);
    int changes = 0;
    QObject::connect(&book, &BreakpointBook::changed, [&] { ++changes; });
    book.Toggle(3);
    book.Set({5, "GT(N,2)", "3"});
    EXPECT_EQ(Lines(book), (std::vector<int>{3, 5}));

    QTextCursor(&text).insertText("new 1\nnew 2\n"); // two lines above both
    EXPECT_EQ(Lines(book), (std::vector<int>{5, 7}));
    EXPECT_EQ(book.List()[1].condition, "GT(N,2)");

    // Enter at the start of a breakpoint's line takes the breakpoint down
    // with its text; deleting its line leaves it on the line after.
    QTextCursor enter(text.findBlockByNumber(4));
    enter.insertText("\n");
    EXPECT_EQ(Lines(book), (std::vector<int>{6, 8}));
    QTextCursor line(text.findBlockByNumber(5));
    line.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    line.removeSelectedText();
    EXPECT_EQ(text.findBlockByNumber(5).text(), "d");
    EXPECT_EQ(Lines(book), (std::vector<int>{6, 7}));

    // A whole new text (a reload) keeps the line numbers.
    QTextCursor all(&text);
    all.select(QTextCursor::Document);
    all.insertText("1\n2\n3\n4\n5\n6\n7\n8\n");
    EXPECT_EQ(Lines(book), (std::vector<int>{6, 7}));
    EXPECT_EQ(book.List()[1].hitCondition, "3");

    // Lines that fall together make one breakpoint; a toggle there removes it.
    QTextCursor join(text.findBlockByNumber(5));
    join.movePosition(QTextCursor::EndOfBlock);
    join.deleteChar();
    EXPECT_EQ(Lines(book), (std::vector<int>{6}));
    book.Toggle(6);
    EXPECT_TRUE(book.List().empty());
    EXPECT_GT(changes, 5);
}

TEST(Breakpoints, AreRememberedPerFile) {
    test::TempDir dir;
    const QString first = test::Q(dir / "a.sno");
    const QString second = test::Q(dir / "b.sno");
    QTextDocument text("1\n2\n3\n4\n");
    BreakpointBook book(text);
    book.Replace({{2, "", ""}, {4, "IDENT(X,'A')", ""}});
    book.Remember(first);
    book.Replace({{1, "", ""}});
    book.Remember(second);

    QTextDocument again("1\n2\n3");
    BreakpointBook recalled(again);
    recalled.Recall(test::Q(dir / "sub/../a.sno"));
    EXPECT_EQ(Lines(recalled), (std::vector<int>{2})) << "line 4 is past the end of this text";
    QTextDocument longer("1\n2\n3\n4\n5\n");
    BreakpointBook whole(longer);
    whole.Recall(first);
    ASSERT_EQ(Lines(whole), (std::vector<int>{2, 4}));
    EXPECT_EQ(whole.List()[1].condition, "IDENT(X,'A')");
    whole.Recall(second);
    EXPECT_EQ(Lines(whole), (std::vector<int>{1}));
    whole.Replace({});
    whole.Remember(second);
    whole.Recall(second);
    EXPECT_TRUE(whole.List().empty());
}

class DebugWindow : public ::testing::Test {
protected:
    void SetUp() override {
        test::AskedQuestions() = {};
        std::filesystem::create_directory(bin);
        std::filesystem::create_symlink(FAKE_DAP_PATH, bin + "/vantel-dap");
        SetProgramFolder(test::Q(bin));
    }
    void TearDown() override { SetProgramFolder({}); }

    static QAction* Command(EditorWindow& window, const QString& text) {
        for (QAction* menu : window.menuBar()->actions()) {
            if (menu->text() != "&Debug") continue;
            for (QAction* action : menu->menu()->actions())
                if (action->text() == text) return action;
        }
        ADD_FAILURE() << "no command " << text.toStdString();
        return nullptr;
    }
    static bool Trigger(EditorWindow& window, const QString& text) {
        QAction* action = Command(window, text);
        if (action == nullptr || !action->isEnabled()) return false;
        action->trigger();
        return true;
    }
    static QString Status(EditorWindow& window) { return window.statusBar()->currentMessage(); }
    static QString Notice(EditorWindow& window) {
        const auto* notice = window.findChild<QLabel*>("notice");
        return notice->isHidden() ? QString() : notice->text();
    }
    static debug::State State(EditorWindow& window) {
        return window.Debugger().Adapter().Session().CurrentState();
    }
    // Waits for the next stop to be shown, and says whether it is at `line`
    // (at any line for 0).
    bool WaitForStop(EditorWindow& window, int line = 0) {
        const DebugControl& debugger = window.Debugger();
        const bool shown = test::WaitUntil([&] { return debugger.StopsShown() > stopsSeen; },
                                           std::chrono::seconds(15));
        stopsSeen = debugger.StopsShown();
        if (line == 0) return shown;
        EXPECT_EQ(debugger.LastShown().Line(), line);
        return shown && debugger.LastShown().Line() == line;
    }
    static QTreeWidgetItem* Variable(EditorWindow& window, const QString& name) {
        const auto found = window.Debugger().Variables().Tree().findItems(
            name, Qt::MatchExactly | Qt::MatchRecursive, 0);
        return found.isEmpty() ? nullptr : found.first();
    }
    // The colour the highlight of the current statement gives `line` (from 1).
    static QColor Highlight(EditorWindow& window, int line) {
        QColor colour;
        for (const QTextEdit::ExtraSelection& mark : window.Editor().extraSelections())
            if (mark.cursor.blockNumber() == line - 1 &&
                mark.format.background().color() != NumberedEditor::kCurrentLine)
                colour = mark.format.background().color();
        return colour;
    }

    int stopsSeen = 0;
    test::TempDir dir;
    std::string bin = dir / "bin";
    std::string file = dir / "prog.sno";
};

TEST_F(DebugWindow, ASessionStopsStepsShowsTheMatchAndEnds) {
    test::WriteFile(file, "* counting\n        N = 1\n        OUTPUT = 'ONE'\n"
                          "        'ABC' 'A' ARB . M 'C'\n        OUTPUT = 'TWO'\nEND\n");
    EditorWindow window(OpenRequest{test::Q(file)});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)); // laid out, for the click below
    // An unsaved change is saved before the adapter reads the file.
    QTextCursor(window.Editor().document()).insertText("* first\n");
    const QTextBlock third = window.Editor().document()->findBlockByNumber(3);
    window.Editor().MarginClicked(window.Editor().cursorRect(QTextCursor(third)).center().y());
    EXPECT_EQ(Lines(window.Debugger().Breakpoints()), (std::vector<int>{4}));

    ASSERT_TRUE(Trigger(window, "&Start Debugging"));
    ASSERT_TRUE(WaitForStop(window, 4));
    EXPECT_EQ(test::ReadFile(file).substr(0, 8), "* first\n");
    EXPECT_FALSE(window.File().Modified());
    EXPECT_TRUE(window.Editor().isReadOnly()) << "the text stays as the adapter read it";
    EXPECT_EQ(Highlight(window, 4), DebugControl::kCurrentStatement);
    ASSERT_NE(Variable(window, "N"), nullptr);
    EXPECT_EQ(Variable(window, "N")->text(1), "1");
    EXPECT_TRUE(window.Debugger().Variables().isVisible());
    EXPECT_EQ(window.Debugger().CallStack().List().count(), 1);
    EXPECT_FALSE(Trigger(window, "&Start Debugging")) << "one session at a time";

    ASSERT_TRUE(Trigger(window, "Step &Over"));
    ASSERT_TRUE(WaitForStop(window, 5));
    EXPECT_TRUE(window.Debugger().Output().Text().toPlainText().contains("ONE"));
    EXPECT_EQ(Variable(window, "N")->text(1), "2");
    EXPECT_EQ(Variable(window, "N")->background(1).color(), VariablesPane::kChanged);
    EXPECT_NE(Variable(window, "S")->background(1).color(), VariablesPane::kChanged);

    ASSERT_TRUE(Trigger(window, "Step &Into"));
    ASSERT_TRUE(test::WaitUntil([&] { return window.Debugger().Match().isVisible(); }));
    EXPECT_EQ(window.Debugger().Match().Node().text(), "Trying 'A'");
    ASSERT_TRUE(Trigger(window, "Step &Into"));
    ASSERT_TRUE(
        test::WaitUntil([&] { return window.Debugger().Match().Node().text() == "Trying ARB"; }));
    EXPECT_EQ(window.Debugger().Match().Details().topLevelItemCount(), 2); // cursor, alternatives
    EXPECT_EQ(Variable(window, "subject"), nullptr) << "the match has a pane of its own";

    window.RunWithVantel(); // F5 continues while debugging
    ASSERT_TRUE(test::WaitUntil([&] { return State(window) == debug::State::Ended; }));
    EXPECT_TRUE(window.Debugger().Output().Text().toPlainText().contains("TWO"));
    EXPECT_TRUE(Status(window).contains("exit status 0")) << Status(window).toStdString();
    EXPECT_FALSE(window.Editor().isReadOnly());
    EXPECT_FALSE(Highlight(window, 5).isValid());
    EXPECT_FALSE(Command(window, "Step &Over")->isEnabled());
    ASSERT_TRUE(test::WaitUntil([&] { return !window.Debugger().Active(); }));
    EXPECT_TRUE(Command(window, "&Start Debugging")->isEnabled());
}

TEST_F(DebugWindow, AnErrorStopsAtItsLineWithTheMessageAndValuesCanBeChanged) {
    test::WriteFile(file, "        N = 1\n        X = ERROR\nEND\n");
    EditorWindow window(OpenRequest{test::Q(file)});
    window.show();
    ASSERT_TRUE(Trigger(window, "&Start Debugging"));
    ASSERT_TRUE(WaitForStop(window, 2));
    EXPECT_EQ(Highlight(window, 2), DebugControl::kErrorStatement);
    EXPECT_EQ(Notice(window), "Line 2: Error 5 in statement 2: ILLEGAL DATA TYPE");
    EXPECT_TRUE(Status(window).startsWith("Stopped on an error"));

    // A value edited in place goes to the adapter; one it refuses is put back.
    // The adapter answers in order, so once the refusal is in, so is the
    // answer to the edit before it.
    QTreeWidget& tree = window.Debugger().Variables().Tree();
    const QSignalSpy refused(&window.Debugger().Variables(), &VariablesPane::problem);
    for (const auto& edit : {std::pair{"41", 0}, std::pair{"x", 1}}) {
        QTreeWidgetItem* n = Variable(window, "N");
        emit tree.itemDoubleClicked(n, 1);
        n->setText(1, edit.first);
        ASSERT_TRUE(test::WaitUntil([&] {
            return Variable(window, "N")->text(1) == "41" && refused.count() == edit.second;
        })) << edit.first;
    }
    EXPECT_TRUE(Status(window).contains("ILLEGAL DATA TYPE")) << Status(window).toStdString();
    // A protected keyword is not offered for editing.
    QTreeWidgetItem* stno = Variable(window, "&STNO");
    ASSERT_NE(stno, nullptr);
    emit tree.itemDoubleClicked(stno, 1);
    EXPECT_FALSE(stno->flags() & Qt::ItemIsEditable);

    auto* expression = window.Debugger().Output().findChild<QLineEdit*>("evaluate");
    for (const char* typed : {"N", "N +"}) {
        expression->setText(typed);
        QTest::keyClick(expression, Qt::Key_Return);
    }
    ASSERT_TRUE(test::WaitUntil([&] {
        return window.Debugger().Output().Text().toPlainText().endsWith("ERRONEOUS EXPRESSION\n");
    }));
    EXPECT_TRUE(window.Debugger().Output().Text().toPlainText().contains("> N\n41\n"));

    window.RunWithVantel();
    ASSERT_TRUE(test::WaitUntil([&] { return State(window) == debug::State::Ended; }));
    EXPECT_TRUE(Status(window).contains("exit status 1"));
    EXPECT_FALSE(Highlight(window, 2).isValid());
}

TEST_F(DebugWindow, AMissingVanishingOrSilentAdapterEndsTheSessionAndTheTextIsEditableAgain) {
    test::WriteFile(file, "END\n");
    EditorWindow window(OpenRequest{test::Q(file)});
    window.show();
    const std::vector<std::pair<std::string, QString>> adapters = {
        {"", "cannot start"},
        {"echo 'vantel-dap: broken' >&2; exit 3", "vantel-dap: broken"},
        // Babbles, then answers nothing: Stop, and Stop again, end it at once,
        // as the user asked (no problem to tell).
        {"printf 'Content-Length: x\\r\\n\\r\\n'; exec sleep 30", ""},
    };
    for (const auto& [script, said] : adapters) {
        std::filesystem::remove(bin + "/vantel-dap");
        if (!script.empty()) test::WriteScript(bin + "/vantel-dap", script + "\n");
        ASSERT_TRUE(Trigger(window, "&Start Debugging")) << script;
        if (script.find("sleep") != std::string::npos) {
            ASSERT_TRUE(test::WaitUntil([&] { return Status(window).contains("broken message"); }));
            window.StopRun();
            window.StopRun();
        }
        ASSERT_TRUE(test::WaitUntil([&] { return State(window) == debug::State::Ended; }, 8s))
            << script;
        if (said.isEmpty()) {
            EXPECT_EQ(Notice(window), "");
        } else {
            EXPECT_TRUE(Notice(window).contains(said)) << Notice(window).toStdString();
        }
        EXPECT_FALSE(window.Editor().isReadOnly());
        ASSERT_TRUE(test::WaitUntil([&] { return !window.Debugger().Active(); })) << script;
    }
}

TEST_F(DebugWindow, BreakpointsComeBackWhenTheFileOpensAgainAndHarbexCanAskForASession) {
    test::WriteFile(file, "        N = 1\n        N = 2\n        N = 3\nEND\n");
    {
        EditorWindow window(OpenRequest{test::Q(file)});
        window.Debugger().ToggleBreakpointAt(2);
        window.Debugger().ToggleBreakpointAt(3);
        window.Debugger().ToggleBreakpointAt(2);
        window.close();
    }
    OpenRequest request{test::Q(file)};
    request.debug = true; // as harbex's Debug asks
    EditorWindow window(request);
    window.show();
    EXPECT_EQ(Lines(window.Debugger().Breakpoints()), (std::vector<int>{3}));
    ASSERT_TRUE(WaitForStop(window, 3));
    window.StopRun(); // Shift+F5
    ASSERT_TRUE(test::WaitUntil([&] { return State(window) == debug::State::Ended; }));
    EXPECT_TRUE(Status(window).contains("exit status 143")) << Status(window).toStdString();
}

// The window with the real vantel-dap, found as quillpad finds it: beside
// the program (the build puts every program in one folder).
class VantelDap : public DebugWindow {
protected:
    void SetUp() override {
        test::AskedQuestions() = {};
        if (!QFileInfo(ProgramFolder() + "/vantel-dap").isExecutable())
            GTEST_SKIP() << "no vantel-dap in " << ProgramFolder().toStdString();
    }
    void TearDown() override {}
};

// Why 'ABC' 'A' ARB . MIDDLE 'C' gives B, a step at a time, then a
// run-time error's stop and the run's end as vantel ends it.
TEST_F(VantelDap, ABreakpointTheMatchStepperAnErrorStopAndTheEnd) {
    test::WriteFile(file, "* the middle\n        X = 'ABC'\n        X 'A' ARB . MIDDLE 'C'\n"
                          "        OUTPUT = MIDDLE\n        N = 'TEN' + 1\nEND\n");
    EditorWindow window(OpenRequest{test::Q(file)});
    window.show();
    window.Debugger().ToggleBreakpointAt(1); // binds to the first statement
    window.Debugger().ToggleBreakpointAt(3);
    ASSERT_TRUE(Trigger(window, "&Start Debugging"));
    ASSERT_TRUE(WaitForStop(window, 2));
    window.RunWithVantel(); // F5 continues
    ASSERT_TRUE(WaitForStop(window, 3));
    ASSERT_NE(Variable(window, "X"), nullptr);
    EXPECT_TRUE(Variable(window, "X")->text(1).contains("ABC"));

    // Into the matcher: the subject, the cursor, the node about to be tried.
    ASSERT_TRUE(Trigger(window, "Step &Into"));
    ASSERT_TRUE(WaitForStop(window, 3));
    const MatchPane& match = window.Debugger().Match();
    EXPECT_TRUE(match.isVisible());
    EXPECT_TRUE(match.Node().text().startsWith("Trying node 1"))
        << match.Node().text().toStdString();
    QStringList nodes;
    for (int step = 0; step < 40 && window.Debugger().LastShown().FindScope("Match"); ++step) {
        nodes.append(match.Node().text());
        ASSERT_TRUE(Trigger(window, "Step &Into"));
        ASSERT_TRUE(WaitForStop(window));
    }
    EXPECT_TRUE(nodes.join('\n').contains("String \"C\"")) << nodes.join('\n').toStdString();
    EXPECT_EQ(window.Debugger().LastShown().Line(), 4) << "the match ended, and so did its steps";
    ASSERT_NE(Variable(window, "MIDDLE"), nullptr);
    EXPECT_TRUE(Variable(window, "MIDDLE")->text(1).contains("B"));

    window.RunWithVantel();
    ASSERT_TRUE(WaitForStop(window, 5));
    EXPECT_EQ(window.Debugger().LastShown().reason, "exception");
    EXPECT_EQ(Highlight(window, 5), DebugControl::kErrorStatement);
    EXPECT_TRUE(Notice(window).startsWith("Line 5: ")) << Notice(window).toStdString();
    EXPECT_TRUE(window.Debugger().Output().Text().toPlainText().contains("B\n"));

    // Expressions in the stopped program's state, a bad one with its message.
    auto* expression = window.Debugger().Output().findChild<QLineEdit*>("evaluate");
    for (const char* typed : {"SIZE(MIDDLE) + 1", "SIZE("}) {
        expression->setText(typed);
        QTest::keyClick(expression, Qt::Key_Return);
    }
    ASSERT_TRUE(test::WaitUntil(
        [&] { return window.Debugger().Output().Text().toPlainText().contains("> SIZE(\n"); }));
    const QString said = window.Debugger().Output().Text().toPlainText();
    EXPECT_TRUE(said.contains("> SIZE(MIDDLE) + 1\n2\n")) << said.toStdString();
    EXPECT_FALSE(said.trimmed().endsWith("> SIZE(")) << "the bad expression has its message";

    window.RunWithVantel();
    ASSERT_TRUE(test::WaitUntil([&] { return State(window) == debug::State::Ended; }, 15s));
    EXPECT_TRUE(Notice(window).startsWith("Line 5: ")) << "no problem with the session itself";
    EXPECT_TRUE(Status(window).contains("exit status")) << Status(window).toStdString();
    const std::string listing = test::ReadFile(dir / "prog.lst");
    EXPECT_NE(listing.find("Execution begins"), std::string::npos) << "vantel's listing";
}

// An endless loop paused with F6, run to the cursor's line, and stopped.
TEST_F(VantelDap, PauseAnEndlessLoopRunToTheCursorAndStop) {
    test::WriteFile(
        file, "        &STLIMIT = 1000000000\nLOOP    N = N + 1\n        M = N    :(LOOP)\nEND\n");
    EditorWindow window(OpenRequest{test::Q(file)});
    window.show();
    ASSERT_TRUE(Trigger(window, "&Start Debugging"));
    ASSERT_TRUE(test::WaitUntil([&] { return Trigger(window, "&Pause"); }));
    ASSERT_TRUE(WaitForStop(window));
    EXPECT_EQ(window.Debugger().LastShown().reason, "pause");
    const int paused = window.Debugger().LastShown().Line();
    EXPECT_TRUE(paused == 2 || paused == 3) << paused;

    window.GoToLine(paused == 2 ? 3 : 2);
    ASSERT_TRUE(Trigger(window, "&Run to Cursor"));
    ASSERT_TRUE(WaitForStop(window, paused == 2 ? 3 : 2));
    EXPECT_TRUE(window.Debugger().Breakpoints().List().empty()) << "no breakpoint of the user's";

    window.StopRun();
    ASSERT_TRUE(test::WaitUntil([&] { return State(window) == debug::State::Ended; }, 15s));
    EXPECT_EQ(Notice(window), "") << "stopped as asked";
}

} // namespace
} // namespace quillpad
