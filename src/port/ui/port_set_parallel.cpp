#include "port/ui/port_set_parallel.h"

#include "base/ui/key_filter.h"
#include "base/ui/text_service.h"
#include "port/ui/working_copies.h"
#include "ui_port_set_parallel.h"

namespace printune {

CPortSetParallel::CPortSetParallel(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CPortSetParallel>()) {
    ui_->setupUi(this);
    SetEnterEscBehaviour(this, EnterEsc::CloseWithout);
    connect(ui_->okButton, &QPushButton::clicked, this, &CPortSetParallel::OnOk);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CPortSetParallel::~CPortSetParallel() = default;

void CPortSetParallel::showEvent(QShowEvent* event) {
    ui_->portCombo->clear();
    for (int i = 1; i <= 4; ++i)
        ui_->portCombo->addItem(QStringLiteral("LPT%1").arg(i));
    ui_->portCombo->setCurrentIndex(ui_->portCombo->findText(
        Q(ParallelWorkingCopy().lptPortName), Qt::MatchFixedString | Qt::MatchCaseSensitive));
    QDialog::showEvent(event);
}

void CPortSetParallel::OnOk() {
    PortSettings& copy = ParallelWorkingCopy();
    if (ui_->portCombo->currentIndex() >= 0)
        copy.lptPortName = S(ui_->portCombo->currentText());
    emit ParallelConfirmed(copy);
    accept();
}

} // namespace printune
