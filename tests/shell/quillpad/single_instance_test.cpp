// One window per file: a second quillpad on a file hands it to the window
// that has it open, which reloads it and takes the new switches.

#include "quillpad_test_support.h"
#include "single_instance.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace quillpad {
namespace {

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override { test::AskedQuestions() = {}; }
    // The real program, as harbex starts it.
    void StartQuillpad(QProcess& process, const QStringList& arguments) {
        process.setProgram(QUILLPAD_PATH);
        process.setArguments(arguments);
        process.start();
        ASSERT_TRUE(process.waitForStarted());
    }

    test::TempDir dir;
    std::string file = dir / "prog.lst";
};

TEST_F(SingleInstance, OneKeyPerFileWhateverItsSpelling) {
    const std::string other = dir / "other.lst";
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_symlink(file, dir / "link.lst");
    const QString socket = InstanceSocketFor(test::Q(file));
    EXPECT_EQ(InstanceSocketFor(test::Q(dir / "sub/../prog.lst")), socket);
    EXPECT_EQ(InstanceSocketFor(test::Q(dir / "link.lst")), socket); // missing target too
    EXPECT_NE(InstanceSocketFor(test::Q(other)), socket);
    EXPECT_TRUE(socket.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));

    QByteArray stream = EncodeRequest({"/w/My Files/a\nb.lst", FontSwitch::Larger, true});
    QByteArray part = stream.left(stream.size() - 1);
    EXPECT_FALSE(TakeRequest(part));
    const std::optional<OpenRequest> request = TakeRequest(stream);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->file, "/w/My Files/a\nb.lst");
    EXPECT_EQ(request->font, FontSwitch::Larger);
    EXPECT_TRUE(request->readOnly);
    EXPECT_TRUE(stream.isEmpty());
}

TEST_F(SingleInstance, ASecondRunReloadsTheFirstWindow) {
    test::WriteFile(file, "first run\n");
    const OpenRequest first{test::Q(file), FontSwitch::Normal, true};
    const Startup startup = StartInstance(first);
    ASSERT_FALSE(startup.handedOff);
    ASSERT_TRUE(startup.server);
    EditorWindow window(first);
    QObject::connect(startup.server.get(), &InstanceServer::requested, &window,
                     &EditorWindow::Reopen);
    startup.server->Release();
    const int normalSize = window.Editor().font().pointSize();

    test::WriteFile(file, "second run\n");
    QProcess second;
    StartQuillpad(second, {"/L", "-r", test::Q(file)});
    ASSERT_TRUE(test::WaitUntil([&] { return second.state() == QProcess::NotRunning; }));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // The file watcher may show the new text before the request arrives.
    ASSERT_TRUE(test::WaitUntil([&] {
        return test::TextOf(window) == "second run\n" &&
               window.Editor().font().pointSize() > normalSize;
    }));
    EXPECT_TRUE(window.Editor().isReadOnly());
}

TEST_F(SingleInstance, AQuillpadThatWasKilledDoesNotBlockTheNext) {
    test::WriteFile(file, "listing\n");
    const QString socket = InstanceSocketFor(test::Q(file));
    QProcess killed;
    StartQuillpad(killed, {"-r", test::Q(file)});
    ASSERT_TRUE(test::WaitUntil([&] { return test::Exists(socket.toStdString()); }));
    kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished());
    ASSERT_TRUE(test::Exists(socket.toStdString())); // left behind

    QProcess next;
    StartQuillpad(next, {"-r", test::Q(file)});
    // The next one opens its own window and answers on the socket.
    ASSERT_TRUE(test::WaitUntil([&] { return HandOff(socket, {test::Q(file)}); }));
    EXPECT_EQ(next.state(), QProcess::Running);
    next.terminate();
    ASSERT_TRUE(next.waitForFinished());
    EXPECT_EQ(next.exitCode(), 0);
    EXPECT_FALSE(test::Exists(socket.toStdString()));
}

} // namespace
} // namespace quillpad
