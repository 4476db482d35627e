#pragma once
// CPortSetParallel: the modal "Parallel Interface Setting" dialog. OK stores
// the chosen LPT name in the parallel working copy and reports it to the
// interface page (user message 3); Cancel, Enter and Esc close it without
// applying anything.
#include <memory>

#include <QDialog>

#include "port/ui/function_page.h"

namespace Ui {
class CPortSetParallel;
}

namespace printune {

class CPortSetParallel : public QDialog {
    Q_OBJECT

public:
    explicit CPortSetParallel(QWidget* parent = nullptr);
    ~CPortSetParallel() override;

signals:
    // User message 3: the parallel working copy with the new LPT name.
    void ParallelConfirmed(const printune::PortSettings& values);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnOk();

    std::unique_ptr<Ui::CPortSetParallel> ui_;
};

} // namespace printune
