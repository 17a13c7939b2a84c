// Saves pictures of the shell's three windows (the main window after a
// source was chosen, the options dialog and the About window) and of the
// editor quillpad with a source and with the listing of its run, which
// opens at its first message with that message's card marked, and with a
// source it analyses as it is typed. Run by tools/screenshot.sh on a
// virtual display; the argument is the folder for the PNG files.

#include "about_form.h"
#include "analysis_view.h"
#include "editor_window.h"
#include "forms.h"
#include "main_form.h"
#include "options_form.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

void Pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Save(QWidget& window, const QString& path) {
    window.show();
    window.raise();
    Pause(400);
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    return saved;
}

// Chooses a source file through the open dialog, as a user would.
void ChooseSample(harbex::TMainForm& main, const QString& source) {
    QTimer::singleShot(300, &main, [&main, source] {
        auto* dialog = main.findChild<QFileDialog*>("OpenDialog");
        if (dialog == nullptr) return;
        // Typed into the file name box, as a user would.
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(source);
        static_cast<QDialog*>(dialog)->accept();
    });
    main.findChild<QAction*>("Choose1")->trigger();
}

// A source with a label, gotos, literals, a keyword, comment, control and
// continuation cards, and a run-time error for the listing to show.
constexpr char kSample[] = R"(* Counts the words of the data lines that follow END.
* A word is a run of letters: BREAK skips to it, SPAN takes it.
-LIST
        &TRIM = 1
        LETTERS = 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'
        WORD = BREAK(LETTERS) SPAN(LETTERS) . W
NEXTLINE LINE = INPUT                         :F(DONE)
        LINES = LINES + 1
NEXTWORD LINE WORD =                          :F(NEXTLINE)
        WORDS = WORDS + 1                     :(NEXTWORD)
DONE    OUTPUT = 'Lines: ' LINES
        OUTPUT = 'Words: ' WORDS
+              ' (' WORDS / LINES ' a line)'
        OUTPUT = 'Longest: ' LEN(LONGEST)
END
The quick brown fox jumps over the lazy dog.
Pattern matching is what SNOBOL4 does best!
)";

bool WriteSample(const QString& path, const char* text) {
    QFile sample(path);
    return sample.open(QIODevice::WriteOnly) && sample.write(text) >= 0;
}

// quillpad on the sample source, then on the listing vantel writes for it.
bool SaveEditorPictures(const QString& folder, const QString& target) {
    const QString source = folder + "/words.sno";
    if (!WriteSample(source, kSample)) return false;
    quillpad::EditorWindow editor({source, quillpad::FontSwitch::Normal, false});
    editor.resize(820, 440);
    bool ok = Save(editor, target + "/quillpad-source.png");
    editor.close();

    QProcess::execute(QCoreApplication::applicationDirPath() + "/vantel", {source});
    quillpad::EditorWindow listing({folder + "/words.lst", quillpad::FontSwitch::Normal, true});
    listing.resize(820, 600);
    ok = Save(listing, target + "/quillpad-listing.png") && ok;
    return ok;
}

// A source with a line just typed: an error and a warning underlined.
constexpr char kCounting[] = R"(* Counts to three, twice over.
        DEFINE('TWICE(N)', 'TWICE')            :(MAIN)
TWICE   TWICE = N + N                          :(RETURN)
MAIN    I = 0
LOOP    I = LT(I, 3) I + 1                     :F(DONE)
        OUTPUT = TWICE(I)                      :(LOOP)
        OUTPUT = SIZE(I, 2) 'not closed
DONE    OUTPUT = 'Counted to ' I
END
)";

// quillpad with the cursor on the warning and its tooltip (Ctrl+K Ctrl+I),
// taken from the screen, where the tooltip is a window of its own.
bool SaveAnalysisPicture(const QString& folder, const QString& target) {
    const QString source = folder + "/count.sno";
    if (!WriteSample(source, kCounting)) return false;
    quillpad::EditorWindow editor({source, quillpad::FontSwitch::Normal, false});
    editor.resize(820, 330);
    editor.show();
    editor.raise();
    for (int waited = 0; !editor.Analysis().Session().Current() && waited < 5000; waited += 50)
        Pause(50);
    QTextCursor cursor(editor.Editor().document()->findBlockByNumber(6));
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 18); // in SIZE
    editor.Editor().setTextCursor(cursor);
    editor.Analysis().ShowExplanation();
    Pause(600);
    const QRect frame = editor.frameGeometry();
    const QString path = target + "/quillpad-analysis.png";
    const bool saved = editor.screen()
                           ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                           .save(path);
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication application(argc, argv);
    // Absolute, as choosing a file moves the current folder.
    const QString target =
        QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs")).absolutePath();
    QDir().mkpath(target);

    harbex::Forms forms;
    harbex::MainForm->show();
    harbex::MainForm->activateWindow();
    Pause(400);
    const QString source = settings.filePath("wordcount.sno");
    QFile sample(source);
    if (sample.open(QIODevice::WriteOnly)) sample.write("END\n");
    sample.close();
    ChooseSample(*harbex::MainForm, source);

    bool ok = Save(*harbex::MainForm, target + "/harbex-main.png");
    harbex::MainForm->findChild<QAction*>("Opt")->trigger();
    ok = Save(*harbex::OptionsForm, target + "/harbex-options.png") && ok;
    harbex::MainForm->findChild<QAction*>("About1")->trigger();
    ok = Save(*harbex::AboutForm, target + "/harbex-about.png") && ok;
    ok = SaveEditorPictures(settings.path(), target) && ok;
    ok = SaveAnalysisPicture(settings.path(), target) && ok;
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
