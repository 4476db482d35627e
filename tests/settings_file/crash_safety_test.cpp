#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "app/settings_file.h"
#include "base/language.h"
#include "fs_helpers.h"

using namespace printune;
using namespace settings_test;

// A process killed at any moment while it saves leaves either the old or the
// new file, never a mix or a cut one.
TEST(SettingsCrashSafety, KilledWhileSavingLeavesACompleteFile) {
    TempDir dir;
    PortSettings a = DefaultPortSettings("KP-520", LANG_ENGLISH);
    PortSettings b = DefaultPortSettings("Label Printer(300DPI)", LANG_CHINESE);
    b.comPortName = "COM12";
    b.baudrate = "115200";
    b.ipAddr = "198.51.100.200";
    const std::string textA = FormatSettingsText(a);
    const std::string textB = FormatSettingsText(b);
    ASSERT_NE(textA.size(), textB.size());
    ASSERT_TRUE(SaveSettings(dir.path(), a));

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayUs(200, 4000);
    int changes = 0;
    std::string previous = textA;
    const int kRounds = 300;
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = round;; ++i)
                SaveSettings(dir.path(), i % 2 ? a : b);
        }
        usleep(delayUs(random));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        std::string now = ReadFile(dir.Ini());
        ASSERT_TRUE(now == textA || now == textB) << "round " << round << ":\n" << HexDump(now);
        changes += now != previous;
        previous = now;
    }
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d kills in %.0f ms, the file changed %d times\n", kRounds, ms, changes);
    // The children must really have been replacing the file.
    EXPECT_GT(changes, kRounds / 20);

    // Temporary files of killed savers never take the settings file's name.
    LoadedSettings loaded = LoadSettings(dir.path(), {}, LANG_ENGLISH);
    EXPECT_EQ(loaded.origin, SettingsOrigin::File);
    EXPECT_TRUE(loaded.settings == a || loaded.settings == b);
}
