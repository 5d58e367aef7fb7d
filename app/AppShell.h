#pragma once
// The screen side of start-up: message boxes and the main window.

#include <QString>

#include "core/Startup.h"

namespace dedevev {

class AppShell : public IAppShell {
public:
    AppShell();
    void ShowMessage(const std::u16string& text, const std::u16string& caption,
                     MessageIcon icon) override;
    void RunMainWindow() override;

private:
    // With DEDEVEV_MESSAGE_LOG set, messages are written there and answered with OK at
    // once instead of being shown (for tests and unattended runs).
    void Log(const QString& line);
    QString log_path_;
    int exit_after_ms_ = -1;
};

}  // namespace dedevev
