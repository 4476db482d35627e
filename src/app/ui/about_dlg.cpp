#include "app/ui/about_dlg.h"

#include "resources/ui/pictures.h"
#include "ui_about_dlg.h"

namespace printune {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CAboutDlg>()) {
    ui_->setupUi(this);
    ui_->iconLabel->setPixmap(ProgramIcon().pixmap(64, 64));
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;

} // namespace printune
