#pragma once
// CPortSetSerial: the modal "Serial Interface Setting" dialog. It edits the
// serial working copy; OK reports the new values to the interface page
// (user message 2) before the dialog closes, Cancel changes nothing.
#include <memory>

#include <QDialog>

#include "port/ui/function_page.h"

namespace Ui {
class CPortSetSerial;
}

namespace printune {

class CPortSetSerial : public QDialog {
    Q_OBJECT

public:
    explicit CPortSetSerial(QWidget* parent = nullptr);
    ~CPortSetSerial() override;

    // The names offered after "COM1" … "COM15": serial devices present on
    // this machine that no COM name maps to, stored by their path.
    static QStringList PortNames();

signals:
    // User message 2: the working copy with the new values, and a copy of it
    // taken before the dialog changed it.
    void SerialConfirmed(const printune::PortSettings& values,
                         const printune::PortSettings& previous);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillFromWorkingCopy();
    void OnOk();

    std::unique_ptr<Ui::CPortSetSerial> ui_;
};

} // namespace printune
