#include "mainwindow/views/WindowLoop.h"

#include <QDialog>
#include <QEventLoop>

namespace dedevev {

int RunUntilDone(QDialog& dialog) {
    QEventLoop loop;
    bool done = false;
    int result = QDialog::Rejected;
    const QMetaObject::Connection finished =
        QObject::connect(&dialog, &QDialog::finished, &loop, [&](int r) {
            done = true;
            result = r;
            loop.quit();
        });
    dialog.show();
    if (!done)
        loop.exec(QEventLoop::DialogExec);
    QObject::disconnect(finished);
    return result;
}

}  // namespace dedevev
