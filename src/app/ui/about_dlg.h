#pragma once
// CAboutDlg: the program's About box, opened from the main window's
// "About" button (there is no system menu to extend on the Linux desktops).
// It also shows the system check of `printune-cli doctor` in a copyable
// field, so a user can paste it into a support request.
#include <memory>

#include <QDialog>

#include "base/ui/async_task.h"

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
    void CopyReport();

    std::unique_ptr<Ui::CAboutDlg> ui_;
    AsyncTask worker_;
};

} // namespace printune
