#pragma once
// The program's own pictures, painted in code: the two logos drawn on the
// main window (English 180 x 67, Chinese 180 x 21) and the program icon.
#include <QIcon>
#include <QPixmap>

namespace printune {

// The logo of the language (1033 or 2052), transparent where it is blank.
QPixmap LogoPixmap(int languageId);
QIcon ProgramIcon();

} // namespace printune
