#include "diagnostics/ui/notice_box.h"

#include "base/ui/message_service.h"
#include "base/ui/text_service.h"

namespace printune {

void ShowNotice(QWidget* owner, const Notice& notice) {
    const MessageIcon icon = notice.severity == Severity::Error     ? MessageIcon::Error
                             : notice.severity == Severity::Warning ? MessageIcon::Warning
                                                                    : MessageIcon::Information;
    QString text = Q(notice.text);
    if (!notice.hint.empty())
        text += QLatin1Char('\n') + Q(notice.hint);
    MessageService::Show(owner, icon, text);
}

} // namespace printune
