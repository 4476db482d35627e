// Replies after a data send and the console's lines; the input history.
#include "diagnostics/reply_console.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "base/language.h"
#include "diagnostics/data_send.h"
#include "diagnostics/input_history.h"
#include "support/scripted_link.h"

using namespace printune;
using printune_test::Hex;
using printune_test::ScriptedLink;

namespace {

TEST(ReplyConsole, HexAndTextSideBySide) {
    EXPECT_EQ(HexColumn(nullptr, 0), "");
    const auto bytes = Hex("1B 40 41 7E 7F 00 20");
    EXPECT_EQ(HexColumn(bytes.data(), bytes.size()), "1B 40 41 7E 7F 00 20");
    EXPECT_EQ(TextColumn(bytes.data(), bytes.size()), ".@A~.. ");

    std::vector<uint8_t> long20(20, 0x41);
    long20[16] = 0x0A;
    const auto lines = ConsoleLines(long20, "12:00:00.000");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "12:00:00.000  41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41  "
                        "|AAAAAAAAAAAAAAAA|");
    // The second line lines its text column up under the first one's.
    EXPECT_EQ(lines[1], std::string(12, ' ') + "  0A 41 41 41" + std::string(36, ' ') + "  |.AAA|");
    EXPECT_EQ(lines[0].find('|'), lines[1].find('|'));
    EXPECT_TRUE(ConsoleLines({}, "x").empty());
    EXPECT_EQ(TimeStamp(std::chrono::system_clock::now()).size(), 12u);
}

TEST(ReplyConsole, DataSendReadsAReplyAfterEachCompleteWrite) {
    ScriptedLink link;
    link.replies = {Hex("06"), Hex("41 42"), {}, Hex("43")};
    std::stop_source s;
    std::vector<std::pair<int, std::vector<uint8_t>>> seen;
    ReplyWatch watch{40, [&](int write, const ReplyRead& r) {
                         seen.emplace_back(write, r.bytes);
                         if (write == 2)
                             s.request_stop();
                     }};
    DataSendResult r =
        RunDataSend(link, Hex("1B 40"), true, 0, s.get_token(), LANG_ENGLISH, {}, watch);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.writes, 2);
    ASSERT_EQ(seen.size(), 2u);
    // Everything within the window belongs to the first write's reply.
    EXPECT_EQ(seen[0].first, 1);
    EXPECT_EQ(seen[0].second, Hex("06 41 42 43"));
    EXPECT_TRUE(seen[1].second.empty());

    // A read failure ends that reply, not the send.
    ScriptedLink broken;
    broken.readError = 8004;
    int readError = 0;
    std::stop_source once;
    r = RunDataSend(
        broken, Hex("41"), false, 0, once.get_token(), LANG_ENGLISH, {},
        ReplyWatch{1000, [&](int, const ReplyRead& reply) { readError = reply.readError; }});
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(readError, 8004);

    // A failed write is not followed by a read.
    ScriptedLink failing;
    failing.onWrite = [](int, int32_t) -> int { throw PortError(8003, PORT_LAN); };
    int replies = 0;
    RunDataSend(failing, Hex("41"), false, 0, once.get_token(), LANG_ENGLISH, {},
                ReplyWatch{1000, [&](int, const ReplyRead&) { ++replies; }});
    EXPECT_EQ(replies, 0);
}

TEST(InputHistoryTest, KeepsTheLastFiftyNewestLast) {
    InputHistory h;
    for (int i = 0; i < 60; ++i)
        h.Add("cmd" + std::to_string(i));
    h.Add("");
    ASSERT_EQ(h.Entries().size(), INPUT_HISTORY_LIMIT);
    EXPECT_EQ(h.Entries().front(), "cmd10");
    h.Add("cmd20"); // a repeat moves to the end
    EXPECT_EQ(h.Entries().size(), INPUT_HISTORY_LIMIT);
    EXPECT_EQ(h.Entries().back(), "cmd20");
    EXPECT_EQ(h.Entries()[10], "cmd21");
}

TEST(InputHistoryTest, UpAndDownWalkBackToTheDraft) {
    InputHistory h;
    std::string out;
    EXPECT_FALSE(h.Older("draft", out));
    EXPECT_FALSE(h.Newer(out));
    h.Add("1B 40");
    h.Add("ABC");
    ASSERT_TRUE(h.Older("half typed", out));
    EXPECT_EQ(out, "ABC");
    ASSERT_TRUE(h.Older(out, out));
    EXPECT_EQ(out, "1B 40");
    EXPECT_FALSE(h.Older(out, out));
    ASSERT_TRUE(h.Newer(out));
    EXPECT_EQ(out, "ABC");
    ASSERT_TRUE(h.Newer(out));
    EXPECT_EQ(out, "half typed");
    EXPECT_FALSE(h.Newer(out));
}

TEST(InputHistoryTest, FileRoundTripAndDamagedFiles) {
    const std::vector<std::string> entries = {"1B 40\r\n0A", "back\\slash", "中文"};
    EXPECT_EQ(EncodeHistory(entries), "1B 40\\r\\n0A\nback\\\\slash\n中文\n");
    EXPECT_EQ(DecodeHistory(EncodeHistory(entries)), entries);
    // Windows line ends, blank lines and a last line without its end.
    EXPECT_EQ(DecodeHistory("a\r\n\r\n\nb"), (std::vector<std::string>{"a", "b"}));

    const auto dir =
        std::filesystem::temp_directory_path() / ("printune_history_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / INPUT_HISTORY_FILE).string();
    InputHistory h;
    EXPECT_TRUE(h.Load(path)); // no file yet: empty
    EXPECT_TRUE(h.Entries().empty());
    for (const auto& e : entries)
        h.Add(e);
    ASSERT_TRUE(h.Save(path));
    InputHistory back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.Entries(), entries);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    // A file of more than fifty lines keeps the newest fifty.
    {
        std::ofstream f(path, std::ios::trunc);
        for (int i = 0; i < 70; ++i)
            f << "line" << i << "\n";
    }
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.Entries().size(), INPUT_HISTORY_LIMIT);
    EXPECT_EQ(back.Entries().back(), "line69");
    EXPECT_FALSE(back.Save((dir / "missing" / "x").string()));
    std::filesystem::remove_all(dir);
}

} // namespace
