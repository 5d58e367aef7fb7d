#include "settings/SettingsWorkers.h"

#include "device/IDeviceControl.h"
#include "device/base/Clock.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

constexpr int kPending = 256;  // a status the library has not set yet

}  // namespace

CThreadSetWorkMode::CThreadSetWorkMode(IDeviceControl* control, std::uint8_t mode)
    : control_(control), mode_(mode) {}

CThreadSetWorkMode::~CThreadSetWorkMode() {
    Join();
}

void CThreadSetWorkMode::DoJob() {
    ReportText(LocalText("SetWorkMode"));
    if (control_ == nullptr) {
        ReportStep(kSteps, kSteps);
        return;
    }
    IClock& clock = ProcessClock();
    // The card may refuse while it is busy: ask again at once until it takes the mode.
    const IClock::TimePoint set_since = clock.Now();
    int status = kPending;
    do {
        status = kPending;
        control_->SetWorkMode(mode_, &status);
    } while (status != 1 && clock.Now() - set_since < kSetFor);
    ReportStep(1, kSteps);

    clock.SleepFor(kSettle, nullptr);
    ReportStep(2, kSteps);

    const IClock::TimePoint check_since = clock.Now();
    bool matched = false;
    do {
        status = kPending;
        const std::uint8_t mode = control_->GetWorkMode(&status);
        matched = status == 1 && mode == mode_;
    } while (!matched && clock.Now() - check_since < kCheckFor);
    succeeded_ = matched;
    ReportStep(kSteps, kSteps);
}

CThreadFactoryReset::CThreadFactoryReset(IDeviceControl* control) : control_(control) {}

CThreadFactoryReset::~CThreadFactoryReset() {
    Join();
}

void CThreadFactoryReset::DoJob() {
    ReportText(LocalText("FactoryReset"));
    ReportStep(1, kSteps);
    ProcessClock().SleepFor(kLeadIn, nullptr);
    if (control_ != nullptr) {
        int status = kPending;
        control_->RestoreFactorySettings(&status);
        succeeded_ = status == 1;
    }
    ReportStep(kSteps, kSteps);
}

}  // namespace dedevev
