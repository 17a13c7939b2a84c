// The command lines harbex builds, and what the switches do to the window.

#include "command_line.h"
#include "quillpad_test_support.h"
#include "single_instance.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <filesystem>
#include <gtest/gtest.h>

namespace quillpad {
namespace {

using test::Q;

TEST(Switches, TheCommandLinesHarbexBuilds) {
    struct Case {
        std::vector<std::string> words;
        FontSwitch font;
        bool readOnly;
        std::string file;
    };
    const std::vector<Case> cases = {
        {{"/w/prog.sno"}, FontSwitch::Normal, false, "/w/prog.sno"},
        {{"/L", "-r", "/w/prog.lst"}, FontSwitch::Larger, true, "/w/prog.lst"},
        {{"/S", "/w/prog.sno"}, FontSwitch::Smaller, false, "/w/prog.sno"},
        // A path split at its blanks is joined again with single blanks.
        {{"-r", "/w/My", "Files/prog.lst"}, FontSwitch::Normal, true, "/w/My Files/prog.lst"},
        {{"/L", "/S", "a"}, FontSwitch::Smaller, false, "a"},
        {{"/L", "-r"}, FontSwitch::Larger, true, ""},
        // A path given as one argument is taken whole, its blanks included.
        {{"/w/my  prog.sno"}, FontSwitch::Normal, false, "/w/my  prog.sno"},
        {{"/S", " /w/lead and trail "}, FontSwitch::Smaller, false, " /w/lead and trail "},
        {{"-r", "/w/a  b.lst"}, FontSwitch::Normal, true, "/w/a  b.lst"},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.words);
        EXPECT_EQ(line.font, c.font) << c.file;
        EXPECT_EQ(line.readOnly, c.readOnly) << c.file;
        EXPECT_EQ(line.file, c.file);
    }
}

TEST(Switches, DebugSwitchReadsBackFromItsWords) {
    const CommandLine line = ParseCommandLine({"--debug", "/S", "/w/my prog.sno"});
    EXPECT_TRUE(line.debug);
    EXPECT_EQ(line.file, "/w/my prog.sno");
    const CommandLine again = ParseCommandLine(CommandWords(line));
    EXPECT_TRUE(again.debug);
    EXPECT_EQ(again.font, FontSwitch::Smaller);
    EXPECT_EQ(again.file, line.file);
}

TEST(Switches, HandOffToTheUsersEditor) {
    EXPECT_FALSE(HandOffArguments(nullptr, "/w/a.sno"));
    EXPECT_FALSE(HandOffArguments("   ", "/w/a.sno"));
    EXPECT_EQ(*HandOffArguments("gvim", "/w/My Files/a.sno"),
              (std::vector<std::string>{"gvim", "/w/My Files/a.sno"}));
    EXPECT_EQ(*HandOffArguments(" emacs  -nw ", "a.sno"),
              (std::vector<std::string>{"emacs", "-nw", "a.sno"}));
}

TEST(Switches, QuillpadNamedAsTheUsersEditorIsRecognised) {
    test::TempDir dir;
    const std::string own = std::string(QUILLPAD_PATH);
    const std::string folder = own.substr(0, own.rfind('/') + 1);
    std::filesystem::create_symlink(own, dir / "myeditor");
    test::WriteScript(dir / "gvim", "exit 0\n");
    const std::string path = qEnvironmentVariable("PATH").toStdString();
    setenv("PATH", (dir.Path() + ":" + path).c_str(), 1);
    struct Case {
        std::string program;
        bool itself;
    };
    const std::vector<Case> cases = {
        {"quillpad", true},        {"quillpad-editor", true},
        {"/opt/x/quillpad", true}, {dir / "myeditor", true},
        {"myeditor", true},        {own, true},
        {"gvim", false},           {dir / "gvim", false},
        {"no-such-editor", false}, {folder + "vantel", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsQuillpadItself(c.program, folder), c.itself) << c.program;
    setenv("PATH", path.c_str(), 1);
}

TEST(Switches, TheFrontReportsAnEditorThatCannotStartAndIgnoresItself) {
    test::TempDir dir;
    const QString file = Q(dir / "prog.lst");
    test::WriteFile(dir / "prog.lst", "listing\n");
    QProcess front;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HARBEX_EDITOR", Q(dir / "no-such-editor") + " -x");
    front.setProcessEnvironment(environment);
    front.start(QUILLPAD_PATH, {"-r", file});
    ASSERT_TRUE(front.waitForFinished(10000));
    EXPECT_EQ(front.exitCode(), 127);
    EXPECT_TRUE(front.readAllStandardError().contains("cannot start"));

    // quillpad named there would start itself for ever: its own window opens.
    environment.insert("HARBEX_EDITOR", "quillpad");
    front.setProcessEnvironment(environment);
    front.start(QUILLPAD_PATH, {"-r", file});
    ASSERT_TRUE(front.waitForStarted());
    ASSERT_TRUE(test::WaitUntil([&] { return HandOff(InstanceSocketFor(file), {file}); }));
    // The window may answer before this process has read the front's message.
    QByteArray errors;
    EXPECT_TRUE(test::WaitUntil([&] {
        errors += front.readAllStandardError();
        return errors.contains("names quillpad itself");
    }));
    front.terminate();
    ASSERT_TRUE(front.waitForFinished(10000));
    EXPECT_EQ(front.exitCode(), 0);
}

TEST(Switches, LargerAndSmallerFontsAreVisiblyDifferent) {
    test::TempDir dir;
    const std::string file = dir / "prog.sno";
    test::WriteFile(file, "END\n");
    auto pointSize = [&](FontSwitch font) {
        EditorWindow window({Q(file), font, false});
        return window.Editor().font().pointSize();
    };
    const int normal = pointSize(FontSwitch::Normal);
    EXPECT_GE(pointSize(FontSwitch::Larger), normal + 2);
    EXPECT_LE(pointSize(FontSwitch::Smaller), normal - 2);
    for (int base = 6; base <= 16; ++base) {
        EXPECT_GT(FontPointSize(FontSwitch::Larger, base), FontPointSize(FontSwitch::Normal, base));
        EXPECT_LT(FontPointSize(FontSwitch::Smaller, base),
                  FontPointSize(FontSwitch::Normal, base));
    }
}

TEST(Switches, ReadOnlyListingViewAndAMissingFile) {
    test::TempDir dir;
    const std::string listing = dir / "prog.lst";
    test::WriteFile(listing, "listing\n");
    EditorWindow view({Q(listing), FontSwitch::Normal, true});
    EXPECT_TRUE(view.Editor().isReadOnly());
    EXPECT_FALSE(view.Save());
    EXPECT_EQ(test::ReadFile(listing), "listing\n");

    // A missing file opens empty, says so, and saving creates it.
    const std::string missing = dir / "new.sno";
    EditorWindow editor({Q(missing), FontSwitch::Normal, false});
    EXPECT_TRUE(test::TextOf(editor).isEmpty());
    const auto* notice = editor.findChild<QLabel*>("notice");
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().contains("does not exist"));
    editor.Editor().insertPlainText("END\n");
    EXPECT_TRUE(editor.Save());
    EXPECT_EQ(test::ReadFile(missing), "END\n");
}

} // namespace
} // namespace quillpad
