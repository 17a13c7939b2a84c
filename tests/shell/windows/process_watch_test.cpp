// Waiting for a child in the event loop, and Stop, without any window.

#include "process_watch.h"
#include "test_environment.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace harbex::test {
namespace {

TEST(ProcessWatch, StopAsksThenKillsAChildThatIgnoresTheRequest) {
    TempDir dir;
    WriteScript(dir / "stubborn", "trap '' TERM\nwhile :; do sleep 0.05; done\n");
    ProcessExecute launcher;
    ProcessHandle child = kNoHandle;
    ASSERT_TRUE(launcher.Launch(dir / "stubborn", child, std::nullopt, false, false, kNoWait));
    ProcessWatch watch(child);
    int ticks = 0;
    QObject::connect(&watch, &ProcessWatch::Tick, [&ticks] { ++ticks; });
    QTimer::singleShot(1100, &watch, &ProcessWatch::Stop);
    watch.Wait();
    EXPECT_TRUE(watch.HasEnded());
    EXPECT_TRUE(watch.Stopped());
    EXPECT_GE(watch.ElapsedMs(), 1100 + kPoliteEndMs - 100);
    EXPECT_LT(watch.ElapsedMs(), 8000);
    EXPECT_GE(ticks, 2);
    EXPECT_TRUE(launcher.ReapIfEnded(child));
}

TEST(ProcessWatch, AChildThatHasEndedNeedsNoLoop) {
    ProcessExecute launcher;
    ProcessHandle child = kNoHandle;
    ASSERT_TRUE(launcher.Launch("true", child, std::nullopt, false, false, 2000));
    ProcessWatch watch(child);
    EXPECT_TRUE(watch.HasEnded());
    watch.Wait();
    EXPECT_FALSE(watch.Stopped());
}

} // namespace
} // namespace harbex::test
