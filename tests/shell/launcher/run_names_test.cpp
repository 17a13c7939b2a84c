// Names, command lines and folders of the shell: pure functions.

#include "fileinfo/run_names.h"
#include "launcher/process_execute.h"
#include "launcher/run_files.h"
#include "launcher/shell_paths.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace harbex {
namespace {

TEST(SourceBase, EndsAtTheLastDotThatIsNotTheFirstCharacter) {
    EXPECT_EQ(SourceBase("/work/prog.sno"), "/work/prog.");
    EXPECT_EQ(SourceBase("/work/a.b.sno"), "/work/a.b.");
    EXPECT_EQ(SourceBase("/work/prog."), "/work/prog.");
    // A dot only in a folder name counts as well.
    EXPECT_EQ(SourceBase("/my.dir/prog"), "/my.");
    // No usable dot: the whole path and a dot, never the first character alone.
    EXPECT_EQ(SourceBase("/work/prog"), "/work/prog.");
    EXPECT_EQ(SourceBase(".hidden"), ".hidden.");
}

TEST(RunFiles, FullRunFilesSitBesideTheSource) {
    const FullRunFiles files = FullRunFilesFor("/work/prog.sno");
    EXPECT_EQ(files.listing, "/work/prog.lst");
    EXPECT_EQ(files.output, "/work/prog.out");
    EXPECT_EQ(files.errors, "/work/prog.err");
    EXPECT_EQ(FullRunFilesFor("/my.dir/prog").listing, "/my.lst");
    EXPECT_EQ(FullRunFilesFor("/work/prog").listing, "/work/prog.lst");
}

TEST(RunFiles, SubsetListingIsTheOneVantelWrites) {
    EXPECT_EQ(SubsetListingFor("/work/prog.sno"), "/work/prog.lst");
    EXPECT_EQ(SubsetListingFor("/my.dir/prog"), "/my.lst");
    EXPECT_EQ(SubsetListingFor("prog."), "prog.lst");
    EXPECT_EQ(SubsetListingFor("prog"), "SNOBOL4.out");
    EXPECT_EQ(SubsetListingFor(".hidden"), "SNOBOL4.out");
}

// The listing name rule, against vantel itself: each source of the table is
// run from a folder of its own, and the one file vantel made must be the
// one ListingNameFor names. (Names whose listing would be the source
// itself are left out: vantel refuses those.)
TEST(ListingNameFor, NamesTheFileVantelWrites) {
    const std::vector<std::string> sources = {
        "prog.sno",    "prog",         "prog.",       "a.b.sno",      ".hidden",
        "my prog.sno", "sub/prog.sno", "my.dir/prog", "./prog.sno",   "./prog",
        "prog.SNO",    "sub/.hidden",  "x.y/z",       "prog.lst.sno", "a..sno"};
    const std::filesystem::path previous = std::filesystem::current_path();
    for (const std::string& source : sources) {
        test::TempDir dir;
        std::filesystem::current_path(dir.Path());
        std::filesystem::create_directories(std::filesystem::path(source).parent_path().empty()
                                                ? "."
                                                : std::filesystem::path(source).parent_path());
        test::WriteFile(source, "END\n");
        ProcessExecute launcher;
        ProcessHandle handle = kNoHandle;
        ASSERT_TRUE(launcher.Launch({VANTEL_PATH, source}, handle, kWaitInfinite));
        std::vector<std::filesystem::path> made;
        for (const auto& entry : std::filesystem::recursive_directory_iterator("."))
            if (entry.is_regular_file() && !std::filesystem::equivalent(entry.path(), source))
                made.push_back(entry.path());
        ASSERT_EQ(made.size(), 1u) << source;
        EXPECT_TRUE(std::filesystem::equivalent(made[0], ListingNameFor(source)))
            << source << " -> " << made[0] << ", not " << ListingNameFor(source);
        EXPECT_EQ(SubsetListingFor(source), ListingNameFor(source));
    }
    std::filesystem::current_path(previous);
}

TEST(CommandLines, ProcessorInBothModes) {
    EXPECT_EQ(ProcessorCommand("/opt/sno/", true, "/work/prog.sno"),
              "/opt/sno/vantel /work/prog.sno");
    EXPECT_EQ(ProcessorCommand("/opt/sno/", false, "/work/prog.sno"),
              "/opt/sno/snobol4 -r -l $sno.lst /work/prog.sno");
    EXPECT_EQ(ProcessorCommand("./", true, "p.sno"), "./vantel p.sno");
    // Started, the source is one argument, blanks and all.
    using Words = std::vector<std::string>;
    EXPECT_EQ(ProcessorArguments("/opt/sno/", true, "/w/My  Files/p .sno"),
              (Words{"/opt/sno/vantel", "/w/My  Files/p .sno"}));
    EXPECT_EQ(ProcessorArguments("/opt/sno/", false, "/w/a b.sno"),
              (Words{"/opt/sno/snobol4", "-r", "-l", "$sno.lst", "/w/a b.sno"}));
}

TEST(CommandLines, EditorCarriesAtMostOneFontSwitch) {
    const std::string editor = "/opt/sno/quillpad ";
    EXPECT_EQ(EditSourceCommand(editor, false, false, "/w/p.sno"), "/opt/sno/quillpad /w/p.sno");
    EXPECT_EQ(EditSourceCommand(editor, true, false, "/w/p.sno"), "/opt/sno/quillpad  /L /w/p.sno");
    EXPECT_EQ(EditSourceCommand(editor, false, true, "/w/p.sno"), "/opt/sno/quillpad  /S /w/p.sno");
    EXPECT_EQ(EditSourceCommand(editor, true, true, "/w/p.sno"), "/opt/sno/quillpad  /L /w/p.sno");
    EXPECT_EQ(EditListingCommand(editor, false, false, "/w/p.lst"),
              "/opt/sno/quillpad  -r /w/p.lst ");
    EXPECT_EQ(EditListingCommand(editor, true, false, "/w/p.lst"),
              "/opt/sno/quillpad  /L  -r /w/p.lst ");
    EXPECT_EQ(EditListingCommand(editor, false, true, "/w/p.lst"),
              "/opt/sno/quillpad  /S  -r /w/p.lst ");
}

// The words of the command, then the file whole: a path's blanks (two in a
// row, or one at its end) reach the editor as they are.
TEST(CommandLines, TheEditorGetsTheFileAsOneArgument) {
    using Words = std::vector<std::string>;
    const std::string editor = "/opt/sno/quillpad ";
    EXPECT_EQ(EditSourceArguments(editor, false, false, "/w/my  prog.sno"),
              (Words{"/opt/sno/quillpad", "/w/my  prog.sno"}));
    EXPECT_EQ(EditSourceArguments(editor, false, true, "/w/a b "),
              (Words{"/opt/sno/quillpad", "/S", "/w/a b "}));
    EXPECT_EQ(EditListingArguments(editor, true, false, "/w/My Files/p.lst"),
              (Words{"/opt/sno/quillpad", "/L", "-r", "/w/My Files/p.lst"}));
    EXPECT_EQ(EditListingArguments(editor, false, false, "/w/p.lst"),
              (Words{"/opt/sno/quillpad", "-r", "/w/p.lst"}));
}

TEST(CommandLines, AHandOffEditorMustBeStartable) {
    test::TempDir dir;
    test::WriteScript(dir / "myedit", "exit 0\n");
    test::WriteFile(dir / "plain", "not a program");
    const std::string path = "/nowhere:" + dir.Path();
    struct Case {
        const char* value;
        bool startable;
    };
    const std::string full = dir / "myedit --wait";
    const std::string plain = dir / "plain";
    const std::string folder = dir.Path();
    for (const auto& [value, startable] :
         {Case{nullptr, true}, Case{"", true}, Case{"   ", true}, Case{"myedit", true},
          Case{"  myedit  -n ", true}, Case{full.c_str(), true}, Case{"no-such-editor-here", false},
          Case{plain.c_str(), false}, Case{folder.c_str(), false},
          Case{"/no/such/editor", false}}) {
        EXPECT_EQ(HandOffEditorStartable(value, path.c_str()), startable)
            << (value == nullptr ? "(unset)" : value);
    }
    EXPECT_FALSE(HandOffEditorStartable("myedit", nullptr));
}

TEST(CommandLines, LongPathsAreNeverCut) {
    const std::string source = "/" + std::string(700, 'd') + "/prog.sno";
    const std::string command = ProcessorCommand("/opt/", false, source);
    EXPECT_EQ(command.size(), std::string("/opt/snobol4 -r -l $sno.lst ").size() + source.size());
    EXPECT_EQ(command.substr(command.size() - source.size()), source);
    EXPECT_EQ(FullRunFilesFor(source).listing.size(), source.size());
}

TEST(ShellPaths, ProgramFolderKeepsItsSeparator) {
    EXPECT_EQ(ProgramDirOf("/opt/sno/harbex"), "/opt/sno/");
    EXPECT_EQ(ProgramDirOf("/harbex"), "/");
    EXPECT_EQ(ProgramDirOf("harbex"), "");
    EXPECT_FALSE(ExecutablePath().empty());
}

TEST(ShellPaths, ToolsComeFromTheProgramFolderWhenTheCurrentFolderIsUsable) {
    ToolPaths tools = ChooseToolPaths("/opt/sno/", std::string("/home/u"));
    EXPECT_EQ(tools.editorCommand, "/opt/sno/quillpad ");
    EXPECT_EQ(tools.processorDir, "/opt/sno/");
    tools = ChooseToolPaths("/opt/sno", std::string("/"));
    EXPECT_EQ(tools.editorCommand, "/opt/sno/quillpad ");
    EXPECT_EQ(tools.processorDir, "/opt/sno/");
    tools = ChooseToolPaths("/opt/sno/", "/" + std::string(kFolderBufferSize - 2, 'x'));
    EXPECT_EQ(tools.processorDir, "/opt/sno/");
}

TEST(ShellPaths, AnUnusableCurrentFolderLeavesNoEditor) {
    for (const std::optional<std::string>& folder :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("/" + std::string(kFolderBufferSize - 1, 'x'))}) {
        const ToolPaths tools = ChooseToolPaths("/opt/sno/", folder);
        EXPECT_EQ(tools.editorCommand, "");
        EXPECT_EQ(tools.processorDir, "./");
    }
}

TEST(ShellPaths, OptionFileLivesInTheConfigurationFolder) {
    EXPECT_EQ(OptionFilePath("/cfg", "/home/u"), "/cfg/SNOBOL.ini");
    EXPECT_EQ(OptionFilePath("/cfg/", "/home/u"), "/cfg/SNOBOL.ini");
    EXPECT_EQ(OptionFilePath(nullptr, "/home/u"), "/home/u/.config/SNOBOL.ini");
    EXPECT_EQ(OptionFilePath("", "/home/u"), "/home/u/.config/SNOBOL.ini");
    EXPECT_EQ(OptionFilePath(nullptr, nullptr), "/SNOBOL.ini");
}

TEST(ShellPaths, RememberedFolderDefaultsToHome) {
    EXPECT_EQ(DefaultCurrentDir("/home/u"), "/home/u/");
    EXPECT_EQ(DefaultCurrentDir("/home/u/"), "/home/u/");
    EXPECT_EQ(DefaultCurrentDir(nullptr), "/");
}

TEST(ShellPaths, ChosenFolderKeepsTheSeparator) {
    EXPECT_EQ(ChosenFolder("/work/prog.sno"), "/work/");
    EXPECT_EQ(ChosenFolder("/My Files/prog.sno"), "/My Files/");
    EXPECT_EQ(ChosenFolder("/prog.sno"), "/");
    // The search starts at the second-to-last character.
    EXPECT_EQ(ChosenFolder("/work/dir/"), "/work/");
    // Without a separator, the first character.
    EXPECT_EQ(ChosenFolder("prog.sno"), "p");
    EXPECT_EQ(ChosenFolder(""), "");
}

} // namespace
} // namespace harbex
