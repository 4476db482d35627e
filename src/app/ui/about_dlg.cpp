#include "app/ui/about_dlg.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>

#include "base/ui/text_service.h"
#include "diagnostics/system_check.h"
#include "printune_version.h"
#include "resources/ui/pictures.h"
#include "ui_about_dlg.h"

namespace printune {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CAboutDlg>()) {
    ui_->setupUi(this);
    ui_->iconLabel->setPixmap(ProgramIcon().pixmap(64, 64));
    ui_->versionLabel->setText(tr("Printune Version %1").arg(QStringLiteral(PRINTUNE_VERSION)));
    ui_->checkText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui_->checkText->setPlainText(tr("Checking..."));
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->copyButton, &QPushButton::clicked, this, &CAboutDlg::CopyReport);
    // The check reads /proc and sysfs and may run nft: off the GUI thread.
    const int language = UiLanguageId();
    worker_.Run(
        [language](const TaskControl&) {
            SystemCheckRoots roots = DefaultRoots();
            return SystemReportText(RunSystemCheck(roots, CurrentIdentity(), language), language);
        },
        [this](const std::string& text) {
            ui_->checkText->setPlainText(QString::fromStdString(text));
        });
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::CopyReport() {
    QGuiApplication::clipboard()->setText(ui_->checkText->toPlainText());
}

} // namespace printune
