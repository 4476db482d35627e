// The interface page's commands as the simulated printer receives them:
// the serial configuration after OK in the serial dialog (over USB, or over
// the new COM port when no USB printer is present) and the Wi-Fi reset.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "gui_test_support.h"
#include "port/port_errors.h"
#include "port/printer_port.h"
#include "port/ui/page_port_set.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

// In the open serial dialog: 115200 baud, "Even", 8 data bits, 1 stop bit,
// "DTR" on the given port, then OK.
void ConfirmSerial(QDialog* dialog, const QString& port) {
    auto pick = [dialog](const char* name, const QString& text) {
        auto* list = dialog->findChild<QComboBox*>(QString::fromLatin1(name));
        list->setCurrentIndex(list->findText(text));
    };
    pick("portCombo", port);
    pick("baudCombo", QStringLiteral("115200"));
    pick("parityCombo", QStringLiteral("Even"));
    pick("dataBitCombo", QStringLiteral("8"));
    pick("stopBitCombo", QStringLiteral("1"));
    pick("flowCombo", QStringLiteral("DTR"));
    dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
}

const char* const kSerialConfig = "1B 0D 53 1B 23 27 1B 10 45";

// Starts on COM1, confirms the serial dialog with the values above on
// `port` and waits until the re-configuration has ended.
std::unique_ptr<CPrintuneDlg> ReconfigureSerial(GuiWorld& world, const QString& port,
                                                const std::string& model = "KP-520") {
    world.WriteIni({.model = model, .portType = 1});
    auto window = world.OpenMainWindow();
    auto* setting = window->findChild<QPushButton*>(QStringLiteral("settingButton"));
    if (!WithModalDialog([&] { setting->click(); },
                         [&](QDialog* dialog) { ConfirmSerial(dialog, port); }))
        QTest::qFail("no serial dialog", __FILE__, __LINE__);
    if (!QTest::qWaitFor([&] { return setting->isEnabled(); }))
        QTest::qFail("the re-configuration did not end", __FILE__, __LINE__);
    return window;
}

} // namespace

class SimPortTest : public QObject {
    Q_OBJECT

private slots:
    void serialConfigurationGoesOverUsbFirst() {
        SimProcess sim({"--usb", "7A3E:5C19", "--com", "1"});
        sim.ExportEnvironment();
        GuiWorld world;
        auto window = ReconfigureSerial(world, QStringLiteral("COM1"));
        QVERIFY(sim.WaitReceived("usb0", 9));
        QCOMPARE(sim.Received("usb0"), HexBytes(kSerialConfig));
        QVERIFY(sim.Received("COM1").empty());
        QVERIFY(world.messages.empty());
        QCOMPARE(Find<QLabel>(window.get(), "interfaceStatus")->text(),
                 QStringLiteral("  COM1|115200"));
        QVERIFY(IniHas(world.ReadIni(), "COM", "Baudrate", "115200"));
        QVERIFY(IniHas(world.ReadIni(), "COM", "ParitySetup", "Even"));
        QVERIFY(IniHas(world.ReadIni(), "PortType", "CurPortType", "1"));
    }

    void serialConfigurationUsesTheModelSelectedAtThatMoment() {
        // HT-740 (position 3) codes "Even" as 0x10: 7 + 0x10 = 0x17.
        SimProcess sim({"--usb", "7A3E:3D71"});
        sim.ExportEnvironment();
        GuiWorld world;
        auto window = ReconfigureSerial(world, QStringLiteral("COM1"), "HT-740");
        QVERIFY(sim.WaitReceived("usb0", 9));
        QCOMPARE(sim.Received("usb0"), HexBytes("1B 0D 53 1B 23 17 1B 10 45"));
    }

    void serialConfigurationFallsBackToTheNewComPort() {
        SimProcess sim({"--com", "3"});
        sim.ExportEnvironment();
        GuiWorld world;
        auto window = ReconfigureSerial(world, QStringLiteral("COM3"));
        QVERIFY(sim.WaitReceived("COM3", 9));
        QCOMPARE(sim.Received("COM3"), HexBytes(kSerialConfig));
        QVERIFY(world.messages.empty());
        QCOMPARE(Find<QLabel>(window.get(), "interfaceStatus")->text(),
                 QStringLiteral("  COM3|115200"));
        QVERIFY(IniHas(world.ReadIni(), "COM", "PortName", "COM3"));
    }

    void busyComPortGetsTheRemedyLine() {
        SimProcess sim({"--com", "3"});
        sim.ExportEnvironment();
        CPrinterPort holder; // another program holds COM3
        holder.portType = PORT_COM;
        holder.comName = "COM3";
        QCOMPARE(holder.Open(), 1);
        GuiWorld world;
        auto window = ReconfigureSerial(world, QStringLiteral("COM3"));
        QCOMPARE(world.messages.size(), size_t(1));
        QCOMPARE(world.messages[0].icon, MessageIcon::Error);
        const QStringList lines = world.messages[0].text.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0],
                 QString::fromStdString(PortErrorMessage(PORT_ERR_IN_USE, PORT_COM, 1033)));
        // Adopted all the same.
        QCOMPARE(Find<QLabel>(window.get(), "interfaceStatus")->text(),
                 QStringLiteral("  COM3|115200"));
    }

    void wifiResetOverUsbLeavesSettingDisabled() {
        SimProcess sim({"--usb", "7A3E:5C19"});
        sim.ExportEnvironment();
        GuiWorld world;
        auto window = world.OpenMainWindow(); // first run: USB
        auto* reset = Find<QPushButton>(window.get(), "resetWifiButton");
        reset->click();
        QTRY_VERIFY(reset->isEnabled());
        QVERIFY(sim.WaitReceived("usb0", 9));
        QCOMPARE(sim.Received("usb0"), HexBytes("1B 0D 53 1B 40 01 1B 10 45"));
        QVERIFY(!Find<QPushButton>(window.get(), "settingButton")->isEnabled());
        QVERIFY(world.messages.empty());
    }
};

QTEST_MAIN(SimPortTest)
#include "sim_port_test.moc"
