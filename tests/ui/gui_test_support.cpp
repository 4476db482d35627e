#include "gui_test_support.h"

#include <fstream>
#include <sstream>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QTimer>

#include "app/ui/app_services.h"
#include "app/ui/keeping_update.h"
#include "base/ui/text_service.h"
#include "port/ui/page_port_set.h"

namespace printune_test {

std::string IniText(const IniValues& v) {
    std::ostringstream out;
    out << "[PrinterModel]\r\nPrinter Model=" << v.model
        << "\r\n[PortType]\r\nCurPortType=" << v.portType << "\r\n[COM]\r\nPortName=" << v.com
        << "\r\nBaudrate=" << v.baud << "\r\nParitySetup=" << v.parity
        << "\r\nDataBit=" << v.dataBit << "\r\nStopBit=" << v.stopBit
        << "\r\nFlowControl=" << v.flow << "\r\n[LPT]\r\nPortName=" << v.lpt
        << "\r\n[LAN]\r\nIpAddr=" << v.ip << "\r\nListenPort=" << v.listenPort
        << "\r\n[LanguageSetting]\r\nLanguage=" << v.language << "\r\n";
    return out.str();
}

GuiWorld::GuiWorld() : previousDir_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
    // As the program's start does.
    printune::InstallKeepingUpdate();
    printune::MessageService::SetAnswerer([this](const printune::MessageRecord& record) {
        messages.push_back(record);
        return QMessageBox::Ok;
    });
    printune::FileDialogService::SetAnswerer([this](const printune::FileDialogRequest& request) {
        fileRequests.push_back(request);
        return fileAnswer;
    });
    printune::SetRestartHandler([this] {
        ++restarts;
        return true;
    });
    printune::SetOpenDocumentHandler([this](const QString& path) {
        openedDocuments.push_back(path);
        return true;
    });
}

GuiWorld::~GuiWorld() {
    printune::MessageService::SetAnswerer({});
    printune::FileDialogService::SetAnswerer({});
    printune::SetRestartHandler({});
    printune::SetOpenDocumentHandler({});
    printune::ApplyUiLanguage(1033);
    QDir::setCurrent(previousDir_);
}

void GuiWorld::WriteIni(const IniValues& values) {
    std::ofstream(dir_.filePath("printune.ini").toStdString(), std::ios::binary) << IniText(values);
}

std::string GuiWorld::ReadIni() const {
    std::ifstream in(dir_.filePath("printune.ini").toStdString(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::unique_ptr<printune::CPrintuneDlg> GuiWorld::OpenMainWindow(int uiLanguage) {
    printune::ApplyUiLanguage(uiLanguage);
    auto window = std::make_unique<printune::CPrintuneDlg>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        QTest::qFail("main window not exposed", __FILE__, __LINE__);
    return window;
}

bool WithModalDialog(const std::function<void()>& trigger,
                     const std::function<void(QDialog*)>& action) {
    bool seen = false;
    // Inside another modal dialog, that one is the active modal widget until
    // the new one opens (which may take a while on a busy machine): it is not
    // the dialog waited for.
    QWidget* const alreadyOpen = QApplication::activeModalWidget();
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog == alreadyOpen)
            return;
        poll.stop();
        seen = true;
        action(dialog);
        // Whatever the action did, never leave the test blocked in exec().
        if (dialog->isVisible())
            dialog->reject();
    });
    poll.start();
    trigger();
    poll.stop();
    return seen;
}

void PickModel(printune::CPrintuneDlg& window, int position) {
    auto* models = window.PortPage()->findChild<QComboBox*>(QStringLiteral("modelCombo"));
    models->setCurrentIndex(position - 1);
    emit models->activated(position - 1);
}

void ChooseFunction(printune::CPrintuneDlg& window, int row) {
    window.findChild<QListWidget*>(QStringLiteral("functionList"))->setCurrentRow(row);
}

bool IniHas(const std::string& ini, const std::string& section, const std::string& key,
            const std::string& value) {
    const size_t start = ini.find("[" + section + "]\r\n");
    if (start == std::string::npos)
        return false;
    const size_t end = ini.find("\r\n[", start + 1);
    const std::string body = ini.substr(start, end == std::string::npos ? end : end + 2 - start);
    return body.find("\r\n" + key + "=" + value + "\r\n") != std::string::npos;
}

} // namespace printune_test
