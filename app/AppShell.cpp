#include "app/AppShell.h"

#include <QFile>
#include <QMessageBox>
#include <QTimer>

#include "mainwindow/PlaceholderMainWindow.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

const char* IconName(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::kInformation:
            return "information";
        case MessageIcon::kExclamation:
            return "exclamation";
        case MessageIcon::kStop:
            return "stop";
        case MessageIcon::kQuestion:
            return "question";
    }
    return "information";
}

}  // namespace

AppShell::AppShell() {
    log_path_ = qEnvironmentVariable("DEDEVEV_MESSAGE_LOG");
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("DEDEVEV_EXIT_AFTER_MS", &ok);
    if (ok && ms >= 0)
        exit_after_ms_ = ms;
}

void AppShell::Log(const QString& line) {
    QFile file(log_path_);
    if (file.open(QIODevice::Append | QIODevice::Text)) {
        file.write(line.toUtf8());
        file.write("\n");
    }
}

void AppShell::ShowMessage(const std::u16string& text, const std::u16string& caption,
                           MessageIcon icon) {
    if (!log_path_.isEmpty()) {
        QString flat = ToQString(text);
        flat.replace("\r\n", "\\n");
        Log(QString("message\t%1\t%2\t%3").arg(IconName(icon), ToQString(caption), flat));
        return;
    }
    QMessageBox box;
    box.setWindowTitle(ToQString(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(ToQString(text));
    switch (icon) {
        case MessageIcon::kInformation:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::kExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::kStop:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::kQuestion:
            box.setIcon(QMessageBox::Question);
            break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void AppShell::RunMainWindow() {
    PlaceholderMainWindow window;
    if (exit_after_ms_ >= 0)
        QTimer::singleShot(exit_after_ms_, &window, &QDialog::accept);
    QTimer::singleShot(0, &window, [this] {
        if (!log_path_.isEmpty())
            Log("window\tshown");
    });
    window.exec();
    if (!log_path_.isEmpty())
        Log("window\tclosed");
}

}  // namespace dedevev
