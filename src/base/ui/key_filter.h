#pragma once
// Enter and Esc handling per window. Pages and the main window swallow both
// keys so that a key press never closes anything; some dialogs close on them
// without applying.
class QWidget;

namespace printune {

enum class EnterEsc {
    Swallow,      // the key does nothing
    CloseWithout, // the dialog is rejected (closed, nothing applied)
};

// Applies to the window of `window` and every widget inside it. Popups
// (an open drop-down list) keep their own Enter and Esc.
void SetEnterEscBehaviour(QWidget* window, EnterEsc behaviour);

} // namespace printune
