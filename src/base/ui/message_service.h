#pragma once
// The one way the program shows a message box. Tests install an answerer
// that records each message and answers it instead of showing a modal box.
#include <functional>

#include <QMessageBox>
#include <QPointer>
#include <QString>

namespace printune {

// A box without an explicit icon shows the exclamation (warning) icon.
enum class MessageIcon { Error, Warning, Information };

struct MessageRecord {
    QPointer<QWidget> owner;
    MessageIcon icon = MessageIcon::Warning;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

class MessageService {
public:
    using Answerer = std::function<QMessageBox::StandardButton(const MessageRecord&)>;

    // Shows a modal box on the GUI thread and returns the button pressed.
    static QMessageBox::StandardButton Show(QWidget* owner, MessageIcon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);

    // Replaces the modal box (tests); an empty answerer restores it.
    static void SetAnswerer(Answerer answerer);
};

} // namespace printune
