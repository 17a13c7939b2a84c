// How long a change to a 500-statement program takes to be underlined in
// quillpad: from an edit of the text to the editor's marks for that text,
// with quillpad's pause after typing and without it (the work itself: the
// text handed over, analysed on the analysis thread, its messages placed
// and marked). Then the parts done on the window's own thread, which typing
// waits for: the text taken for an analysis, and a keystroke with its
// colours, for that program and for a text of 20,000 statements and 20,000
// comment cards (5 MB); and the analysis itself, which runs on its own
// thread. Prints the median, 90th percentile and maximum.
//
//   quillpad_latency [CHANGES]
#include "analysis_text.h"
#include "analysis_view.h"
#include "highlighters.h"
#include "latency.h"
#include "numbered_editor.h"

#include <QApplication>
#include <QMenu>
#include <QStatusBar>
#include <QTextBlock>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using vantel::bench::Clock;
using vantel::bench::Figures;
using vantel::bench::Since;

Figures Timed(int times, const std::function<void()>& work) {
    Figures f;
    for (int i = 0; i < times; ++i) {
        const Clock::time_point start = Clock::now();
        work();
        f.ms.push_back(Since(start));
    }
    return f;
}

// Alternately breaks and mends the literal of one statement.
void Change(QTextDocument& document, int line, bool breaks) {
    QTextCursor cursor(document.findBlockByNumber(line));
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 1);
    if (breaks)
        cursor.insertText("'");
    else
        cursor.deleteChar();
}

class Bench {
public:
    explicit Bench(const QString& text) {
        editor_.setPlainText(text);
        view_.SetActive(true);
        QObject::connect(&view_.Session(), &quillpad::AnalysisSession::analysed,
                         [this] { ++analysed_; });
        Settle();
    }

    // Changes, each timed until its underlines are set.
    Figures Underlined(int changes, int pause) {
        view_.Session().SetPause(pause);
        Figures f;
        for (int i = 0; i < changes; ++i) {
            const int before = analysed_;
            const Clock::time_point start = Clock::now();
            Change(*editor_.document(), 250, i % 2 == 0);
            while (analysed_ == before)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            f.ms.push_back(Since(start));
        }
        return f;
    }

    Figures TakingTheText(int times) {
        return Timed(times, [this] {
            volatile std::size_t size =
                quillpad::AnalysedBytes(quillpad::TextOf(*editor_.document()),
                                        quillpad::Encoding::Utf8)
                    .size();
            (void)size;
        });
    }

    Figures Keystrokes(int times) {
        int i = 0;
        return Timed(times, [this, &i] { Change(*editor_.document(), 250, i++ % 2 == 0); });
    }

    Figures Analyses(int times) {
        const std::string bytes = quillpad::AnalysedBytes(quillpad::TextOf(*editor_.document()),
                                                          quillpad::Encoding::Utf8);
        return Timed(times, [&bytes] { vantel::analysis::Source(bytes).Prepare(); });
    }

    void Settle() {
        view_.Session().SetPause(0);
        while (!view_.Session().Current())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

private:
    quillpad::NumberedEditor editor_{nullptr};
    QMenu menu_;
    QStatusBar status_;
    quillpad::SourceHighlighter colours_{editor_.document(),
                                         [] { return quillpad::Encoding::Utf8; }};
    quillpad::AnalysisView view_{editor_, [] { return quillpad::Encoding::Utf8; }, menu_, status_};
    int analysed_ = 0;
};

QString Cards20000() {
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QString("L%1 X%1 = BREAK('abcdefghij') SPAN('klmnopqrst') LEN(%1) 'a literal of "
                        "some length' TRIM(Y%1) SIZE('more words to make a long card')   "
                        ":S(L%2)F(M%1)\n* a comment card that follows, of about the same length "
                        "as the statement above it\n")
                    .arg(i)
                    .arg(i + 1);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int changes = argc > 1 ? std::atoi(argv[1]) : 100;
    {
        Bench program(QString::fromStdString(vantel::bench::LatencyProgram()));
        program.Underlined(changes, quillpad::AnalysisSession::kPauseMs)
            .Print("500 statements: change -> underlined");
        program.Underlined(changes, 0).Print("500 statements: the same without the pause");
        program.Analyses(changes).Print("500 statements: the analysis (its thread)", "times");
        program.TakingTheText(changes).Print("500 statements: the text taken (window)", "times");
        program.Keystrokes(changes).Print("500 statements: a keystroke, coloured (window)");
    }
    {
        const QString text = Cards20000();
        std::printf("20,000 cards, %lld bytes:\n", static_cast<long long>(text.size()));
        Bench cards(text);
        cards.Analyses(10).Print("20,000 cards: the analysis (its thread)", "times");
        cards.TakingTheText(10).Print("20,000 cards: the text taken (window)", "times");
        cards.Keystrokes(changes).Print("20,000 cards: a keystroke, coloured (window)");
        cards.Settle();
        cards.Underlined(10, 0).Print("20,000 cards: change -> underlined, no pause");
    }
    return 0;
}
