// The pages' half of the fault matrix: every printer operation of the label
// and receipt settings pages, the firmware page, the command test page and
// the print tests page against a simulated printer that never answers and
// one that answers with garbage of the right length (TCP). Each must end
// with the message of the table (or none), every button that was enabled
// before enabled again, and no descriptor left open. Each row prints one
// line ("gui-fault-matrix: page | fault | button | messages").
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <tuple>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include "diagnostics/ui/command_test_page.h"
#include "diagnostics/ui/test_items_page.h"
#include "firmware/ui/firmware_page.h"
#include "gui_test_support.h"
#include "port/printer_port.h"
#include "settings/ui/label_setup_page.h"
#include "settings/ui/receipt_setup_page.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

int OpenDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

// One page: how the main window reaches it, the buttons that talk to the
// printer, and when an operation (with its completion step) is over.
struct PageRig {
    const char* name;
    std::string model;
    int function; // row of the function list
    std::vector<const char*> buttons;
    std::function<QWidget*(CPrintuneDlg&)> page;
    std::function<bool(QWidget*)> idle;
    int settleMs; // the completion step after the worker
    // Anything the page needs before its buttons work (a file, an input).
    std::function<void(QWidget*, GuiWorld&)> prepare = [](QWidget*, GuiWorld&) {};
    // Buttons an operation leaves disabled by the page's rules when it
    // succeeds (Download Mode stays off until the update has run).
    std::map<std::string, QStringList> staysDisabled = {};
};

void ChooseFirmwareFile(QWidget*, GuiWorld& world) {
    const QString path = world.Path(QStringLiteral("kp.bin"));
    std::ofstream(path.toStdString(), std::ios::binary) << std::string(3000, 'F');
    CUpgradeFW::SetFileChooser([path](QWidget*, const QString&) { return path; });
}

const std::vector<PageRig>& Rigs() {
    static const std::vector<PageRig> rigs = {
        {"label",
         "KP-520",
         1,
         {"getSettingsButton", "getSerialButton", "getVersionButton", "statisticsButton",
          "calibrateButton", "selfTestButton", "resetButton", "sendButton"},
         [](CPrintuneDlg& w) -> QWidget* { return w.LabelPage(); },
         [](QWidget* p) { return !static_cast<CPrintingSetupKP520_1*>(p)->Busy(); },
         150},
        {"receipt",
         "HT-750",
         1,
         {"statusButton", "getButton", "restoreButton", "sendButton"},
         [](CPrintuneDlg& w) -> QWidget* { return w.ReceiptPage(); },
         [](QWidget* p) {
             auto* page = static_cast<CInternalSetupHT740*>(p);
             return !page->Busy() && !page->ReadPending();
         },
         CInternalSetupHT740::COMPLETION_MS * 2},
        {"firmware",
         "KP-520",
         2,
         {"downloadModeButton", "updateButton"},
         [](CPrintuneDlg& w) -> QWidget* {
             w.FirmwarePage()->SetReturnWaitMs(2000);
             return w.FirmwarePage();
         },
         [](QWidget* p) {
             auto* page = static_cast<CUpgradeFW*>(p);
             return !page->Busy() && !page->DownloadCommandRunning();
         },
         100,
         [](QWidget* p, GuiWorld& world) {
             ChooseFirmwareFile(p, world);
             Find<QPushButton>(p, "browseButton")->click();
             CUpgradeFW::SetFileChooser({});
         },
         {{"downloadModeButton", {QStringLiteral("downloadModeButton")}}}},
        {"command",
         "HT-750",
         3,
         {"sendDataButton", "sendFileButton"},
         [](CPrintuneDlg& w) -> QWidget* { return w.CommandTestPage(); },
         [](QWidget* p) { return !static_cast<CCommandTest*>(p)->Sending(); },
         100,
         [](QWidget* p, GuiWorld& world) {
             // A request that a printer answers, and a reply window to read it.
             Find<QPlainTextEdit>(p, "inputBox")
                 ->setPlainText(QStringLiteral("1B 0D 53 1B 33 00 1B 10 45"));
             Find<QSpinBox>(p, "replyWindowSpin")->setValue(500);
             const QString path = world.Path(QStringLiteral("data.bin"));
             std::ofstream(path.toStdString(), std::ios::binary) << std::string(2000, 'C');
             CCommandTest::SetFileChooser(
                 [path](QWidget*, CCommandTest::FileChoice) { return path; });
             Find<QPushButton>(p, "browseButton")->click();
             CCommandTest::SetFileChooser({});
         }},
        {"items",
         "HT-750",
         4,
         {"okButton", "chineseStartButton", "bmEnableButton", "bmDisableButton", "bmTestButton",
          "blackPrnButton", "testPrnButton", "cutEnableButton", "cutDisableButton", "fullCutButton",
          "partialCutButton"},
         [](CPrintuneDlg& w) -> QWidget* { return w.TestItemsPage(); },
         [](QWidget* p) { return !static_cast<CTestItemDialog*>(p)->Testing(); },
         100,
         [](QWidget*, GuiWorld& world) {
             std::ofstream(world.Path(QStringLiteral("testPrint.vt")).toStdString()) << "1B 40 0A";
         }},
    };
    return rigs;
}

// What each operation must tell the user: the messages in order (the start
// of each text). Rows not listed must say nothing.
using Key = std::tuple<std::string, std::string, std::string>; // page, fault, button
const std::map<Key, std::vector<QString>>& Expected() {
    const QString timeout = QStringLiteral("Communication is time out!");
    const QString sent = QStringLiteral("File sent successfully.");
    static const std::map<Key, std::vector<QString>> expected = {
        // The label page's requests with a reply; the one-way commands
        // (calibrate, self-test, send) have nothing to wait for. Garbage of
        // the right length is a reply: its values leave lists unselected.
        {{"label", "silent", "getSettingsButton"}, {timeout}},
        {{"label", "silent", "getSerialButton"}, {timeout}},
        {{"label", "silent", "getVersionButton"}, {timeout}},
        {{"label", "silent", "statisticsButton"}, {timeout}},
        {{"label", "silent", "resetButton"}, {timeout}},
        // The receipt page's status inquiry shows "unknown" in its field.
        {{"receipt", "silent", "getButton"}, {timeout}},
        {{"receipt", "silent", "restoreButton"}, {timeout}},
        // Firmware and files go out whether or not a printer answers.
        {{"firmware", "silent", "updateButton"}, {sent}},
        {{"firmware", "garbage", "updateButton"}, {sent}},
        {{"command", "silent", "sendFileButton"}, {sent}},
        {{"command", "garbage", "sendFileButton"}, {sent}},
    };
    return expected;
}

QStringList EnabledButtons(QWidget* page) {
    QStringList names;
    for (auto* b : page->findChildren<QPushButton*>())
        if (b->isEnabled() && b->isVisibleTo(page))
            names << b->objectName();
    names.sort();
    return names;
}

} // namespace

class GuiFaultMatrixTest : public QObject {
    Q_OBJECT

private slots:
    void everyOperationSurvivesASilentAndAGarblingPrinter_data() {
        QTest::addColumn<int>("rig");
        QTest::addColumn<QString>("fault");
        for (size_t i = 0; i < Rigs().size(); ++i)
            for (const char* fault : {"silent", "garbage"})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(Rigs()[i].name),
                                                                     QLatin1String(fault))))
                    << static_cast<int>(i) << QString::fromLatin1(fault);
    }

    void everyOperationSurvivesASilentAndAGarblingPrinter() {
        QFETCH(int, rig);
        QFETCH(QString, fault);
        const PageRig& r = Rigs()[static_cast<size_t>(rig)];
        SimProcess sim({"--model", r.model, "--reply-fault", fault.toStdString()});
        GuiWorld world;
        world.WriteIni({.model = r.model,
                        .portType = PORT_LAN,
                        .ip = sim.TcpAddress(),
                        .listenPort = sim.TcpPort()});
        auto window = world.OpenMainWindow();
        ChooseFunction(*window, r.function);
        QWidget* page = r.page(*window);
        QVERIFY(page);
        r.prepare(page, world);
        QStringList wrong;

        for (const char* button : r.buttons) {
            auto* b = Find<QPushButton>(page, button);
            if (!b->isEnabled() || !b->isVisibleTo(page)) {
                wrong << QStringLiteral("%1 %2 %3: not enabled")
                             .arg(QLatin1String(r.name), fault, QLatin1String(button));
                continue;
            }
            const QStringList enabled = EnabledButtons(page);
            world.messages.clear();
            const int fds = OpenDescriptors();
            b->click();
            QVERIFY2(QTest::qWaitFor([&] { return r.idle(page); }, 20000), button);
            QTest::qWait(r.settleMs);

            QStringList said;
            for (const auto& m : world.messages)
                said << m.text.section(QLatin1Char('\n'), 0, 0);
            std::printf("gui-fault-matrix: %s | %s | %s | %s\n", r.name, qPrintable(fault), button,
                        said.isEmpty() ? "(no message)" : qPrintable(said.join(" / ")));
            std::fflush(stdout);

            const auto found = Expected().find({r.name, fault.toStdString(), std::string(button)});
            const std::vector<QString> want =
                found == Expected().end() ? std::vector<QString>{} : found->second;
            // Every row runs; the mismatches are listed together at the end.
            const QString row = QStringLiteral("%1 %2 %3: ")
                                    .arg(QLatin1String(r.name), fault, QLatin1String(button));
            bool same = world.messages.size() == want.size();
            for (size_t i = 0; same && i < want.size(); ++i)
                same = world.messages[i].text.startsWith(want[i]);
            if (!same)
                wrong << row + QStringLiteral("said \"%1\"").arg(said.join(QStringLiteral(" / ")));
            const QStringList after = EnabledButtons(page);
            const auto kept = r.staysDisabled.find(button);
            bool back = true;
            for (const QString& name : enabled)
                back = back && (after.contains(name) ||
                                (kept != r.staysDisabled.end() && kept->second.contains(name)));
            if (!back)
                wrong << row +
                             QStringLiteral("enabled before %1, after %2")
                                 .arg(enabled.join(QLatin1Char(',')), after.join(QLatin1Char(',')));
            const int left = OpenDescriptors();
            if (left != fds)
                wrong << row + QStringLiteral("descriptors %1 -> %2").arg(fds).arg(left);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(GuiFaultMatrixTest)
#include "fault_matrix_test.moc"
