// One window per file: a second quillpad on a file hands it to the window
// that has it open, which reloads it and takes the new switches.

#include "quillpad_test_support.h"
#include "single_instance.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <csignal>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
    EXPECT_FALSE(request->debug);
    EXPECT_TRUE(stream.isEmpty());
    // The line and the wish to debug travel too (harbex's Debug).
    stream = EncodeRequest({"/w/a.sno", FontSwitch::Normal, false, 7, true});
    const std::optional<OpenRequest> debug = TakeRequest(stream);
    ASSERT_TRUE(debug);
    EXPECT_EQ(debug->line, 7);
    EXPECT_TRUE(debug->debug);
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

TEST_F(SingleInstance, ABusyFirstWindowKeepsItsFileAndTheSecondWaits) {
    test::WriteFile(file, "listing\n");
    const std::string socket = InstanceSocketFor(test::Q(file)).toStdString();
    QProcess first;
    StartQuillpad(first, {"-r", test::Q(file)});
    ASSERT_TRUE(test::WaitUntil([&] { return HandOff(test::Q(socket), {test::Q(file)}); }));
    struct stat before {};
    ASSERT_EQ(stat(socket.c_str(), &before), 0);

    // Stopped, the first window answers nothing for longer than a hand-off waits.
    kill(static_cast<pid_t>(first.processId()), SIGSTOP);
    QProcess second;
    StartQuillpad(second, {"-r", test::Q(file)});
    test::WaitUntil([] { return false; }, std::chrono::milliseconds(4500));
    EXPECT_EQ(second.state(), QProcess::Running); // waiting, not a window of its own
    struct stat during {};
    ASSERT_EQ(stat(socket.c_str(), &during), 0);
    EXPECT_EQ(during.st_ino, before.st_ino);

    kill(static_cast<pid_t>(first.processId()), SIGCONT);
    ASSERT_TRUE(test::WaitUntil([&] { return second.state() == QProcess::NotRunning; },
                                std::chrono::seconds(15)));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains("waiting for the window"));
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    ASSERT_TRUE(first.waitForFinished());
}

TEST_F(SingleInstance, RequestsBeforeTheWindowIsReadyAreHeldNotDropped) {
    test::WriteFile(file, "listing\n");
    Startup startup = StartInstance({test::Q(file)});
    ASSERT_TRUE(startup.server);
    std::vector<OpenRequest> seen;
    QObject::connect(startup.server.get(), &InstanceServer::requested,
                     [&](const OpenRequest& request) { seen.push_back(request); });
    const QString socket = InstanceSocketFor(test::Q(file));
    std::future<bool> handed = std::async(std::launch::async, [&] {
        return HandOff(socket, {test::Q(file), FontSwitch::Smaller, true, 12});
    });
    ASSERT_TRUE(test::WaitUntil(
        [&] { return handed.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_TRUE(handed.get());
    test::WaitUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_TRUE(seen.empty()); // the window is still being made
    startup.server->Release();
    ASSERT_TRUE(test::WaitUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen[0].font, FontSwitch::Smaller);
    EXPECT_EQ(seen[0].line, 12);
}

} // namespace
} // namespace quillpad
