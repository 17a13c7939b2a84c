// The listing view: which lines are cards and messages, where a listing
// opens, stepping from message to message with F8 and Shift+F8, a double
// click between a message and its card, and Enter to the source.

#include "listing_index.h"
#include "quillpad_test_support.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>
#include <sstream>

namespace quillpad {
namespace {

// vantel's listings of a source with translation errors (messages after
// the card they follow, an UNLIST gap, a continuation card) and of one with
// a run-time error (a message naming its statement at the end).
const std::string kTranslation = "\f\n"
                                 " SNOBOL SUBSET INTERPRETTER. VERSION 1.0\n"
                                 "        * errors while translating \n" // 2
                                 "   1        X = 'ABC \n"
                                 "\n"
                                 "\n"
                                 "--- UNTERMINATED LITERAL ---\n" // 6
                                 "        -UNLIST \n"
                                 "   3        Z = (2 \n" // 8
                                 "   4        W = 3 \n"
                                 "\n"
                                 "\n"
                                 "--- TOKEN \")\" DOES NOT OCCUR WHERE EXPECTED   ---\n" // 12
                                 "   4    +   + 4 \n"
                                 "   5    END \n" // 14
                                 "\n"
                                 "\n"
                                 "--- PROGRAM HAS NO END. ---\n"; // 17

const std::string kRunTime = "\f\n"
                             " SNOBOL SUBSET INTERPRETTER. VERSION 1.0\n"
                             "        * a run-time error \n"
                             "   1        N = 1 \n"
                             "   2    LOOP    N = N + 1 \n"
                             "   2    +      :(NEXT) \n"
                             "   3    NEXT    X = LEN(-1) \n" // 6
                             "   4    END \n"
                             " COMPILATION COMPLETE. \n"
                             " COMPILATION TIME 0 milliseconds.\n"
                             "\n"
                             "\n"
                             "Execution begins...\n"
                             "   7    OUTPUT LINE THAT LOOKS LIKE A CARD\n" // 13
                             "\n"
                             "\n"
                             "--- NEGATIVE ARG FOR PATTERN-VALUED PRIMITIVE FUNCTION ---\n" // 16
                             "--- ERROR OCCURRED ON STATEMENT 3 ---\n"                      // 17
                             " EXECUTION HAS TERMINATED.\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(ListingIndex, CardsStatementsAndWhatEachMessageIsAbout) {
    const ListingIndex translation(Lines(kTranslation));
    EXPECT_EQ(translation.KindOf(1), ListingLine::Other); // the banner
    EXPECT_EQ(translation.KindOf(2), ListingLine::Card);  // a comment card
    EXPECT_EQ(translation.StatementAt(2), 0);
    EXPECT_EQ(translation.StatementAt(3), 1);
    EXPECT_EQ(translation.StatementAt(13), 4); // a continuation keeps its number
    ASSERT_EQ(translation.Messages().size(), 3u);
    EXPECT_EQ(translation.Messages()[0].line, 6);
    EXPECT_EQ(translation.Messages()[0].cardLine, 3);
    EXPECT_EQ(translation.Messages()[1].cardLine, 9);
    EXPECT_EQ(translation.Messages()[1].statement, 4);
    EXPECT_EQ(translation.Messages()[2].cardLine, 14);

    const ListingIndex run(Lines(kRunTime));
    EXPECT_EQ(run.KindOf(13), ListingLine::Other); // program output is no card
    EXPECT_EQ(run.KindOf(8), ListingLine::Other);
    ASSERT_EQ(run.Messages().size(), 1u); // the message and its statement line
    EXPECT_EQ(run.Messages()[0].line, 16);
    EXPECT_EQ(run.Messages()[0].cardLine, 6);
    EXPECT_EQ(run.Messages()[0].statement, 3);
    EXPECT_EQ(run.MessageOn(17), 0);
    // The statement of a run-time error not listed (UNLIST): no card.
    std::string unlisted = kRunTime;
    unlisted.replace(unlisted.find("   3    NEXT"), 4, "    ");
    EXPECT_EQ(ListingIndex(Lines(unlisted)).Messages()[0].cardLine, -1);
    EXPECT_TRUE(ListingIndex(Lines("no messages\n")).Messages().empty());
}

TEST(ListingIndex, AnyCardNumberIsTakenWithoutOverflowOrAGreedyTable) {
    struct Case {
        std::string card;
        int statement; // 0: not a card with a number
        bool messageFindsCard;
    };
    const std::vector<Case> cases = {
        {"2147483647    X = 1 ", 2147483647, true},
        {"1000000000    X", 1000000000, true},
        {"2147483648    X = 1 ", 0, false}, // beyond 32 bits: no card
        {"99999999999999999999    X", 0, false},
    };
    for (const Case& c : cases) {
        const std::string listing = " SNOBOL SUBSET INTERPRETTER. VERSION 1.0\n" + c.card +
                                    "\n--- ERROR OCCURRED ON STATEMENT " +
                                    std::to_string(c.statement > 0 ? c.statement : 2147483647) +
                                    " ---\n";
        const ListingIndex index(Lines(listing));
        EXPECT_EQ(index.StatementAt(1), c.statement) << c.card;
        ASSERT_EQ(index.Messages().size(), 1u) << c.card;
        EXPECT_EQ(index.Messages()[0].cardLine, c.messageFindsCard ? 1 : -1) << c.card;
    }
}

TEST(ListingIndex, AMessageLeadsToItsSourceLineAlsoAcrossUnlist) {
    // The source of kTranslation: the card after -UNLIST and the -LIST card
    // are not listed.
    const std::vector<std::string> source = Lines("* errors while translating\n"
                                                  "    X = 'ABC\n"
                                                  "-UNLIST\n"
                                                  "    Y = 2\n"
                                                  "-LIST\n"
                                                  "    Z = (2\n"
                                                  "    W = 3\n"
                                                  "+   + 4\n"
                                                  "END\n");
    EXPECT_EQ(ListedSourceLines(source), (std::vector<int>{0, 1, 2, 5, 6, 7, 8}));
    const ListingIndex translation(Lines(kTranslation));
    EXPECT_EQ(translation.SourceLineOf(0, source), 1);
    EXPECT_EQ(translation.SourceLineOf(1, source), 6);
    EXPECT_EQ(translation.SourceLineOf(2, source), 8);
    EXPECT_FALSE(translation.SourceLineOf(3, source));
    EXPECT_FALSE(translation.SourceLineOf(0, {})); // a shorter source than listed

    // A run-time error in an unlisted statement goes to the nearest listed
    // one (statements 2 and 4 are as near: the earlier counts).
    std::string unlisted = kRunTime;
    unlisted.replace(unlisted.find("   3    NEXT"), 4, "    ");
    const std::vector<std::string> runSource = Lines("* a run-time error\n"
                                                     "    N = 1\n"
                                                     "LOOP    N = N + 1\n"
                                                     "+      :(NEXT)\n"
                                                     "NEXT    X = LEN(-1)\n"
                                                     "END\n");
    EXPECT_EQ(ListingIndex(Lines(unlisted)).SourceLineOf(0, runSource), 2);
    EXPECT_EQ(ListingIndex(Lines(kRunTime)).SourceLineOf(0, runSource), 4);
}

TEST(ListingIndex, StepsFollowOnAndRestartFromTheCursor) {
    const ListingIndex index(Lines(kTranslation));
    MessageStepper stepper;
    std::vector<int> forward;
    int cursor = 0;
    for (int i = 0; i < 4; ++i) {
        cursor = stepper.Step(index, cursor, Direction::Forward)->line;
        forward.push_back(cursor);
    }
    EXPECT_EQ(forward, (std::vector<int>{6, 12, 17, 6})); // wraps around
    EXPECT_EQ(stepper.Step(index, cursor, Direction::Backward)->line, 17);
    // After the cursor was moved, the next step starts from there.
    EXPECT_EQ(stepper.Step(index, 7, Direction::Forward)->message, 1);
    EXPECT_EQ(stepper.Step(index, 7, Direction::Backward)->message, 0);
    EXPECT_FALSE(stepper.Step(ListingIndex(), 0, Direction::Forward));
}

class ListingWindow : public ::testing::Test {
protected:
    // No quillpad-editor there: a source asked for starts no window.
    void SetUp() override { SetProgramFolder(test::Q(dir / "no-programs")); }
    void TearDown() override { SetProgramFolder({}); }
    void Open(const std::string& listing) {
        test::WriteFile(file, listing);
        test::AskedQuestions() = {};
        window =
            std::make_unique<EditorWindow>(OpenRequest{test::Q(file), FontSwitch::Normal, true});
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->Editor().setFocus();
    }
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&window->Editor(), static_cast<Qt::Key>(key), modifiers);
    }
    QString Statement() const { return window->findChild<QLabel*>("statement")->text(); }
    // The line marked as the chosen message's card; -1 when none is.
    int MarkedCard() const {
        for (const QTextEdit::ExtraSelection& mark : window->Editor().extraSelections()) {
            if (mark.format.background().color() == ListingView::kChosenCard)
                return mark.cursor.blockNumber();
        }
        return -1;
    }

    test::TempDir dir;
    std::string file = dir / "prog.lst";
    std::unique_ptr<EditorWindow> window;
};

// A listing opens at its first message; F8 and Shift+F8 put the cursor on
// each message in turn, with its card marked, and the status bar names the
// message and the label its statement.
TEST_F(ListingWindow, OpensAtTheFirstMessageAndF8StepsFromMessageToMessage) {
    Open(kTranslation);
    EXPECT_EQ(test::CursorLine(*window), 6);
    EXPECT_EQ(MarkedCard(), 3);
    Press(Qt::Key_F8);
    EXPECT_EQ(test::CursorLine(*window), 12);
    EXPECT_EQ(MarkedCard(), 9);
    EXPECT_EQ(Statement(), "Statement 4");
    EXPECT_TRUE(window->statusBar()->currentMessage().startsWith("Message 2 of 3: --- TOKEN"));
    Press(Qt::Key_F8, Qt::ShiftModifier);
    Press(Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(test::CursorLine(*window), 17); // around the start to the last one

    Open(kRunTime);
    EXPECT_EQ(test::CursorLine(*window), 16);
    EXPECT_EQ(MarkedCard(), 6);
    EXPECT_EQ(Statement(), "Statement 3");
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("NEGATIVE ARG"));
    // Moving through the cards shows each one's statement.
    window->Editor().setTextCursor(QTextCursor(window->Editor().document()->findBlockByNumber(7)));
    EXPECT_EQ(Statement(), "Statement 4");
    Press(Qt::Key_Up);
    Press(Qt::Key_Up);
    EXPECT_EQ(Statement(), "Statement 2");
}

TEST_F(ListingWindow, AListingWithoutMessagesOpensAtItsEnd) {
    Open("\f\n SNOBOL SUBSET INTERPRETTER. VERSION 1.0\n   1    END \n"
         " EXECUTION HAS TERMINATED.\n");
    EXPECT_EQ(test::CursorLine(*window), window->Editor().blockCount() - 1);
    EXPECT_EQ(MarkedCard(), -1);
}

// Enter on a message, or on the card a message is about, asks for the
// source at the statement's line; elsewhere it does nothing.
TEST_F(ListingWindow, EnterOnAMessageOrItsCardAsksForTheSource) {
    test::WriteFile(dir / "prog.sno", "* errors while translating\n    X = 'ABC\n-UNLIST\n"
                                      "    Y = 2\n-LIST\n    Z = (2\n    W = 3\n+   + 4\nEND\n");
    Open(kTranslation);
    std::vector<std::pair<QString, int>> asked;
    QObject::connect(&window->Listing(), &ListingView::sourceRequested,
                     [&](const QString& source, int line) { asked.emplace_back(source, line); });
    for (const int line : {12, 9, 10, 6, 3}) {
        window->Editor().setTextCursor(
            QTextCursor(window->Editor().document()->findBlockByNumber(line)));
        Press(Qt::Key_Return);
    }
    const QString source = test::Q(dir / "prog.sno");
    EXPECT_EQ(asked, (std::vector<std::pair<QString, int>>{
                         {source, 7}, {source, 7}, {source, 2}, {source, 2}}));
}

TEST_F(ListingWindow, DoubleClickGoesBetweenAMessageAndItsCard) {
    Open(kTranslation);
    auto doubleClickLine = [&](int line) {
        QTextCursor cursor(window->Editor().document()->findBlockByNumber(line));
        const QPoint point = window->Editor().cursorRect(cursor).center();
        QTest::mouseDClick(window->Editor().viewport(), Qt::LeftButton, Qt::NoModifier, point);
    };
    doubleClickLine(12);
    EXPECT_EQ(test::CursorLine(*window), 9);
    doubleClickLine(9);
    EXPECT_EQ(test::CursorLine(*window), 12);
    // The read-only view keeps the listing as it is on disk.
    Press(Qt::Key_X);
    EXPECT_EQ(test::TextOf(*window).toStdString(), kTranslation);
}

TEST_F(ListingWindow, TheNextRunsListingIsReloaded) {
    Open(kTranslation);
    test::WriteFile(file, kRunTime);
    ASSERT_TRUE(test::WaitUntil([&] { return test::TextOf(*window).toStdString() == kRunTime; }));
    Press(Qt::Key_F8);
    EXPECT_EQ(test::CursorLine(*window), 16);
    EXPECT_EQ(MarkedCard(), 6);
    EXPECT_TRUE(test::AskedQuestions().asked.isEmpty());
}

} // namespace
} // namespace quillpad
