#include "port/ui/port_failure_text.h"

#include "base/ui/text_service.h"
#include "port/port_errors.h"

namespace printune {

QString PortFailureText(int code, int portType, int sysErrno, int languageId) {
    QString text = Q(PortErrorMessage(code, portType, languageId));
    const std::string hint = PortErrorHint(code, portType, sysErrno, languageId);
    if (!hint.empty())
        text += QLatin1Char('\n') + Q(hint);
    return text;
}

} // namespace printune
