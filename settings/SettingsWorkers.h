#pragma once
// The long card operations of the settings dialog, run behind its progress window: changing
// the card's work mode and restoring the card's factory settings. Every wait goes through the
// process clock, so tests run them without waiting.

#include <atomic>
#include <chrono>
#include <cstdint>

#include "core/Thread.h"

namespace dedevev {

class IDeviceControl;

class CThreadSetWorkMode final : public CThreadProgress {
public:
    static constexpr std::chrono::milliseconds kSetFor{5000};
    static constexpr std::chrono::milliseconds kSettle{2500};
    static constexpr std::chrono::milliseconds kCheckFor{5000};
    static constexpr int kSteps = 3;

    // `control` may be null (no card): the job then fails at once.
    CThreadSetWorkMode(IDeviceControl* control, std::uint8_t mode);
    ~CThreadSetWorkMode() override;

    // True once the card reported the new mode; valid after the thread has ended.
    bool Succeeded() const { return succeeded_.load(); }

protected:
    // Asks for the mode until the card takes it (at most kSetFor), lets the card settle, then
    // reads the mode back until it is the new one (at most kCheckFor).
    void DoJob() override;

private:
    IDeviceControl* control_;
    std::uint8_t mode_;
    std::atomic<bool> succeeded_{false};
};

class CThreadFactoryReset final : public CThreadProgress {
public:
    static constexpr std::chrono::milliseconds kLeadIn{6000};
    static constexpr int kSteps = 2;

    explicit CThreadFactoryReset(IDeviceControl* control);
    ~CThreadFactoryReset() override;

    bool Succeeded() const { return succeeded_.load(); }

protected:
    void DoJob() override;

private:
    IDeviceControl* control_;
    std::atomic<bool> succeeded_{false};
};

}  // namespace dedevev
