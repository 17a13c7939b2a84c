// Save and end requests from other programs: the client calls block, so
// they run on a thread of their own while the test's event loop serves
// the window's side of the socket.

#include "editor_requests.h"
#include "quillpad_test_support.h"
#include "single_instance.h"

#include <QLocalSocket>
#include <QPlainTextEdit>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillpad {
namespace {

// Runs `ask` on a thread and the event loop until it has answered.
EditorReply Served(const std::function<EditorReply()>& ask) {
    std::future<EditorReply> reply = std::async(std::launch::async, ask);
    EXPECT_TRUE(test::WaitUntil(
        [&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        std::chrono::seconds(20)));
    return reply.get();
}

// A socket file that nobody listens on, as a quillpad killed with SIGKILL
// leaves it.
void MakeStaleSocket(const QString& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = path.toLocal8Bit();
    std::copy(name.begin(), name.end(), address.sun_path);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
}

class EditorRequests : public ::testing::Test {
protected:
    void SetUp() override { test::AskedQuestions() = {}; }
    test::TempDir dir;
    QString file = test::Q(dir / "prog.sno");
    QString socket = InstanceSocketFor(file);
};

TEST_F(EditorRequests, EachAnswerReachesTheAskingProgramWhole) {
    InstanceServer server;
    ASSERT_TRUE(server.Listen(socket));
    std::vector<EditorRequest> seen;
    EditorReply next;
    server.SetEditorHandler([&](const EditorRequest& request) {
        seen.push_back(request);
        return next;
    });
    server.Release();
    struct Case {
        EditorRequestKind kind;
        EditorReply answer;
    };
    const std::vector<Case> cases = {
        {EditorRequestKind::Save, {EditorAnswer::Unchanged, {}}},
        {EditorRequestKind::Save, {EditorAnswer::Saved, {}}},
        {EditorRequestKind::Save,
         {EditorAnswer::Failed, "Cannot save prog.sno: disk full\n\u00e9"}},
        {EditorRequestKind::End, {EditorAnswer::Kept, {}}},
        {EditorRequestKind::End, {EditorAnswer::Failed, "no room"}},
    };
    for (const Case& c : cases) {
        next = c.answer;
        const EditorReply reply = Served([&] {
            return c.kind == EditorRequestKind::Save ? AskEditorToSave(file) : AskEditorToEnd(file);
        });
        EXPECT_EQ(reply.answer, c.answer.answer) << c.answer.detail.toStdString();
        EXPECT_EQ(reply.detail, c.answer.detail);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back().kind, c.kind);
        EXPECT_EQ(seen.back().file, CanonicalFile(file));
    }
    EXPECT_EQ(seen.size(), cases.size());
}

TEST_F(EditorRequests, NoWindowAStaleSocketOrASilentWindow) {
    EXPECT_EQ(Served([&] { return AskEditorToSave(file); }).answer, EditorAnswer::NoEditor);
    MakeStaleSocket(socket);
    EXPECT_EQ(Served([&] { return AskEditorToEnd(file); }).answer, EditorAnswer::NoEditor);

    // A window still being made holds the request: past the time the
    // asking program gives up, with a reason it can show.
    InstanceServer server;
    ASSERT_TRUE(server.Listen(socket)); // the stale file is replaced
    server.SetEditorHandler([](const EditorRequest&) {
        return EditorReply{EditorAnswer::Saved, {}};
    });
    const EditorReply late = Served([&] { return AskEditorToSave(file, 300); });
    EXPECT_EQ(late.answer, EditorAnswer::Failed);
    EXPECT_TRUE(late.detail.contains("did not answer")) << late.detail.toStdString();

    // Requests held meanwhile are answered once the window is ready.
    std::future<EditorReply> held =
        std::async(std::launch::async, [&] { return AskEditorToSave(file, 8000); });
    test::WaitUntil([] { return false; }, std::chrono::milliseconds(300));
    server.Release();
    EXPECT_EQ(Served([&] { return held.get(); }).answer, EditorAnswer::Saved);
}

TEST_F(EditorRequests, ALiveSocketIsNeverTakenOverAndAFloodingPeerIsDropped) {
    InstanceServer first;
    ASSERT_TRUE(first.Listen(socket));
    InstanceServer second;
    EXPECT_FALSE(second.Listen(socket));
    first.SetEditorHandler([](const EditorRequest&) {
        return EditorReply{EditorAnswer::Unchanged, {}};
    });
    first.Release();
    EXPECT_EQ(Served([&] { return AskEditorToSave(file); }).answer, EditorAnswer::Unchanged);

    // A frame that claims 1 MiB and never ends.
    QLocalSocket flood;
    flood.connectToServer(socket);
    ASSERT_TRUE(flood.waitForConnected(2000));
    QByteArray header(4, '\0');
    header[1] = 0x10;
    flood.write(header + QByteArray(kMaxPendingRequestBytes + 1024, 'x'));
    EXPECT_TRUE(test::WaitUntil([&] {
        flood.waitForBytesWritten(10);
        return flood.state() == QLocalSocket::UnconnectedState;
    }));
}

TEST_F(EditorRequests, TheWindowSavesOnRequestAndAnswersOnlyForItsFile) {
    test::WriteFile(dir / "prog.sno", "END\n");
    EditorWindow window({file});
    const auto save = [](const QString& path) {
        return Served([&] { return AskEditorToSave(path); });
    };
    InstanceServer server;
    ASSERT_TRUE(server.Listen(socket));
    server.SetEditorHandler([&](const EditorRequest& request) { return window.Answer(request); });
    server.Release();
    EXPECT_EQ(save(file).answer, EditorAnswer::Unchanged);
    window.Editor().moveCursor(QTextCursor::Start);
    window.Editor().insertPlainText("* typed\n");
    EXPECT_EQ(save(file).answer, EditorAnswer::Saved);
    EXPECT_EQ(test::ReadFile(dir / "prog.sno"), "* typed\nEND\n");
    EXPECT_FALSE(window.Editor().document()->isModified());
    EXPECT_EQ(window.Answer({EditorRequestKind::Save, test::Q(dir / "other.sno")}).answer,
              EditorAnswer::NoEditor);
    EXPECT_TRUE(test::AskedQuestions().asked.isEmpty());
}

} // namespace
} // namespace quillpad
