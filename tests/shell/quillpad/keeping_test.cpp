// Nothing thrown away unasked: every question that could lose work has
// the keeping answer as its default, a reload can be undone, a deleted
// file comes back with Save, the listing view has nothing to undo or save,
// and a polite end that cannot keep the edits leaves the window up.

#include "document.h"
#include "editor_requests.h"
#include "file_store.h"
#include "quillpad_test_support.h"
#include "single_instance.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillpad {
namespace {

class Keeping : public ::testing::Test {
public:
    void SetUp() override {
        test::AskedQuestions() = {};
        test::WriteFile(file, "* saved\nEND\n");
    }
    std::unique_ptr<EditorWindow> Open(bool readOnly = false) {
        auto window = std::make_unique<EditorWindow>(
            OpenRequest{test::Q(file), FontSwitch::Normal, readOnly});
        window->show();
        return window;
    }
    static void Type(EditorWindow& window, const QString& text) {
        window.Editor().moveCursor(QTextCursor::Start);
        window.Editor().insertPlainText(text);
    }
    static QString Notice(const EditorWindow& window) {
        return window.findChild<QLabel*>("notice")->text();
    }
    // A request of another program, as it arrives over the socket.
    EditorReply Answer(EditorWindow& window, EditorRequestKind kind) {
        return window.Answer({kind, test::Q(file)});
    }

    test::TempDir dir;
    std::string file = dir / "prog.sno";
};

TEST_F(Keeping, EveryQuestionThatCanLoseWorkDefaultsToKeepingIt) {
    struct Case {
        const char* question;
        QMessageBox::StandardButton keeping;
        std::function<void(Keeping&)> ask;
    };
    const std::vector<Case> cases = {
        {"Restore", QMessageBox::Yes,
         [](Keeping& k) {
             QString error;
             ASSERT_TRUE(KeepRecovery(test::Q(k.file), "* kept\n", error));
             k.Open().reset();
             DiscardRecovery(test::Q(k.file)); // unanswered: it stayed
         }},
        {"changed on disk", QMessageBox::No,
         [](Keeping& k) {
             auto window = k.Open();
             Type(*window, "* typed\n");
             test::WriteFile(k.file, "* changed elsewhere\n");
             ASSERT_TRUE(test::WaitUntil([] { return !test::AskedQuestions().asked.isEmpty(); }));
             EXPECT_EQ(test::TextOf(*window), "* typed\n* saved\nEND\n");
             window->File().DiscardRecovery();
         }},
        {"Save the changes", QMessageBox::Save,
         [](Keeping& k) {
             auto window = k.Open();
             Type(*window, "* typed\n");
             EXPECT_FALSE(window->close()); // Cancel: the window stays
             window->File().DiscardRecovery();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question);
        test::AskedQuestions() = {};
        c.ask(*this);
        ASSERT_EQ(test::AskedQuestions().asked.size(), 1);
        EXPECT_TRUE(test::AskedQuestions().asked[0].contains(c.question));
        EXPECT_EQ(test::AskedQuestions().defaults[0], c.keeping);
    }
}

// A change on disk the user declined to load is not written over without a
// word: Save asks (keeping it by default), and when told to overwrite keeps
// a copy in the state folder and says where. A save requested by another
// program never overwrites it.
TEST_F(Keeping, SavingOverADeclinedChangeAsksAndKeepsACopy) {
    auto window = Open();
    Type(*window, "* typed\n");
    test::AskedQuestions().answers = {QMessageBox::No}; // do not reload
    test::WriteFile(file, "* changed elsewhere\n");
    ASSERT_TRUE(test::WaitUntil([] { return test::AskedQuestions().asked.size() == 1; }));
    EXPECT_EQ(Answer(*window, EditorRequestKind::Save).answer, EditorAnswer::Failed);

    test::AskedQuestions() = {}; // Cancel, then No: nothing is written
    EXPECT_FALSE(window->Save());
    test::AskedQuestions().answers = {QMessageBox::No};
    EXPECT_FALSE(window->Save());
    EXPECT_EQ(test::AskedQuestions().defaults,
              (QList<QMessageBox::StandardButton>{QMessageBox::No, QMessageBox::No}));
    EXPECT_TRUE(test::AskedQuestions().asked[0].contains("changed on disk since quillpad read it"));
    EXPECT_EQ(test::ReadFile(file), "* changed elsewhere\n");

    test::AskedQuestions().answers = {QMessageBox::Yes};
    ASSERT_TRUE(window->Save());
    EXPECT_EQ(test::ReadFile(file), "* typed\n* saved\nEND\n");
    const QString notice = Notice(*window);
    ASSERT_TRUE(notice.contains("is kept in ")) << notice.toStdString();
    const std::string copy = notice.mid(notice.indexOf("kept in ") + 8).chopped(1).toStdString();
    EXPECT_EQ(test::ReadFile(copy), "* changed elsewhere\n");
    EXPECT_EQ(std::filesystem::path(copy).parent_path(),
              std::filesystem::path(std::getenv("XDG_STATE_HOME")) / "quillpad");
    // Saved, the file is the window's own again: no more questions.
    test::AskedQuestions() = {};
    Type(*window, "* more\n");
    ASSERT_TRUE(window->Save());
    EXPECT_TRUE(test::AskedQuestions().asked.isEmpty());
}

// The status bar says what happened: a file opens ("Opened") at its first
// line; asked again for an unchanged file, nothing is reloaded; a changed
// one is "Reloaded".
TEST_F(Keeping, OpenedAndReloadedAreSaidTruthfully) {
    std::string text;
    for (int line = 1; line <= 500; ++line)
        text += "* line " + std::to_string(line) + "\n";
    test::WriteFile(file, text);
    auto window = Open();
    EXPECT_EQ(test::CursorLine(*window), 0);
    EXPECT_EQ(window->Editor().verticalScrollBar()->value(), 0);
    EXPECT_EQ(window->statusBar()->currentMessage(), "Opened prog.sno");
    window->Editor().moveCursor(QTextCursor::End);
    window->statusBar()->clearMessage();
    window->Reopen({test::Q(file), FontSwitch::Normal, false, 0});
    EXPECT_EQ(window->statusBar()->currentMessage(), "");
    EXPECT_EQ(test::CursorLine(*window), 500); // nothing reloaded, nothing moved
    test::WriteFile(file, "* new\n");
    window->Reopen({test::Q(file), FontSwitch::Normal, false, 0});
    EXPECT_EQ(window->statusBar()->currentMessage(), "Reloaded prog.sno");
    EXPECT_EQ(test::TextOf(*window), "* new\n");
}

TEST_F(Keeping, APlantedOldRecoveryFileIsNotOfferedAndTheStatusBarSaysSo) {
    const std::string planted = LegacyRecoveryPathFor(test::Q(file)).toStdString();
    test::WriteFile(planted, "* planted\n");
    chmod(planted.c_str(), 0666);
    auto window = Open();
    EXPECT_TRUE(test::AskedQuestions().asked.isEmpty());
    EXPECT_EQ(test::TextOf(*window), "* saved\nEND\n");
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("not offered"))
        << window->statusBar()->currentMessage().toStdString();
}

TEST_F(Keeping, AReloadIsOneUndoableStep) {
    auto window = Open();
    Type(*window, "* typed\n");
    test::AskedQuestions().answers = {QMessageBox::Yes};
    test::WriteFile(file, "* changed elsewhere\nEND\n");
    ASSERT_TRUE(
        test::WaitUntil([&] { return test::TextOf(*window) == "* changed elsewhere\nEND\n"; }));
    EXPECT_FALSE(window->File().Modified());
    window->Editor().undo();
    EXPECT_EQ(test::TextOf(*window), "* typed\n* saved\nEND\n");
    EXPECT_TRUE(window->File().Modified());
    window->File().DiscardRecovery();
}

TEST_F(Keeping, AFileDeletedWhileOpenIsMarkedModifiedAndSaveBringsItBack) {
    auto window = Open();
    std::filesystem::remove(file);
    ASSERT_TRUE(test::WaitUntil([&] { return window->File().Modified(); }));
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("deleted"))
        << window->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(window->isWindowModified());
    ASSERT_TRUE(window->Save());
    EXPECT_EQ(test::ReadFile(file), "* saved\nEND\n");
}

TEST_F(Keeping, TheListingViewHasNoModifiedMarkAndNoUndo) {
    test::WriteFile(file, "listing\n");
    auto view = Open(true);
    EXPECT_FALSE(view->windowTitle().contains("[*]"));
    EXPECT_FALSE(view->Editor().document()->isUndoRedoEnabled());
    for (QAction* menu : view->menuBar()->actions()) {
        for (QAction* action : menu->menu()->actions()) {
            if (action->text().contains("Undo") || action->text().contains("Redo")) {
                EXPECT_FALSE(action->isVisible()) << action->text().toStdString();
            }
        }
    }
    test::WriteFile(file, "next listing\n"); // the next run
    ASSERT_TRUE(test::WaitUntil([&] { return test::TextOf(*view) == "next listing\n"; }));
    EXPECT_FALSE(view->isWindowModified());
    EXPECT_TRUE(test::AskedQuestions().asked.isEmpty());
}

TEST_F(Keeping, EditsAreKeptAFewSecondsAfterTheLastOne) {
    auto window = Open();
    window->File().SetAutosaveDelay(100);
    const std::string kept = RecoveryPathFor(test::Q(file)).toStdString();
    Type(*window, "* typed\n");
    EXPECT_FALSE(test::Exists(kept));
    ASSERT_TRUE(test::WaitUntil([&] { return test::Exists(kept); }));
    EXPECT_EQ(test::ReadFile(kept), "* typed\n* saved\nEND\n");
    window->Editor().undo(); // back to the file as saved: nothing to keep
    ASSERT_TRUE(test::WaitUntil([&] { return !test::Exists(kept); }));
    Type(*window, "* again\n");
    ASSERT_TRUE(test::WaitUntil([&] { return test::Exists(kept); }));
    ASSERT_TRUE(window->Save());
    EXPECT_FALSE(test::Exists(kept));
}

TEST_F(Keeping, APoliteEndThatCannotKeepTheEditsLeavesTheWindowUp) {
    auto window = Open();
    Type(*window, "* typed\n");
    const std::string state = std::getenv("XDG_STATE_HOME");
    test::WriteFile(dir / "state", "a file, not a folder\n");
    setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);

    EXPECT_FALSE(window->EndOnRequest()); // SIGTERM
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(Notice(*window).contains("cannot be kept")) << Notice(*window).toStdString();

    InstanceServer server; // the end request from harbex's eXit
    ASSERT_TRUE(server.Listen(InstanceSocketFor(test::Q(file))));
    server.SetEditorHandler([&](const EditorRequest& request) { return window->Answer(request); });
    server.Release();
    std::future<EditorReply> reply =
        std::async(std::launch::async, [&] { return AskEditorToEnd(test::Q(file)); });
    ASSERT_TRUE(test::WaitUntil(
        [&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    const EditorReply answer = reply.get();
    EXPECT_EQ(answer.answer, EditorAnswer::Failed);
    EXPECT_TRUE(answer.detail.contains("cannot be kept")) << answer.detail.toStdString();
    test::WaitUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(test::TextOf(*window), "* typed\n* saved\nEND\n");

    // With room again, the end request keeps the edits and the window ends.
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    reply = std::async(std::launch::async, [&] { return AskEditorToEnd(test::Q(file)); });
    ASSERT_TRUE(test::WaitUntil(
        [&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(reply.get().answer, EditorAnswer::Kept);
    ASSERT_TRUE(test::WaitUntil([&] { return !window->isVisible(); }));
    EXPECT_EQ(test::ReadFile(RecoveryPathFor(test::Q(file)).toStdString()),
              "* typed\n* saved\nEND\n");
    EXPECT_EQ(test::ReadFile(file), "* saved\nEND\n");
    DiscardRecovery(test::Q(file));
}

} // namespace
} // namespace quillpad
