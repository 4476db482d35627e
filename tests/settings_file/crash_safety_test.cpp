#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "app/settings_file.h"
#include "base/language.h"
#include "fs_helpers.h"

using namespace printune;
using namespace settings_test;

namespace {

// A saver process that reports its first completed save through a pipe,
// waits for the word to go on, then saves alternately until it is killed.
// Whatever happens to the test, the child is killed and reaped.
class Saver {
public:
    Saver(const std::string& dir, const PortSettings& first, const PortSettings& second) {
        if (pipe(report_) != 0 || pipe(go_) != 0)
            std::abort();
        pid_ = fork();
        if (pid_ < 0)
            std::abort();
        if (pid_ == 0) {
            const char saved = SaveSettings(dir, first) ? 'S' : 'F';
            (void)!write(report_[1], &saved, 1);
            char go = 0;
            if (read(go_[0], &go, 1) != 1)
                _exit(1);
            for (unsigned i = 0;; ++i)
                SaveSettings(dir, i % 2 ? first : second);
        }
        close(report_[1]);
        close(go_[0]);
    }
    ~Saver() {
        Kill();
        close(report_[0]);
        close(go_[1]);
    }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // The first save's report: 'S' saved, 'F' failed, 0 nothing in time.
    char WaitFirstSave() {
        pollfd p{report_[0], POLLIN, 0};
        char saved = 0;
        if (poll(&p, 1, 30000) == 1 && read(report_[0], &saved, 1) == 1)
            return saved;
        return 0;
    }
    void Go() { (void)!write(go_[1], "g", 1); }
    // True when the child ended by the kill.
    bool Kill() {
        if (pid_ <= 0)
            return false;
        kill(pid_, SIGKILL);
        int status = 0;
        const bool reaped = waitpid(pid_, &status, 0) == pid_;
        pid_ = -1;
        return reaped && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

private:
    pid_t pid_ = -1;
    int report_[2] = {-1, -1};
    int go_[2] = {-1, -1};
};

} // namespace

// A process killed at any moment while it saves leaves either the old or the
// new file, never a mix or a cut one. Each round proves a save took effect
// before the kill, so the check does not depend on how fast the disk is.
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

    // Kills land anywhere in the next saves: one save (write, flush, rename,
    // flush of the folder) takes some milliseconds.
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayUs(0, 12000);
    const int kRounds = 150;
    for (int round = 0; round < kRounds; ++round) {
        const std::string before = ReadFile(dir.Ini());
        const bool wasA = before == textA;
        ASSERT_TRUE(wasA || before == textB) << "round " << round << ":\n" << HexDump(before);

        Saver saver(dir.path(), wasA ? b : a, wasA ? a : b);
        ASSERT_EQ(saver.WaitFirstSave(), 'S') << "round " << round;
        EXPECT_EQ(ReadFile(dir.Ini()), wasA ? textB : textA) << "round " << round;
        saver.Go();
        usleep(static_cast<useconds_t>(delayUs(random)));
        ASSERT_TRUE(saver.Kill());

        const std::string after = ReadFile(dir.Ini());
        ASSERT_TRUE(after == textA || after == textB) << "round " << round << ":\n"
                                                      << HexDump(after);
    }

    // Temporary files of killed savers never take the settings file's name.
    LoadedSettings loaded = LoadSettings(dir.path(), {}, LANG_ENGLISH);
    EXPECT_EQ(loaded.origin, SettingsOrigin::File);
    EXPECT_TRUE(loaded.settings == a || loaded.settings == b);
}
