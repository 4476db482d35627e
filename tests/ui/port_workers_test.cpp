// The interface page's two printer operations when no printer answers: the
// serial re-configuration still adopts the new values, the Wi-Fi reset gives
// its buttons back, and both report the port's standard message.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "gui_test_support.h"
#include "port/port_errors.h"
#include "port/ui/page_port_set.h"

using namespace printune;
using namespace printune_test;

namespace {

// Points the port at empty device trees: no USB printer, and a COM3 whose
// device does not exist.
class NoPrinters {
public:
    NoPrinters() {
        QDir root(dir_.path());
        root.mkpath(QStringLiteral("sys/class/usbmisc"));
        root.mkpath(QStringLiteral("dev"));
        root.mkpath(QStringLiteral("devices"));
        QFile::link(dir_.filePath(QStringLiteral("missing-tty")),
                    dir_.filePath(QStringLiteral("devices/COM3")));
        qputenv("PRINTUNE_SYSFS_ROOT", dir_.filePath(QStringLiteral("sys")).toLocal8Bit());
        qputenv("PRINTUNE_DEV_ROOT", dir_.filePath(QStringLiteral("dev")).toLocal8Bit());
        qputenv("PRINTUNE_DEVICE_DIR", dir_.filePath(QStringLiteral("devices")).toLocal8Bit());
    }
    ~NoPrinters() {
        qunsetenv("PRINTUNE_SYSFS_ROOT");
        qunsetenv("PRINTUNE_DEV_ROOT");
        qunsetenv("PRINTUNE_DEVICE_DIR");
    }

private:
    QTemporaryDir dir_;
};

} // namespace

class PortWorkersTest : public QObject {
    Q_OBJECT

private slots:
    void reconfigurationWithoutPrinterStillAdoptsTheValues() {
        NoPrinters none;
        GuiWorld world;
        world.WriteIni({.portType = 1});
        auto window = world.OpenMainWindow();
        PortSettings values = window->Master();
        values.comPortName = "COM3";
        values.baudrate = "115200";
        values.paritySetup = "Even";
        auto* setting = Find<QPushButton>(window.get(), "settingButton");
        window->PortPage()->OnSerialConfirmed(values, window->Master());
        QVERIFY(!setting->isEnabled());
        QTRY_VERIFY(setting->isEnabled());

        QCOMPARE(world.messages.size(), size_t(1));
        QCOMPARE(world.messages[0].icon, MessageIcon::Error);
        QVERIFY(world.messages[0].text.startsWith(
            QString::fromStdString(PortErrorMessage(PORT_ERR_IN_USE, PORT_COM, 1033))));
        QCOMPARE(Find<QLabel>(window.get(), "interfaceStatus")->text(),
                 QStringLiteral("  COM3|115200"));
        QVERIFY(IniHas(world.ReadIni(), "COM", "Baudrate", "115200"));
        QVERIFY(IniHas(world.ReadIni(), "COM", "ParitySetup", "Even"));
        QCOMPARE(CurrentPortSettings().comPortName, std::string("COM3"));
    }

    void wifiResetWithoutUsbPrinterWarnsAndKeepsSettingDisabled() {
        NoPrinters none;
        GuiWorld world;
        auto window = world.OpenMainWindow(); // USB
        auto* reset = Find<QPushButton>(window.get(), "resetWifiButton");
        auto* setting = Find<QPushButton>(window.get(), "settingButton");
        auto* serial = Find<QRadioButton>(window.get(), "radioSerial");
        reset->click();
        QVERIFY(!reset->isEnabled());
        QVERIFY(!serial->isEnabled());
        QTRY_VERIFY(reset->isEnabled());
        QVERIFY(serial->isEnabled());
        QVERIFY(!setting->isEnabled());
        QCOMPARE(world.messages.size(), size_t(1));
        QCOMPARE(world.messages[0].icon, MessageIcon::Warning);
        QVERIFY(!world.messages[0].text.isEmpty());
    }

    void workerMessagesSpeakThePageCopysLanguage() {
        NoPrinters none;
        GuiWorld world;
        // English on screen, but the settings copy says Chinese.
        world.WriteIni({.language = "Chinese"});
        auto window = world.OpenMainWindow(1033);
        auto* reset = Find<QPushButton>(window.get(), "resetWifiButton");
        reset->click();
        QTRY_VERIFY(reset->isEnabled());
        QCOMPARE(world.messages.size(), size_t(1));
        const QString english = QString::fromStdString(PortErrorMessage(8005, PORT_USB, 1033));
        const QString chinese = QString::fromStdString(PortErrorMessage(8005, PORT_USB, 2052));
        QVERIFY(english != chinese);
        QVERIFY(world.messages[0].text.startsWith(chinese) ||
                world.messages[0].text.startsWith(
                    QString::fromStdString(PortErrorMessage(8006, PORT_USB, 2052))));
    }
};

QTEST_MAIN(PortWorkersTest)
#include "port_workers_test.moc"
