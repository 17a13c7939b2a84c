// The analysis in quillpad's window, as a user meets it: messages are
// underlined after a pause in the typing and go when mended, the status bar
// says the message under the cursor, a tooltip explains the word under the
// mouse (or at the cursor, for the keyboard), F12, Shift+F12 and Ctrl+Shift+O go where they say,
// and a listing is not analysed.

#include "analysis_view.h"
#include "pick_list.h"
#include "quillpad_test_support.h"

#include <QAction>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace quillpad {
namespace {

const std::string kProgram = "* Counting.\n"
                             " N = 0\n"
                             "LOOP N = LT(N, 3) N + 1          :S(LOOP)\n"
                             " OUTPUT = N SIZE(N, 2)\n"
                             " X = 'open\n"
                             "END\n";

class AnalysisWindow : public ::testing::Test {
protected:
    void SetUp() override {
        test::AskedQuestions() = {};
        test::WriteFile(source, kProgram);
    }

    static std::vector<QTextEdit::ExtraSelection> Underlines(const EditorWindow& window) {
        std::vector<QTextEdit::ExtraSelection> out;
        for (const QTextEdit::ExtraSelection& s : window.Editor().extraSelections())
            if (s.format.underlineStyle() == QTextCharFormat::WaveUnderline) out.push_back(s);
        return out;
    }

    static QAction* Action(QMainWindow& window, const QString& text) {
        for (QAction* menu : window.menuBar()->actions())
            for (QAction* action : menu->menu()->actions())
                if (action->text().remove('&').startsWith(text)) return action;
        return nullptr;
    }

    // The tooltip's words, without its markup.
    static QString TooltipText() {
        QTextDocument shown;
        shown.setHtml(QToolTip::text());
        return shown.toPlainText();
    }

    static void PutCursor(EditorWindow& window, int line, int position) {
        QTextCursor cursor(window.Editor().document()->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, position);
        window.Editor().setTextCursor(cursor);
    }

    test::TempDir dir;
    std::string source = dir / "count.sno";
};

TEST_F(AnalysisWindow, MessagesAreUnderlinedAfterAPauseAndGoWhenMended) {
    EditorWindow window({test::Q(source)});
    ASSERT_TRUE(test::WaitUntil([&] { return Underlines(window).size() == 2; }));
    // The literal has no closing quote (a translation error); SIZE takes
    // one argument (a warning).
    const auto marks = Underlines(window);
    EXPECT_EQ(marks[0].cursor.block().blockNumber(), 4);
    EXPECT_EQ(marks[0].format.underlineColor(), AnalysisView::kError);
    EXPECT_EQ(marks[1].cursor.selectedText(), "SIZE");
    EXPECT_EQ(marks[1].format.underlineColor(), AnalysisView::kWarning);
    // The cursor on an underline shows its message.
    PutCursor(window, 3, 13);
    EXPECT_EQ(window.statusBar()->currentMessage(), "SIZE takes 1 argument, not 2");

    // Mending the literal: its underline goes after the pause, the other stays.
    PutCursor(window, 4, 10);
    QTest::keyClicks(&window.Editor(), "'");
    EXPECT_EQ(Underlines(window).size(), 2u); // not before the pause
    ASSERT_TRUE(test::WaitUntil([&] { return Underlines(window).size() == 1; }));
    EXPECT_EQ(Underlines(window)[0].cursor.selectedText(), "SIZE");
}

TEST_F(AnalysisWindow, TheGoMenuGoesWhereItSays) {
    EditorWindow window({test::Q(source)});
    QAction* definition = Action(window, "Go to Definition");
    QAction* references = Action(window, "Find References");
    QAction* outline = Action(window, "Outline");
    ASSERT_TRUE(definition && references && outline);
    EXPECT_EQ(definition->shortcut(), QKeySequence(Qt::Key_F12));
    EXPECT_EQ(references->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F12));
    EXPECT_EQ(outline->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));

    // F12 at once after opening waits for the analysis, then goes.
    PutCursor(window, 2, 37); // in the goto's LOOP
    definition->trigger();
    ASSERT_TRUE(test::WaitUntil([&] { return window.Editor().textCursor().hasSelection(); }));
    EXPECT_EQ(test::CursorLine(window), 2);
    EXPECT_EQ(window.Editor().textCursor().selectedText(), "LOOP");
    EXPECT_EQ(window.Editor().textCursor().selectionStart(),
              window.Editor().document()->findBlockByNumber(2).position());

    // Shift+F12 lists the label and its goto; choosing one goes there.
    PutCursor(window, 2, 1);
    references->trigger();
    PickList* list = window.Analysis().List();
    ASSERT_NE(list, nullptr);
    auto* rows = list->findChild<QTreeWidget*>();
    ASSERT_EQ(rows->topLevelItemCount(), 2);
    EXPECT_EQ(rows->topLevelItem(0)->text(1), "definition");
    auto* filter = list->findChild<QLineEdit*>();
    QTest::keyClick(filter, Qt::Key_Down);
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(window.Editor().textCursor().selectedText(), "LOOP");
    EXPECT_EQ(window.Editor().textCursor().positionInBlock(), 40); // the end of the goto's LOOP

    // The outline, filtered by typing; Enter goes to the label.
    PutCursor(window, 0, 0);
    outline->trigger();
    list = window.Analysis().List();
    ASSERT_NE(list, nullptr);
    filter = list->findChild<QLineEdit*>();
    QTest::keyClicks(filter, "lo");
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_EQ(test::CursorLine(window), 2);

    // Nothing to go to: the status bar says so.
    PutCursor(window, 1, 1);
    definition->trigger();
    EXPECT_EQ(window.statusBar()->currentMessage(), "No label or defined function at the cursor");
}

TEST_F(AnalysisWindow, ATooltipExplainsTheWordUnderTheMouse) {
    EditorWindow window({test::Q(source)});
    window.show();
    ASSERT_TRUE(test::WaitUntil([&] { return window.Analysis().Session().Current(); }));
    QTextCursor cursor(window.Editor().document()->findBlockByNumber(2));
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10); // in LT
    const QPoint at = window.Editor().cursorRect(cursor).center() + QPoint(2, 0);
    QWidget* viewport = window.Editor().viewport();
    QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QCoreApplication::sendEvent(viewport, &help);
    ASSERT_TRUE(test::WaitUntil([] { return QToolTip::isVisible(); }));
    EXPECT_TRUE(TooltipText().contains("LT(N1, N2)")) << TooltipText().toStdString();
    // Beyond the end of a line there is nothing to explain.
    cursor.movePosition(QTextCursor::EndOfBlock);
    const QPoint beyond = window.Editor().cursorRect(cursor).center() + QPoint(40, 0);
    QHelpEvent nothing(QEvent::ToolTip, beyond, viewport->mapToGlobal(beyond));
    QCoreApplication::sendEvent(viewport, &nothing);
    EXPECT_TRUE(test::WaitUntil([] { return !QToolTip::isVisible(); }));

    // From the keyboard: the word at the cursor.
    QAction* explain = Action(window, "Explain at Cursor");
    ASSERT_NE(explain, nullptr);
    EXPECT_EQ(explain->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_I));
    PutCursor(window, 2, 36); // LOOP in the goto
    explain->trigger();
    ASSERT_TRUE(test::WaitUntil([] { return QToolTip::isVisible(); }));
    EXPECT_TRUE(TooltipText().contains("the label of statement 2, line 3"));
}

// Colouring and underlining change no text: a window at rest analyses nothing.
TEST_F(AnalysisWindow, AWindowAtRestAnalysesNothing) {
    EditorWindow window({test::Q(source)});
    window.show();
    int analyses = 0;
    QObject::connect(&window.Analysis().Session(), &AnalysisSession::analysed, [&] { ++analyses; });
    ASSERT_TRUE(test::WaitUntil([&] { return analyses > 0; }));
    const int first = analyses;
    test::WaitUntil([] { return false; }, std::chrono::milliseconds(4 * AnalysisSession::kPauseMs));
    EXPECT_EQ(analyses, first);
}

TEST_F(AnalysisWindow, AListingIsNotAnalysed) {
    EditorWindow window({test::Q(source), FontSwitch::Normal, true});
    QAction* definition = Action(window, "Go to Definition");
    ASSERT_NE(definition, nullptr);
    EXPECT_FALSE(definition->isEnabled());
    EXPECT_FALSE(test::WaitUntil([&] { return !Underlines(window).empty(); },
                                 std::chrono::milliseconds(3 * AnalysisSession::kPauseMs)));
}

} // namespace
} // namespace quillpad
