// quillpad's socket belongs to its user alone: without XDG_RUNTIME_DIR it
// lives in a private folder, never directly in the shared temporary
// folder; a listener of another user is told nothing, and a client of
// another user is not heard. Root passes every permission check, so the
// halves that matter run as nobody (setpriv).

#include "editor_requests.h"
#include "quillpad_test_support.h"
#include "single_instance.h"

#include <QDirIterator>
#include <QLocalServer>
#include <QProcess>
#include <QStandardPaths>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpad {
namespace {

constexpr uid_t kNobody = 65534;
constexpr char kFileVariable[] = "QUILLPAD_TEST_SOCKET_FILE";
constexpr char kRuntimeVariable[] = "QUILLPAD_TEST_SOCKET_RUNTIME";

struct Owner {
    uid_t uid = 0;
    mode_t mode = 0;
};
Owner OwnerOf(const QString& path) {
    struct stat status {};
    lstat(QFile::encodeName(path).constData(), &status);
    return {status.st_uid, static_cast<mode_t>(status.st_mode & 07777)};
}

class SocketOwner : public ::testing::Test {
protected:
    void SetUp() override {
        setpriv = QStandardPaths::findExecutable("setpriv");
        if (geteuid() != 0 || setpriv.isEmpty()) GTEST_SKIP() << "needs root and setpriv";
        // A shared folder like /tmp, and a home of nobody's own.
        chmod(shared.Path().c_str(), 01777);
        chmod(home.Path().c_str(), 0755);
        ASSERT_EQ(chown(home.Path().c_str(), kNobody, kNobody), 0);
        chmod(files.Path().c_str(), 0755);
        test::WriteFile(file, "listing\n");
        chmod(file.c_str(), 0644);
    }
    // Runs `arguments` as nobody with XDG_RUNTIME_DIR as given (unset when
    // empty) and the shared folder as the temporary folder.
    void StartAsNobody(QProcess& process, const QStringList& arguments, const QString& runtime) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty()) {
            environment.insert("XDG_RUNTIME_DIR", runtime);
            environment.insert(kRuntimeVariable, runtime);
        }
        environment.insert("TMPDIR", test::Q(shared.Path()));
        environment.insert("HOME", test::Q(home.Path()));
        environment.insert("XDG_CONFIG_HOME", test::Q(home / "config"));
        environment.insert("XDG_STATE_HOME", test::Q(home / "state"));
        environment.insert(kFileVariable, test::Q(file));
        process.setProcessEnvironment(environment);
        process.start(setpriv,
                      QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    QString setpriv;
    test::TempDir shared, home, files;
    std::string file = files / "prog.lst";
};

// quillpad as nobody without XDG_RUNTIME_DIR: everything it makes is in
// "runtime-nobody" (mode 0700) in the shared folder; root, another user,
// connects there and is not heard.
TEST_F(SocketOwner, WithoutARuntimeFolderNothingIsOpenToOthersAndOthersAreNotHeard) {
    QProcess quillpad;
    StartAsNobody(quillpad, {QUILLPAD_PATH, "-r", test::Q(file)}, {});
    const QString folder = test::Q(shared / "runtime-nobody");
    const QString socket = folder + "/" + InstanceSocketName(test::Q(file), kNobody);
    ASSERT_TRUE(test::WaitUntil([&] { return test::Exists(socket.toStdString()); },
                                std::chrono::seconds(20)));
    EXPECT_EQ(QDir(test::Q(shared.Path())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"runtime-nobody"});
    EXPECT_EQ(OwnerOf(folder).uid, kNobody);
    EXPECT_EQ(OwnerOf(folder).mode, 0700u);

    for (const QByteArray& request :
         {EncodeRequest(OpenRequest{test::Q(file), FontSwitch::Larger, true}),
          EncodeRequest(EditorRequest{EditorRequestKind::End, test::Q(file)})}) {
        QLocalSocket stranger; // does not look at who listens
        stranger.connectToServer(socket);
        ASSERT_TRUE(stranger.waitForConnected(5000));
        stranger.write(request);
        stranger.waitForBytesWritten(5000);
        EXPECT_FALSE(stranger.waitForReadyRead(1000)) << "an answer to another user";
        EXPECT_TRUE(stranger.readAll().isEmpty());
    }
    EXPECT_EQ(quillpad.state(), QProcess::Running); // the end request was not heard
    quillpad.terminate();
    ASSERT_TRUE(quillpad.waitForFinished(10000));
}

// Listening as root (another user) on nobody's socket: nobody's quillpad
// and nobody's save and end requests send it nothing, and quillpad takes
// the socket over.
TEST_F(SocketOwner, AListenerOfAnotherUserIsToldNothing) {
    const std::string runtime = home / "runtime";
    std::filesystem::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    ASSERT_EQ(chown(runtime.c_str(), kNobody, kNobody), 0);
    QLocalServer listener;
    listener.setSocketOptions(QLocalServer::WorldAccessOption); // a stranger wants callers
    const QString socket = test::Q(runtime + "/") + InstanceSocketName(test::Q(file), kNobody);
    ASSERT_TRUE(listener.listen(socket));

    QProcess half;
    StartAsNobody(half,
                  {QFileInfo("/proc/self/exe").canonicalFilePath(),
                   "--gtest_filter=SocketOwner_.AsNobodyBesideAStranger"},
                  test::Q(runtime));
    ASSERT_TRUE(half.waitForFinished(60000));
    const QByteArray output = half.readAllStandardOutput() + half.readAllStandardError();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();

    int connections = 0;
    while (listener.waitForNewConnection(100)) {
        QLocalSocket* peer = listener.nextPendingConnection();
        ++connections;
        peer->waitForReadyRead(100);
        EXPECT_TRUE(peer->readAll().isEmpty()) << "a path went to another user";
    }
    EXPECT_GE(connections, 3);
}

// The half of the test above that runs as nobody.
TEST(SocketOwner_, AsNobodyBesideAStranger) {
    const QString file = qEnvironmentVariable(kFileVariable);
    if (file.isEmpty() || geteuid() != kNobody) GTEST_SKIP() << "run by SocketOwner";
    // The tests' own start gave XDG_RUNTIME_DIR a folder of its own.
    qputenv("XDG_RUNTIME_DIR", qgetenv(kRuntimeVariable));
    const QString socket = InstanceSocketFor(file);
    ASSERT_TRUE(socket.startsWith(qEnvironmentVariable(kRuntimeVariable) + "/"));
    EXPECT_EQ(HandOffTo(socket, {file}), HandOffResult::NoListener);
    const EditorReply save = AskEditorToSave(file);
    EXPECT_EQ(save.answer, EditorAnswer::NoEditor);
    EXPECT_TRUE(save.detail.contains("another user"));
    EXPECT_EQ(AskEditorToEnd(file).answer, EditorAnswer::NoEditor);
    const Startup startup = StartInstance({file});
    EXPECT_FALSE(startup.handedOff);
    EXPECT_TRUE(startup.server);
}

} // namespace
} // namespace quillpad
