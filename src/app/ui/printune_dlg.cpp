#include "app/ui/printune_dlg.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include "app/settings_file.h"
#include "app/startup_language.h"
#include "app/ui/about_dlg.h"
#include "app/ui/app_services.h"
#include "app/ui/comm_log_dlg.h"
#include "app/ui/settings_store.h"
#include "base/language.h"
#include "base/ui/key_filter.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "diagnostics/ui/command_test_page.h"
#include "diagnostics/ui/test_items_page.h"
#include "firmware/ui/firmware_page.h"
#include "network/ui/bluetooth_setup_dlg.h"
#include "network/ui/enternet_setting.h"
#include "network/ui/ht740_enthernet_dlg.h"
#include "network/ui/wifi_setup_dlg_kp520.h"
#include "port/models.h"
#include "port/ui/page_port_set.h"
#include "port/ui/working_copies.h"
#include "port/usb_filter.h"
#include "resources/ui/pictures.h"
#include "settings/ui/label_setup_page.h"
#include "settings/ui/receipt_setup_page.h"
#include "ui_printune_dlg.h"

namespace printune {

namespace {

const QColor kBackground(175, 238, 245);

// Function list positions (1-based as the user counts them).
enum Function { CHOOSE_INTERFACE = 1, PRINTER_SETUP, UPDATE_FIRMWARE, COMMAND_TEST, TEST_ITEMS };

QString TestItemsText() {
    return CPrintuneDlg::tr("Test Items");
}

} // namespace

CPrintuneDlg::CPrintuneDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CPrintuneDlg>()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    SetEnterEscBehaviour(this, EnterEsc::Swallow);
    StartUp();
}

CPrintuneDlg::~CPrintuneDlg() {
    SetUsbFanOutNotifier({});
}

void CPrintuneDlg::StartUp() {
    setWindowIcon(ProgramIcon());

    ui_->functionList->addItems(
        {tr("Choose Interface"), tr("Printer Setup"), tr("Update Firmware"), tr("Command Test")});
    ui_->functionList->setCurrentRow(0);
    ui_->printerStatus->setText(QStringLiteral("  ") + Q(ModelName(1, UiLanguageId())));

    portPage_ = new CPagePortSet(ui_->pageArea);
    portPage_->SetWirelessDialogs(new CWifiSetupDlg_KP520(portPage_),
                                  new CBluetoothSetupDlg(portPage_));
    portPage_->SetNetworkDialogs(new CEnternetSetting(portPage_),
                                 new CHT740EnthernetDlg(portPage_));
    connect(portPage_, &CPagePortSet::SaveRequested, this,
            [this](const PortSettings& copy) { SaveSettingsOrWarn(copy, portPage_); });
    labelPage_ = new CPrintingSetupKP520_1(ui_->pageArea);
    firmwarePage_ = new CUpgradeFW(ui_->pageArea);
    commandPage_ = new CCommandTest(ui_->pageArea);
    testItemsPage_ = new CTestItemDialog(ui_->pageArea);
    for (CFunctionPage* page : std::initializer_list<CFunctionPage*>{
             portPage_, labelPage_, firmwarePage_, commandPage_, testItemsPage_})
        ui_->pageArea->addWidget(page);
    ui_->pageArea->setCurrentWidget(portPage_);
    currentSettingsPage_ = labelPage_;
    // Called on a page's worker thread; the status line changes on ours.
    SetUsbFanOutNotifier([this](int printers) {
        QMetaObject::invokeMethod(
            this,
            [this, printers] {
                ui_->interfaceStatus->setText(InterfaceStatusText(interfaceType_, master_) +
                                              tr(" (sent to %1 printers)").arg(printers));
            },
            Qt::QueuedConnection);
    });

    ui_->exitButton->setToolTip(tr("Exit the program"));
    ui_->functionList->setToolTip(tr("Selects a menu of the tool"));
    ui_->printerStatus->setToolTip(tr("The printer current select"));
    ui_->interfaceStatus->setToolTip(tr("The interface current select"));
    ui_->radioChinese->setToolTip(tr("Switch the application's language to Chinese"));
    ui_->radioEnglish->setToolTip(tr("Switch the application's language to English"));
    ui_->aboutButton->setToolTip(tr("About Printune"));
    ui_->commLogButton->setToolTip(tr("Show what the program sends to and receives from printers"));

    LoadSettings();
    ApplyLoadedSettings();

    connect(ui_->functionList, &QListWidget::currentRowChanged, this,
            &CPrintuneDlg::OnFunctionChanged);
    connect(portPage_, &CPagePortSet::ModelPicked, this, &CPrintuneDlg::OnModelPicked);
    connect(portPage_, &CPagePortSet::InterfacePicked, this, &CPrintuneDlg::OnInterfacePicked);
    connect(labelPage_, &CPrintingSetupKP520_1::SerialValuesChanged, this,
            &CPrintuneDlg::OnSerialValuesChanged);
    connect(ui_->radioChinese, &QRadioButton::clicked, this,
            [this] { OnLanguageClicked("Chinese"); });
    connect(ui_->radioEnglish, &QRadioButton::clicked, this,
            [this] { OnLanguageClicked("English"); });
    connect(ui_->exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->helpButton, &QPushButton::clicked, this, &CPrintuneDlg::OnHelp);
    connect(ui_->aboutButton, &QPushButton::clicked, this, &CPrintuneDlg::OnAbout);
    connect(ui_->commLogButton, &QPushButton::clicked, this, &CPrintuneDlg::OnCommLog);

    for (QAbstractButton* button : findChildren<QAbstractButton*>())
        if (button->window() == this)
            button->setCursor(Qt::PointingHandCursor);
}

void CPrintuneDlg::LoadSettings() {
    const LoadedSettings loaded =
        printune::LoadSettings(std::string(), ModelList(UiLanguageId()), SystemDefaultLanguageId());
    master_ = loaded.settings;
}

void CPrintuneDlg::ApplyLoadedSettings() {
    const int ui = UiLanguageId();
    const int type = master_.portType;
    if (type >= PORT_COM && type <= PORT_LAN) {
        portPage_->SetSelectedInterface(type);
        interfaceType_ = type;
        portPage_->SetInterfaceButtons(type);
    }

    const QString fifth = Q(ModelName(5, LANG_ENGLISH));
    if (master_.language == "English")
        portPage_->AppendModel(fifth);
    else
        portPage_->RemoveModel(fifth);
    portPage_->SelectModel(Q(master_.printerModel));

    portPage_->SetWirelessButtonsVisible(IsLabelPrinterName(master_.printerModel, ui));

    // A saved KP-500 gets the label filter as well: with none, a label
    // command would reach every USB printer, receipt printers included.
    const int position = portPage_->ModelPosition();
    if (position >= 1 && position <= 5) {
        UsbFilter filter;
        UsbFilterForPosition(position, filter);
        SetUsbFilter(filter);
        portPage_->SetModelFamilyTexts(IsReceiptPosition(position));
    }

    ui_->printerStatus->setText(QStringLiteral("  ") + Q(master_.printerModel));
    portPage_->SetSettings(master_);
    SerialWorkingCopy() = master_;
    ParallelWorkingCopy() = master_;

    if (master_.language == "Chinese")
        ui_->radioChinese->setChecked(true);
    else if (master_.language == "English")
        ui_->radioEnglish->setChecked(true);

    UpdateInterfaceStatus();

    if (master_.printerModel == ModelName(3, ui) || master_.printerModel == ModelName(4, ui))
        ui_->functionList->addItem(TestItemsText());

    Distribute();

    QFont titleFont;
    if (master_.language == "Chinese") {
        titleFont.setFamilies({QString::fromUtf8("楷体"), QStringLiteral("KaiTi"),
                               QStringLiteral("AR PL UKai CN"),
                               QStringLiteral("WenQuanYi Micro Hei")});
        titleFont.setPointSizeF(14);
    } else {
        titleFont.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
        titleFont.setPointSizeF(10.5);
        titleFont.setBold(true);
    }
    ui_->pageTitle->setFont(titleFont);
    UpdateTitle();

    if (type >= PORT_COM && type <= PORT_LAN)
        ownPort_.portType = type;
    ownPort_.comName = master_.comPortName;
    ownPort_.lptName = master_.lptPortName;
    for (CFunctionPage* page : std::initializer_list<CFunctionPage*>{
             portPage_, testItemsPage_, labelPage_, commandPage_, firmwarePage_})
        page->TakePortState(ownPort_);
    SetCurrentPortSettings(master_);
}

QString CPrintuneDlg::InterfaceStatusText(int interfaceType, const PortSettings& settings) {
    QString text = QStringLiteral("  ");
    switch (interfaceType) {
    case PORT_COM:
        text += Q(settings.comPortName) + QLatin1Char('|') + Q(settings.baudrate);
        break;
    case PORT_LPT:
        text += Q(settings.lptPortName);
        break;
    case PORT_USB:
        text += QStringLiteral("USB");
        break;
    case PORT_LAN:
        text += QStringLiteral("LAN");
        break;
    default:
        break;
    }
    return text;
}

void CPrintuneDlg::UpdateInterfaceStatus() {
    ui_->interfaceStatus->setText(InterfaceStatusText(interfaceType_, master_));
}

QString CPrintuneDlg::TitlePrefix() const {
    return master_.language == "Chinese" ? QStringLiteral(" ") : QStringLiteral("   ");
}

void CPrintuneDlg::UpdateTitle() {
    const QListWidgetItem* item = ui_->functionList->currentItem();
    ui_->pageTitle->setText(TitlePrefix() + (item ? item->text() : QString()));
}

void CPrintuneDlg::Distribute() {
    for (CFunctionPage* page : std::initializer_list<CFunctionPage*>{
             portPage_, labelPage_, receiptPage_, firmwarePage_, commandPage_, testItemsPage_})
        if (page)
            page->SetSettings(master_);
    SetCurrentPortSettings(master_);
}

void CPrintuneDlg::UpdateTestItemsEntry() {
    QListWidget* list = ui_->functionList;
    if (!IsLabelPrinterName(master_.printerModel, UiLanguageId())) {
        if (list->findItems(TestItemsText(), Qt::MatchStartsWith).isEmpty())
            list->addItem(TestItemsText());
        return;
    }
    const QList<QListWidgetItem*> found =
        list->findItems(TestItemsText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    for (QListWidgetItem* item : found)
        delete list->takeItem(list->row(item));
}

void CPrintuneDlg::OnModelPicked(const PortSettings& copy, const QString& model) {
    ui_->printerStatus->setText(QStringLiteral("  ") + model);
    master_ = copy;
    Distribute();
    const std::string pid = CurrentUsbFilter().UsbPidFilter;
    ui_->printerLabel->setText(pid == "3D71" || pid == "3D72" ? tr("Printer Model")
                                                              : tr("Printer Series"));
    UpdateTestItemsEntry();
}

void CPrintuneDlg::OnInterfacePicked(int portType, const PortSettings& copy) {
    interfaceType_ = portType;
    master_ = copy;
    UpdateInterfaceStatus();
    Distribute();
}

void CPrintuneDlg::OnSerialValuesChanged(const PortSettings& copy) {
    master_ = copy;
    Distribute();
    SerialWorkingCopy() = master_;
    SaveSettingsOrWarn(master_, this);
    UpdateInterfaceStatus();
}

void CPrintuneDlg::ShowPage(QWidget* page) {
    ui_->pageArea->setCurrentWidget(page);
}

void CPrintuneDlg::OnFunctionChanged(int row) {
    UpdateTitle();
    switch (row + 1) {
    case CHOOSE_INTERFACE:
        ShowPage(portPage_);
        break;
    case PRINTER_SETUP:
        if (IsReceiptPosition(portPage_->ModelPosition())) {
            if (!receiptPage_) {
                receiptPage_ = new CInternalSetupHT740(ui_->pageArea);
                AdoptPage(receiptPage_);
                connect(receiptPage_, &CInternalSetupHT740::SerialValuesChanged, this,
                        &CPrintuneDlg::OnSerialValuesChanged);
            }
            currentSettingsPage_ = receiptPage_;
        } else {
            currentSettingsPage_ = labelPage_;
        }
        ShowPage(currentSettingsPage_);
        break;
    case UPDATE_FIRMWARE:
        ShowPage(firmwarePage_);
        break;
    case COMMAND_TEST:
        ShowPage(commandPage_);
        break;
    case TEST_ITEMS:
        ShowPage(testItemsPage_);
        break;
    default:
        break;
    }
}

void CPrintuneDlg::AdoptPage(CFunctionPage* page) {
    ui_->pageArea->addWidget(page);
    page->SetSettings(master_);
    page->TakePortState(ownPort_);
    for (QAbstractButton* button : page->findChildren<QAbstractButton*>())
        if (button->window() == this)
            button->setCursor(Qt::PointingHandCursor);
}

void CPrintuneDlg::OnLanguageClicked(const char* language) {
    master_.language = language;
    SaveSettingsOrWarn(master_, this);
    restartRequested_ = true;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CPrintuneDlg::done(int result) {
    if (restartRequested_) {
        restartRequested_ = false;
        if (!RestartProgram())
            MessageService::Show(
                this, MessageIcon::Warning,
                TextIn(LanguageIdFromSetting(master_.language), "CPrintuneDlg",
                       QT_TRANSLATE_NOOP("CPrintuneDlg",
                                         "Printune could not be started again. Please start "
                                         "it yourself to use the new language.")));
    }
    QDialog::done(result);
}

void CPrintuneDlg::OnHelp() {
    // Only a model of the list names a help file, so nothing from the
    // settings file can make this open another path.
    const QString model = portPage_->ModelText();
    if (model.isEmpty() || ModelPosition(S(model), UiLanguageId()) == 0)
        return;
    const int language = LanguageIdFromSetting(master_.language);
    const QString name =
        model + TextIn(language, "CPrintuneDlg",
                       QT_TRANSLATE_NOOP("CPrintuneDlg", "Printune Help File.pdf"));
    if (name.contains(QLatin1Char('/')))
        return;
    const QFileInfo file(QDir::current().absoluteFilePath(name));
    // A missing help file shows nothing.
    if (file.isFile())
        OpenDocument(file.absoluteFilePath());
}

void CPrintuneDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CPrintuneDlg::OnCommLog() {
    if (!commLog_)
        commLog_ = new CCommLogDlg(this);
    commLog_->show();
    commLog_->raise();
    commLog_->activateWindow();
}

void CPrintuneDlg::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.drawPixmap(15, 15, LogoPixmap(LanguageIdFromSetting(master_.language)));
    QDialog::paintEvent(event);
}

} // namespace printune
