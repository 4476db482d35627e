// test ...: the receipt printers' print tests.
#include <cerrno>
#include <cstdlib>
#include <stop_token>

#include "command.h"
#include "context.h"
#include "diagnostics/print_tests.h"
#include "failure.h"
#include "link.h"
#include "output.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

const std::vector<OptionSpec> kStyle = {
    {"double-width", nullptr, "double width", "倍宽"},
    {"double-height", nullptr, "double height", "倍高"},
    {"underline", nullptr, "underline mode", "下划线"},
};

FontStyle StyleFrom(const ParsedArgs& a) {
    return FontStyle{a.Has("double-width"), a.Has("double-height"), a.Has("underline")};
}

void RequireReceipt(const Context& c) {
    if (!IsReceiptModel(c))
        ThrowInput(
            Format(L("the print tests are for the receipt printers (HT-740, HT-750), not '%s'",
                     "打印测试只适用于票据打印机（HT-740、HT-750），不适用于 '%s'"),
                   c.settings.printerModel.c_str()));
}

// The page's cutter rule: a model without a cutter gets no cutter command.
void RequireCutter(const Context& c, FixedTest test) {
    if (NeedsCutter(test) && !ModelHasCutter(c.modelPosition))
        ThrowInput(
            Format(L("'%s' has no cutter", "'%s' 没有切刀"), c.settings.printerModel.c_str()));
}

void Send(const Context& c, const std::vector<uint8_t>& bytes, const std::string& words) {
    CliLink link(c);
    const SendOutcome r = SendToPrinter(link, bytes, MessageLanguage());
    if (!r.ok)
        ThrowNotice(link, r.notice.value_or(Notice{}), EXIT_OTHER);
    ReportSent(c, words, r.bytesSent);
}

std::vector<OptionSpec> StyleWith(std::vector<OptionSpec> first) {
    first.insert(first.end(), kStyle.begin(), kStyle.end());
    return first;
}

void ChineseTest(Context& c, const ParsedArgs& a) {
    RequireReceipt(c);
    const std::string text = a.Get("section", "1");
    if (text.size() != 1 || text[0] < '1' || text[0] > '5')
        ThrowInput(Format(L("invalid --section '%s' (1 ... 5)", "--section 无效：'%s'（1 ... 5）"),
                          text.c_str()));
    Send(c, ChineseTestBytes(text[0] - '0', StyleFrom(a)), "test chinese");
}

void AsciiTest(Context& c, const ParsedArgs& a) {
    RequireReceipt(c);
    const std::string pattern = a.Get("pattern", "ascii");
    AsciiPattern p;
    if (pattern == "ascii")
        p = AsciiPattern::Alphabet;
    else if (pattern == "h" || pattern == "H")
        p = AsciiPattern::LetterH;
    else if (pattern == "i" || pattern == "I")
        p = AsciiPattern::LetterI;
    else
        ThrowInput(
            Format(L("invalid --pattern '%s' (ascii, h, i)", "--pattern 无效：'%s'（ascii、h、i）"),
                   pattern.c_str()));
    const std::string font = a.Get("font", "a");
    if (font != "a" && font != "A" && font != "b" && font != "B")
        ThrowInput(
            Format(L("invalid --font '%s' (a, b)", "--font 无效：'%s'（a、b）"), font.c_str()));
    long count = 0;
    if (auto t = a.Find("count")) {
        char* end = nullptr;
        errno = 0;
        count = std::strtol(t->c_str(), &end, 10);
        if (t->empty() || *end != '\0' || errno != 0 || count < 1)
            ThrowInput(Format(L("invalid --count: '%s'", "--count 无效：'%s'"), t->c_str()));
    }
    const auto bytes = AsciiTestBytes(p, font == "a" || font == "A", StyleFrom(a));

    CliLink link(c);
    // Ctrl-C is the page's "Stop test": the line under way still prints.
    std::stop_source local;
    std::stop_callback follow(StopToken(), [&local] { local.request_stop(); });
    int sends = 0;
    const SendOutcome r =
        RunAsciiTest(link, bytes, local.get_token(), {}, MessageLanguage(), [&](int n) {
            sends = n;
            if (count > 0 && n >= count)
                local.request_stop();
        });
    if (!r.ok && r.notice)
        ThrowNotice(link, *r.notice, EXIT_OTHER);
    if (c.json) {
        Json doc = OkDocument("test ascii");
        doc.Set("sends", sends);
        doc.Set("bytes", static_cast<long long>(r.bytesSent));
        PrintJson(doc);
    } else {
        PrintLine(Format(L("Sent %lld bytes in %d writes.", "已分 %2$d 次发送 %1$lld 字节。"),
                         static_cast<long long>(r.bytesSent), sends));
    }
}

void SendTestData(Context& c, const ParsedArgs& a) {
    RequireReceipt(c);
    const std::string path = a.positional.empty() ? TEST_DATA_FILE : a.positional[0];
    const TestData data = LoadTestData(path, MessageLanguage());
    if (!data.ok)
        ThrowInput(data.notice ? data.notice->text : std::string());
    CliLink link(c);
    const SendOutcome r = RunTestPrint(link, path, MessageLanguage());
    if (!r.ok)
        ThrowNotice(link, r.notice.value_or(Notice{}), EXIT_OTHER);
    ReportSent(c, "test data", r.bytesSent);
}

void Baud(Context& c, const ParsedArgs& a) {
    RequireReceipt(c);
    const auto& list = BaudRateTestList();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == a.positional[0]) {
            Send(c, BaudRateTestBytes(static_cast<int>(i)), "test baud");
            return;
        }
    std::string all;
    for (size_t i = 0; i < list.size(); ++i)
        all += (i ? ", " : "") + list[i];
    ThrowInput(Format(L("invalid baud rate '%s' (%s)", "波特率无效：'%s'（%s）"),
                      a.positional[0].c_str(), all.c_str()));
}

struct Fixed {
    const char* words;
    FixedTest test;
    const char* english;
    const char* chinese;
};

const Fixed kFixed[] = {
    {"test bm-enable", FixedTest::BlackMarkEnable, "\"Black Mark Enable\"", "黑标有效"},
    {"test bm-disable", FixedTest::BlackMarkDisable, "\"Black Mark Disable\"", "黑标无效"},
    {"test cut-enable", FixedTest::CutEnable, "\"Cut Enable\"", "切刀有效"},
    {"test cut-disable", FixedTest::CutDisable, "\"Cut Disable\"", "切刀无效"},
    {"test full-cut", FixedTest::FullCut, "\"Full Cut\" test", "全切测试"},
    {"test partial-cut", FixedTest::PartialCut, "\"Partial Cut\" test", "半切测试"},
    {"test drawer1", FixedTest::Drawer1, "open cash drawer 1", "打开钱箱 1"},
    {"test drawer2", FixedTest::Drawer2, "open cash drawer 2", "打开钱箱 2"},
};

} // namespace

void AddTestCommands(std::vector<Command>& list) {
    list.push_back(
        {"test chinese",
         "",
         "print a section of double-byte Chinese characters",
         "打印一段双字节汉字",
         StyleWith({{"section", "1..5", "character section (default 1)", "汉字区段（默认 1）"}}),
         0,
         0,
         ChineseTest,
         {}});
    list.push_back({"test ascii",
                    "",
                    "print ASCII lines every 600 ms until Ctrl-C (or --count)",
                    "每 600 毫秒打印一行 ASCII 字符，直到 Ctrl-C（或 --count）",
                    StyleWith({{"pattern", "ascii|h|i", "A to Z, or fifty H or I (default ascii)",
                                "A 到 Z，或五十个 H 或 I（默认 ascii）"},
                               {"font", "a|b", "font A or B (default a)", "字体 A 或 B（默认 a）"},
                               {"count", "N", "stop after N lines", "打印 N 行后停止"}}),
                    0,
                    0,
                    AsciiTest,
                    {}});
    list.push_back({"test bm-test",
                    "",
                    "\"Black Mark Test\"",
                    "黑标测试",
                    {{"cut", nullptr, "cut paper after print", "打印后切纸"}},
                    0,
                    0,
                    [](Context& c, const ParsedArgs& a) {
                        RequireReceipt(c);
                        const FixedTest test =
                            a.Has("cut") ? FixedTest::BlackMarkTestCut : FixedTest::BlackMarkTest;
                        RequireCutter(c, test);
                        Send(c, FixedTestBytes(test), "test bm-test");
                    },
                    {}});
    for (const Fixed& f : kFixed) {
        list.push_back({f.words,
                        "",
                        f.english,
                        f.chinese,
                        {},
                        0,
                        0,
                        [&f](Context& c, const ParsedArgs&) {
                            RequireReceipt(c);
                            RequireCutter(c, f.test);
                            Send(c, FixedTestBytes(f.test), f.words);
                        },
                        {}});
    }
    list.push_back({"test black-bar",
                    "",
                    "print five full-width black bars (\"Black Prn\")",
                    "打印五条全宽黑条",
                    {},
                    0,
                    0,
                    [](Context& c, const ParsedArgs&) {
                        RequireReceipt(c);
                        Send(c, BlackBarBytes(), "test black-bar");
                    },
                    {}});
    list.push_back({"test data",
                    "[FILE]",
                    "send the hex test data file (default testPrint.vt)",
                    "发送十六进制测试数据文件（默认 testPrint.vt）",
                    {},
                    0,
                    1,
                    SendTestData,
                    {}});
    list.push_back({"test baud",
                    "RATE",
                    "set the printer's baud rate (1200 ... 38400); the connection is not changed",
                    "设置打印机的波特率（1200 ... 38400）；不改变连接参数",
                    {},
                    1,
                    1,
                    Baud,
                    {}});
}

} // namespace printune::cli
