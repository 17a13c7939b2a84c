// The run pipeline without a screen: the listing merge and whole runs with
// stand-in processors and a recording editor.

#include "launcher/run_pipeline.h"
#include "launcher/text_files.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace harbex {
namespace {

using namespace std::chrono_literals;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Lines = std::vector<std::string>;

TEST(MergeListing, SectionsAppearOnlyWithContent) {
    EXPECT_EQ(MergeListing({"L1", "L2"}, {}, {"out1"}), "L1\nL2\n\n\nOutput:\nout1\n");
    EXPECT_EQ(MergeListing({"L1"}, {}, {}), "L1\n\n");
    EXPECT_EQ(MergeListing({}, {}, {}), "\n");
    EXPECT_EQ(MergeListing({"L1"}, {"e1", "e2"}, {"o1"}),
              "L1\n\n\nInterpreter Output and Errors:\ne1\ne2\n\nOutput:\no1\n");
    EXPECT_EQ(MergeListing({}, {"e1"}, {}), "\n\nInterpreter Output and Errors:\ne1\n");
    // An empty line is a line: its section is written.
    EXPECT_EQ(MergeListing({}, {}, {""}), "\n\nOutput:\n\n");
}

TEST(ReadLines, AcceptsBothLineEndsAndALastLineWithoutOne) {
    TempDir dir;
    WriteFile(dir / "f", "a\r\nb\n\nc");
    EXPECT_EQ(ReadLines(dir / "f"), (Lines{"a", "b", "", "c"}));
    WriteFile(dir / "empty", "");
    EXPECT_EQ(ReadLines(dir / "empty"), Lines{});
    EXPECT_FALSE(ReadLines(dir / "missing").has_value());
}

TEST(WriteFileWhole, ReplacesContentAndLeavesNoTemporaryFiles) {
    TempDir dir;
    WriteFile(dir / "f", "old content that is longer");
    ASSERT_TRUE(WriteFileWhole(dir / "f", "new"));
    EXPECT_EQ(ReadFile(dir / "f"), "new");
    EXPECT_FALSE(WriteFileWhole(dir / "missing-folder/f", "x"));
    // A folder in the way: nothing is written and the folder stays.
    std::filesystem::create_directory(dir / "taken");
    EXPECT_FALSE(WriteFileWhole(dir / "taken", "x"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

// Runs in a fresh folder that is also the working folder, where the full
// interpreter writes "$sno.lst".
class InFolder : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir.Path());
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    TempDir dir;

private:
    std::filesystem::path previous_;
};

using MergedListing = InFolder;

TEST_F(MergedListing, CopiesAllThreeFilesAndDeletesTheInterpreterListing) {
    WriteFile("$sno.lst", "LISTING 1\r\nLISTING 2\r\n");
    WriteFile(dir / "p.err", "oops\n");
    WriteFile(dir / "p.out", "result\n");
    ASSERT_TRUE(WriteMergedListing(dir / "p.lst", dir / "p.err", dir / "p.out"));
    EXPECT_EQ(
        ReadFile(dir / "p.lst"),
        "LISTING 1\nLISTING 2\n\n\nInterpreter Output and Errors:\noops\n\nOutput:\nresult\n");
    EXPECT_FALSE(test::Exists("$sno.lst"));
    EXPECT_TRUE(test::Exists(dir / "p.err"));
    EXPECT_TRUE(test::Exists(dir / "p.out"));
}

TEST_F(MergedListing, MissingInputsCountAsEmpty) {
    ASSERT_TRUE(WriteMergedListing(dir / "p.lst", dir / "p.err", dir / "p.out"));
    EXPECT_EQ(ReadFile(dir / "p.lst"), "\n");
}

TEST_F(MergedListing, LongLinesAreCopiedWholeAndDoNotEndTheCopy) {
    const std::string line499(499, 'a'), line500(500, 'b'), huge(100000, 'c');
    WriteFile("$sno.lst", line499 + "\n" + line500 + "\nafter\n");
    WriteFile(dir / "p.err", huge + "\nerr after\n");
    WriteFile(dir / "p.out", "x\n" + huge);
    ASSERT_TRUE(WriteMergedListing(dir / "p.lst", dir / "p.err", dir / "p.out"));
    EXPECT_EQ(ReadFile(dir / "p.lst"), line499 + "\n" + line500 + "\nafter\n\n" +
                                           "\nInterpreter Output and Errors:\n" + huge +
                                           "\nerr after\n\nOutput:\nx\n" + huge + "\n");
}

TEST_F(MergedListing, AnUnwritableListingKeepsTheInterpreterListing) {
    WriteFile("$sno.lst", "kept\n");
    std::filesystem::create_directory(dir / "p.lst");
    EXPECT_FALSE(WriteMergedListing(dir / "p.lst", dir / "p.err", dir / "p.out"));
    EXPECT_EQ(ReadFile("$sno.lst"), "kept\n");
}

// A program folder with stand-ins for the processors and the editor.
class Runs : public InFolder {
protected:
    void SetUp() override {
        InFolder::SetUp();
        std::filesystem::create_directory(dir / "bin");
        programDir = dir / "bin/";
        record = dir / "editor.record";
        test::WriteRecordingEditor(programDir + "quillpad", record);
        test::WriteScript(programDir + "vantel", "echo \"listing of $1\" > \"${1%.*}.lst\"\n");
        test::WriteScript(programDir + "snobol4", "[ \"$1 $2 $3\" = '-r -l $sno.lst' ] || exit 1\n"
                                                  "printf 'CARD 1\\nCARD 2\\n' > \"$3\"\n"
                                                  "echo 'program output'\necho 'an error' >&2\n");
        source = dir / "prog.sno";
        WriteFile(source, "END\n");
    }

    RunRequest Request(bool subset) const {
        return {programDir, programDir + "quillpad ", source, subset, false, false};
    }

    std::string EditorArguments() {
        EXPECT_TRUE(test::WaitForFile(record, 10s));
        return test::RecordedArguments(record);
    }

    ProcessExecute launcher;
    std::string programDir, record, source;
};

TEST_F(Runs, SubsetModeOpensVantelsListingWithoutAMerge) {
    WriteFile("$sno.lst", "left alone\n");
    const RunResult result = RunSource(launcher, Request(true));
    EXPECT_EQ(result.outcome, RunOutcome::Done);
    EXPECT_EQ(ReadFile(dir / "prog.lst"), "listing of " + source + "\n");
    EXPECT_FALSE(test::Exists(dir / "prog.out"));
    EXPECT_FALSE(test::Exists(dir / "prog.err"));
    EXPECT_EQ(ReadFile("$sno.lst"), "left alone\n");
    EXPECT_EQ(EditorArguments(), "-r|" + dir / "prog.lst");
}

TEST_F(Runs, FullModeMergesListingErrorsAndOutput) {
    RunRequest request = Request(false);
    request.largerFont = true;
    const RunResult result = RunSource(launcher, request);
    EXPECT_EQ(result.outcome, RunOutcome::Done);
    EXPECT_EQ(ReadFile(dir / "prog.lst"), "CARD 1\nCARD 2\n\n\nInterpreter Output and Errors:\n"
                                          "an error\n\nOutput:\nprogram output\n");
    EXPECT_EQ(ReadFile(dir / "prog.out"), "program output\n");
    EXPECT_EQ(ReadFile(dir / "prog.err"), "an error\n");
    EXPECT_FALSE(test::Exists("$sno.lst"));
    EXPECT_EQ(EditorArguments(), "/L|-r|" + dir / "prog.lst");
}

TEST_F(Runs, ASecondFullRunReplacesTheFirstRunsFiles) {
    ASSERT_EQ(RunSource(launcher, Request(false)).outcome, RunOutcome::Done);
    test::WriteScript(programDir + "snobol4", "echo 'ONLY CARD' > '$sno.lst'\n");
    ASSERT_EQ(RunSource(launcher, Request(false)).outcome, RunOutcome::Done);
    EXPECT_EQ(ReadFile(dir / "prog.lst"), "ONLY CARD\n\n");
    EXPECT_EQ(ReadFile(dir / "prog.out"), "");
    EXPECT_EQ(ReadFile(dir / "prog.err"), "");
}

// A missing processor leaves no files behind, and the last run's stay.
TEST_F(Runs, AMissingProcessorStopsBeforeAnyFileAndTheEditor) {
    std::filesystem::remove(programDir + "snobol4");
    WriteFile(dir / "prog.err", "the last run's errors\n");
    EXPECT_EQ(RunSource(launcher, Request(false)).outcome, RunOutcome::ProcessorNotFound);
    EXPECT_FALSE(test::Exists(dir / "prog.out"));
    EXPECT_EQ(ReadFile(dir / "prog.err"), "the last run's errors\n");
    EXPECT_FALSE(test::Exists(dir / "prog.lst"));
    // Found but not startable: the files it was given are removed again.
    std::filesystem::remove(dir / "prog.err");
    test::WriteFile(programDir + "snobol4", "\x7f"
                                            "ELF but not a program");
    chmod((programDir + "snobol4").c_str(), 0755);
    EXPECT_EQ(RunSource(launcher, Request(false)).outcome, RunOutcome::ProcessorNotFound);
    EXPECT_FALSE(test::Exists(dir / "prog.out"));
    EXPECT_FALSE(test::Exists(dir / "prog.err"));
    std::filesystem::remove(programDir + "vantel");
    EXPECT_EQ(RunSource(launcher, Request(true)).outcome, RunOutcome::ProcessorNotFound);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(test::Exists(record));
}

TEST_F(Runs, AMissingEditorIsReportedAfterTheListingIsBuilt) {
    std::filesystem::remove(programDir + "quillpad");
    EXPECT_EQ(RunSource(launcher, Request(false)).outcome, RunOutcome::EditorNotFound);
    EXPECT_TRUE(test::Exists(dir / "prog.lst"));
    RunRequest noEditor = Request(true);
    noEditor.editorCommand.clear();
    EXPECT_EQ(RunSource(launcher, noEditor).outcome, RunOutcome::EditorNotFound);
}

// A source that a file of the run would empty, replace or delete (also
// one that a file of the run leads to) is refused before anything is touched.
TEST_F(Runs, FullModeNeverReplacesItsSource) {
    std::filesystem::create_symlink(dir / "linked.sno", dir / "linked.err");
    for (const std::string& name :
         {std::string("prog.err"), std::string("prog.out"), std::string("prog.lst"),
          std::string("$sno.lst"), std::string("linked.sno")}) {
        source = dir / name;
        WriteFile(dir / name, "the source\n");
        const RunResult result = RunSource(launcher, Request(false));
        EXPECT_EQ(result.outcome, RunOutcome::WouldReplaceSource) << name;
        EXPECT_EQ(ReadFile(dir / name), "the source\n") << name;
        std::filesystem::remove(dir / name);
    }
    EXPECT_FALSE(test::Exists(record));
}

// vantel's reason for a missing listing is kept, from memory, never from a
// file beside the source; no editor opens on a listing not written.
TEST_F(Runs, VantelsOwnWordsComeBackWhenItWritesNoListing) {
    test::WriteScript(programDir + "vantel",
                      "echo \"vantel: cannot create ${1%.*}.lst\" >&2\nhead -c 9000 /dev/zero | "
                      "tr '\\0' x >&2\nexit 2\n");
    const RunResult result = RunSource(launcher, Request(true));
    EXPECT_EQ(result.outcome, RunOutcome::Done);
    EXPECT_FALSE(result.listingWritten);
    EXPECT_EQ(result.processorWords.substr(0, result.processorWords.find('\n')),
              "vantel: cannot create " + dir / "prog.lst");
    EXPECT_EQ(result.processorWords.size(), kProcessorWordsLimit);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(test::Exists(record));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_TRUE(entry.path().filename() == "prog.sno" || entry.is_directory()) << entry.path();
}

TEST_F(Runs, FilesThatCannotBeMadeAreNamed) {
    std::filesystem::create_directory(dir / "prog.lst");
    RunResult result = RunSource(launcher, Request(false));
    EXPECT_EQ(result.outcome, RunOutcome::CannotCreate);
    EXPECT_EQ(result.file, dir / "prog.lst");
    EXPECT_TRUE(test::Exists("$sno.lst"));

    source = dir / "no-such-folder/prog.sno";
    result = RunSource(launcher, Request(false));
    EXPECT_EQ(result.outcome, RunOutcome::CannotCreate);
    EXPECT_EQ(result.file, dir / "no-such-folder/prog.err");
}

TEST_F(Runs, EditSourceCarriesTheFontSwitch) {
    RunRequest request = Request(true);
    request.smallerFont = true;
    ASSERT_TRUE(EditSource(launcher, request));
    EXPECT_EQ(EditorArguments(), "/S|" + source);
    request.editorCommand.clear();
    EXPECT_FALSE(EditSource(launcher, request));
}

// Two files whose names differ only in their blanks: the editor is given
// the one chosen, never the other.
TEST_F(Runs, TheEditorOpensExactlyTheChosenPath) {
    const std::string twoBlanks = dir / "my  prog.sno";
    WriteFile(twoBlanks, "END\n");
    WriteFile(dir / "my prog.sno", "END\n");
    source = twoBlanks;
    ASSERT_TRUE(EditSource(launcher, Request(true)));
    EXPECT_EQ(EditorArguments(), twoBlanks);
    std::filesystem::remove(record);
    ASSERT_EQ(OpenListing(launcher, Request(true), dir / "my  prog.lst"), RunOutcome::Done);
    EXPECT_EQ(EditorArguments(), "-r|" + dir / "my  prog.lst");
}

TEST_F(Runs, AHandOffEditorThatCannotStartIsAMissingEditor) {
    setenv("HARBEX_EDITOR", "harbex-no-such-editor --wait", 1);
    const bool edited = EditSource(launcher, Request(true));
    const RunResult result = RunSource(launcher, Request(true));
    unsetenv("HARBEX_EDITOR");
    EXPECT_FALSE(edited);
    EXPECT_EQ(result.outcome, RunOutcome::EditorNotFound);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(test::Exists(record));
}

TEST_F(Runs, TheResultCarriesTheListingsSummary) {
    test::WriteScript(programDir + "vantel",
                      "printf 'Execution begins...\\n EXECUTION HAS TERMINATED.\\n"
                      " NUMBER OF STATEMENTS EXECUTED: 7\\n' > \"${1%.*}.lst\"\nexit 3\n");
    EXPECT_EQ(RunSource(launcher, Request(true)).summary, "Ended: status 3, 7 statements");
    // A listing the run did not write says nothing of this run.
    test::WriteScript(programDir + "vantel", "exit 0\n");
    const RunResult stale = RunSource(launcher, Request(true));
    EXPECT_FALSE(stale.listingWritten);
    EXPECT_EQ(stale.summary, std::nullopt);
}

} // namespace
} // namespace harbex
