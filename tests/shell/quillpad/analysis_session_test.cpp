// The analysis kept up with the typing: what it answers is always of the
// text as it stands (an analysis of an older text is dropped, an action
// waits for the fresh one), explanations keep the translator's words, a
// Latin-1 file's columns are its bytes, and any text is analysed.

#include "analysis_session.h"
#include "analysis_text.h"
#include "quillpad_test_support.h"

#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <random>

namespace quillpad {
namespace {

const QString kSample = " DEFINE('FACT(N)T', 'FACT')   :(MAIN)\n"
                        "FACT FACT = LE(N, 1) 1        :S(RETURN)\n"
                        " FACT = N * FACT(N - 1)       :(RETURN)\n"
                        "MAIN OUTPUT = FACT(5)         :(DONE) X\n"
                        "END\n";

struct Analysed {
    explicit Analysed(const QString& text, Encoding encoding = Encoding::Utf8)
        : encoding(encoding) {
        document.setPlainText(text);
        session.SetPause(0);
        session.SetActive(true);
    }
    bool Wait() {
        return test::WaitUntil([this] { return session.Current(); });
    }
    QTextDocument document;
    Encoding encoding;
    AnalysisSession session{document, [this] { return encoding; }};
};

// Random edits, with the event loop let run for random spells between
// them: whenever an analysis is announced it is of the text as it stands,
// and once the typing stops the last one is.
TEST(AnalysisSession, OnlyTheAnalysisOfTheTextAsItStandsCounts) {
    Analysed a(kSample);
    int announced = 0;
    QObject::connect(&a.session, &AnalysisSession::analysed, [&] {
        ++announced;
        ASSERT_NE(a.session.Analysed(), nullptr);
        EXPECT_EQ(a.session.Analysed()->Text(), AnalysedBytes(TextOf(a.document), Encoding::Utf8));
    });
    std::mt19937 random(9);
    const QStringList pieces{"X", " ", "'", ":(", ")", "\n", "FACT(", "END\n"};
    for (int i = 0; i < 300; ++i) {
        QTextCursor cursor(&a.document);
        const int size = a.document.characterCount() - 1;
        cursor.setPosition(std::uniform_int_distribution<int>(0, size)(random));
        if (i % 3 == 0 && size > 0)
            cursor.deleteChar();
        else
            cursor.insertText(pieces[std::uniform_int_distribution<int>(0, 7)(random)]);
        if (i % 5 == 0) QCoreApplication::processEvents(QEventLoop::AllEvents, i % 7);
    }
    ASSERT_TRUE(a.Wait());
    EXPECT_GT(announced, 0);
    EXPECT_EQ(a.session.Analysed()->Text(), AnalysedBytes(TextOf(a.document), Encoding::Utf8));
}

TEST(AnalysisSession, ActionsWaitForTheFreshAnalysisAndAChangeDropsThem) {
    Analysed a(kSample);
    int ran = 0;
    a.session.WhenCurrent([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    ASSERT_TRUE(a.Wait());
    EXPECT_EQ(ran, 1);
    a.session.WhenCurrent([&] { ++ran; }); // current: at once
    EXPECT_EQ(ran, 2);
    QTextCursor(&a.document).insertText("* x\n");
    a.session.WhenCurrent([&] { ran += 10; });
    QTextCursor(&a.document).insertText("* y\n"); // meant for the text before this
    ASSERT_TRUE(a.Wait());
    EXPECT_EQ(ran, 2);
    // Inactive, nothing is analysed or answered.
    a.session.SetActive(false);
    a.session.WhenCurrent([&] { ++ran; });
    EXPECT_FALSE(test::WaitUntil([&] { return ran > 2; }, std::chrono::milliseconds(200)));
    EXPECT_TRUE(a.session.Underlines().empty());
}

TEST(AnalysisSession, UnderlinesDefinitionsAndExplanations) {
    Analysed a(kSample);
    ASSERT_TRUE(a.Wait());
    // Line 4 goes on after its goto field, to a label no statement has.
    const std::vector<Underline> underlines = a.session.Underlines();
    ASSERT_EQ(underlines.size(), 2u);
    EXPECT_TRUE(underlines[0].error);
    EXPECT_EQ(underlines[0].message, "TOKEN \";\" DOES NOT OCCUR WHERE EXPECTED  ");
    EXPECT_EQ(underlines[0].range.from, (TextPlace{3, 37}));
    EXPECT_FALSE(underlines[1].error);
    EXPECT_EQ(underlines[1].range, (TextRange{{3, 32}, {3, 36}})); // DONE

    // F12 on a call goes to the name in DEFINE, again to the entry label
    // (a label, which goes to itself).
    QString problem;
    const TextPlace call{3, 14};
    const std::optional<TextRange> define = a.session.Definition(call, problem);
    ASSERT_TRUE(define);
    EXPECT_EQ(*define, (TextRange{{0, 9}, {0, 13}}));
    const std::optional<TextRange> entry = a.session.Definition(define->to, problem);
    ASSERT_TRUE(entry);
    EXPECT_EQ(*entry, (TextRange{{1, 0}, {1, 4}}));
    EXPECT_EQ(a.session.Definition(entry->from, problem), entry);
    EXPECT_EQ(a.session.Definition({2, 2}, problem), define); // the function's variable
    EXPECT_FALSE(a.session.Definition({3, 34}, problem));     // DONE
    EXPECT_EQ(problem, "No statement has the label DONE");
    EXPECT_FALSE(a.session.Definition({0, 0}, problem));

    // The message's own words come through Markdown unchanged.
    const QString explanation = a.session.Explanation(underlines[0].range.from);
    QTextDocument shown;
    shown.setMarkdown(explanation);
    EXPECT_TRUE(shown.toPlainText().contains("TOKEN \";\" DOES NOT OCCUR WHERE EXPECTED"))
        << explanation.toStdString();
    EXPECT_TRUE(a.session.Explanation({1, 12}).contains("LE(N1, N2)"));

    QString name;
    EXPECT_EQ(a.session.References({2, 12}, name).size(), 3u); // DEFINE's name and two calls
    EXPECT_EQ(name, "FACT");
    ASSERT_EQ(a.session.Outline().size(), 3u);
    EXPECT_EQ(a.session.Outline()[1].name, "FACT");
    EXPECT_EQ(a.session.Outline()[1].depth, 1);
}

TEST(AnalysisSession, ALatin1FilesColumnsAreItsBytes) {
    // Two characters beyond ASCII before the place of the message.
    const QString text = QString::fromUtf16(u" X = '\u00e9\u00e9' )\nEND\n");
    for (const Encoding encoding : {Encoding::Latin1, Encoding::Utf8}) {
        Analysed a(text, encoding);
        ASSERT_TRUE(a.Wait());
        ASSERT_FALSE(a.session.Underlines().empty());
        EXPECT_EQ(a.session.Underlines()[0].range.from, (TextPlace{0, 10}));
    }
    // Saved as UTF-8 (a character beyond Latin-1 typed elsewhere), the same
    // text has other bytes: the analysis of the old ones is not current.
    Analysed a(text, Encoding::Latin1);
    ASSERT_TRUE(a.Wait());
    a.encoding = Encoding::Utf8;
    EXPECT_FALSE(a.session.Current());
    bool ran = false;
    a.session.WhenCurrent([&] { ran = true; });
    ASSERT_TRUE(test::WaitUntil([&] { return ran; }));
    EXPECT_EQ(a.session.Analysed()->Text(), text.toUtf8().toStdString());
    EXPECT_EQ(a.session.Underlines()[0].range.from, (TextPlace{0, 10}));
}

TEST(AnalysisSession, AnyTextIsAnalysed) {
    QString cards;
    for (int i = 0; i < 20000; ++i)
        cards += QString(" X%1 = X%1 + 1 :S(L%1)\n").arg(i);
    const QString texts[] = {cards, " " + QString(5 << 20, 'A'), QString(160, '\''),
                             QString::fromLatin1(QByteArray("\x00\x01\xff\r\t#;*", 9)),
                             " X = " + QString("\n+" + QString(150, '(')).repeated(10)};
    for (const QString& text : texts) {
        Analysed a(text);
        ASSERT_TRUE(a.Wait()) << text.left(40).toStdString();
        EXPECT_LE(a.session.Underlines().size(), std::size_t{AnalysisSession::kMaxUnderlines});
        a.session.Outline();
        a.session.Explanation({0, 5});
    }
    Analysed many(cards);
    ASSERT_TRUE(many.Wait());
    EXPECT_EQ(many.session.Underlines().back().message, "TOO MANY STATEMENTS");
}

} // namespace
} // namespace quillpad
