// Every way a file and its recovery text are stored, in one table: saves
// beside the file or in place, and recovery text that only the user can
// read or plant.

#include "file_store.h"
#include "quillpad_test_support.h"

#include <QDir>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpad {
namespace {

constexpr uid_t kOther = 65534; // nobody

struct Place {
    test::TempDir dir;
    std::string file = dir / "prog.sno";
    QString Q() const { return test::Q(file); }
    std::string Legacy() const { return LegacyRecoveryPathFor(Q()).toStdString(); }
};

struct stat StatusOf(const std::string& path) {
    struct stat status {};
    lstat(path.c_str(), &status);
    return status;
}

bool Save(const Place& place, const QByteArray& bytes, QString& error) {
    return WriteWhole(place.Q(), bytes, error);
}

TEST(FileStore, SavesAndRecoveryTextInEveryPlace) {
    struct Case {
        const char* name;
        bool needsRoot; // another user's files are made with chown
        std::function<void(Place&)> arrange;
        std::function<void(Place&)> actAndCheck;
    };
    const std::vector<Case> cases = {
        {"a plain file is replaced whole and keeps its mode", false,
         [](Place& p) {
             test::WriteFile(p.file, "old\n");
             chmod(p.file.c_str(), 0640);
         },
         [](Place& p) {
             const ino_t before = StatusOf(p.file).st_ino;
             QString error;
             ASSERT_TRUE(Save(p, "new\n", error)) << error.toStdString();
             EXPECT_EQ(test::ReadFile(p.file), "new\n");
             EXPECT_NE(StatusOf(p.file).st_ino, before);
             EXPECT_EQ(StatusOf(p.file).st_mode & 07777, 0640u);
             EXPECT_EQ(std::distance(std::filesystem::directory_iterator(p.dir.Path()), {}), 1);
         }},
        {"a file with another name is written in place, both names see it", false,
         [](Place& p) {
             test::WriteFile(p.file, "old and longer\n");
             link(p.file.c_str(), (p.dir / "other.sno").c_str());
         },
         [](Place& p) {
             const ino_t before = StatusOf(p.file).st_ino;
             QString error;
             ASSERT_TRUE(Save(p, "new\n", error)) << error.toStdString();
             EXPECT_EQ(StatusOf(p.file).st_ino, before);
             EXPECT_EQ(StatusOf(p.file).st_nlink, 2u);
             EXPECT_EQ(test::ReadFile(p.dir / "other.sno"), "new\n");
         }},
        {"another user's file stays theirs", true,
         [](Place& p) {
             test::WriteFile(p.file, "old\n");
             chmod(p.file.c_str(), 0666);
             ASSERT_EQ(chown(p.file.c_str(), kOther, kOther), 0);
         },
         [](Place& p) {
             QString error;
             ASSERT_TRUE(Save(p, "new\n", error)) << error.toStdString();
             EXPECT_EQ(test::ReadFile(p.file), "new\n");
             EXPECT_EQ(StatusOf(p.file).st_uid, kOther);
             EXPECT_EQ(StatusOf(p.file).st_mode & 07777, 0666u);
             // The old bytes were kept only until the write succeeded.
             QString stateError;
             const QString state = StateFolder(stateError);
             EXPECT_TRUE(
                 QDir(state).entryList({"*before-save"}, QDir::Files | QDir::Hidden).isEmpty());
         }},
        {"a symbolic link is written through and stays a link", false,
         [](Place& p) {
             test::WriteFile(p.dir / "target.sno", "old\n");
             std::filesystem::create_symlink(p.dir / "target.sno", p.file);
         },
         [](Place& p) {
             QString error;
             ASSERT_TRUE(Save(p, "new\n", error)) << error.toStdString();
             EXPECT_TRUE(std::filesystem::is_symlink(p.file));
             EXPECT_EQ(test::ReadFile(p.dir / "target.sno"), "new\n");
         }},
        {"a missing folder or a folder as the file fails and leaves nothing", false,
         [](Place& p) { std::filesystem::create_directory(p.file); },
         [](Place& p) {
             QString error;
             EXPECT_FALSE(Save(p, "new\n", error));
             EXPECT_FALSE(error.isEmpty());
             EXPECT_FALSE(WriteWhole(test::Q(p.dir / "none/prog.sno"), "x", error));
             EXPECT_FALSE(test::Exists(p.dir / "none"));
             EXPECT_EQ(std::distance(std::filesystem::directory_iterator(p.dir.Path()), {}), 1);
         }},
        {"recovery text: the state folder only, 0700 and 0600", false,
         [](Place& p) { test::WriteFile(p.file, "saved\n"); },
         [](Place& p) {
             QString error;
             ASSERT_TRUE(KeepRecovery(p.Q(), "typed\n", error)) << error.toStdString();
             const std::string kept = RecoveryPathFor(p.Q()).toStdString();
             EXPECT_EQ(StatusOf(kept).st_mode & 07777, 0600u);
             EXPECT_EQ(StatusOf(std::filesystem::path(kept).parent_path()).st_mode & 07777, 0700u);
             EXPECT_NE(kept.find("-prog.sno"), std::string::npos) << kept;
             EXPECT_EQ(std::distance(std::filesystem::directory_iterator(p.dir.Path()), {}), 1);
             EXPECT_EQ(PendingRecovery(p.Q()).kept, "typed\n");
             // A planted link in its place is replaced, not followed.
             DiscardRecovery(p.Q());
             std::filesystem::create_symlink(p.dir / "victim", kept);
             ASSERT_TRUE(KeepRecovery(p.Q(), "again\n", error));
             EXPECT_FALSE(test::Exists(p.dir / "victim"));
             EXPECT_EQ(test::ReadFile(kept), "again\n");
             DiscardRecovery(p.Q());
         }},
        {"an old recovery file of the user's own is offered once, then removed", false,
         [](Place& p) {
             test::WriteFile(p.file, "saved\n");
             test::WriteFile(p.Legacy(), "typed long ago\n");
             chmod(p.Legacy().c_str(), 0600);
         },
         [](Place& p) {
             const PendingText pending = PendingRecovery(p.Q());
             EXPECT_EQ(pending.kept, "typed long ago\n");
             EXPECT_TRUE(pending.note.isEmpty()) << pending.note.toStdString();
             EXPECT_FALSE(test::Exists(p.Legacy()));
             DiscardRecovery(p.Q());
             EXPECT_FALSE(PendingRecovery(p.Q()).kept);
         }},
        {"a planted old recovery file is not offered and the note says why", true,
         [](Place& p) {
             test::WriteFile(p.file, "saved\n");
             test::WriteFile(p.Legacy(), "planted\n");
             chmod(p.Legacy().c_str(), 0600);
             ASSERT_EQ(chown(p.Legacy().c_str(), kOther, kOther), 0);
         },
         [](Place& p) {
             const PendingText pending = PendingRecovery(p.Q());
             EXPECT_FALSE(pending.kept);
             EXPECT_TRUE(pending.note.contains("another user")) << pending.note.toStdString();
         }},
        {"an old recovery file others may write is not offered", false,
         [](Place& p) {
             test::WriteFile(p.file, "saved\n");
             test::WriteFile(p.Legacy(), "planted\n");
             chmod(p.Legacy().c_str(), 0666);
         },
         [](Place& p) {
             const PendingText pending = PendingRecovery(p.Q());
             EXPECT_FALSE(pending.kept);
             EXPECT_TRUE(pending.note.contains("others may write")) << pending.note.toStdString();
             EXPECT_TRUE(test::Exists(p.Legacy()));
         }},
        {"an old recovery file that is a link is not offered", false,
         [](Place& p) {
             test::WriteFile(p.file, "saved\n");
             test::WriteFile(p.dir / "secret", "not for quillpad\n");
             std::filesystem::create_symlink(p.dir / "secret", p.Legacy());
         },
         [](Place& p) {
             const PendingText pending = PendingRecovery(p.Q());
             EXPECT_FALSE(pending.kept);
             EXPECT_TRUE(pending.note.contains("symbolic link")) << pending.note.toStdString();
         }},
        {"no state folder to be had: keeping fails with a reason", false,
         [](Place& p) { test::WriteFile(p.dir / "state", "a file, not a folder\n"); },
         [](Place& p) {
             const std::string saved = std::getenv("XDG_STATE_HOME");
             setenv("XDG_STATE_HOME", (p.dir / "state").c_str(), 1);
             QString error;
             EXPECT_FALSE(KeepRecovery(p.Q(), "typed\n", error));
             EXPECT_FALSE(error.isEmpty());
             setenv("XDG_STATE_HOME", saved.c_str(), 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && geteuid() != 0) continue;
        Place place;
        c.arrange(place);
        c.actAndCheck(place);
    }
}

} // namespace
} // namespace quillpad
