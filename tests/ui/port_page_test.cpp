// The interface page and the two port dialogs: interface picks and the
// enabling table, the serial and parallel dialogs' lists and results, and
// the settings file after each choice.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include "base/language.h"
#include "base/ui/text_service.h"
#include "gui_test_support.h"
#include "port/ui/page_port_set.h"
#include "port/ui/port_set_parallel.h"
#include "port/ui/port_set_serial.h"
#include "port/ui/working_copies.h"
#include "port/usb_filter.h"
#include "settings/ui/label_setup_page.h"

using namespace printune;
using namespace printune_test;

namespace {

QString Status(CPrintuneDlg& window) {
    return window.findChild<QLabel*>(QStringLiteral("interfaceStatus"))->text();
}

PortSettings SerialCopy() {
    PortSettings copy;
    copy.comPortName = "COM16";
    copy.baudrate = "57600";
    copy.paritySetup = "Odd";
    copy.dataBit = "7";
    copy.stopBit = "2";
    copy.flowControl = "Xon/Xoff";
    return copy;
}

} // namespace

class PortPageTest : public QObject {
    Q_OBJECT

private slots:
    void interfacePicksFollowTheEnablingTable() {
        GuiWorld world;
        world.WriteIni({.portType = 1});
        auto window = world.OpenMainWindow();
        auto* setting = Find<QPushButton>(window.get(), "settingButton");
        auto* wifi = Find<QPushButton>(window.get(), "wifiSetupButton");

        Find<QRadioButton>(window.get(), "radioUsb")->click();
        QVERIFY(!setting->isEnabled());
        QVERIFY(wifi->isEnabled());
        QCOMPARE(Status(*window), QStringLiteral("  USB"));
        QVERIFY(IniHas(world.ReadIni(), "PortType", "CurPortType", "3"));
        QCOMPARE(window->InterfaceType(), PORT_USB);

        Find<QRadioButton>(window.get(), "radioNetwork")->click();
        QVERIFY(setting->isEnabled());
        QVERIFY(!wifi->isEnabled());
        QCOMPARE(Status(*window), QStringLiteral("  LAN"));
        QVERIFY(IniHas(world.ReadIni(), "PortType", "CurPortType", "4"));
        QCOMPARE(CurrentPortSettings().portType, PORT_LAN);

        Find<QRadioButton>(window.get(), "radioSerial")->click();
        QVERIFY(setting->isEnabled());
        QVERIFY(wifi->isEnabled());
        QCOMPARE(Status(*window), QStringLiteral("  COM1|9600"));
        QCOMPARE(SerialWorkingCopy(), window->Master());
        QCOMPARE(window->LabelPage()->Settings().portType, PORT_COM);
    }

    void networkSettingOpensTheDialogOfTheModelFamily() {
        GuiWorld world;
        world.WriteIni({.portType = 4, .ip = "192.0.2.7", .listenPort = 9101});
        auto window = world.OpenMainWindow();
        // A label printer: the search dialog, showing the record's address.
        QVERIFY(WithModalDialog(
            [&] { Find<QPushButton>(window.get(), "settingButton")->click(); },
            [](QDialog* d) {
                QCOMPARE(d->metaObject()->className(), "printune::CEnternetSetting");
                QCOMPARE(Find<QLineEdit>(d, "ipEdit")->text(), QStringLiteral("192.0.2.7"));
                QCOMPARE(Find<QLineEdit>(d, "portEdit")->text(), QStringLiteral("9101"));
                Find<QLineEdit>(d, "ipEdit")->setText(QStringLiteral("192.0.2.8"));
                Find<QPushButton>(d, "okButton")->click();
            }));
        QCOMPARE(CurrentPortSettings().ipAddr, std::string("192.0.2.8"));
        QCOMPARE(CurrentPortSettings().portType, PORT_LAN);
        QVERIFY(world.messages.empty());
    }

    void parallelOkShowsTheNewLptName() {
        GuiWorld world;
        world.WriteIni({.portType = 2});
        auto window = world.OpenMainWindow();
        QCOMPARE(Status(*window), QStringLiteral("  LPT1"));
        QStringList offered;
        QVERIFY(WithModalDialog([&] { Find<QPushButton>(window.get(), "settingButton")->click(); },
                                [&](QDialog* dialog) {
                                    QCOMPARE(dialog->windowTitle(),
                                             QStringLiteral("Parallel Interface Setting"));
                                    auto* ports = Find<QComboBox>(dialog, "portCombo");
                                    for (int i = 0; i < ports->count(); ++i)
                                        offered << ports->itemText(i);
                                    ports->setCurrentIndex(2);
                                    Find<QPushButton>(dialog, "okButton")->click();
                                }));
        QCOMPARE(offered, QStringList({"LPT1", "LPT2", "LPT3", "LPT4"}));
        QCOMPARE(Status(*window), QStringLiteral("  LPT3"));
        QVERIFY(IniHas(world.ReadIni(), "LPT", "PortName", "LPT3"));
        QVERIFY(IniHas(world.ReadIni(), "PortType", "CurPortType", "2"));
        QCOMPARE(ParallelWorkingCopy().lptPortName, std::string("LPT3"));
    }

    void parallelCancelEnterAndEscApplyNothing() {
        GuiWorld world;
        world.WriteIni({.portType = 2, .lpt = "LPT2"});
        auto window = world.OpenMainWindow();
        const std::string before = world.ReadIni();
        for (int key : {0, int(Qt::Key_Return), int(Qt::Key_Escape)}) {
            bool closed = false;
            QVERIFY(
                WithModalDialog([&] { Find<QPushButton>(window.get(), "settingButton")->click(); },
                                [&](QDialog* dialog) {
                                    auto* ports = Find<QComboBox>(dialog, "portCombo");
                                    QCOMPARE(ports->currentText(), QStringLiteral("LPT2"));
                                    ports->setCurrentIndex(3);
                                    if (key == 0)
                                        Find<QPushButton>(dialog, "cancelButton")->click();
                                    else
                                        QTest::keyClick(ports, static_cast<Qt::Key>(key));
                                    closed = !dialog->isVisible();
                                }));
            QVERIFY(closed);
            QCOMPARE(Status(*window), QStringLiteral("  LPT2"));
            QCOMPARE(world.ReadIni(), before);
        }
    }

    void serialDialogSelectsByTextAndByPosition() {
        GuiWorld world;
        SerialWorkingCopy() = SerialCopy();
        CPortSetSerial dialog;
        QSignalSpy confirmed(&dialog, &CPortSetSerial::SerialConfirmed);
        dialog.show();
        // A COM port above 15 selects nothing; the other lists by text.
        QCOMPARE(Find<QComboBox>(&dialog, "portCombo")->currentIndex(), -1);
        QCOMPARE(Find<QComboBox>(&dialog, "portCombo")->itemText(14), QStringLiteral("COM15"));
        QCOMPARE(Find<QComboBox>(&dialog, "baudCombo")->currentText(), QStringLiteral("57600"));
        QCOMPARE(Find<QComboBox>(&dialog, "parityCombo")->currentIndex(), 2);
        QCOMPARE(Find<QComboBox>(&dialog, "dataBitCombo")->currentText(), QStringLiteral("7"));
        QCOMPARE(Find<QComboBox>(&dialog, "stopBitCombo")->currentText(), QStringLiteral("2"));
        QCOMPARE(Find<QComboBox>(&dialog, "flowCombo")->currentText(),
                 QStringLiteral("Xon / Xoff"));

        Find<QComboBox>(&dialog, "portCombo")->setCurrentIndex(1);
        Find<QPushButton>(&dialog, "okButton")->click();
        QCOMPARE(confirmed.count(), 1);
        const auto values = confirmed.at(0).at(0).value<PortSettings>();
        const auto previous = confirmed.at(0).at(1).value<PortSettings>();
        QCOMPARE(values.comPortName, std::string("COM2"));
        QCOMPARE(values.flowControl, std::string("Xon/Xoff"));
        QCOMPARE(values.paritySetup, std::string("Odd"));
        QCOMPARE(previous, SerialCopy());
        QCOMPARE(SerialWorkingCopy(), values);
        QVERIFY(!dialog.isVisible());
    }

    void serialDialogListsUnknownValuesAsNoSelectionAndKeepsThem() {
        GuiWorld world;
        PortSettings odd = SerialCopy();
        odd.paritySetup = "Mark";
        odd.flowControl = "RTS";
        SerialWorkingCopy() = odd;
        CPortSetSerial dialog;
        QSignalSpy confirmed(&dialog, &CPortSetSerial::SerialConfirmed);
        dialog.show();
        QCOMPARE(Find<QComboBox>(&dialog, "parityCombo")->currentIndex(), -1);
        QCOMPARE(Find<QComboBox>(&dialog, "flowCombo")->currentIndex(), -1);
        Find<QPushButton>(&dialog, "okButton")->click();
        QCOMPARE(confirmed.count(), 1);
        QCOMPARE(confirmed.at(0).at(0).value<PortSettings>(), odd);
    }

    void chineseParityEntryStoresEven() {
        GuiWorld world;
        ApplyUiLanguage(LANG_CHINESE);
        SerialWorkingCopy() = PortSettings{};
        CPortSetSerial dialog;
        QSignalSpy confirmed(&dialog, &CPortSetSerial::SerialConfirmed);
        dialog.show();
        auto* parity = Find<QComboBox>(&dialog, "parityCombo");
        QCOMPARE(parity->itemText(0), QString::fromUtf8("无"));
        QCOMPARE(parity->currentIndex(), 0);
        QCOMPARE(Find<QComboBox>(&dialog, "flowCombo")->currentText(), QString::fromUtf8("硬件"));
        parity->setCurrentIndex(parity->findText(QString::fromUtf8("偶校验")));
        Find<QPushButton>(&dialog, "okButton")->click();
        QCOMPARE(confirmed.count(), 1);
        const auto values = confirmed.at(0).at(0).value<PortSettings>();
        QCOMPARE(values.paritySetup, std::string("Even"));
        QCOMPARE(values.flowControl, std::string("DTR"));
    }

    void serialCancelEnterAndEscChangeNothing() {
        GuiWorld world;
        SerialWorkingCopy() = SerialCopy();
        CPortSetSerial dialog;
        QSignalSpy confirmed(&dialog, &CPortSetSerial::SerialConfirmed);
        dialog.show();
        Find<QComboBox>(&dialog, "baudCombo")->setCurrentIndex(0);
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(Find<QComboBox>(&dialog, "baudCombo"), static_cast<Qt::Key>(key));
            QTest::keyClick(Find<QPushButton>(&dialog, "okButton"), static_cast<Qt::Key>(key));
        }
        QVERIFY(dialog.isVisible());
        Find<QPushButton>(&dialog, "cancelButton")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(confirmed.count(), 0);
        QCOMPARE(SerialWorkingCopy(), SerialCopy());
    }

    void modelPickSavesThePageCopy() {
        GuiWorld world;
        world.WriteIni({.portType = 2, .lpt = "LPT4"});
        auto window = world.OpenMainWindow();
        PickModel(*window, 5);
        QCOMPARE(world.ReadIni(), IniText({.model = "KP-500", .portType = 2, .lpt = "LPT4"}));
        // Position 5 is a label printer: vendor-only filter, wireless shown.
        QCOMPARE(CurrentUsbFilter(), (UsbFilter{"7A3E", "5C19", 1}));
        QVERIFY(!Find<QPushButton>(window.get(), "resetWifiButton")->isHidden());
    }
};

QTEST_MAIN(PortPageTest)
#include "port_page_test.moc"
