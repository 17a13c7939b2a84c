// Nothing of the user's lost: saving writes the file whole, bytes the user
// did not edit stay as they were, and unsaved changes survive SIGTERM in a
// recovery file that the next opening offers.

#include "end_signals.h"
#include "file_store.h"
#include "quillpad_test_support.h"

#include <QPlainTextEdit>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillpad {
namespace {

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        test::AskedQuestions() = {};
        test::WriteFile(file, "* saved\nEND\n");
        QString error;
        ASSERT_FALSE(StateFolder(error).isEmpty()) << error.toStdString(); // for planted files
    }
    std::unique_ptr<EditorWindow> Open() {
        auto window = std::make_unique<EditorWindow>(OpenRequest{test::Q(file)});
        window->show();
        return window;
    }
    void Type(EditorWindow& window, const QString& text) {
        window.Editor().moveCursor(QTextCursor::Start);
        window.Editor().insertPlainText(text);
    }
    std::string RecoveryFile() const { return RecoveryPathFor(test::Q(file)).toStdString(); }

    test::TempDir dir;
    std::string file = dir / "prog.sno";
};

TEST_F(Recovery, SigtermKeepsUnsavedChangesAndTheNextOpeningOffersThem) {
    // In the user's own state folder, nothing beside the file.
    const std::string state = std::string(std::getenv("XDG_STATE_HOME")) + "/quillpad/";
    EXPECT_EQ(RecoveryFile().rfind(state, 0), 0u) << RecoveryFile();
    {
        auto window = Open();
        Type(*window, "* typed\n");
        EndSignals ends;
        ASSERT_TRUE(ends.Installed());
        QObject::connect(&ends, &EndSignals::endRequested, window.get(),
                         &EditorWindow::EndOnRequest);
        raise(SIGTERM);
        ASSERT_TRUE(test::WaitUntil([&] { return !window->isVisible(); }));
    }
    EXPECT_TRUE(test::AskedQuestions().asked.isEmpty()); // ended without asking
    EXPECT_EQ(test::ReadFile(file), "* saved\nEND\n");
    EXPECT_EQ(test::ReadFile(RecoveryFile()), "* typed\n* saved\nEND\n");
    EXPECT_FALSE(test::Exists(LegacyRecoveryPathFor(test::Q(file)).toStdString()));
    struct stat status {};
    ASSERT_EQ(stat(RecoveryFile().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    test::AskedQuestions().answers = {QMessageBox::Yes};
    auto window = Open();
    ASSERT_EQ(test::AskedQuestions().asked.size(), 1);
    EXPECT_TRUE(test::AskedQuestions().asked[0].contains("Restore"));
    EXPECT_EQ(test::TextOf(*window), "* typed\n* saved\nEND\n");
    EXPECT_TRUE(window->Editor().document()->isModified());
    window->Editor().undo(); // back to the file as saved
    EXPECT_EQ(test::TextOf(*window), "* saved\nEND\n");
    window->Editor().redo();
    EXPECT_TRUE(test::Exists(RecoveryFile())); // until saved
    ASSERT_TRUE(window->Save());
    EXPECT_FALSE(test::Exists(RecoveryFile()));
    EXPECT_EQ(test::ReadFile(file), "* typed\n* saved\nEND\n");
}

TEST_F(Recovery, DeclinedOrStaleRecoveryIsDroppedAndAnUnmodifiedEndKeepsNothing) {
    test::WriteFile(RecoveryFile(), "* other\n");
    test::AskedQuestions().answers = {QMessageBox::No};
    Open().reset();
    EXPECT_FALSE(test::Exists(RecoveryFile()));

    // Kept changes that equal the file are nothing to offer.
    test::WriteFile(RecoveryFile(), "* saved\nEND\n");
    Open().reset();
    EXPECT_FALSE(test::Exists(RecoveryFile()));
    EXPECT_EQ(test::AskedQuestions().asked.size(), 1);

    auto window = Open();
    window->EndOnRequest();
    EXPECT_FALSE(test::Exists(RecoveryFile()));
}

TEST_F(Recovery, ClosingWithChangesAsks) {
    auto window = Open();
    Type(*window, "* typed\n");
    test::AskedQuestions().answers = {QMessageBox::Cancel, QMessageBox::Save};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(test::ReadFile(file), "* saved\nEND\n");
    EXPECT_TRUE(window->close());
    EXPECT_EQ(test::ReadFile(file), "* typed\n* saved\nEND\n");
    EXPECT_EQ(test::AskedQuestions().asked.size(), 2);
}

TEST_F(Recovery, AChangeOnDiskUnderUnsavedChangesAsksFirst) {
    auto window = Open();
    Type(*window, "* typed\n");
    test::AskedQuestions().answers = {QMessageBox::No};
    test::WriteFile(file, "* changed elsewhere\nEND\n");
    ASSERT_TRUE(test::WaitUntil([] { return !test::AskedQuestions().asked.isEmpty(); }));
    EXPECT_TRUE(test::AskedQuestions().asked[0].contains("changed on disk"));
    EXPECT_EQ(test::TextOf(*window), "* typed\n* saved\nEND\n");
}

TEST(Files, SavingKeepsEveryByteNotEditedAndTheFilesPermissions) {
    test::TempDir dir;
    const std::string file = dir / "latin.sno";
    // 8-bit text with a non-breaking space, CR LF line ends, no final line end.
    const std::string bytes = "* caf\xe9\xa0ok\r\n    X = 'A'\r\nEND";
    test::WriteFile(file, bytes);
    chmod(file.c_str(), 0640);
    EditorWindow window({test::Q(file)});
    window.Editor().moveCursor(QTextCursor::End);
    window.Editor().insertPlainText(" X");
    ASSERT_TRUE(window.Save());
    EXPECT_EQ(test::ReadFile(file), bytes + " X");
    struct stat status {};
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    // A character beyond Latin-1 turns the file into UTF-8 instead of a '?'.
    window.Editor().insertPlainText("\u20ac");
    ASSERT_TRUE(window.Save());
    EXPECT_EQ(test::ReadFile(file), "* caf\xc3\xa9\xc2\xa0ok\r\n    X = 'A'\r\nEND X\xe2\x82\xac");
}

TEST(Files, LoneCarriageReturnsAndMixedLineEndsSurviveASave) {
    test::TempDir dir;
    struct Case {
        std::string bytes;
        std::string afterAppendingALine; // a line added at the end
    };
    const std::vector<Case> cases = {
        {"* mac\r    X = 1\rEND\r", "* mac\r    X = 1\rEND\rNEW\r"},
        {"* mixed\r\n    X = 1\nEND\r\n", "* mixed\r\n    X = 1\nEND\r\nNEW\r\n"},
        {"* odd\rone\r\ntwo\n", "* odd\rone\r\ntwo\nNEW\n"},
    };
    for (const Case& c : cases) {
        const std::string file = dir / "prog.sno";
        test::WriteFile(file, c.bytes);
        EditorWindow window({test::Q(file)});
        window.Editor().moveCursor(QTextCursor::End);
        window.Editor().insertPlainText(" ");
        window.Editor().textCursor().deletePreviousChar(); // modified, same text
        ASSERT_TRUE(window.Save());
        EXPECT_EQ(test::ReadFile(file), c.bytes);
        window.Editor().moveCursor(QTextCursor::End);
        window.Editor().insertPlainText("NEW\n");
        ASSERT_TRUE(window.Save());
        EXPECT_EQ(test::ReadFile(file), c.afterAppendingALine);
    }
    // Saved unedited, even a paragraph separator (which the text widget
    // turns into a line break) stays as it was.
    const std::string file = dir / "odd.sno";
    test::WriteFile(file, "a\xe2\x80\xa9"
                          "b\r\n");
    EditorWindow window({test::Q(file)});
    ASSERT_TRUE(window.Save());
    EXPECT_EQ(test::ReadFile(file), "a\xe2\x80\xa9"
                                    "b\r\n");
}

TEST(Files, AFailedWriteLeavesNothingBehind) {
    test::TempDir dir;
    QString error;
    EXPECT_FALSE(WriteWhole(test::Q(dir / "no-such-folder/prog.sno"), "END\n", error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(test::Exists(dir / "no-such-folder"));
    ASSERT_TRUE(WriteWhole(test::Q(dir / "prog.sno"), "END\n", error));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

} // namespace
} // namespace quillpad
