#pragma once
// CCommandTest: the command test page.
// Only its frame exists so far: the page is created by the main window,
// receives the distributed settings and shows its title. Its controls and
// printer operations are added by a later piece of work; it is not done.
#include <memory>

#include "port/ui/function_page.h"

namespace Ui {
class CCommandTest;
}

namespace printune {

class CCommandTest : public CFunctionPage {
    Q_OBJECT

public:
    explicit CCommandTest(QWidget* parent = nullptr);
    ~CCommandTest() override;

private:
    std::unique_ptr<Ui::CCommandTest> ui_;
};

} // namespace printune
