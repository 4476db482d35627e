// The Wi-Fi and Bluetooth dialogs against printune-sim over USB: the bytes
// of each button, the checks that keep malformed commands off the wire, the
// values restored by the reset, the replies shown, the time-out, and the
// wait for a printer that joins the network after the Wi-Fi command.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "base/language.h"
#include "gui_test_support.h"
#include "net_printers.h"
#include "network/netcfg.h"
#include "network/ui/bluetooth_setup_dlg.h"
#include "network/ui/wifi_setup_dlg_kp520.h"
#include "port/ui/page_port_set.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> v;
    for (int b : values)
        v.push_back(static_cast<uint8_t>(b));
    return v;
}

std::vector<uint8_t> Ascii(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const std::vector<uint8_t> kOpeningCommand =
    Cat({Bytes({0x1B, 0x0D, 0x53, 0x1B, 0x3E, 0x02}), Ascii("KP-520 WF"),
         Bytes({0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0xC0, 0xA8, 0x01, 0x0B, 0xC0,
                0xA8, 0x01, 0x0B, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x1B, 0x10, 0x45})});

// The simulator's USB label printer behind the interface page's USB choice.
struct DialogWorld {
    explicit DialogWorld(std::vector<std::string> simArgs = {"--usb", "7A3E:5C19"},
                         IniValues ini = {})
        : sim(std::move(simArgs)) {
        sim.ExportEnvironment();
        world.WriteIni(ini);
        window = world.OpenMainWindow();
    }
    // Opens a dialog from its page button and runs `action` inside it.
    bool Open(const char* button, const std::function<void(QDialog*)>& action) {
        auto* b = Find<QPushButton>(window->PortPage(), button);
        return WithModalDialog([b] { b->click(); }, action);
    }
    size_t Received() const { return sim.Received("usb0").size(); }
    // Waits until `count` more bytes than `before` arrived.
    bool WaitFor(size_t before, size_t count) const {
        return sim.WaitReceived("usb0", before + count);
    }

    SimProcess sim;
    GuiWorld world;
    std::unique_ptr<CPrintuneDlg> window;
};

template <class T>
T* In(QDialog* d, const char* name) {
    return Find<T>(d, name);
}

bool WaitIdle(QDialog* d) {
    auto* wifi = qobject_cast<CWifiSetupDlg_KP520*>(d);
    auto* bt = qobject_cast<CBluetoothSetupDlg*>(d);
    return QTest::qWaitFor([&] { return wifi ? !wifi->Busy() : !bt->Busy(); }, 20000);
}

} // namespace

class WirelessDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void wifiSendsWhatTheControlsSay() {
        DialogWorld w;
        const QString keyCheck = QStringLiteral(
            "Please input the password with the correct format according to the \"KEY FORMAT "
            "INSTRUCTION\" below!");
        QVERIFY(w.Open("wifiSetupButton", [&](QDialog* d) {
            // Opening values.
            QCOMPARE(In<QComboBox>(d, "modeCombo")->currentText(), QStringLiteral("AP"));
            QCOMPARE(In<QLineEdit>(d, "ssidEdit")->text(), QStringLiteral("KP-520 WF"));
            QCOMPARE(In<QComboBox>(d, "encryptionCombo")->currentText(), QStringLiteral("None"));
            QCOMPARE(In<QComboBox>(d, "keyFormatCombo")->currentText(), QStringLiteral("ASCII"));
            QVERIFY(!In<QComboBox>(d, "keyFormatCombo")->isEnabled());
            QVERIFY(!In<QLineEdit>(d, "keyEdit")->isEnabled());
            QCOMPARE(In<QComboBox>(d, "dhcpCombo")->currentText(), QStringLiteral("Enable"));
            QCOMPARE(In<QLineEdit>(d, "gatewayEdit")->text(), QStringLiteral("192.168.1.11"));
            QVERIFY(In<QLabel>(d, "instructionLabel")->text().startsWith("KEY FORMAT"));

            In<QPushButton>(d, "confirmButton")->click();
            QVERIFY(WaitIdle(d));
            QVERIFY(w.WaitFor(0, kOpeningCommand.size()));
            QCOMPARE(w.sim.Received("usb0"), kOpeningCommand);
            QVERIFY(w.world.messages.empty()); // AP mode: no join offer

            // WEP64, HEX: 10 characters are 5 bytes, then 00.
            In<QComboBox>(d, "encryptionCombo")->setCurrentIndex(1);
            In<QComboBox>(d, "keyFormatCombo")->setCurrentIndex(0);
            In<QLineEdit>(d, "keyEdit")->setText(QStringLiteral("0a1B2c3D4e"));
            size_t before = w.Received();
            In<QPushButton>(d, "confirmButton")->click();
            QVERIFY(WaitIdle(d));
            QVERIFY(w.WaitFor(before, kOpeningCommand.size() + 5));
            auto all = w.sim.Received("usb0");
            const std::vector<uint8_t> tail(all.begin() + static_cast<long>(before) + 16,
                                            all.begin() + static_cast<long>(before) + 25);
            QCOMPARE(tail, Bytes({0x01, 0x00, 0x01, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x00}));

            // WPA2 ASCII: 7 and 64 refused with the key-check message, 8 and
            // 63 sent; HEX with a "G" refused.
            In<QComboBox>(d, "encryptionCombo")->setCurrentIndex(6);
            In<QComboBox>(d, "keyFormatCombo")->setCurrentIndex(1);
            const std::pair<QString, bool> keys[] = {{QString(7, 'k'), false},
                                                     {QString(8, 'k'), true},
                                                     {QString(63, 'k'), true},
                                                     {QString(64, 'k'), false}};
            for (const auto& [key, accepted] : keys) {
                w.world.messages.clear();
                before = w.Received();
                In<QLineEdit>(d, "keyEdit")->setText(key);
                In<QPushButton>(d, "confirmButton")->click();
                QVERIFY(WaitIdle(d));
                if (accepted) {
                    QVERIFY(w.WaitFor(before, 1));
                    QVERIFY(w.world.messages.empty());
                } else {
                    QCOMPARE(w.world.messages.size(), size_t(1));
                    QCOMPARE(w.world.messages[0].text, keyCheck);
                    QCOMPARE(w.world.messages[0].icon, MessageIcon::Warning);
                }
            }
            w.world.messages.clear();
            In<QComboBox>(d, "keyFormatCombo")->setCurrentIndex(0);
            In<QLineEdit>(d, "keyEdit")->setText(QStringLiteral("0123456789abcdeG"));
            In<QPushButton>(d, "confirmButton")->click();
            QVERIFY(WaitIdle(d));
            QCOMPARE(w.world.messages.size(), size_t(1));

            // Checked afresh: an SSID emptied after a success stops the
            // command, silently.
            w.world.messages.clear();
            In<QComboBox>(d, "encryptionCombo")->setCurrentIndex(0);
            QVERIFY(In<QLineEdit>(d, "keyEdit")->text().isEmpty());
            QVERIFY(!In<QLineEdit>(d, "keyEdit")->isEnabled());
            In<QLineEdit>(d, "ssidEdit")->clear();
            before = w.Received();
            In<QPushButton>(d, "confirmButton")->click();
            QVERIFY(WaitIdle(d));
            QTest::qWait(300);
            QCOMPARE(w.Received(), before);
            QVERIFY(w.world.messages.empty());

            // " Reset Wi-Fi": nine bytes, every control back.
            In<QComboBox>(d, "modeCombo")->setCurrentIndex(1);
            In<QPushButton>(d, "resetButton")->click();
            QVERIFY(WaitIdle(d));
            QVERIFY(w.WaitFor(before, 9));
            all = w.sim.Received("usb0");
            QCOMPARE(std::vector<uint8_t>(all.begin() + static_cast<long>(before), all.end()),
                     Bytes({0x1B, 0x0D, 0x53, 0x1B, 0x40, 0x01, 0x1B, 0x10, 0x45}));
            QCOMPARE(In<QLineEdit>(d, "ssidEdit")->text(), QStringLiteral("KP-520 WF"));
            QCOMPARE(In<QComboBox>(d, "modeCombo")->currentIndex(), 0);
            QVERIFY(In<QPushButton>(d, "closeButton")->isEnabled());
            In<QLineEdit>(d, "ssidEdit")->setText(QStringLiteral("changed"));
        }));
        // Every opening starts from the opening values.
        QVERIFY(w.Open("wifiSetupButton", [](QDialog* d) {
            QCOMPARE(In<QLineEdit>(d, "ssidEdit")->text(), QStringLiteral("KP-520 WF"));
        }));
    }

    void wifiReportsAPrinterThatJoinsTheNetwork() {
        // A label printer on the network that answers only from 3 s after
        // the Wi-Fi command on.
        NetCfgState probe;
        NetCfgAddresses addresses;
        addresses.bind = {0x7F000001, 0};
        addresses.everyInterface = false;
        QCOMPARE(probe.Open(addresses), 0);
        const uint16_t replyPort = probe.ReceiveEndpoint()->port;
        probe.Close();
        printune_sim::NetworkPrintersOptions options;
        options.bindAddress = "127.0.0.2";
        options.netcfgPort = 0;
        options.netcfgReplyPort = replyPort;
        options.label.push_back(printune_sim::DefaultLabelSetup(7));
        options.label.back().faults = printune_sim::NET_FAULT_NO_ANSWER;
        std::string error;
        auto printers = printune_sim::NetworkPrinters::Start(options, error);
        QVERIFY2(printers, error.c_str());
        const auto dest = printers->NetcfgEndpoint();
        qputenv("PRINTUNE_NETCFG_DEST", QStringLiteral("127.0.0.2:%1").arg(dest.port).toLatin1());
        qputenv("PRINTUNE_NETCFG_BIND", QStringLiteral("127.0.0.1:%1").arg(replyPort).toLatin1());
        qputenv("PRINTUNE_NETCFG_EVERY_INTERFACE", "0");

        DialogWorld w;
        MessageService::SetAnswerer([&](const MessageRecord& r) {
            w.world.messages.push_back(r);
            if (r.buttons & QMessageBox::Yes) {
                // Sent: the printer joins 3 s later.
                QTimer::singleShot(3000, [&] { printers->SetLabelFaults(0, 0); });
                return QMessageBox::Yes;
            }
            return QMessageBox::Ok;
        });
        QVERIFY(w.Open("wifiSetupButton", [&](QDialog* d) {
            In<QComboBox>(d, "modeCombo")->setCurrentIndex(1); // STA
            In<QPushButton>(d, "confirmButton")->click();
            QVERIFY(QTest::qWaitFor([&] { return w.world.messages.size() >= 2; }, 30000));
            QVERIFY(WaitIdle(d));
        }));
        qunsetenv("PRINTUNE_NETCFG_DEST");
        qunsetenv("PRINTUNE_NETCFG_BIND");
        qunsetenv("PRINTUNE_NETCFG_EVERY_INTERFACE");
        QCOMPARE(w.world.messages.size(), size_t(2));
        QCOMPARE(w.world.messages[1].icon, MessageIcon::Information);
        QVERIFY2(w.world.messages[1].text.contains(QStringLiteral("192.168.0.107")),
                 qPrintable(w.world.messages[1].text));
        QVERIFY(w.world.messages[1].text.contains(QStringLiteral("KP5200000007")));
    }

    void bluetoothSendRefuseAndGet() {
        DialogWorld w;
        QVERIFY(w.Open("bluetoothButton", [&](QDialog* d) {
            QVERIFY(In<QLabel>(d, "remarkLabel")->text().startsWith("Remark:"));
            In<QLineEdit>(d, "nameEdit")->setText(QStringLiteral("ABCDEFGHIJKLMNOP"));
            QCOMPARE(In<QLineEdit>(d, "nameEdit")->text().size(), 15);
            In<QLineEdit>(d, "passwordEdit")->setText(QStringLiteral("123"));
            In<QPushButton>(d, "sendButton")->click();
            QVERIFY(WaitIdle(d));
            QCOMPARE(w.world.messages.size(), size_t(1));
            QCOMPARE(w.world.messages[0].text, QStringLiteral("Please enter a valid password !"));
            QCOMPARE(w.world.messages[0].icon, MessageIcon::Error);
            QCOMPARE(w.Received(), size_t(0));

            In<QLineEdit>(d, "passwordEdit")->setText(QStringLiteral("1234"));
            In<QPushButton>(d, "sendButton")->click();
            QVERIFY(!In<QPushButton>(d, "okButton")->isEnabled());
            QVERIFY(WaitIdle(d));
            QVERIFY(w.WaitFor(0, 25));
            QCOMPARE(w.sim.Received("usb0"),
                     Cat({Bytes({0x1B, 0x0D, 0x48}), Ascii("ABCDEFGHIJKLMNO"), Bytes({0x00}),
                          Ascii("1234"), Bytes({0x00, 0x10})}));

            In<QLineEdit>(d, "nameEdit")->clear();
            In<QLineEdit>(d, "passwordEdit")->clear();
            In<QPushButton>(d, "getButton")->click();
            QVERIFY(WaitIdle(d));
            QCOMPARE(In<QLineEdit>(d, "macEdit")->text(), QStringLiteral("00-1B-35-0A-0B-0C"));
            QCOMPARE(In<QLineEdit>(d, "nameEdit")->text(), QStringLiteral("ABCDEFGHIJKLMNO"));
            QCOMPARE(In<QLineEdit>(d, "passwordEdit")->text(), QStringLiteral("1234"));
            QVERIFY(In<QPushButton>(d, "sendButton")->isEnabled());
        }));
        // The dialog lives with the page: the values are still there.
        QVERIFY(w.Open("bluetoothButton", [](QDialog* d) {
            QCOMPARE(In<QLineEdit>(d, "macEdit")->text(), QStringLiteral("00-1B-35-0A-0B-0C"));
        }));
    }

    void bluetoothGetWithoutReplyTimesOut() {
        IniValues ini;
        ini.portType = 1; // COM1, a printer that never answers
        DialogWorld w({"--com", "1", "--model", "silent", "--no-tcp"}, ini);
        QVERIFY(w.Open("bluetoothButton", [&](QDialog* d) {
            In<QPushButton>(d, "getButton")->click();
            QVERIFY(!In<QPushButton>(d, "getButton")->isEnabled());
            QVERIFY(WaitIdle(d));
            QVERIFY(In<QPushButton>(d, "getButton")->isEnabled());
            QVERIFY(In<QPushButton>(d, "okButton")->isEnabled());
        }));
        QCOMPARE(w.world.messages.size(), size_t(1));
        QCOMPARE(w.world.messages[0].text, QStringLiteral("Communication is time out!"));
        QCOMPARE(w.world.messages[0].icon, MessageIcon::Error);
        QCOMPARE(w.sim.Received("COM1"), Bytes({0x1B, 0x0D, 0x47}));
    }

    void closingTheBluetoothDialogEndsAWaitingGet() {
        IniValues ini;
        ini.portType = 1;
        DialogWorld w({"--com", "1", "--model", "silent", "--no-tcp"}, ini);
        CBluetoothSetupDlg* dialog = nullptr;
        QVERIFY(w.Open("bluetoothButton", [&](QDialog* d) {
            dialog = qobject_cast<CBluetoothSetupDlg*>(d);
            In<QPushButton>(d, "getButton")->click();
            QVERIFY(w.sim.WaitReceived("COM1", 3));
            d->reject();
        }));
        // Well before the 10 s time-out, and without a message.
        QVERIFY(QTest::qWaitFor([&] { return !dialog->Busy(); }, 3000));
        QVERIFY(Find<QPushButton>(dialog, "getButton")->isEnabled());
        QVERIFY(w.world.messages.empty());
    }
};

QTEST_MAIN(WirelessDialogsTest)
#include "wireless_dialogs_test.moc"
