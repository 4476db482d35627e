#include "port/ui/port_set_serial.h"

#include "base/ui/key_filter.h"
#include "base/ui/text_service.h"
#include "port/device_names.h"
#include "port/ui/working_copies.h"
#include "ui_port_set_serial.h"

namespace printune {

namespace {

// Stored values by list position; the lists show translated texts.
const char* const kParity[] = {"None", "Even", "Odd"};
const char* const kFlow[] = {"DTR", "Xon/Xoff"};

void SelectText(QComboBox* list, const std::string& text) {
    list->setCurrentIndex(list->findText(Q(text), Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

template <size_t N>
void SelectKeyword(QComboBox* list, const char* const (&keywords)[N], const std::string& value) {
    int index = -1;
    for (size_t i = 0; i < N; ++i)
        if (value == keywords[i])
            index = static_cast<int>(i);
    list->setCurrentIndex(index);
}

// A list without a selection leaves its field as it was.
void TakeText(const QComboBox* list, std::string& field) {
    if (list->currentIndex() >= 0)
        field = S(list->currentText());
}

template <size_t N>
void TakeKeyword(const QComboBox* list, const char* const (&keywords)[N], std::string& field) {
    const int index = list->currentIndex();
    if (index >= 0 && index < static_cast<int>(N))
        field = keywords[index];
}

} // namespace

CPortSetSerial::CPortSetSerial(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CPortSetSerial>()) {
    ui_->setupUi(this);
    SetEnterEscBehaviour(this, EnterEsc::Swallow);
    connect(ui_->okButton, &QPushButton::clicked, this, &CPortSetSerial::OnOk);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CPortSetSerial::~CPortSetSerial() = default;

QStringList CPortSetSerial::PortNames() {
    QStringList names;
    for (int i = 1; i <= 15; ++i)
        names << QStringLiteral("COM%1").arg(i);
    for (const std::string& path : ListUnmappedSerialDevices())
        names << Q(path);
    return names;
}

void CPortSetSerial::showEvent(QShowEvent* event) {
    FillFromWorkingCopy();
    QDialog::showEvent(event);
}

void CPortSetSerial::FillFromWorkingCopy() {
    const PortSettings& copy = SerialWorkingCopy();
    ui_->portCombo->clear();
    ui_->portCombo->addItems(PortNames());
    SelectText(ui_->portCombo, copy.comPortName);
    SelectText(ui_->baudCombo, copy.baudrate);
    SelectText(ui_->dataBitCombo, copy.dataBit);
    SelectText(ui_->stopBitCombo, copy.stopBit);
    SelectKeyword(ui_->parityCombo, kParity, copy.paritySetup);
    SelectKeyword(ui_->flowCombo, kFlow, copy.flowControl);
}

void CPortSetSerial::OnOk() {
    PortSettings& copy = SerialWorkingCopy();
    const PortSettings previous = copy;
    TakeText(ui_->portCombo, copy.comPortName);
    TakeText(ui_->baudCombo, copy.baudrate);
    TakeKeyword(ui_->parityCombo, kParity, copy.paritySetup);
    TakeText(ui_->dataBitCombo, copy.dataBit);
    TakeText(ui_->stopBitCombo, copy.stopBit);
    TakeKeyword(ui_->flowCombo, kFlow, copy.flowControl);
    emit SerialConfirmed(copy, previous);
    accept();
}

} // namespace printune
