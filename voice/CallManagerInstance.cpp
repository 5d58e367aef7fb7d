// The process-wide call manager and what it is made with in the program: the current card,
// the three call lists, the customization, the ring settings and the sound player.
#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

#include "core/AppSettings.h"
#include "core/Customization.h"
#include "core/SoundPlayer.h"
#include "device/DeviceHolder.h"
#include "voice/CallManager.h"

namespace dedevev {

namespace {

std::mutex g_instance_mutex;
std::unique_ptr<CCallManager> g_instance;  // under g_instance_mutex
std::atomic<CCallManager*> g_existing{nullptr};
int g_release_handler = 0;

}  // namespace

CallManagerEnvironment DefaultCallManagerEnvironment() {
    CallManagerEnvironment env;
    env.voice = []() -> IVoiceControl* {
        IModemAgent* agent = Devices().ModemAgent();
        return agent != nullptr ? agent->GetVoiceControl() : nullptr;
    };
    CallHistories& lists = CallHistories::Instance();
    env.missed = &lists.Missed();
    env.accepted = &lists.Accepted();
    env.dialed = &lists.Dialed();
    env.customization = &Customization();
    env.rings = [] { return CurrentSettings().ring; };
    env.play_key_tone = [](int frequency_hz, int ms) {
        SoundPlayer::Instance().PlayTone(frequency_hz, ms);
    };
    env.clock = &ProcessClock();
    return env;
}

CCallManager& CCallManager::Instance() {
    std::lock_guard<std::mutex> lock(g_instance_mutex);
    if (g_instance == nullptr) {
        g_instance = std::make_unique<CCallManager>(DefaultCallManagerEnvironment());
        g_existing = g_instance.get();
        // Before the modem object goes, the manager lets go of its voice control and ends
        // the calls it carried.
        g_release_handler = Devices().AddBeforeReleaseHandler([] {
            if (CCallManager* manager = Existing())
                manager->CardChanged();
        });
    }
    return *g_instance;
}

CCallManager* CCallManager::Existing() {
    return g_existing.load();
}

void CCallManager::ShutdownInstance() {
    std::unique_ptr<CCallManager> ended;
    int handler = 0;
    {
        std::lock_guard<std::mutex> lock(g_instance_mutex);
        ended = std::move(g_instance);
        g_existing = nullptr;
        handler = std::exchange(g_release_handler, 0);
    }
    if (handler != 0)
        Devices().RemoveBeforeReleaseHandler(handler);
    ended.reset();  // withdraws the handler, drops a waiting call, files what was still up
}

}  // namespace dedevev
