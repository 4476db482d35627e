#include "settings/ui/label_setup_page.h"
#include "base/notice.h"
#include <QWidget>
#include "ui_page.h"
