#include "failure.h"

#include "port/port_errors.h"
#include "texts.h"

namespace printune::cli {

void ThrowUsage(const std::string& message) {
    throw Failure{EXIT_USAGE, message,
                  L("Try 'printune-cli --help'.", "请运行 'printune-cli --help' 查看用法。"), 0,
                  "usage"};
}

void ThrowInput(const std::string& message) {
    throw Failure{EXIT_INPUT, message, {}, 0, "input"};
}

void ThrowTimeout() {
    throw Failure{EXIT_TIMEOUT, TimeoutMessage(), {}, 0, "timeout"};
}

void ThrowOther(const std::string& message) {
    throw Failure{EXIT_OTHER, message, {}, 0, "error"};
}

void ThrowPort(int code, int portType, int sysErrno) {
    std::string message = PortErrorMessage(code, portType, MessageLanguage());
    if (message.empty())
        message = L("Port failure.", "端口错误。");
    throw Failure{EXIT_PORT, message, PortErrorHint(code, portType, sysErrno, MessageLanguage()),
                  code, "port"};
}

void ThrowPort(const PortError& error) {
    ThrowPort(error.Code(), error.PortType(), error.SysErrno());
}

std::string TimeoutMessage() {
    return L("Communication is time out!", "通讯超时！");
}

} // namespace printune::cli
