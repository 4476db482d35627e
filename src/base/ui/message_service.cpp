#include "base/ui/message_service.h"

#include "base/ui/text_service.h"

namespace printune {

namespace {

MessageService::Answerer& CurrentAnswerer() {
    static MessageService::Answerer answerer;
    return answerer;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        break;
    }
    return QMessageBox::Warning;
}

} // namespace

QMessageBox::StandardButton MessageService::Show(QWidget* owner, MessageIcon icon,
                                                 const QString& text,
                                                 QMessageBox::StandardButtons buttons) {
    MessageRecord record{owner, icon, text, buttons};
    if (CurrentAnswerer())
        return CurrentAnswerer()(record);
    QMessageBox box(BoxIcon(icon), QStringLiteral("Printune"), text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageService::SetAnswerer(Answerer answerer) {
    CurrentAnswerer() = std::move(answerer);
}

} // namespace printune
