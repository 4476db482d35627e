// trace show: a communication trace as an aligned table, hex and ASCII side
// by side, in the run's language.
#include <cstring>
#include <fstream>

#include "command.h"
#include "context.h"
#include "failure.h"
#include "output.h"
#include "port/comm_trace.h"
#include "texts.h"

namespace printune::cli {

namespace {

constexpr size_t BYTES_PER_ROW = 16;

const char* KindText(TraceKind kind) {
    switch (kind) {
    case TraceKind::Open:
        return L("open", "打开");
    case TraceKind::Close:
        return L("close", "关闭");
    case TraceKind::Write:
        return L("send", "发送");
    case TraceKind::Read:
        return L("receive", "接收");
    case TraceKind::Timeout:
        return L("time-out", "超时");
    default:
        return L("error", "错误");
    }
}

std::string HexRow(const std::vector<uint8_t>& bytes, size_t from) {
    std::string hex, ascii;
    for (size_t i = from; i < from + BYTES_PER_ROW; ++i) {
        if (i < bytes.size()) {
            hex += Format("%02x ", bytes[i]);
            ascii += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
        } else {
            hex += "   ";
        }
    }
    return hex + " " + Column(ascii, BYTES_PER_ROW);
}

std::string Detail(const TraceEvent& e) {
    std::string text = e.meaning;
    if (!e.sha256.empty())
        text += (text.empty() ? "" : "; ") + std::string("SHA-256 ") + e.sha256;
    if (e.sysErrno != 0)
        text += Format(" (errno %d)", e.sysErrno);
    if (e.code != 0)
        text += Format(" [%d]", e.code);
    return text;
}

void Show(Context&, const ParsedArgs& args) {
    const std::string& path = args.positional[0];
    std::ifstream in(path);
    if (!in)
        ThrowInput(Format(L("cannot read '%s': %s", "无法读取 '%s'：%s"), path.c_str(),
                          std::strerror(errno)));
    PrintLine(Column(L("time ms", "时间 ms"), 11) + Column(L("endpoint", "端点"), 28) +
              Column(L("event", "事件"), 9) + Column(L("bytes", "字节"), 8) +
              Column(L("hex", "十六进制"), 49) + Column("ASCII", 17) + L("meaning", "含义"));
    std::string line;
    int64_t start = -1;
    size_t lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty())
            continue;
        TraceEvent e;
        if (!ParseTraceEvent(line, e)) {
            PrintMessage(
                Format(L("%s:%zu: not a trace event, skipped", "%s:%zu：不是通信记录事件，已跳过"),
                       path.c_str(), lineNumber));
            continue;
        }
        if (start < 0)
            start = e.timeUs;
        const bool moved = e.kind == TraceKind::Write || e.kind == TraceKind::Read;
        std::string head =
            Column(Format("%10.3f", static_cast<double>(e.timeUs - start) / 1000), 11) +
            Column(e.transport + ":" + e.endpoint, 27) + " " + Column(KindText(e.kind), 9) +
            Column(moved ? std::to_string(e.length) : std::string(), 8);
        const std::string blank(65, ' ');
        std::string first = moved && !e.bytes.empty() ? HexRow(e.bytes, 0) : blank;
        PrintLine(head + first + " " + Detail(e));
        for (size_t row = BYTES_PER_ROW; row < e.bytes.size(); row += BYTES_PER_ROW)
            PrintLine(std::string(56, ' ') + HexRow(e.bytes, row));
    }
}

} // namespace

void AddTraceCommands(std::vector<Command>& commands) {
    commands.push_back({"trace show",
                        "FILE",
                        "show a communication trace as a table",
                        "以表格显示通信记录",
                        {},
                        1,
                        1,
                        Show,
                        nullptr});
}

} // namespace printune::cli
