#pragma once
// The work-mode page of the settings dialog (cards that have work modes): USB modem or Wi-Fi.
// OK changes the card's mode behind the progress window and, when the card took it, stores
// it and reloads every view in the new mode.

#include <cstdint>
#include <functional>

#include "core/GlobalService.h"
#include "core/Thread.h"
#include "settings/views/SettingsPage.h"

class QRadioButton;

namespace dedevev {

class IDeviceControl;

struct WorkModePageEnvironment {
    std::function<IDeviceControl*()> device;
    // Whether a data connection is up.
    std::function<bool()> connection_up;
    // Asks the main window to take the connection down.
    std::function<void()> disconnect;
    // Runs a job behind the progress window and returns once it has ended.
    ProgressRunner run_job;
};

class CDlgSetWorkMode : public CSettingsPage, public CGSEventHandler {
    Q_OBJECT
public:
    explicit CDlgSetWorkMode(WorkModePageEnvironment environment, QWidget* parent = nullptr);

    // Checks the mode the settings hold.
    void Reload() override;
    // Changes to the checked mode, unless it is the stored one or a connection is up.
    bool Apply() override;

    std::uint8_t CheckedMode() const;
    void OnLanguageChanged() override;

private:
    WorkModePageEnvironment env_;
    QRadioButton* dongle_ = nullptr;
    QRadioButton* wifi_ = nullptr;
};

}  // namespace dedevev
