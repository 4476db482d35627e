// The main window: start-up from the settings file, the function list, the
// model-dependent entries, page switching, the language switch, Help, keys.
#include <cstdio>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "base/language.h"
#include "diagnostics/ui/command_test_page.h"
#include "diagnostics/ui/test_items_page.h"
#include "firmware/ui/firmware_page.h"
#include "gui_test_support.h"
#include "port/ui/function_page.h"
#include "port/ui/page_port_set.h"
#include "port/usb_filter.h"
#include "settings/ui/label_setup_page.h"
#include "settings/ui/receipt_setup_page.h"

using namespace printune;
using namespace printune_test;

namespace {

QStringList FunctionEntries(CPrintuneDlg& window) {
    QStringList entries;
    auto* list = window.findChild<QListWidget*>(QStringLiteral("functionList"));
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

QStringList Models(CPrintuneDlg& window) {
    QStringList models;
    auto* combo = window.PortPage()->findChild<QComboBox*>(QStringLiteral("modelCombo"));
    for (int i = 0; i < combo->count(); ++i)
        models << combo->itemText(i);
    return models;
}

QString Text(QObject* root, const char* name) {
    return root->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunCreatesTheFileAndSelectsUsb() {
        GuiWorld world;
        auto window = world.OpenMainWindow();
        QVERIFY(Find<QRadioButton>(window.get(), "radioUsb")->isChecked());
        QCOMPARE(Text(window.get(), "printerStatus"), QStringLiteral("  KP-520"));
        QCOMPARE(Text(window.get(), "interfaceStatus"), QStringLiteral("  USB"));
        QCOMPARE(world.ReadIni(), IniText({}));
        QVERIFY(!Find<QPushButton>(window.get(), "settingButton")->isEnabled());
        QCOMPARE(Find<QComboBox>(window.get(), "modelCombo")->currentText(),
                 QStringLiteral("KP-520"));
        QCOMPARE(Text(window.get(), "pageTitle"), QStringLiteral("   Choose Interface"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Vortan Mini Printer Printune V1.124.0"));
    }

    void savedReceiptModelAddsTestItemsAndHidesWireless() {
        GuiWorld world;
        world.WriteIni({.model = "HT-740"});
        auto window = world.OpenMainWindow();
        const QStringList entries = FunctionEntries(*window);
        QCOMPARE(entries.size(), 5);
        QCOMPARE(entries.at(4), QStringLiteral("Test Items"));
        for (const char* name : {"resetWifiButton", "wifiSetupButton", "bluetoothButton"})
            QVERIFY2(Find<QPushButton>(window.get(), name)->isHidden(), name);
        QCOMPARE(Find<QGroupBox>(window.get(), "modelGroup")->title(),
                 QStringLiteral("Printer Model"));
    }

    void modelPicksAddAndRemoveTestItemsOnce() {
        GuiWorld world;
        auto window = world.OpenMainWindow();
        QCOMPARE(FunctionEntries(*window).size(), 4);
        QVERIFY(!Find<QPushButton>(window.get(), "bluetoothButton")->isHidden());

        PickModel(*window, 3); // HT-740
        QCOMPARE(FunctionEntries(*window).count(QStringLiteral("Test Items")), 1);
        QCOMPARE(Text(window.get(), "printerStatus"), QStringLiteral("  HT-740"));
        QCOMPARE(Text(window.get(), "printerLabel"), QStringLiteral("Printer Model"));
        QVERIFY(IniHas(world.ReadIni(), "PrinterModel", "Printer Model", "HT-740"));
        QVERIFY(Find<QPushButton>(window.get(), "resetWifiButton")->isHidden());
        QCOMPARE(CurrentUsbFilter(), (UsbFilter{"7A3E", "3D71", 0}));

        PickModel(*window, 4); // HT-750: still one entry
        QCOMPARE(FunctionEntries(*window).count(QStringLiteral("Test Items")), 1);
        QCOMPARE(CurrentUsbFilter(), (UsbFilter{"7A3E", "3D72", 0}));

        PickModel(*window, 2); // KP-740 removes it
        QCOMPARE(FunctionEntries(*window).size(), 4);
        QCOMPARE(Text(window.get(), "printerLabel"), QStringLiteral("Printer Series"));
        QCOMPARE(Find<QGroupBox>(window.get(), "modelGroup")->title(),
                 QStringLiteral("Printer Series"));
        QVERIFY(!Find<QPushButton>(window.get(), "wifiSetupButton")->isHidden());
        QCOMPARE(CurrentUsbFilter(), (UsbFilter{"7A3E", "5C19", 1}));
        QVERIFY(IniHas(world.ReadIni(), "PrinterModel", "Printer Model", "KP-740"));
        // Every page copy and the current settings follow the master.
        QCOMPARE(window->Master().printerModel, std::string("KP-740"));
        QCOMPARE(CurrentPortSettings(), window->Master());
        for (CFunctionPage* page : std::initializer_list<CFunctionPage*>{
                 window->PortPage(), window->LabelPage(), window->FirmwarePage(),
                 window->CommandTestPage(), window->TestItemsPage()})
            QCOMPARE(page->Settings(), window->Master());
    }

    void modelListHasFiveEntriesInEnglishAndFourInChinese() {
        {
            GuiWorld world;
            auto window = world.OpenMainWindow(LANG_ENGLISH);
            QCOMPARE(Models(*window),
                     QStringList({"KP-520", "KP-740", "HT-740", "HT-750", "KP-500"}));
        }
        {
            GuiWorld world;
            world.WriteIni({.model = "KP-740", .language = "Chinese"});
            auto window = world.OpenMainWindow(LANG_CHINESE);
            QCOMPARE(Models(*window), QStringList({"Label Printer(200DPI)", "Label Printer(300DPI)",
                                                   "HT-740", "HT-760"}));
            // The English name was translated on load and is selected.
            QCOMPARE(Find<QComboBox>(window.get(), "modelCombo")->currentIndex(), 1);
            QCOMPARE(FunctionEntries(*window).at(0), QString::fromUtf8("端口及打印机选择"));
            QCOMPARE(Text(window.get(), "pageTitle"), QString::fromUtf8(" 端口及打印机选择"));
        }
    }

    void receiptSettingsPageIsCreatedOnceAndReused() {
        GuiWorld world;
        auto window = world.OpenMainWindow();
        auto* area = Find<QStackedWidget>(window.get(), "pageArea");
        const int pages = area->count();
        ChooseFunction(*window, 1);
        QCOMPARE(area->currentWidget(), static_cast<QWidget*>(window->LabelPage()));
        QVERIFY(!window->ReceiptPage());

        ChooseFunction(*window, 0);
        PickModel(*window, 4); // HT-750
        ChooseFunction(*window, 1);
        CInternalSetupHT740* receipt = window->ReceiptPage();
        QVERIFY(receipt);
        QCOMPARE(area->currentWidget(), static_cast<QWidget*>(receipt));
        QCOMPARE(receipt->Settings().printerModel, std::string("HT-750"));
        ChooseFunction(*window, 2);
        ChooseFunction(*window, 1);
        QCOMPARE(window->ReceiptPage(), receipt);
        QCOMPARE(area->count(), pages + 1);
        QCOMPARE(Text(window.get(), "pageTitle"), QStringLiteral("   Printer Setup"));
    }

    void testItemsPageDisablesCutControlsForHt740Only() {
        GuiWorld world;
        world.WriteIni({.model = "HT-740"});
        auto window = world.OpenMainWindow();
        ChooseFunction(*window, 4);
        QCOMPARE(Find<QStackedWidget>(window.get(), "pageArea")->currentWidget(),
                 static_cast<QWidget*>(window->TestItemsPage()));
        QVERIFY(!Find<QPushButton>(window->TestItemsPage(), "fullCutButton")->isEnabled());
        QVERIFY(!Find<QCheckBox>(window->TestItemsPage(), "cutAfterPrintCheck")->isEnabled());
        ChooseFunction(*window, 0);
        PickModel(*window, 4);
        ChooseFunction(*window, 4);
        QVERIFY(Find<QPushButton>(window->TestItemsPage(), "fullCutButton")->isEnabled());
        QVERIFY(Find<QCheckBox>(window->TestItemsPage(), "cutAfterPrintCheck")->isEnabled());
    }

    void alreadySelectedLanguageStillSavesAndRestarts() {
        GuiWorld world;
        world.WriteIni({.model = "KP-740", .portType = 1});
        auto window = world.OpenMainWindow();
        auto* english = Find<QRadioButton>(window.get(), "radioEnglish");
        QVERIFY(english->isChecked());
        std::remove("printune.ini");
        english->click();
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(world.restarts, 1);
        QCOMPARE(world.ReadIni(), IniText({.model = "KP-740", .portType = 1}));
    }

    void switchingToChineseSavesTheLanguageAndRestartsOnce() {
        GuiWorld world;
        auto window = world.OpenMainWindow();
        Find<QRadioButton>(window.get(), "radioChinese")->click();
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(world.restarts, 1);
        QVERIFY(IniHas(world.ReadIni(), "LanguageSetting", "Language", "Chinese"));
    }

    void exitClosesWithoutRestart() {
        GuiWorld world;
        auto window = world.OpenMainWindow();
        Find<QPushButton>(window.get(), "exitButton")->click();
        QVERIFY(!window->isVisible());
        QCOMPARE(world.restarts, 0);
    }

    void enterAndEscDoNotCloseAnything() {
        GuiWorld world;
        auto window = world.OpenMainWindow();
        auto* exit = Find<QPushButton>(window.get(), "exitButton");
        exit->setFocus();
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            for (QWidget* target : std::initializer_list<QWidget*>{
                     window.get(), exit, Find<QWidget>(window.get(), "functionList"),
                     Find<QWidget>(window.get(), "settingButton"),
                     Find<QWidget>(window.get(), "modelCombo")})
                QTest::keyClick(target, static_cast<Qt::Key>(key));
        }
        QTest::qWait(20);
        QVERIFY(window->isVisible());
        QCOMPARE(world.restarts, 0);
    }

    void comInterfaceStatusShowsNameAndBaudRate() {
        GuiWorld world;
        world.WriteIni({.portType = 1, .com = "COM3", .baud = "19200"});
        auto window = world.OpenMainWindow();
        QCOMPARE(Text(window.get(), "interfaceStatus"), QStringLiteral("  COM3|19200"));
        QVERIFY(Find<QRadioButton>(window.get(), "radioSerial")->isChecked());
        QVERIFY(Find<QPushButton>(window.get(), "settingButton")->isEnabled());
        QCOMPARE(CPrintuneDlg::InterfaceStatusText(7, window->Master()), QStringLiteral("  "));
    }

    void unknownPortTypeSelectsNoInterfaceAndIsKept() {
        GuiWorld world;
        world.WriteIni({.portType = 7});
        auto window = world.OpenMainWindow();
        for (const char* name : {"radioSerial", "radioParallel", "radioUsb", "radioNetwork"})
            QVERIFY2(!Find<QRadioButton>(window.get(), name)->isChecked(), name);
        QCOMPARE(Text(window.get(), "interfaceStatus"), QStringLiteral("  "));
        PickModel(*window, 2);
        QVERIFY(IniHas(world.ReadIni(), "PortType", "CurPortType", "7"));
    }

    void helpOpensOnlyAnExistingFileNamedByAListedModel() {
        GuiWorld world;
        auto window = world.OpenMainWindow();
        auto* help = Find<QPushButton>(window.get(), "helpButton");
        help->click();
        QVERIFY(world.openedDocuments.empty()); // no file: nothing shown
        QVERIFY(world.messages.empty());

        const QString name = world.Path(QStringLiteral("KP-520Printune Help File.pdf"));
        QFile(name).open(QIODevice::WriteOnly);
        help->click();
        QCOMPARE(world.openedDocuments, std::vector<QString>{name});
    }

    void modelFromFileOutsideTheListOpensNoHelp() {
        GuiWorld world;
        world.WriteIni({.model = "../../etc/passwd"});
        QFile(world.Path(QStringLiteral("../../etc/passwdPrintune Help File.pdf")))
            .open(QIODevice::WriteOnly);
        auto window = world.OpenMainWindow();
        QCOMPARE(Find<QComboBox>(window.get(), "modelCombo")->currentIndex(), -1);
        Find<QPushButton>(window.get(), "helpButton")->click();
        QVERIFY(world.openedDocuments.empty());
    }

    void aboutBoxOpensFromTheWindow() {
        GuiWorld world;
        auto window = world.OpenMainWindow();
        QString title;
        QVERIFY(WithModalDialog([&] { Find<QPushButton>(window.get(), "aboutButton")->click(); },
                                [&](QDialog* about) { title = about->windowTitle(); }));
        QCOMPARE(title, QStringLiteral("About Printune"));
        QVERIFY(window->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
