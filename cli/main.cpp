// printune-cli: every printer operation of Printune from the command line.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <optional>
#include <stdexcept>

#include "app/trace_meanings.h"
#include "command.h"
#include "context.h"
#include "failure.h"
#include "help.h"
#include "output.h"
#include "signals.h"
#include "texts.h"

using namespace printune::cli;
using printune::InstallTraceMeanings;
using printune::TraceFile;

namespace {

// --config and --lang are needed before the full parse, so that usage
// errors already come in the run's language.
void PreScan(const std::vector<std::string>& args, GlobalOptions& g) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--")
            break;
        for (const char* name : {"config", "lang"}) {
            const std::string flag = std::string("--") + name;
            std::optional<std::string> value;
            if (a == flag && i + 1 < args.size())
                value = args[i + 1];
            else if (a.rfind(flag + "=", 0) == 0)
                value = a.substr(flag.size() + 1);
            if (value)
                (std::string(name) == "config" ? g.config : g.lang) = *value;
        }
    }
}

const Command* FindCommand(const std::vector<std::string>& words, size_t& used) {
    const auto& all = AllCommands();
    if (words.size() >= 2) {
        const std::string two = words[0] + " " + words[1];
        for (const Command& c : all)
            if (c.words == two) {
                used = 2;
                return &c;
            }
    }
    for (const Command& c : all)
        if (!words.empty() && c.words == words[0]) {
            used = 1;
            return &c;
        }
    return nullptr;
}

bool IsGroup(const std::string& word) {
    for (const Command& c : AllCommands())
        if (c.words.rfind(word + " ", 0) == 0)
            return true;
    return false;
}

int Run(Context& ctx, const std::vector<std::string>& args, std::string& commandWords) {
    PreScan(args, ctx.global);
    LoadRunSettings(ctx);

    const auto& globals = GlobalOptionSpecs();
    // Global options, then the command words.
    size_t i = 0;
    std::vector<std::string> words;
    for (; i < args.size(); ++i) {
        std::string name, value;
        bool known = false;
        if (TakeOption(globals, args, i, name, value, known)) {
            if (!known)
                ThrowUsage(Format(L("unknown option '%s'", "未知选项 '%s'"), args[i].c_str()));
            StoreGlobal(ctx.global, name, value);
            continue;
        }
        break;
    }
    ctx.json = ctx.global.json;
    for (size_t k = i; k < args.size() && k < i + 2; ++k)
        if (args[k].rfind("-", 0) != 0 || args[k] == "-")
            words.push_back(args[k]);
        else
            break;
    if (words.empty()) {
        if (ctx.global.version) {
            PrintLine(std::string("printune-cli ") + CLI_VERSION);
            return EXIT_OK;
        }
        if (ctx.global.help) {
            std::fputs(GeneralHelp().c_str(), stdout);
            return EXIT_OK;
        }
        ThrowUsage(L("no command given", "没有给出命令"));
    }
    if (words[0] == "help") {
        size_t used = 0;
        std::vector<std::string> rest(words.begin() + 1, words.end());
        for (size_t k = i + words.size(); k < args.size() && rest.size() < 2; ++k)
            rest.push_back(args[k]);
        const Command* c = rest.empty() ? nullptr : FindCommand(rest, used);
        std::fputs(c ? CommandHelp(*c).c_str() : GeneralHelp().c_str(), stdout);
        return EXIT_OK;
    }
    size_t used = 0;
    const Command* command = FindCommand(words, used);
    if (!command) {
        if (IsGroup(words[0]))
            ThrowUsage(Format(L("unknown command '%s %s'", "未知命令 '%s %s'"), words[0].c_str(),
                              words.size() > 1 ? words[1].c_str() : ""));
        ThrowUsage(Format(L("unknown command '%s'", "未知命令 '%s'"), words[0].c_str()));
    }
    commandWords = command->words;
    i += used;

    // The command's options and arguments; global options may follow too.
    ParsedArgs parsed;
    bool onlyPositional = false;
    for (; i < args.size(); ++i) {
        if (onlyPositional) {
            parsed.positional.push_back(args[i]);
            continue;
        }
        if (args[i] == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name, value;
        bool known = false;
        if (TakeOption(command->options, args, i, name, value, known) && known) {
            parsed.values[name] = value;
            continue;
        }
        if (TakeOption(globals, args, i, name, value, known)) {
            if (!known)
                ThrowUsage(Format(L("unknown option '%s' for '%s'", "'%2$s' 没有选项 '%1$s'"),
                                  args[i].c_str(), command->words.c_str()));
            StoreGlobal(ctx.global, name, value);
            continue;
        }
        parsed.positional.push_back(args[i]);
    }
    ctx.json = ctx.global.json;
    if (ctx.global.help) {
        std::fputs(CommandHelp(*command).c_str(), stdout);
        return EXIT_OK;
    }
    if (parsed.positional.size() < command->minArgs ||
        (command->maxArgs != MANY && parsed.positional.size() > command->maxArgs))
        ThrowUsage(
            Format(L("wrong arguments for '%s'; usage: %s %s", "'%s' 的参数不对；用法：%s %s"),
                   command->words.c_str(), command->words.c_str(), command->arguments.c_str()));
    ApplyOverrides(ctx);
    std::optional<TraceFile> trace;
    if (ctx.global.trace) {
        InstallTraceMeanings();
        try {
            trace.emplace(*ctx.global.trace, ctx.global.traceFull);
        } catch (const std::runtime_error& e) {
            ThrowInput(e.what());
        }
    }
    command->run(ctx, parsed);
    return EXIT_OK;
}

} // namespace

int main(int argc, char** argv) {
    SignalWatcher watcher;
    std::vector<std::string> args(argv + 1, argv + argc);
    Context ctx;
    std::string commandWords;
    try {
        return Run(ctx, args, commandWords);
    } catch (const Failure& f) {
        ReportFailure(ctx.json, commandWords, f);
        return f.exitCode;
    } catch (const std::exception& e) {
        Failure f{EXIT_OTHER, e.what(), {}, 0, "error"};
        ReportFailure(ctx.json, commandWords, f);
        return EXIT_OTHER;
    }
}
