#pragma once
// The main window wired to the real program: the initialisation job behind its progress
// window, the status thread, the device holder, the dialogs, the desktop's URL opener and tray.

#include "mainwindow/views/MainDlg.h"

namespace dedevev {

MainWindowEnvironment DefaultMainWindowEnvironment();

}  // namespace dedevev
