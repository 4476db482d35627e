#include "output.h"

#include <cstdio>

#include "context.h"
#include "failure.h"
#include "texts.h"

namespace printune::cli {

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintJson(const Json& document) {
    PrintLine(document.Dump());
}

void PrintMessage(const std::string& line) {
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

Json OkDocument(const std::string& commandWords) {
    Json doc = Json::Object();
    doc.Set("ok", true);
    doc.Set("command", commandWords);
    return doc;
}

void ReportFailure(bool json, const std::string& commandWords, const Failure& f) {
    if (f.exitCode == EXIT_PORT && f.portCode != 0)
        PrintMessage(Format("%s (%d)", f.message.c_str(), f.portCode));
    else
        PrintMessage(f.message);
    if (!f.hint.empty())
        PrintMessage(f.hint);
    if (!json)
        return;
    Json error = Json::Object();
    error.Set("kind", f.kind);
    if (f.portCode != 0)
        error.Set("code", f.portCode);
    error.Set("message", f.message);
    if (!f.hint.empty())
        error.Set("hint", f.hint);
    Json doc = Json::Object();
    doc.Set("ok", false);
    if (!commandWords.empty())
        doc.Set("command", commandWords);
    doc.Set("exit", f.exitCode);
    doc.Set("error", std::move(error));
    PrintJson(doc);
}

void ReportSent(const Context& context, const std::string& commandWords, long long bytes) {
    if (context.json) {
        Json doc = OkDocument(commandWords);
        doc.Set("bytes", bytes);
        PrintJson(doc);
    } else {
        PrintLine(Format(L("Sent %lld bytes.", "已发送 %lld 字节。"), bytes));
    }
}

} // namespace printune::cli
