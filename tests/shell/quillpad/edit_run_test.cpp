// The edit-run loop inside quillpad: F5 saves and runs vantel without
// freezing the window and shows its listing; Enter on a message of the
// listing opens the source at the statement's line; Go to line; the
// window's size and font size are remembered; the keyboard comes back to
// the text after a menu.

#include "file_store.h"
#include "quillpad_test_support.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace quillpad {
namespace {

using namespace std::chrono_literals;

class EditRun : public ::testing::Test {
protected:
    void SetUp() override {
        test::AskedQuestions() = {};
        std::filesystem::create_directory(bin);
        // Stand-ins for vantel (it records the source as it found it and
        // writes a listing) and for quillpad's own window program.
        test::WriteScript(bin + "/vantel",
                          "cp \"$1\" '" + (dir / "seen") +
                              "'\nprintf 'listing of %s\\n' \"$1\" > \"${1%.*}.lst\"\n"
                              "exit 3\n");
        test::WriteRecordingEditor(bin + "/quillpad-editor", dir / "opened");
        SetProgramFolder(test::Q(bin));
    }
    void TearDown() override {
        SetProgramFolder({});
        // The stand-in window stays open like an editor would.
        if (test::Exists(dir / "opened")) kill(test::RecordedPid(dir / "opened"), SIGKILL);
    }
    QAction* Action(QMainWindow& window, const QString& text) {
        for (QAction* menu : window.menuBar()->actions()) {
            for (QAction* action : menu->menu()->actions()) {
                if (action->text().remove('&').startsWith(text)) return action;
            }
        }
        return nullptr;
    }

    test::TempDir dir;
    std::string bin = dir / "bin";
    std::string source = dir / "prog.sno";
};

TEST_F(EditRun, F5SavesRunsVantelAndShowsTheListing) {
    test::WriteFile(source, "END\n");
    EditorWindow window({test::Q(source)});
    window.Editor().moveCursor(QTextCursor::Start);
    window.Editor().insertPlainText("    OUTPUT = 'HI'\n");
    ASSERT_NE(Action(window, "Run with vantel"), nullptr);
    EXPECT_EQ(Action(window, "Run with vantel")->shortcut(), QKeySequence(Qt::Key_F5));
    Action(window, "Run with vantel")->trigger();
    EXPECT_TRUE(window.Run().Running()); // not waited for
    ASSERT_TRUE(test::WaitUntil([&] { return test::Exists(dir / "opened"); }));
    EXPECT_EQ(test::ReadFile(dir / "seen"), "    OUTPUT = 'HI'\nEND\n"); // saved first
    EXPECT_FALSE(window.File().Modified());
    EXPECT_EQ(test::RecordedArguments(dir / "opened"), "-r|" + (dir / "prog.lst"));
    EXPECT_TRUE(test::ReadFile(dir / "prog.lst").find("listing of") == 0);
}

// Shift+F5 (or the Stop button that shows after a second) ends a run as
// harbex ends its children: SIGTERM, and SIGKILL two seconds later for a
// vantel that does not go. Meanwhile F5 says that a run is going, and the
// status bar shows the elapsed time.
TEST_F(EditRun, AnF5RunCanBeStopped) {
    test::WriteFile(source, "END\n");
    for (const bool ignoresTerm : {false, true}) {
        SCOPED_TRACE(ignoresTerm ? "ignores SIGTERM" : "ends on SIGTERM");
        test::WriteScript(bin + "/vantel", std::string(ignoresTerm ? "trap '' TERM\n" : "") +
                                               "echo partial > \"${1%.*}.lst\"\n"
                                               "while :; do sleep 0.05; done\n");
        EditorWindow window({test::Q(source)});
        QAction* stop = Action(window, "Stop the Run");
        ASSERT_NE(stop, nullptr);
        EXPECT_EQ(stop->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F5));
        EXPECT_FALSE(stop->isEnabled());
        window.RunWithVantel();
        auto* button = window.findChild<QPushButton*>("stopRun");
        ASSERT_TRUE(test::WaitUntil([&] { return !button->isHidden(); }));
        EXPECT_TRUE(window.findChild<QLabel*>("runTime")->text().startsWith("vantel running 0:0"));
        window.RunWithVantel();
        EXPECT_TRUE(window.statusBar()->currentMessage().contains("still running"));
        QElapsedTimer clock;
        clock.start();
        stop->trigger();
        ASSERT_TRUE(test::WaitUntil([&] { return !window.Run().Running(); }, 6s));
        EXPECT_GE(clock.elapsed(), ignoresTerm ? 1900 : 0);
        EXPECT_LT(clock.elapsed(), ignoresTerm ? 4000 : 1500);
        EXPECT_TRUE(window.statusBar()->currentMessage().startsWith("Stopped vantel on prog.sno"));
        EXPECT_TRUE(button->isHidden());
        EXPECT_FALSE(stop->isEnabled());
        ASSERT_TRUE(test::WaitUntil([&] { return test::Exists(dir / "opened"); }));
        kill(test::RecordedPid(dir / "opened"), SIGKILL);
        std::filesystem::remove(dir / "opened");
    }
}

// A run that writes no listing shows vantel's own words and opens nothing.
TEST_F(EditRun, ARunWithoutAListingShowsVantelsWords) {
    test::WriteFile(source, "END\n");
    test::WriteScript(bin + "/vantel", "echo \"vantel: cannot create ${1%.*}.lst\" >&2\nexit 2\n");
    test::WriteFile(dir / "prog.lst", "the last run's listing\n");
    EditorWindow window({test::Q(source)});
    window.RunWithVantel();
    const auto* notice = window.findChild<QLabel*>("notice");
    ASSERT_TRUE(test::WaitUntil([&] { return !window.Run().Running(); }));
    EXPECT_EQ(notice->text(),
              test::Q("The run left no listing: vantel: cannot create " + dir / "prog.lst"));
    EXPECT_TRUE(window.statusBar()->currentMessage().contains("status 2; no listing"));
    test::WaitUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_FALSE(test::Exists(dir / "opened"));
}

TEST_F(EditRun, AMissingVantelIsReportedInTheWindow) {
    test::WriteFile(source, "END\n");
    std::filesystem::remove(bin + "/vantel");
    EditorWindow window({test::Q(source)});
    window.RunWithVantel();
    const auto* notice = window.findChild<QLabel*>("notice");
    ASSERT_TRUE(test::WaitUntil([&] { return notice->text().contains("Cannot start"); }));
    EXPECT_TRUE(notice->text().contains("vantel"));
    EXPECT_FALSE(test::Exists(dir / "opened"));
}

TEST_F(EditRun, SaveAsMovesTheWindowToTheNewFileAndTheRecentList) {
    test::WriteFile(source, "END\n");
    EditorWindow window({test::Q(source)});
    window.Editor().moveCursor(QTextCursor::Start);
    window.Editor().insertPlainText("* typed\n");
    QString error;
    ASSERT_TRUE(window.File().KeepUnsaved(error));
    QStringList changes;
    QObject::connect(&window, &EditorWindow::fileChanged,
                     [&](const QString& path) { changes.append(path); });
    const std::string copy = dir / "copy.sno";
    ASSERT_TRUE(window.SaveAs(test::Q(copy)));
    EXPECT_EQ(test::ReadFile(copy), "* typed\nEND\n");
    EXPECT_EQ(test::ReadFile(source), "END\n");
    EXPECT_EQ(changes, QStringList{test::Q(copy)});
    EXPECT_FALSE(window.File().Modified());
    EXPECT_TRUE(window.windowTitle().startsWith("copy.sno"));
    EXPECT_FALSE(test::Exists(RecoveryPathFor(test::Q(source)).toStdString()));
    const QStringList recent =
        QSettings("quillpad", "quillpad").value("recentFiles").toStringList();
    ASSERT_GE(recent.size(), 2);
    EXPECT_EQ(recent[0], test::Q(copy));
    EXPECT_EQ(recent[1], test::Q(source));
    // The margin has room for the line numbers.
    EXPECT_GT(static_cast<NumberedEditor&>(window.Editor()).MarginWidth(), 0);
    EXPECT_GT(window.Editor().viewport()->geometry().left(), 0);
}

TEST_F(EditRun, EnterOnAMessageOpensTheSourceAtItsStatementsLine) {
    test::WriteFile(source, "* a run-time error\n"
                            "-UNLIST\n"
                            "    N = 1\n"
                            "-LIST\n"
                            "NEXT    X = LEN(-1)\n"
                            "END\n");
    const std::string listing = dir / "prog.lst";
    test::WriteFile(listing, "\f\n"
                             " SNOBOL SUBSET INTERPRETTER. VERSION 1.0\n"
                             "        * a run-time error \n"
                             "        -UNLIST \n"
                             "   2    NEXT    X = LEN(-1) \n"
                             "   3    END \n"
                             " COMPILATION COMPLETE. \n"
                             "\n"
                             "Execution begins...\n"
                             "--- NEGATIVE ARG FOR PATTERN-VALUED PRIMITIVE FUNCTION ---\n" // 9
                             "--- ERROR OCCURRED ON STATEMENT 2 ---\n"
                             " EXECUTION HAS TERMINATED.\n");
    EditorWindow view({test::Q(listing), FontSwitch::Larger, true});
    view.show();
    view.Editor().setTextCursor(QTextCursor(view.Editor().document()->findBlockByNumber(1)));
    QTest::keyClick(&view.Editor(), Qt::Key_Return); // no message here: nothing
    test::WaitUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_FALSE(test::Exists(dir / "opened"));
    view.Editor().setTextCursor(QTextCursor(view.Editor().document()->findBlockByNumber(10)));
    QTest::keyClick(&view.Editor(), Qt::Key_Return);
    ASSERT_TRUE(test::WaitUntil([&] { return test::Exists(dir / "opened"); }));
    EXPECT_EQ(test::RecordedArguments(dir / "opened"), "/L|--line=5|" + source);

    // The source window puts its cursor there.
    EditorWindow editor({test::Q(source), FontSwitch::Normal, false, 5});
    EXPECT_EQ(test::CursorLine(editor), 4);
    editor.GoToLine(99); // kept within the text
    EXPECT_EQ(test::CursorLine(editor), editor.Editor().blockCount() - 1);
    editor.GoToLine(0);
    EXPECT_EQ(test::CursorLine(editor), 0);
}

TEST_F(EditRun, SizeAndFontSizeAreRememberedAndMenusGiveTheKeyboardBack) {
    test::WriteFile(source, "END\n");
    int larger = 0;
    {
        EditorWindow window({test::Q(source)});
        const int before = window.Editor().font().pointSize();
        Action(window, "Larger Font")->trigger();
        larger = window.Editor().font().pointSize();
        EXPECT_GT(larger, before);
        window.resize(640, 480);
        window.show();
        ASSERT_TRUE(window.close());
    }
    EditorWindow window({test::Q(source)});
    EXPECT_EQ(window.Editor().font().pointSize(), larger);
    EXPECT_EQ(window.size(), QSize(640, 480));
    Action(window, "Smaller Font")->trigger();
    QSettings("quillpad", "quillpad").remove("fontSize");

    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QMenu* edit = window.menuBar()->actions()[1]->menu();
    // The menu bar holds the keyboard while it is walked with Alt and Esc.
    window.menuBar()->setFocusPolicy(Qt::StrongFocus);
    window.menuBar()->setFocus();
    ASSERT_EQ(window.focusWidget(), window.menuBar());
    edit->popup(QPoint(0, 0));
    ASSERT_TRUE(test::WaitUntil([&] { return edit->isVisible(); }));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_TRUE(test::WaitUntil([&] { return window.focusWidget() == &window.Editor(); }));
}

} // namespace
} // namespace quillpad
