// A writable file in a folder the user cannot write: its edits are kept as
// recovery text all the same, and Save writes it in place. Root passes
// every permission check, so the test runs itself again as nobody.

#include "document.h"
#include "file_store.h"
#include "quillpad_test_support.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpad {
namespace {

constexpr uid_t kNobody = 65534;
constexpr const char* kFileVariable = "QUILLPAD_TEST_UNWRITABLE_FILE";

TEST(UnwritableFolder, EditsAreKeptAndSavedAsAUserWithoutRightsOverTheFolder) {
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    if (geteuid() != 0 || setpriv.isEmpty()) GTEST_SKIP() << "needs root and setpriv";
    test::TempDir base;
    chmod(base.Path().c_str(), 0755);
    const std::string folder = base / "ro";
    const std::string file = folder + "/ro.sno";
    std::filesystem::create_directory(folder);
    test::WriteFile(file, "* saved\r\nEND\r\n");
    ASSERT_EQ(chown(file.c_str(), kNobody, kNobody), 0);
    chmod(file.c_str(), 0644);
    chmod(folder.c_str(), 0555);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kFileVariable, test::Q(file));
    child.setProcessEnvironment(environment);
    child.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups",
                          QFileInfo("/proc/self/exe").canonicalFilePath(),
                          "--gtest_filter=UnwritableFolder.AsNobody"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAllStandardOutput() + child.readAllStandardError();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();

    EXPECT_EQ(test::ReadFile(file), "* typed\r\n* saved\r\nEND\r\n");
    struct stat status {};
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, kNobody);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
    EXPECT_EQ(
        QDir(test::Q(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{"ro.sno"});
}

// The half that runs as nobody.
TEST(UnwritableFolder, AsNobody) {
    const QString file = qEnvironmentVariable(kFileVariable);
    if (file.isEmpty() || geteuid() != kNobody) GTEST_SKIP() << "run by the test above";
    QTextDocument text;
    {
        Document document(file, text);
        document.Load();
        QTextCursor(&text).insertText("* typed\n");
        ASSERT_TRUE(document.Modified());
        QString error;
        ASSERT_TRUE(document.KeepUnsaved(error)) << error.toStdString();
    }
    Document document(file, text);
    document.Load();
    const Document::Pending pending = document.PendingRecovery();
    ASSERT_TRUE(pending.kept);
    document.Restore(*pending.kept);
    QString error;
    ASSERT_TRUE(document.Save(error)) << error.toStdString();
    EXPECT_FALSE(test::Exists(RecoveryPathFor(file).toStdString()));
    // Save As into the folder cannot make a new file there, and says why.
    EXPECT_FALSE(document.SaveAs(QFileInfo(file).absolutePath() + "/copy.sno", error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(document.Path(), file);
}

} // namespace
} // namespace quillpad
