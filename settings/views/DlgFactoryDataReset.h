#pragma once
// The factory-reset page of the settings dialog: one button that resets the card at once,
// behind the progress window. The page has nothing to apply on OK.

#include <functional>

#include "core/Thread.h"
#include "settings/views/SettingsPage.h"

namespace dedevev {

class CSkinButtonEx;
class IDeviceControl;

struct ResetPageEnvironment {
    std::function<IDeviceControl*()> device;
    // Tells the main window that the card is about to go away on purpose.
    std::function<void()> mark_reset_running;
    ProgressRunner run_job;
};

class CDlgFactoryDataReset : public CSettingsPage {
    Q_OBJECT
public:
    explicit CDlgFactoryDataReset(ResetPageEnvironment environment, QWidget* parent = nullptr);

    void Reload() override {}
    bool Apply() override { return true; }

    // The button: resets the card; "ResetFailed" when the card did not take it.
    void Reset();

private:
    ResetPageEnvironment env_;
    CSkinButtonEx* button_ = nullptr;
};

}  // namespace dedevev
