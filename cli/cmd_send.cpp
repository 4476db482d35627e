// send text | hex | file: raw data to the printer, once or in a loop.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <stop_token>

#include "app/startup_language.h"
#include "base/codepage.h"
#include "base/device_texts.h"
#include "base/file_bytes.h"
#include "base/narrow_text.h"
#include "command.h"
#include "context.h"
#include "diagnostics/data_send.h"
#include "diagnostics/reply_console.h"
#include "failure.h"
#include "link.h"
#include "output.h"
#include "port/port_errors.h"
#include "progress.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

const std::vector<OptionSpec> kLoopOptions = {
    {"loop", nullptr, "repeat until Ctrl-C (or --count)", "循环发送，直到 Ctrl-C（或 --count）"},
    {"interval", "MS", "pause after each send, in milliseconds (default 0)",
     "每次发送后的间隔，毫秒（默认 0）"},
    {"count", "N", "send N times (implies --loop)", "发送 N 次（隐含 --loop）"},
};

long ParseCount(const ParsedArgs& a, const char* name, long fallback, long min, long max) {
    const auto text = a.Find(name);
    if (!text)
        return fallback;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text->c_str(), &end, 10);
    if (text->empty() || *end != '\0' || errno != 0 || v < min || v > max)
        ThrowInput(Format(L("invalid --%s: '%s'", "--%s 无效：'%s'"), name, text->c_str()));
    return v;
}

struct LoopPlan {
    bool loop = false;
    int intervalMs = 0;
    long count = 0; // 0: until stopped
};

LoopPlan PlanFrom(const ParsedArgs& a) {
    LoopPlan p;
    p.count = ParseCount(a, "count", 0, 1, 1000000000L);
    p.intervalMs = static_cast<int>(ParseCount(a, "interval", 0, 0, 24L * 3600 * 1000));
    p.loop = a.Has("loop") || p.count > 1;
    return p;
}

// A stop of our own that also follows Ctrl-C.
struct LocalStop {
    std::stop_source source;
    std::stop_callback<std::function<void()>> follow{
        StopToken(), std::function<void()>([this] { source.request_stop(); })};
};

// Interprets \n \r \t \e \\ and \xHH (below 80) in a text.
std::string Unescape(const std::string& in) {
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 >= in.size()) {
            out += in[i];
            continue;
        }
        const char c = in[++i];
        switch (c) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'e':
            out += '\x1b';
            break;
        case '\\':
            out += '\\';
            break;
        case 'x': {
            const std::string hex = in.substr(i + 1, 2);
            char* end = nullptr;
            const long v = std::strtol(hex.c_str(), &end, 16);
            if (hex.size() != 2 || *end != '\0' || v >= 0x80)
                ThrowInput(Format(
                    L("invalid escape '\\x%s' (00 ... 7F)", "转义 '\\x%s' 无效（00 ... 7F）"),
                    hex.c_str()));
            out += static_cast<char>(v);
            i += 2;
            break;
        }
        default:
            out += '\\';
            out += c;
            break;
        }
    }
    return out;
}

std::string JoinedInput(const ParsedArgs& a) {
    if (a.positional.size() == 1 && a.positional[0] == "-")
        return std::string(std::istreambuf_iterator<char>(std::cin), {});
    std::string text;
    for (size_t i = 0; i < a.positional.size(); ++i)
        text += (i ? " " : "") + a.positional[i];
    return text;
}

// The replies of a data send, printed as they come (console lines), or
// gathered for the JSON document.
struct ReplyPrinter {
    bool json = false;
    int languageId = 0;
    int portType = 0;
    Json list = Json::Array();
    bool any = false;

    void operator()(int write, const ReplyRead& reply) {
        const std::string stamp = TimeStamp(std::chrono::system_clock::now());
        if (reply.readError != 0)
            PrintMessage(PortErrorMessage(reply.readError, portType, languageId));
        if (reply.bytes.empty())
            return;
        any = true;
        if (!json) {
            for (const std::string& line : ConsoleLines(reply.bytes, stamp))
                PrintLine(line);
            return;
        }
        Json item = Json::Object();
        item.Set("write", write);
        item.Set("time", stamp);
        item.Set("bytes", static_cast<long long>(reply.bytes.size()));
        item.Set("hex", HexColumn(reply.bytes.data(), reply.bytes.size()));
        item.Set("text", TextColumn(reply.bytes.data(), reply.bytes.size()));
        list.Push(std::move(item));
    }
};

void SendData(Context& c, const ParsedArgs& a, bool hex, const std::string& words) {
    const LoopPlan plan = PlanFrom(a);
    const int readMs = static_cast<int>(ParseCount(a, "read", 0, 1, 600000));
    std::string input = JoinedInput(a);
    if (!hex && a.Has("escapes"))
        input = Unescape(input);
    const int lang = MessageLanguage();
    DataBytes data = BuildDataBytes(input, hex, NarrowCodePage(SystemDefaultLanguageId()), lang);
    if (!data.ok)
        ThrowInput(data.notice ? data.notice->text : std::string());

    CliLink link(c);
    LocalStop stop;
    ReplyPrinter printer{c.json, lang, link.PortType()};
    ReplyWatch watch;
    watch.windowMs = readMs;
    watch.onReply = [&](int write, const ReplyRead& reply) {
        printer(write, reply);
        if (plan.count > 0 && write >= plan.count)
            stop.source.request_stop();
    };
    // With a reply to wait for, the count ends the loop after that reply.
    const DataSendResult r = RunDataSend(
        link, data.bytes, plan.loop, plan.intervalMs, stop.source.get_token(), lang,
        [&](int writes, int64_t) {
            if (plan.count > 0 && writes >= plan.count && readMs == 0)
                stop.source.request_stop();
        },
        watch);
    if (!r.ok && r.notice)
        ThrowNotice(link, *r.notice, EXIT_OTHER);
    if (readMs > 0 && !printer.any && !c.json)
        PrintMessage(Format(L("No reply within %d ms.", "%d 毫秒内没有回复。"), readMs));
    if (c.json) {
        Json doc = OkDocument(words);
        doc.Set("bytes", static_cast<long long>(r.bytesSent));
        doc.Set("writes", r.writes);
        doc.Set("interrupted", StopRequested());
        if (readMs > 0)
            doc.Set("replies", std::move(printer.list));
        PrintJson(doc);
    } else if (r.writes > 1) {
        PrintLine(Format(L("Sent %lld bytes in %d writes.", "已分 %2$d 次发送 %1$lld 字节。"),
                         static_cast<long long>(r.bytesSent), r.writes));
    } else {
        PrintLine(Format(L("Sent %lld bytes.", "已发送 %lld 字节。"),
                         static_cast<long long>(r.bytesSent)));
    }
}

void SendText(Context& c, const ParsedArgs& a) {
    SendData(c, a, false, "send text");
}

void SendHex(Context& c, const ParsedArgs& a) {
    SendData(c, a, true, "send hex");
}

void SendFileCommand(Context& c, const ParsedArgs& a) {
    const LoopPlan plan = PlanFrom(a);
    const int lang = MessageLanguage();
    CliLink link(c);
    LocalStop stop;
    Progress progress(!a.Has("no-progress"));
    const FileSendResult r =
        SendFile(link, a.positional[0], plan.loop, plan.intervalMs, stop.source.get_token(), lang,
                 [&](const FileProgress& p) {
                     progress.Update(p.sent, p.total);
                     if (plan.count > 0 && p.pass >= plan.count && p.position == p.total)
                         stop.source.request_stop();
                 });
    if (r.inputRefused)
        ThrowInput(r.notice ? r.notice->text : std::string());
    progress.Finish();
    if (r.notice && r.notice->severity != Severity::Information)
        ThrowNotice(link, *r.notice, EXIT_OTHER);
    if (!plan.loop && !r.ok)
        ThrowOther(L("Interrupted.", "已中断。"));
    if (r.notice)
        PrintNotice(*r.notice);
    if (c.json) {
        Json doc = OkDocument("send file");
        doc.Set("bytes", static_cast<long long>(r.sent));
        doc.Set("passes", r.passes);
        doc.Set("interrupted", StopRequested());
        PrintJson(doc);
    } else {
        PrintLine(
            Format(L("Sent %lld bytes.", "已发送 %lld 字节。"), static_cast<long long>(r.sent)));
    }
}

std::vector<OptionSpec> WithLoop(std::vector<OptionSpec> extra) {
    extra.insert(extra.begin(), kLoopOptions.begin(), kLoopOptions.end());
    return extra;
}

const OptionSpec kReadOption = {"read", "MS",
                                "print what the printer sends back within MS milliseconds "
                                "after each send (hex and text)",
                                "每次发送后打印打印机在 MS 毫秒内的回复（十六进制和文本）"};

} // namespace

void AddSendCommands(std::vector<Command>& list) {
    list.push_back({"send text",
                    "TEXT...|-",
                    "send text in the printer's code page (no terminator; '-' reads stdin)",
                    "按打印机代码页发送文本（不加结束符；'-' 表示从标准输入读取）",
                    WithLoop({{"escapes", nullptr, "interpret \\n \\r \\t \\e \\\\ \\xHH",
                               "解释 \\n \\r \\t \\e \\\\ \\xHH 转义"},
                              kReadOption}),
                    1,
                    MANY,
                    SendText,
                    {}});
    list.push_back({"send hex",
                    "HEX...|-",
                    "send hexadecimal bytes, e.g. \"1B 40\" (spaces and line ends are ignored)",
                    "发送十六进制数据，如 \"1B 40\"（忽略空格和换行）",
                    WithLoop({kReadOption}),
                    1,
                    MANY,
                    SendHex,
                    {}});
    list.push_back({"send file",
                    "PATH",
                    "send a file unchanged, block by block with progress",
                    "原样分块发送文件并显示进度",
                    WithLoop({{"no-progress", nullptr, "no progress display", "不显示进度"}}),
                    1,
                    1,
                    SendFileCommand,
                    {}});
}

} // namespace printune::cli
