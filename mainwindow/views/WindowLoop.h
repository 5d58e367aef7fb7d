#pragma once
// Running the main window until it ends.

class QDialog;

namespace dedevev {

// Shows `dialog` and processes events until it is done (QDialog::done, accept or reject),
// then returns its result. Unlike QDialog::exec, hiding the dialog does not end it: the main
// window hides itself in the tray and while its close sequence runs, and is still the
// program's window then.
int RunUntilDone(QDialog& dialog);

}  // namespace dedevev
