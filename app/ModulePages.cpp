#include "app/ModulePages.h"

#include "mainwindow/views/MainDlg.h"
#include "mainwindow/views/ModuleWindow.h"

namespace dedevev {

CModulePage* MakeModulePage(int command, QWidget* parent) {
    (void)parent;
    switch (command) {
        default:
            return nullptr;
    }
}

}  // namespace dedevev
