// The main window driven through its menus under the offscreen platform.

#include "editor_requests_client.h"
#include "shell_fixture.h"

#include <QCompleter>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace harbex::test {
namespace {

using namespace std::chrono_literals;

using StartUp = ShellTest;

TEST_F(StartUp, FirstActivationReadsTheSettingsOnce) {
    FirstActivation = true;
    Forms forms;
    EXPECT_EQ(MainForm->windowTitle(), "Generic Language System");
    MainForm->SetExecutablePath(programDir + "harbex");
    MainForm->show();
    Activate(*MainForm);
    EXPECT_EQ(MainForm->windowTitle(), "SNOBOL4 Execution System");
    EXPECT_EQ(MainForm->EditorCommandLine(), programDir + "quillpad ");
    EXPECT_EQ(MainForm->ProcessorFolder(), programDir);
    // No key yet: it is made, and the home folder is remembered.
    EXPECT_EQ(RegistryValue(), QString::fromStdString(HomeDir() + "/"));
    EXPECT_TRUE(Exists(RegistryFile()));
    EXPECT_EQ(MainForm->RememberedFolder(), HomeDir() + "/");
    EXPECT_FALSE(MainForm->IsSubsetMode());
    EXPECT_EQ(Cell(0, 0), "Subset SNOBOL");
    EXPECT_EQ(Cell(1, 0), "No");
    EXPECT_EQ(Grid()->rowCount(), 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(StartUp, MenusStartAsDesigned) {
    Start();
    EXPECT_TRUE(Item("New1")->isEnabled());
    EXPECT_TRUE(Item("Choose1")->isEnabled());
    EXPECT_FALSE(Item("Edit1")->isEnabled());
    EXPECT_FALSE(Item("Run1")->isEnabled());
    EXPECT_FALSE(Item("DebugSource1")->isEnabled());
    EXPECT_FALSE(Item("Debug1")->isVisible());
    EXPECT_EQ(Item("eXit1")->text(), "e&Xit");
    // Every item has its letter; the File commands have their Ctrl keys too.
    EXPECT_EQ(Item("Opt")->text(), "&Run Options");
    EXPECT_EQ(Item("FontMenu")->text(), "&Larger");
    EXPECT_EQ(Item("Smaller1")->text(), "&Smaller");
    const std::vector<std::pair<const char*, QList<QKeySequence>>> keys = {
        {"New1", {QKeySequence("Ctrl+N")}},
        {"Choose1", {QKeySequence("Ctrl+O")}},
        {"Edit1", {QKeySequence("Ctrl+E")}},
        {"Run1", {QKeySequence("Ctrl+R"), QKeySequence("F5")}},
        {"DebugSource1", {QKeySequence("Ctrl+F5")}},
        {"eXit1", {QKeySequence("Ctrl+Q")}}};
    for (const auto& [item, shortcuts] : keys)
        EXPECT_EQ(Item(item)->shortcuts(), shortcuts) << item;
    // Both dialogs show SNOBOL4 sources first; no wildcard is left as a name.
    auto* open = Find<QFileDialog>(*MainForm, "OpenDialog");
    EXPECT_EQ(open->selectedNameFilter(), "SNOBOL4 Source Files (*.sno)");
    EXPECT_EQ(open->nameFilters().size(), 4);
    EXPECT_EQ(Find<QLineEdit>(*open, "fileNameEdit")->text(), "");
    EXPECT_EQ(Find<QFileDialog>(*MainForm, "SaveDialog1")->selectedNameFilter(),
              "SNOBOL4 files (*.sno)");
    const QList<QAction*> menus = MainForm->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Options");
    EXPECT_EQ(menus[2]->text(), "&Help");
}

TEST_F(StartUp, MemoFillsTheClientAreaBelowTheMenu) {
    Start();
    MainForm->resize(500, 300);
    Settle();
    const QWidget* memo = Find<QPlainTextEdit>(*MainForm, "Memo1");
    EXPECT_EQ(memo->size(), MainForm->centralWidget()->size());
    EXPECT_EQ(memo->height(), MainForm->height() - MainForm->menuBar()->height());
}

TEST_F(StartUp, StoredSettingsAreUsedAsTheyAre) {
    WriteFile(OptionFile(), "other = kept\r\n  subset  =  TrUe  \r\n");
    QSettings("Varnhold", "SNOBOL4").setValue("CurrentDir", "/not/checked/");
    Start();
    EXPECT_TRUE(MainForm->IsSubsetMode());
    EXPECT_EQ(Cell(1, 0), "Yes");
    EXPECT_EQ(MainForm->RememberedFolder(), "/not/checked/");
    Stop();
    EXPECT_EQ(ReadFile(OptionFile()), "OTHER=kept\r\nSUBSET=true\r\n");
}

TEST_F(StartUp, AnEmptyRememberedFolderIsReplacedAndAnOddSubsetValueIsFalse) {
    WriteFile(OptionFile(), "Subset=yes\r\n");
    QSettings("Varnhold", "SNOBOL4").setValue("CurrentDir", "");
    Start();
    EXPECT_FALSE(MainForm->IsSubsetMode());
    EXPECT_EQ(RegistryValue(), QString::fromStdString(HomeDir() + "/"));
    Stop();
    EXPECT_EQ(ReadFile(OptionFile()), "SUBSET=false\r\n");
}

TEST_F(StartUp, LaterActivationsReadNothingAgain) {
    Start();
    Pick("FontMenu");
    WriteFile(OptionFile(), "SUBSET=TRUE\r\n");
    QSettings("Varnhold", "SNOBOL4").setValue("CurrentDir", "/elsewhere/");
    Pick("About1");
    Activate(*AboutForm);
    Activate(*MainForm);
    EXPECT_FALSE(MainForm->IsSubsetMode());
    EXPECT_TRUE(MainForm->LargerFontChosen());
    EXPECT_EQ(MainForm->RememberedFolder(), HomeDir() + "/");
    EXPECT_EQ(MainForm->windowTitle(), "SNOBOL4 Execution System");
}

TEST_F(StartUp, AFirstStartWithoutAFullInterpreterRunsVantel) {
    std::filesystem::remove(programDir + "snobol4");
    Start();
    EXPECT_TRUE(MainForm->IsSubsetMode());
    EXPECT_EQ(Cell(1, 0), "Yes");
    EXPECT_EQ(MemoLines().last(),
              QString::fromStdString("Runs use vantel (Subset SNOBOL = Yes): there is no full "
                                     "interpreter " +
                                     programDir + "snobol4"));
    Stop();
    // The choice is written in the file's own form.
    EXPECT_EQ(ReadFile(OptionFile()), "SUBSET=true\r\n");
}

TEST_F(StartUp, AnExistingOptionFileIsReadAsItStands) {
    std::filesystem::remove(programDir + "snobol4");
    for (const char* content : {"OTHER=1\r\n", "SUBSET=no\r\n", ""}) {
        WriteFile(OptionFile(), content);
        Start();
        EXPECT_FALSE(MainForm->IsSubsetMode()) << content;
        // The memo names the processor, and says that it is missing.
        EXPECT_EQ(
            MemoLines(),
            QStringList{QString::fromStdString(
                "Runs use the full interpreter (Subset SNOBOL = No), but there is none: " +
                programDir +
                "snobol4; to run with vantel, set Options/Run Options (Subset SNOBOL = Yes)")})
            << content;
        Stop();
    }
}

TEST_F(StartUp, AHandOffEditorThatIsQuillpadItselfIsIgnoredAndSaidSo) {
    for (const std::string& value : {std::string("quillpad"), programDir + "quillpad -n"}) {
        setenv("HARBEX_EDITOR", value.c_str(), 1);
        Start();
        unsetenv("HARBEX_EDITOR");
        EXPECT_EQ(MemoLines().first(), "HARBEX_EDITOR names quillpad itself: ignored") << value;
        Stop();
    }
    Start();
    EXPECT_EQ(MemoLines(), QStringList{QString::fromStdString(
                               "Runs use the full interpreter (Subset SNOBOL = No): " + programDir +
                               "snobol4")});
    Stop();
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    Start();
    EXPECT_EQ(MemoLines(), QStringList{QString::fromStdString(
                               "Runs use vantel (Subset SNOBOL = Yes): " + programDir + "vantel")});
}

// Without a geometry of its own, the window opens centred, with room for
// its caption and twenty lines of the memo.
TEST_F(StartUp, TheFirstStartShowsTheWholeCaptionAndTwentyLines) {
    Start();
    auto* memo = Find<QPlainTextEdit>(*MainForm, "Memo1");
    const QFontMetrics metrics(memo->font());
    EXPECT_GE(memo->viewport()->height() / metrics.lineSpacing(), 20);
    QFont caption = MainForm->font();
    caption.setBold(true);
    EXPECT_GT(MainForm->width(),
              QFontMetrics(caption).horizontalAdvance("SNOBOL4 Execution System") + 100);
    const QPoint screenCentre = MainForm->screen()->availableGeometry().center();
    EXPECT_LE((MainForm->geometry().center() - screenCentre).manhattanLength(), 40);
}

TEST_F(StartUp, TheWindowComesBackWhereItWasLeft) {
    Start();
    MainForm->setGeometry(120, 90, 555, 333);
    Settle();
    const QRect left = MainForm->geometry();
    Stop();
    Start();
    EXPECT_EQ(MainForm->geometry(), left);
}

TEST_F(StartUp, BoxesAndWindowsStandOverTheMainWindow) {
    Start();
    QApplication::setActiveWindow(nullptr);
    EXPECT_EQ(MessageBoxOwner(), MainForm);
    Pick("Opt");
    Pick("About1");
    for (QWidget* window : {static_cast<QWidget*>(OptionsForm), static_cast<QWidget*>(AboutForm)}) {
        ASSERT_NE(window->windowHandle(), nullptr);
        EXPECT_EQ(window->windowHandle()->transientParent(), MainForm->windowHandle());
    }
    Activate(*AboutForm);
    EXPECT_EQ(MessageBoxOwner(), AboutForm);
}

TEST_F(StartUp, EscapeFromTheMenusGivesTheKeyboardBackToTheMemo) {
    Start();
    auto* memo = Find<QPlainTextEdit>(*MainForm, "Memo1");
    memo->setFocus();
    Settle();
    ASSERT_TRUE(memo->hasFocus());
    // Open a menu, leave it, open the next, leave it and the menu bar.
    QTest::keyClick(MainForm, Qt::Key_F, Qt::AltModifier);
    Settle();
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Right, Qt::Key_Escape, Qt::Key_Escape}) {
        QWidget* target = QApplication::activePopupWidget() != nullptr
                              ? QApplication::activePopupWidget()
                              : QApplication::focusWidget();
        QTest::keyClick(target != nullptr ? target : MainForm, key);
        Settle();
    }
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(memo->hasFocus()) << (QApplication::focusWidget() != nullptr
                                          ? QApplication::focusWidget()->objectName().toStdString()
                                          : std::string("no focus"));
    QTest::keyClick(MainForm, Qt::Key_O, Qt::AltModifier);
    Settle();
    EXPECT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTest::keyClick(MainForm->menuBar(), Qt::Key_Escape);
    Settle();
    EXPECT_TRUE(memo->hasFocus());
}

// Points the user settings somewhere else for as long as it lives.
class SettingsFolder {
public:
    explicit SettingsFolder(const std::string& folder) { Set(folder); }
    ~SettingsFolder() { Set(ConfigDir()); }
    SettingsFolder(const SettingsFolder&) = delete;
    SettingsFolder& operator=(const SettingsFolder&) = delete;

private:
    static void Set(const std::string& folder) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(folder));
    }
};

TEST_F(StartUp, AStoreThatCannotBeWrittenClosesTheWindow) {
    WriteFile(work / "blocker", "");
    SettingsFolder unusable(work / "blocker/config");
    FirstActivation = true;
    Forms forms;
    MainForm->SetExecutablePath(programDir + "harbex");
    MainForm->show();
    Activate(*MainForm);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Registry Problem");
    EXPECT_EQ(messages[0].caption, "Oops");
    EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);
    EXPECT_FALSE(MainForm->isVisible());
    // The options were read all the same.
    EXPECT_EQ(Cell(0, 0), "Subset SNOBOL");
}

class FileCommands : public ShellTest {
protected:
    // Runs New, typing `name` into its dialog with the filter at `filter`
    // selected; `replace` answers the question before an existing file is
    // replaced. A refused replacement leaves the dialog open; it is cancelled.
    void New(const std::string& name, std::optional<bool> replace = std::nullopt,
             const char* filter = "SNOBOL4 files (*.sno)") {
        QTimer::singleShot(0, MainForm, [name, replace, filter] {
            auto* dialog = MainForm->findChild<QFileDialog*>("SaveDialog1");
            ASSERT_NE(dialog, nullptr);
            dialog->selectNameFilter(filter);
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(name));
            if (replace) AnswerReplace(*replace);
            static_cast<QDialog*>(dialog)->accept();
            if (dialog->isVisible()) dialog->reject();
        });
        Pick("New1");
    }
};

TEST_F(FileCommands, ChooseLogsTheFileAndRemembersItsFolder) {
    Start();
    std::filesystem::create_directories(work / "src");
    const std::string source = work / "src/prog.sno";
    WriteFile(source, "END\n");
    Choose(source);
    EXPECT_EQ(dialogFolder, HomeDir());
    EXPECT_EQ(MemoLines().last(), QString::fromStdString("File: " + source));
    EXPECT_TRUE(Item("Edit1")->isEnabled());
    EXPECT_TRUE(Item("Run1")->isEnabled());
    EXPECT_EQ(MainForm->CurrentSource(), source);
    EXPECT_EQ(RegistryValue(), QString::fromStdString(work / "src/"));
    EXPECT_TRUE(messages.empty());

    // The next Choose starts in that folder; cancelling changes nothing.
    AnswerDialog(*MainForm, "OpenDialog", "");
    Pick("Choose1");
    EXPECT_EQ(dialogFolder, work / "src");
    EXPECT_EQ(MainForm->CurrentSource(), source);
    EXPECT_EQ(MemoLines().size(), 2);
}

// Blanks in a path are ordinary: Choose takes it without a word, and both
// processors get it as one argument.
TEST_F(FileCommands, APathWithBlanksIsChosenAndRunAsItIs) {
    std::filesystem::create_directories(work / "My  Files");
    const std::string source = work / "My  Files/prog .sno";
    WriteFile(source, "        OUTPUT = 'BLANKS'\nEND\n");
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    Start();
    Choose(source);
    EXPECT_EQ(MemoLines().last(), QString::fromStdString("File: " + source));
    EXPECT_EQ(MainForm->RememberedFolder(), work / "My  Files/");
    Pick("Run1");
    EXPECT_TRUE(messages.empty());
    EXPECT_NE(ReadFile(work / "My  Files/prog .lst").find("BLANKS"), std::string::npos);
    EXPECT_EQ(EditorArguments(), "-r|" + (work / "My  Files/prog .lst"));

    OptionsForm->findChild<QTableWidget*>("StringGrid1")->item(0, 1)->setText("No");
    Find<QPushButton>(*OptionsForm, "OK")->click();
    Pick("Run1");
    EXPECT_EQ(ReadFile(work / "snobol4.args"), "-r -l $sno.lst " + source + "\n");
    EXPECT_TRUE(messages.empty());
}

TEST_F(FileCommands, NewAsksBeforeItReplacesAFile) {
    Start();
    const std::string source = work / "fresh.sno";
    WriteFile(source, "old program\n");
    New(source, false);
    EXPECT_EQ(ReadFile(source), "old program\n");
    EXPECT_TRUE(MainForm->CurrentSource().empty());
    EXPECT_FALSE(Item("Run1")->isEnabled());

    New(source, true);
    EXPECT_EQ(ReadFile(source),
              "* A SNOBOL4 Program\n* program goes here\n\nEND\nData goes here\n");
    EXPECT_EQ(MemoLines().last(), QString::fromStdString("Creating: " + source));
    EXPECT_TRUE(Item("Run1")->isEnabled());
    // Choose starts where the new file is.
    EXPECT_EQ(MainForm->RememberedFolder(), work.Path() + "/");
    EXPECT_EQ(RegistryValue(), QString::fromStdString(work.Path() + "/"));
    EXPECT_TRUE(messages.empty());
    AnswerDialog(*MainForm, "OpenDialog", "");
    Pick("Choose1");
    EXPECT_EQ(dialogFolder, work.Path());
}

TEST_F(FileCommands, NewAddsTheSuffixOnlyUnderTheSnobolFilter) {
    Start();
    New(work / "bare");
    EXPECT_EQ(MainForm->CurrentSource(), work / "bare.sno");
    EXPECT_TRUE(Exists(work / "bare.sno"));
    New(work / "other.kev");
    EXPECT_EQ(MainForm->CurrentSource(), work / "other.kev");
    New(work / "plain", std::nullopt, "All files (*)");
    EXPECT_EQ(MainForm->CurrentSource(), work / "plain");
    EXPECT_TRUE(Exists(work / "plain"));
}

TEST_F(FileCommands, NewThatCannotCreateTheFileSaysSoAndGoesOn) {
    Start();
    const std::string source = work / "missing-folder/fresh.sno";
    AnswerDialog(*MainForm, "SaveDialog1", source);
    Pick("New1");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromStdString("Cannot create " + source));
    EXPECT_EQ(messages[0].caption, "Oops:Error");
    EXPECT_EQ(MemoLines().last(), QString::fromStdString("Creating: " + source));
    EXPECT_TRUE(Item("Edit1")->isEnabled());
}

TEST_F(FileCommands, NoCompletionOutlivesTheChooseDialog) {
    Start();
    const std::string source = work / "words.sno";
    WriteFile(source, "END\n");
    Choose(source);
    auto* dialog = Find<QFileDialog>(*MainForm, "OpenDialog");
    EXPECT_FALSE(dialog->isVisible());
    // A completion that comes late (the folder is read in the background;
    // Qt then completes again for a completer that still has its field)
    // shows no popup over the hidden dialog, so the next keys go elsewhere.
    for (QCompleter* completer : dialog->findChildren<QCompleter*>()) {
        if (completer->widget() != nullptr) completer->complete();
    }
    Settle();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    auto* name = Find<QLineEdit>(*dialog, "fileNameEdit");
    const QString offered = name->text();
    Key(*MainForm, Qt::Key_F, Qt::AltModifier, "f");
    EXPECT_EQ(name->text(), offered);
    // The next Choose still completes names.
    QTimer::singleShot(0, dialog, [name] {
        EXPECT_NE(name->completer(), nullptr);
        name->setText("x");
    });
    AnswerDialog(*MainForm, "OpenDialog", source);
    Pick("Choose1");
    EXPECT_EQ(MainForm->CurrentSource(), source);
}

TEST_F(FileCommands, EditCarriesTheLastFontSwitch) {
    Start();
    const std::string source = work / "prog.sno";
    WriteFile(source, "END\n");
    Choose(source);
    Pick("FontMenu");
    Pick("Smaller1");
    Pick("Edit1");
    EXPECT_EQ(EditorArguments(), "/S|" + source);
    EXPECT_FALSE(MainForm->LargerFontChosen());
}

// "my  prog.sno" (two blanks) beside "my prog.sno": Edit opens the one chosen.
TEST_F(FileCommands, EditGivesTheEditorThePathWhole) {
    Start();
    const std::string chosen = work / "my  prog.sno";
    WriteFile(chosen, "END\n");
    WriteFile(work / "my prog.sno", "END\n");
    Choose(chosen);
    Pick("Edit1");
    EXPECT_EQ(EditorArguments(), chosen);
}

TEST_F(FileCommands, AHandOffEditorThatCannotStartIsReported) {
    Start();
    const std::string source = work / "prog.sno";
    WriteFile(source, "END\n");
    Choose(source);
    setenv("HARBEX_EDITOR", "harbex-no-such-editor", 1);
    Pick("Edit1");
    unsetenv("HARBEX_EDITOR");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Editor program not found");
    EXPECT_EQ(messages[0].caption, "Oops:Error");
}

// The editor that could not start the program it hands files to ends with
// status 127; other ends say nothing.
TEST_F(FileCommands, AnEditorThatCouldNotHandTheFileOnIsReported) {
    Start();
    const std::string source = work / "prog.sno";
    WriteFile(source, "END\n");
    Choose(source);
    for (const auto& [status, reported] : {std::pair{0, false}, std::pair{127, true}}) {
        messages.clear();
        std::filesystem::remove(programDir + "quillpad");
        WriteScript(programDir + "quillpad", "exit " + std::to_string(status) + "\n");
        Pick("Edit1");
        QElapsedTimer clock;
        clock.start();
        while (messages.empty() && clock.elapsed() < 1500)
            Settle();
        ASSERT_EQ(messages.size(), reported ? 1u : 0u) << status;
        if (reported) {
            EXPECT_EQ(messages[0].text, "Editor program not found");
        }
    }
}

// Debug starts quillpad with its debug switch on the source, remembered as
// an editor; with HARBEX_EDITOR naming another editor nothing starts.
TEST_F(FileCommands, DebugAsksQuillpadToDebugTheSource) {
    Start();
    const std::string source = work / "my prog.sno";
    WriteFile(source, "END\n");
    Choose(source);
    EXPECT_TRUE(Item("DebugSource1")->isEnabled());
    Pick("FontMenu");
    Pick("DebugSource1");
    EXPECT_EQ(EditorArguments(), "/L|--debug|" + source);
    EXPECT_EQ(MemoLines().last(), QString::fromStdString("Debugging in quillpad: " + source));
    EXPECT_TRUE(messages.empty());

    std::filesystem::remove(editorRecord);
    WriteScript(work / "own-editor", "exit 0\n");
    setenv("HARBEX_EDITOR", (work / "own-editor").c_str(), 1);
    Pick("DebugSource1");
    unsetenv("HARBEX_EDITOR");
    EXPECT_TRUE(MemoLines().last().startsWith("Not debugged: HARBEX_EDITOR"));
    EXPECT_TRUE(messages.empty());
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(Exists(editorRecord));
}

TEST_F(FileCommands, AMissingEditorIsReported) {
    Start();
    std::filesystem::remove(programDir + "quillpad");
    const std::string source = work / "prog.sno";
    WriteFile(source, "END\n");
    Choose(source);
    Pick("Edit1");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Editor program not found");
    EXPECT_EQ(messages[0].caption, "Oops:Error");
    EXPECT_EQ(messages[0].buttons, MessageButtons::OkCancel);
}

using Running = ShellTest;

TEST_F(Running, SubsetModeRunsVantelAndOpensItsListing) {
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    Start();
    const std::string source = work / "hello.sno";
    WriteFile(source, "        OUTPUT = 'HELLO'\nEND\n");
    Choose(source);
    Pick("Run1");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(EditorArguments(), "-r|" + (work / "hello.lst"));
    EXPECT_NE(ReadFile(work / "hello.lst").find("HELLO"), std::string::npos);
    EXPECT_FALSE(Exists(work / "hello.out"));
    EXPECT_FALSE(Exists(work / "hello.err"));
    EXPECT_EQ(MemoLines().mid(2),
              QStringList({QString::fromStdString("Running: " + source),
                           QString::fromStdString("Listing: " + work / "hello.lst"),
                           "Ended: status 0, 1 statements"}));
}

TEST_F(Running, EachRunEndsWithTheListingsSummary) {
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    Start();
    struct Case {
        const char* program;
        const char* summary;
    };
    for (const auto& [program, summary] :
         {Case{"        &CODE = 3\nEND\n", "Ended: status 3, 1 statements"},
          Case{"        X = 1 )\n        Y = 2 )\nEND\n", "Translation errors: 2"},
          Case{"        P = RTAB(-1)\nEND\n",
               "Error in statement 1: NEGATIVE ARG FOR PATTERN-VALUED PRIMITIVE FUNCTION"}}) {
        const std::string source = work / "prog.sno";
        WriteFile(source, program);
        Choose(source);
        Pick("Run1");
        EXPECT_EQ(MemoLines().last(), summary) << program;
    }
}

// A run that left no listing gives vantel's own words, in the memo and in
// a box, and opens no listing window.
TEST_F(Running, ARunWithoutAListingSaysWhyInVantelsWords) {
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    Start();
    const std::string absent = work / "absent.sno";
    const std::string blocked = work / "blocked.sno";
    WriteFile(blocked, "END\n");
    std::filesystem::create_directory(work / "blocked.lst"); // the listing cannot be made
    struct Case {
        std::string source, words;
    };
    for (const Case& c : {Case{absent, "vantel: cannot open " + absent},
                          Case{blocked, "vantel: cannot create " + work / "blocked.lst"}}) {
        messages.clear();
        Choose(c.source);
        Pick("Run1");
        EXPECT_EQ(MemoLines().last(), QString::fromStdString("No listing: " + c.words));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text,
                  QString::fromStdString("The run left no listing.\n\n" + c.words));
        EXPECT_EQ(messages[0].caption, "Oops:Error");
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(Exists(editorRecord));
}

TEST_F(Running, StopEndsTheProcessorAndTheRunGoesOn) {
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    const std::string record = work / "term.record";
    MakeLoopingProcessor(record);
    Start();
    const std::string source = work / "loop.sno";
    WriteFile(source, "LOOP :(LOOP)\nEND\n");
    Choose(source);
    QString title;
    bool wasRunning = false;
    bool memoTookKey = true;
    QTimer::singleShot(600, MainForm, [&] {
        // This timer ran, so the shell answers while the processor runs.
        auto* running = Find<QDialog>(*MainForm, "RunningForm");
        ASSERT_NE(running, nullptr);
        EXPECT_TRUE(running->isVisible());
        title = running->windowTitle();
        wasRunning = MainForm->IsRunning();
        // The main window takes no input meanwhile.
        auto* memo = Find<QPlainTextEdit>(*MainForm, "Memo1");
        const QString before = memo->toPlainText();
        Key(*memo, Qt::Key_X, Qt::NoModifier, "x");
        memoTookKey = memo->toPlainText() != before;
        // Stop is clicked as the platform delivers a click: through its window.
        QTest::mouseClick(Find<QPushButton>(*running, "Stop"), Qt::LeftButton);
    });
    QElapsedTimer clock;
    clock.start();
    Pick("Run1");
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(title, "Running loop.sno");
    EXPECT_TRUE(wasRunning);
    EXPECT_FALSE(memoTookKey);
    EXPECT_FALSE(MainForm->IsRunning());
    EXPECT_EQ(ReadFile(record), "TERM\n");
    EXPECT_EQ(EditorArguments(), "-r|" + (work / "loop.lst"));
    EXPECT_EQ(MemoLines().mid(2),
              QStringList({QString::fromStdString("Running: " + source),
                           QString::fromStdString("Stopped: " + source),
                           QString::fromStdString("Listing: " + work / "loop.lst")}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Running, ClosingDuringARunAsksAndStopsTheRunFirst) {
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    const std::string record = work / "term.record";
    MakeLoopingProcessor(record);
    Start();
    const std::string source = work / "loop.sno";
    WriteFile(source, "END\n");
    Choose(source);
    bool shownAfterNo = false;
    answer = false;
    QTimer::singleShot(400, MainForm, [&] {
        MainForm->close();
        shownAfterNo = MainForm->isVisible() && MainForm->IsRunning();
        answer = true;
        QTimer::singleShot(100, MainForm, [] { MainForm->close(); });
    });
    Pick("Run1");
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0], "A program is still running. Stop it and quit?");
    EXPECT_TRUE(shownAfterNo);
    EXPECT_FALSE(MainForm->isVisible());
    EXPECT_EQ(ReadFile(record), "TERM\n");
    // The shell closes instead of opening the listing.
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(Exists(editorRecord));
}

TEST_F(Running, FullModeMergesTheInterpretersFiles) {
    Start();
    const std::string source = work / "full.sno";
    WriteFile(source, "END\n");
    Choose(source);
    Pick("FontMenu");
    Pick("Run1");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(ReadFile(work / "snobol4.args"), "-r -l $sno.lst " + source + "\n");
    EXPECT_EQ(ReadFile(work / "full.lst"),
              "SNOBOL4 LISTING\n    1  END\n\n\nInterpreter Output and Errors:\nan error\n"
              "\nOutput:\nthe output\n");
    EXPECT_FALSE(Exists(work / "$sno.lst"));
    EXPECT_EQ(EditorArguments(), "/L|-r|" + (work / "full.lst"));
}

TEST_F(Running, AMissingProcessorIsReportedAndLeavesNoFiles) {
    Start();
    std::filesystem::remove(programDir + "snobol4");
    const std::string source = work / "full.sno";
    WriteFile(source, "END\n");
    WriteFile(work / "full.err", "the last run's errors\n");
    Choose(source);
    Pick("Run1");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Language processor not found");
    EXPECT_EQ(messages[0].caption, "Oops:Error");
    EXPECT_EQ(messages[0].buttons, MessageButtons::OkCancel);
    // The memo names the program looked for and the way to run with vantel.
    EXPECT_EQ(MemoLines().last(),
              QString::fromStdString("Cannot start " + programDir +
                                     "snobol4; to run with vantel, set Options/Run Options "
                                     "(Subset SNOBOL = Yes)"));
    EXPECT_FALSE(Exists(work / "full.out"));
    EXPECT_EQ(ReadFile(work / "full.err"), "the last run's errors\n");
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(Exists(editorRecord));
}

// A source that a file of the full run would replace is not run: neither
// emptied nor merged over.
TEST_F(Running, FullModeRefusesASourceThatItsFilesWouldReplace) {
    Start();
    for (const char* name : {"prog.lst", "prog.err", "prog.out"}) {
        // Each in a folder of its own, which the file dialog reads afresh.
        std::filesystem::create_directory(work / name + ".d");
        const std::string source = work / name + ".d/" + name;
        WriteFile(source, "        OUTPUT = 'KEEP ME'\nEND\n");
        messages.clear();
        Choose(source);
        Pick("Run1");
        ASSERT_EQ(messages.size(), 1u) << name;
        EXPECT_EQ(messages[0].text,
                  QString::fromStdString("Cannot create " + source + ": it is the source file"));
        EXPECT_EQ(messages[0].caption, "Oops:Error");
        EXPECT_EQ(ReadFile(source), "        OUTPUT = 'KEEP ME'\nEND\n") << name;
        EXPECT_FALSE(Exists(work / "snobol4.args")) << name;
    }
}

// quillpad's answers, given in its place; the files asked about are recorded.
class EditorAnswers {
public:
    EditorAnswers() {
        previous_ = SetEditorRequests(
            {[this](const QString& path) { return Answer(saves, saveReply, path); },
             [this](const QString& path) { return Answer(ends, endReply, path); }});
    }
    ~EditorAnswers() { SetEditorRequests(previous_); }
    EditorAnswers(const EditorAnswers&) = delete;
    EditorAnswers& operator=(const EditorAnswers&) = delete;

    quillpad::EditorReply saveReply, endReply;
    QStringList saves, ends;

private:
    static quillpad::EditorReply Answer(QStringList& asked, const quillpad::EditorReply& reply,
                                        const QString& path) {
        asked.push_back(path);
        return reply;
    }
    EditorRequests previous_;
};

TEST_F(Running, ARunSavesTheEditorsChangesFirst) {
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    Start();
    const std::string source = work / "hello.sno";
    const QString path = QString::fromStdString(source);
    WriteFile(source, "        OUTPUT = 'HELLO'\nEND\n");
    Choose(source);
    EditorAnswers quillpad;
    quillpad.saveReply = {quillpad::EditorAnswer::Saved, {}};
    Pick("Run1");
    EXPECT_EQ(quillpad.saves, QStringList{path});
    EXPECT_EQ(MemoLines().mid(2, 2), QStringList({"Saved: " + path, "Running: " + path}));
    EXPECT_TRUE(Exists(work / "hello.lst"));

    // Nothing to save: nothing said.
    quillpad.saveReply = {quillpad::EditorAnswer::Unchanged, {}};
    const qsizetype lines = MemoLines().size();
    Pick("Run1");
    EXPECT_EQ(MemoLines().at(lines), "Running: " + path);
}

TEST_F(Running, ARunWhoseSaveFailedDoesNotStart) {
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    Start();
    const std::string source = work / "hello.sno";
    const QString path = QString::fromStdString(source);
    WriteFile(source, "END\n");
    Choose(source);
    EditorAnswers quillpad;
    quillpad.saveReply = {quillpad::EditorAnswer::Failed, "Permission denied."};
    Pick("Run1");
    EXPECT_EQ(MemoLines().last(),
              "Not run: the changes to " + path + " could not be saved. Permission denied.");
    EXPECT_FALSE(Exists(work / "hello.lst"));
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(Exists(editorRecord));

    // Another editor of the user's own is not asked.
    WriteRecordingEditor(work / "own-editor", work / "own.record");
    setenv("HARBEX_EDITOR", (work / "own-editor").c_str(), 1);
    Pick("Run1");
    unsetenv("HARBEX_EDITOR");
    EXPECT_EQ(quillpad.saves.size(), 1);
    EXPECT_TRUE(Exists(work / "hello.lst"));
}

using Ending = ShellTest;

TEST_F(Ending, ExitWritesTheSubsetChoiceMadeInTheOptionsDialog) {
    Start();
    Pick("Opt");
    ASSERT_TRUE(OptionsForm->isVisible());
    EXPECT_TRUE(MainForm->isVisible());
    Grid()->setCurrentCell(0, 1);
    Find<QPushButton>(*OptionsForm, "ChangeButton")->click();
    EXPECT_EQ(Cell(1, 0), "Yes");
    EXPECT_FALSE(MainForm->IsSubsetMode());
    Find<QPushButton>(*OptionsForm, "OK")->click();
    Settle();
    EXPECT_TRUE(MainForm->IsSubsetMode());
    EXPECT_FALSE(OptionsForm->isVisible());
    Pick("eXit1");
    EXPECT_FALSE(MainForm->isVisible());
    Stop();
    EXPECT_EQ(ReadFile(OptionFile()), "SUBSET=true\r\n");
}

TEST_F(Ending, ClosingTheShellEndsItsEditorAndNothingElse) {
    Start();
    const std::string source = work / "prog.sno";
    WriteFile(source, "END\n");
    Choose(source);
    Pick("Edit1");
    ASSERT_TRUE(WaitForFile(editorRecord, 10s));
    const int editor = RecordedPid(editorRecord);
    ASSERT_GT(editor, 0);

    pid_t bystander = 0;
    char sleepName[] = "sleep";
    char seconds[] = "30";
    char* argv[] = {sleepName, seconds, nullptr};
    ASSERT_EQ(posix_spawnp(&bystander, "sleep", nullptr, nullptr, argv, environ), 0);

    EXPECT_EQ(kill(editor, 0), 0);
    MainForm->close();
    Stop();
    EXPECT_NE(kill(editor, 0), 0);
    EXPECT_EQ(kill(bystander, 0), 0);
    kill(bystander, SIGKILL);
    waitpid(bystander, nullptr, 0);
}

TEST_F(Ending, AnEditorThatCannotKeepItsWorkIsToldOfAndLeftOpen) {
    Start();
    const std::string source = work / "prog.sno";
    WriteFile(source, "END\n");
    Choose(source);
    Pick("Edit1");
    ASSERT_TRUE(WaitForFile(editorRecord, 10s));
    const int kept = RecordedPid(editorRecord);
    std::filesystem::remove(editorRecord);
    Pick("Edit1"); // a second window process on the same file
    ASSERT_TRUE(WaitForFile(editorRecord, 10s));
    const int second = RecordedPid(editorRecord);

    EditorAnswers quillpad;
    quillpad.endReply = {quillpad::EditorAnswer::Failed, "No folder to keep it in."};
    Pick("eXit1");
    Stop();
    EXPECT_EQ(quillpad.ends, QStringList{QString::fromStdString(source)});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QString::fromStdString("The quillpad window of " + source +
                                     " still holds unsaved work and stays open. No folder to "
                                     "keep it in."));
    EXPECT_EQ(kill(kept, 0), 0);
    EXPECT_EQ(kill(second, 0), 0);
    for (int pid : {kept, second}) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

TEST_F(Ending, EditorsThatKeptTheirWorkEndAsBefore) {
    Start();
    const std::string source = work / "prog.sno";
    WriteFile(source, "END\n");
    Choose(source);
    Pick("Edit1");
    ASSERT_TRUE(WaitForFile(editorRecord, 10s));
    const int editor = RecordedPid(editorRecord);
    EditorAnswers quillpad;
    quillpad.endReply = {quillpad::EditorAnswer::Kept, {}};
    Pick("eXit1");
    Stop();
    EXPECT_EQ(quillpad.ends.size(), 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_NE(kill(editor, 0), 0);
}

TEST_F(Ending, TheAboutWindowIsOnlyHidden) {
    Start();
    Pick("About1");
    ASSERT_TRUE(AboutForm->isVisible());
    EXPECT_EQ(AboutForm->windowTitle(), "Generic Language Wrapper");
    EXPECT_FALSE(Find<QLabel>(*AboutForm, "Title")->text().isEmpty());
    Find<QPushButton>(*AboutForm, "AboutOK")->click();
    EXPECT_FALSE(AboutForm->isVisible());
    TAboutForm* first = AboutForm;
    Pick("About1");
    EXPECT_EQ(AboutForm, first);
    EXPECT_TRUE(AboutForm->isVisible());
    // Enter and Esc close it as OK does.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        Pick("About1");
        Activate(*AboutForm);
        Key(*Find<QPushButton>(*AboutForm, "AboutOK"), key);
        EXPECT_FALSE(AboutForm->isVisible()) << key;
    }
}

// Waits while children of the test end and are reaped through the events.
void SettleChildren(int expected) {
    QElapsedTimer clock;
    clock.start();
    while (test::ChildProcesses() != expected && clock.elapsed() < 5000) {
        QApplication::processEvents();
        std::this_thread::sleep_for(5ms);
    }
}

TEST_F(Ending, AThousandRunsLeaveNoDescriptorAndNoZombie) {
    WriteFile(OptionFile(), "SUBSET=true\r\n");
    // A processor and an editor that end at once (the system's true): the
    // shell's own costs only. Each child's end must be noticed and reaped.
    const std::string quick = Exists("/usr/bin/true") ? "/usr/bin/true" : "/bin/true";
    std::filesystem::remove(programDir + "quillpad");
    std::filesystem::create_symlink(quick, programDir + "quillpad");
    std::filesystem::remove(programDir + "vantel");
    WriteScript(programDir + "vantel", ": > \"${1%.*}.lst\"\n");
    const int children = test::ChildProcesses();
    Start();
    const std::string source = work / "hello.sno";
    WriteFile(source, "        OUTPUT = 'HELLO'\nEND\n");
    Choose(source);
    Pick("Run1"); // the first run may open what Qt keeps open for good
    SettleChildren(children);
    const int descriptors = test::OpenDescriptors();
    const qsizetype lines = MemoLines().size();
    for (int run = 0; run < 1000; ++run) {
        Item("Run1")->trigger();
        QApplication::processEvents();
    }
    SettleChildren(children);
    EXPECT_EQ(test::ChildProcesses(), children);
    EXPECT_EQ(test::OpenDescriptors(), descriptors);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(MemoLines().size(), lines + 2 * 1000); // "Running:" and "Listing:"
}

} // namespace
} // namespace harbex::test
