#include "settings/settings_messages.h"

#include "base/language.h"
#include "port/port_errors.h"

namespace printune {

namespace {
std::string Pick(int languageId, const char* english, const char* chinese) {
    return languageId == LANG_CHINESE ? chinese : english;
}
} // namespace

std::string TimeOutMessage(int languageId) {
    return Pick(languageId, "Communication is time out!", "通讯超时!");
}

std::string ValueTooLargeMessage(int languageId) {
    return Pick(languageId, "The value is too large!", "数值超出范围!");
}

std::string InputIntegerMessage(int languageId) {
    return Pick(languageId, "Input integer please.", "请输入整数。");
}

std::string ExchangeFailureMessage(const ExchangeResult& result, int portType, int languageId) {
    switch (result.outcome) {
    case ExchangeOutcome::OpenFailed:
    case ExchangeOutcome::WriteFailed:
    case ExchangeOutcome::ReadFailed: {
        std::string text = PortErrorMessage(result.portError, portType, languageId);
        // An open that fails without a code of its port type (an unknown
        // port type) still needs saying.
        return text.empty() ? PortErrorMessage(PORT_ERR_IN_USE, PORT_COM, languageId) : text;
    }
    case ExchangeOutcome::TimedOut:
        return TimeOutMessage(languageId);
    default:
        return {};
    }
}

} // namespace printune
