// The network search dialogs against simulated network printers on
// loopback (and printune-sim over USB for the network-parameter command):
// the record's address at opening, "OK" without any printer, search rows,
// click and double click, the set-confirmation cycle, the range message,
// and the HT-740 dialog's rows and setup.
#include <QAbstractItemModel>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>

#include "gui_test_support.h"
#include "net_printers.h"
#include "network/netcfg.h"
#include "network/ui/edt_cfg_dlg.h"
#include "network/ui/enternet_setting.h"
#include "network/ui/ht740_enthernet_dlg.h"
#include "port/ui/page_port_set.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

template <class T>
T* In(QWidget* d, const char* name) {
    return Find<T>(d, name);
}

// Simulated network printers of both families on 127.0.0.2, the GUI's
// discovery pointed at them (and only at them).
struct NetWorld {
    explicit NetWorld(std::vector<printune_sim::NetLabelSetup> label,
                      std::vector<printune_sim::NetHtSetup> ht = {}) {
        NetCfgState probe;
        NetCfgAddresses addresses;
        addresses.bind = {0x7F000001, 0};
        addresses.everyInterface = false;
        if (probe.Open(addresses) == 0) {
            replyPort = probe.ReceiveEndpoint()->port;
            probe.Close();
        }
        printune_sim::NetworkPrintersOptions options;
        options.netcfgPort = 0;
        options.netcfgReplyPort = replyPort;
        options.htPort = 0;
        options.label = std::move(label);
        options.ht = std::move(ht);
        std::string error;
        printers = printune_sim::NetworkPrinters::Start(options, error);
        if (!printers)
            return;
        qputenv("PRINTUNE_NETCFG_DEST",
                QStringLiteral("127.0.0.2:%1").arg(printers->NetcfgEndpoint().port).toLatin1());
        qputenv("PRINTUNE_NETCFG_BIND", QStringLiteral("127.0.0.1:%1").arg(replyPort).toLatin1());
        qputenv("PRINTUNE_NETCFG_EVERY_INTERFACE", "0");
        qputenv("PRINTUNE_HTNET_DEST",
                QStringLiteral("127.0.0.2:%1").arg(printers->HtEndpoint().port).toLatin1());
        qputenv("PRINTUNE_HTNET_BIND", "127.0.0.1");
        qputenv("PRINTUNE_HTNET_EVERY_INTERFACE", "0");
    }
    ~NetWorld() {
        for (const char* v :
             {"PRINTUNE_NETCFG_DEST", "PRINTUNE_NETCFG_BIND", "PRINTUNE_NETCFG_EVERY_INTERFACE",
              "PRINTUNE_HTNET_DEST", "PRINTUNE_HTNET_BIND", "PRINTUNE_HTNET_EVERY_INTERFACE"})
            qunsetenv(v);
    }
    uint16_t replyPort = 0;
    std::unique_ptr<printune_sim::NetworkPrinters> printers;
};

struct Window {
    explicit Window(IniValues ini) {
        world.WriteIni(ini);
        window = world.OpenMainWindow();
    }
    // "Setting" of the network interface; `action` runs inside the dialog.
    bool Open(const std::function<void(QDialog*)>& action) {
        auto* b = Find<QPushButton>(window->PortPage(), "settingButton");
        return WithModalDialog([b] { b->click(); }, action);
    }
    GuiWorld world;
    std::unique_ptr<CPrintuneDlg> window;
};

IniValues Lan(const std::string& model = "KP-520") {
    IniValues ini;
    ini.portType = PORT_LAN;
    ini.model = model;
    return ini;
}

bool Idle(QDialog* d) {
    return QTest::qWaitFor(
        [d] {
            if (auto* e = qobject_cast<CEnternetSetting*>(d))
                return !e->Busy();
            if (auto* h = qobject_cast<CHT740EnthernetDlg*>(d))
                return !h->Busy();
            return true;
        },
        60000);
}

} // namespace

class NetworkDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void labelDialogTakesATypedAddressWithoutAnyPrinter() {
        NetWorld net({}); // nobody answers
        QVERIFY(net.printers);
        Window w(Lan());
        QVERIFY(w.Open([&](QDialog* d) {
            QVERIFY(qobject_cast<CEnternetSetting*>(d));
            QCOMPARE(In<QLineEdit>(d, "ipEdit")->text(), QStringLiteral("169.254.1.10"));
            QCOMPARE(In<QLineEdit>(d, "portEdit")->text(), QStringLiteral("9100"));
            // An empty search gives the buttons back, no message.
            In<QPushButton>(d, "searchButton")->click();
            QCOMPARE(In<QPushButton>(d, "searchButton")->text(), QStringLiteral("Searching...."));
            QVERIFY(!In<QPushButton>(d, "okButton")->isEnabled());
            QVERIFY(Idle(d));
            QVERIFY(In<QPushButton>(d, "okButton")->isEnabled());
            QCOMPARE(In<QPushButton>(d, "searchButton")->text(), QStringLiteral("Search"));
            QCOMPARE(In<QTreeWidget>(d, "deviceList")->topLevelItemCount(), 0);
            QVERIFY(w.world.messages.empty());
            // The search emptied the address: "OK" refuses.
            In<QPushButton>(d, "okButton")->click();
            QCOMPARE(w.world.messages.size(), size_t(1));
            QCOMPARE(w.world.messages[0].text,
                     QStringLiteral("You must select one printer or click cancel to exit."));
            QVERIFY(d->isVisible());
            In<QLineEdit>(d, "ipEdit")->setText(QStringLiteral("127.0.0.5"));
            In<QLineEdit>(d, "portEdit")->setText(QStringLiteral("10000"));
            In<QPushButton>(d, "okButton")->click();
            QCOMPARE(w.world.messages.size(), size_t(2)); // port out of 0..9999
            In<QLineEdit>(d, "portEdit")->setText(QStringLiteral("9200"));
            In<QPushButton>(d, "okButton")->click();
        }));
        const std::string ini = w.world.ReadIni();
        QVERIFY2(IniHas(ini, "LAN", "IpAddr", "127.0.0.5"), ini.c_str());
        QVERIFY2(IniHas(ini, "LAN", "ListenPort", "9200"), ini.c_str());
    }

    void searchClickQueryAndConfigure() {
        auto first = printune_sim::DefaultLabelSetup(1);
        auto second = printune_sim::DefaultLabelSetup(2);
        second.identity.printPort = "9300";
        auto noSerial = printune_sim::DefaultLabelSetup(3);
        noSerial.identity.serial.clear();
        NetWorld net({first, second, noSerial});
        QVERIFY(net.printers);
        Window w(Lan());
        QVERIFY(w.Open([&](QDialog* d) {
            auto* list = In<QTreeWidget>(d, "deviceList");
            In<QPushButton>(d, "searchButton")->click();
            QVERIFY(Idle(d));
            // Three answered, the one without serial number has no row.
            QCOMPARE(list->topLevelItemCount(), 2);
            QVERIFY(In<QLabel>(d, "statusLabel")->text().contains(QStringLiteral("3")));
            QTreeWidgetItem* row = list->topLevelItem(1);
            QCOMPARE(row->text(0), QStringLiteral("KP5200000002"));
            QCOMPARE(row->text(1), QStringLiteral("00A0C1000002"));
            emit list->itemClicked(row, 0);
            QCOMPARE(In<QLineEdit>(d, "macEdit")->text(), QStringLiteral("00A0C1000002"));
            QCOMPARE(In<QLineEdit>(d, "ipEdit")->text(), QStringLiteral("192.168.0.102"));
            QVERIFY(Idle(d));
            QCOMPARE(In<QLineEdit>(d, "portEdit")->text(), QStringLiteral("9300"));
            QCOMPARE(list->currentItem(), row);

            // Double click: the configuration dialog after the query.
            emit list->itemClicked(row, 0);
            bool configured = false;
            QVERIFY(WithModalDialog(
                [&] {
                    // Opens once the click's query has ended.
                    emit list->itemDoubleClicked(row, 0);
                    (void)QTest::qWaitFor([&] { return configured; }, 15000);
                },
                [&](QDialog* c) {
                    configured = true;
                    QVERIFY(qobject_cast<CEdtCfgDlg*>(c));
                    QCOMPARE(In<QLineEdit>(c, "serialEdit")->text(),
                             QStringLiteral("KP5200000002"));
                    QCOMPARE(In<QComboBox>(c, "dhcpCombo")->currentText(),
                             QStringLiteral("Disable"));
                    QCOMPARE(In<QLineEdit>(c, "printPortEdit")->text(), QStringLiteral("9300"));
                    In<QLineEdit>(c, "printPortEdit")->setText(QStringLiteral("8999"));
                    In<QPushButton>(c, "okButton")->click();
                    QVERIFY(c->isVisible());
                    QVERIFY(w.world.messages.back().text.contains(QStringLiteral("9000 and 9999")));
                    In<QLineEdit>(c, "printPortEdit")->setText(QStringLiteral("9400"));
                    In<QLineEdit>(c, "ipEdit")->setText(QStringLiteral("192.168.0.77"));
                    In<QPushButton>(c, "okButton")->click();
                }));
            QCOMPARE(In<QPushButton>(d, "setupButton")->text(), QStringLiteral("Setting...."));
            QVERIFY(!In<QPushButton>(d, "cancelButton")->isEnabled());
            QVERIFY(Idle(d));
            QCOMPARE(net.printers->LabelSetsApplied(1), 1);
            QCOMPARE(net.printers->LabelSetsApplied(0), 0);
            QCOMPARE(In<QLineEdit>(d, "ipEdit")->text(), QStringLiteral("192.168.0.77"));
            QCOMPARE(In<QLineEdit>(d, "portEdit")->text(), QStringLiteral("9400"));
            In<QPushButton>(d, "okButton")->click();
        }));
        QVERIFY(IniHas(w.world.ReadIni(), "LAN", "IpAddr", "192.168.0.77"));
    }

    void closingStopsTheConfirmationCycle() {
        auto silent = printune_sim::DefaultLabelSetup(1);
        NetWorld net({silent});
        QVERIFY(net.printers);
        Window w(Lan());
        CEnternetSetting* dialog = nullptr;
        QVERIFY(w.Open([&](QDialog* d) {
            dialog = qobject_cast<CEnternetSetting*>(d);
            auto* list = In<QTreeWidget>(d, "deviceList");
            In<QPushButton>(d, "searchButton")->click();
            QVERIFY(Idle(d));
            QCOMPARE(list->topLevelItemCount(), 1);
            emit list->itemClicked(list->topLevelItem(0), 0);
            QVERIFY(Idle(d));
            net.printers->SetLabelFaults(0, printune_sim::NET_FAULT_NO_ANSWER);
            QVERIFY(WithModalDialog([&] { In<QPushButton>(d, "setupButton")->click(); },
                                    [](QDialog* c) { Find<QPushButton>(c, "okButton")->click(); }));
            QVERIFY(dialog->Busy());
            d->done(QDialog::Rejected);
        }));
        // The cycle, unanswered for ever, ends with the dialog.
        QVERIFY(QTest::qWaitFor([&] { return !dialog->Busy(); }, 2000));
    }

    void setupWithoutSelectionSendsTheCommandOverUsb() {
        SimProcess sim({"--usb", "7A3E:5C19"});
        sim.ExportEnvironment();
        NetWorld net({});
        Window w(Lan());
        QVERIFY(w.Open([&](QDialog* d) {
            QVERIFY(WithModalDialog([&] { In<QPushButton>(d, "setupButton")->click(); },
                                    [](QDialog* c) {
                                        QCOMPARE(Find<QLineEdit>(c, "ipEdit")->text(),
                                                 QStringLiteral("192.168.0.10"));
                                        Find<QPushButton>(c, "okButton")->click();
                                    }));
            QVERIFY(Idle(d));
            QVERIFY(sim.WaitReceived("usb0", 22));
            const std::vector<uint8_t> expected = {0x1B, 0x0D, 0x53, 0x1B, 0x3B, 0x01, 0xC0, 0xA8,
                                                   0x00, 0x0A, 0xC0, 0xA8, 0x00, 0x01, 0xFF, 0xFF,
                                                   0xFF, 0x00, 0x00, 0x1B, 0x10, 0x45};
            QCOMPARE(sim.Received("usb0"), expected);
            QCOMPARE(In<QLineEdit>(d, "ipEdit")->text(), QStringLiteral("192.168.0.10"));
            QVERIFY(w.world.messages.empty());
            In<QPushButton>(d, "cancelButton")->click();
        }));
    }

    void htDialogRowsAndSetup() {
        auto twice = printune_sim::DefaultHtSetup(0);
        twice.faults = printune_sim::NET_FAULT_ANSWER_TWICE;
        NetWorld net({}, {twice, printune_sim::DefaultHtSetup(1)});
        QVERIFY(net.printers);
        Window w(Lan("HT-740"));
        QVERIFY(w.Open([&](QDialog* d) {
            QVERIFY(qobject_cast<CHT740EnthernetDlg*>(d));
            QCOMPARE(In<QLineEdit>(d, "ipEdit")->text(), QStringLiteral("169.254.1.10"));
            In<QPushButton>(d, "setupButton")->click(); // nothing selected
            QCOMPARE(w.world.messages.back().text,
                     QStringLiteral("You must select one printer or click cancel to exit."));
            auto* list = In<QTreeWidget>(d, "deviceList");
            In<QPushButton>(d, "searchButton")->click();
            QVERIFY(Idle(d));
            QCOMPARE(list->topLevelItemCount(), 3); // one printer answered twice
            QTreeWidgetItem* row =
                list->findItems(QStringLiteral("00:11:22:33:44:56"), Qt::MatchExactly, 0).value(0);
            QVERIFY(row);
            list->setCurrentItem(row);
            emit list->itemClicked(row, 0);
            QVERIFY(WithModalDialog(
                [&] { In<QPushButton>(d, "setupButton")->click(); },
                [&](QDialog* c) {
                    QVERIFY(QTest::qWaitFor(
                        [c] { return Find<QPushButton>(c, "okButton")->isEnabled(); }, 10000));
                    QVERIFY(!In<QLineEdit>(c, "timeoutEdit")->isEnabled());
                    QCOMPARE(In<QLineEdit>(c, "versionEdit")->text(), QStringLiteral("515"));
                    In<QLineEdit>(c, "ipEdit")->setText(QStringLiteral("192.168.0.88"));
                    In<QPushButton>(c, "okButton")->click();
                }));
            QCOMPARE(row->text(3), QStringLiteral("192.168.0.88"));
            QVERIFY(!In<QPushButton>(d, "okButton")->isEnabled());
            QVERIFY(Idle(d));
            QVERIFY(In<QPushButton>(d, "okButton")->isEnabled());
            const auto log = net.printers->HtLog(1);
            QVERIFY(std::count(log.begin(), log.end(), "block1") == 1);
            QVERIFY(std::count(log.begin(), log.end(), "block2") == 1);
            QVERIFY(std::count(log.begin(), log.end(), "apply") == 2);
            const auto other = net.printers->HtLog(0);
            QVERIFY(std::count(other.begin(), other.end(), "block1") == 0);
            In<QPushButton>(d, "okButton")->click();
        }));
        QVERIFY(IniHas(w.world.ReadIni(), "LAN", "IpAddr", "192.168.0.88"));
    }
    void htClosingStopsTheSequenceAndAFailedReadSendsNothing() {
        NetWorld net({}, {printune_sim::DefaultHtSetup(0), printune_sim::DefaultHtSetup(1)});
        QVERIFY(net.printers);
        Window w(Lan("HT-740"));
        CHT740EnthernetDlg* dialog = nullptr;
        // Configures the row of `mac`, typing what a failed read left empty.
        auto configure = [&](QDialog* d, const QString& mac) {
            auto* list = In<QTreeWidget>(d, "deviceList");
            QTreeWidgetItem* row = list->findItems(mac, Qt::MatchExactly, 0).value(0);
            QVERIFY(row);
            list->setCurrentItem(row);
            emit list->itemClicked(row, 0);
            QVERIFY(WithModalDialog(
                [&] { In<QPushButton>(d, "setupButton")->click(); },
                [&](QDialog* c) {
                    QVERIFY(QTest::qWaitFor(
                        [c] { return Find<QPushButton>(c, "okButton")->isEnabled(); }, 10000));
                    In<QComboBox>(c, "dhcpCombo")->setCurrentIndex(0);
                    In<QLineEdit>(c, "ipEdit")->setText(QStringLiteral("192.168.0.90"));
                    In<QLineEdit>(c, "maskEdit")->setText(QStringLiteral("255.255.255.0"));
                    In<QLineEdit>(c, "gatewayEdit")->setText(QStringLiteral("192.168.0.1"));
                    In<QLineEdit>(c, "printPortEdit")->setText(QStringLiteral("9100"));
                    In<QPushButton>(c, "okButton")->click();
                }));
        };
        QVERIFY(w.Open([&](QDialog* d) {
            dialog = qobject_cast<CHT740EnthernetDlg*>(d);
            In<QPushButton>(d, "searchButton")->click();
            QVERIFY(Idle(d));
            QCOMPARE(In<QTreeWidget>(d, "deviceList")->topLevelItemCount(), 2);
            // Closed during the pause after the first apply: no block 2.
            configure(d, QStringLiteral("00:11:22:33:44:56"));
            QVERIFY(QTest::qWaitFor(
                [&] {
                    const auto l = net.printers->HtLog(1);
                    return std::count(l.begin(), l.end(), "apply") == 1;
                },
                5000));
            d->done(QDialog::Rejected);
        }));
        QVERIFY(QTest::qWaitFor([&] { return !dialog->Busy(); }, 1000));
        QTest::qWait(300);
        const auto log = net.printers->HtLog(1);
        QCOMPARE(std::count(log.begin(), log.end(), "block2"), 0);

        // A configuration read that fails (the printers are gone): the
        // setup sends no block and no apply.
        QVERIFY(w.Open([&](QDialog* d) {
            In<QPushButton>(d, "searchButton")->click();
            QVERIFY(Idle(d));
            net.printers->Stop();
            configure(d, QStringLiteral("00:11:22:33:44:55"));
            QVERIFY(Idle(d));
            QVERIFY(dialog->LastSetup().steps.empty());
            QVERIFY(!dialog->LastSetup().acknowledged);
            QVERIFY(In<QPushButton>(d, "okButton")->isEnabled());
            d->done(QDialog::Rejected);
        }));
    }
    void searchRangeFindsPrintersOutsideTheBroadcast() {
        NetWorld net({printune_sim::DefaultLabelSetup(1)});
        QVERIFY(net.printers);
        const uint16_t port = net.printers->NetcfgEndpoint().port;
        qputenv("PRINTUNE_NETCFG_DEST", "127.0.0.9"); // nobody there
        Window w(Lan());
        QVERIFY(w.Open([&](QDialog* d) {
            auto* list = In<QTreeWidget>(d, "deviceList");
            In<QLineEdit>(d, "rangeEdit")->setText(QStringLiteral("127.0.0.300"));
            In<QPushButton>(d, "searchButton")->click();
            QCOMPARE(w.world.messages.size(), size_t(1)); // malformed: refused
            In<QLineEdit>(d, "rangeEdit")->setText(QStringLiteral("127.0.0.1-2:%1").arg(port));
            In<QPushButton>(d, "searchButton")->click();
            QVERIFY(Idle(d));
            QCOMPARE(list->topLevelItemCount(), 1);
            In<QLineEdit>(d, "rangeEdit")->clear();
            In<QPushButton>(d, "searchButton")->click();
            QVERIFY(Idle(d));
            QCOMPARE(list->topLevelItemCount(), 0);
            In<QPushButton>(d, "cancelButton")->click();
        }));
    }
    // Benchmark: ten printers in one search; how long each row takes to
    // reach the list after its reply left the printer (the worst printed).
    void tenPrintersRowsFollowTheirReplies() {
        std::vector<printune_sim::NetLabelSetup> ten;
        for (int n = 1; n <= 10; ++n)
            ten.push_back(printune_sim::DefaultLabelSetup(n));
        NetWorld net(ten);
        QVERIFY(net.printers);
        Window w(Lan());
        std::vector<std::chrono::steady_clock::time_point> shown;
        QVERIFY(w.Open([&](QDialog* d) {
            auto* list = In<QTreeWidget>(d, "deviceList");
            connect(list->model(), &QAbstractItemModel::rowsInserted, d, [&] {
                while (static_cast<int>(shown.size()) < list->topLevelItemCount())
                    shown.push_back(std::chrono::steady_clock::now());
            });
            In<QPushButton>(d, "searchButton")->click();
            QVERIFY(Idle(d));
            QCOMPARE(list->topLevelItemCount(), 10);
            In<QPushButton>(d, "cancelButton")->click();
        }));
        const auto sent = net.printers->SentTimes(true);
        QVERIFY(sent.size() >= 10);
        double worst = 0;
        for (size_t i = 0; i < 10; ++i)
            worst = std::max(worst,
                             std::chrono::duration<double, std::milli>(shown[i] - sent[i]).count());
        qInfo("worst reply-to-row delay of ten printers: %.2f ms", worst);
        QVERIFY2(worst < 1000, qPrintable(QString::number(worst))); // generous on a busy machine
    }
};

QTEST_MAIN(NetworkDialogsTest)
#include "network_dialogs_test.moc"
