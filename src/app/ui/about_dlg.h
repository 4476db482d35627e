#pragma once
// CAboutDlg: the program's About box, opened from the main window's
// "About" button (there is no system menu to extend on the Linux desktops).
#include <memory>

#include <QDialog>

namespace Ui {
class CAboutDlg;
}

namespace printune {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

private:
    std::unique_ptr<Ui::CAboutDlg> ui_;
};

} // namespace printune
