#include "sms/SMSBoxRegistry.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "core/AppSettings.h"
#include "core/Paths.h"
#include "device/DeviceHolder.h"
#include "device/IModemAgent.h"

namespace dedevev {
namespace {

constexpr const char* kFileNames[SMSBoxRegistry::kPCBoxCount] = {"BoxIn.dat", "BoxSend.dat",
                                                                 "BoxNotSend.dat", "BoxDraft.dat"};

// The process-wide registry; a registry still there when the process ends normally without
// ShutdownInstance is saved as it goes.
struct InstanceSlot {
    std::mutex mutex;  // registry
    std::unique_ptr<SMSBoxRegistry> registry;
};

InstanceSlot& Slot() {
    static InstanceSlot slot;
    return slot;
}

}  // namespace

SMSBoxRegistryEnvironment DefaultSMSBoxRegistryEnvironment() {
    SMSBoxRegistryEnvironment env;
    env.folder = NativePath(DataFolder());
    env.sms_control = []() -> ISmsControl* {
        IModemAgent* agent = Devices().ModemAgent();
        return agent != nullptr ? agent->GetSmsControl() : nullptr;
    };
    return env;
}

SMSBoxRegistry::SMSBoxRegistry(SMSBoxRegistryEnvironment env) : env_(std::move(env)) {
    if (!env_.folder.empty() && env_.folder.back() != '/')
        env_.folder.push_back('/');
    for (int which = 0; which < kPCBoxCount; ++which) {
        boxes_[which] = std::make_unique<CSMSBoxPC>();
        if (!env_.folder.empty())
            unreadable_[which] = !boxes_[which]->Load(env_.folder + kFileNames[which]);
    }
}

SMSBoxRegistry::~SMSBoxRegistry() {
    // At the end of the program there is no window left to tell.
    if (!env_.folder.empty() && !Save())
        std::fprintf(stderr, "DEDEVev: not every message box could be saved in %s\n",
                     env_.folder.c_str());
}

SMSBoxRegistry& SMSBoxRegistry::Instance() {
    InstanceSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    if (!slot.registry)
        slot.registry = std::make_unique<SMSBoxRegistry>(DefaultSMSBoxRegistryEnvironment());
    return *slot.registry;
}

void SMSBoxRegistry::ShutdownInstance() {
    InstanceSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    slot.registry.reset();
}

bool SMSBoxRegistry::HasInstance() {
    InstanceSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    return slot.registry != nullptr;
}

const char* SMSBoxRegistry::FileName(PCBox which) {
    return which >= 0 && which < kPCBoxCount ? kFileNames[which] : "";
}

ISmsControl* SMSBoxRegistry::SmsControl() {
    return env_.sms_control ? env_.sms_control() : nullptr;
}

IMessageBox* SMSBoxRegistry::CardBox1() {
    ISmsControl* control = SmsControl();
    return control != nullptr ? control->GetBox1() : nullptr;
}

IMessageBox* SMSBoxRegistry::CardBox2() {
    ISmsControl* control = SmsControl();
    return control != nullptr ? control->GetBox2() : nullptr;
}

IMessageBox* SMSBoxRegistry::CardBox4() {
    ISmsControl* control = SmsControl();
    return control != nullptr ? control->GetBox4() : nullptr;
}

bool SMSBoxRegistry::Save() {
    if (env_.folder.empty())
        return false;
    bool all = true;
    for (int which = 0; which < kPCBoxCount; ++which) {
        if (unreadable_[which]) {
            all = false;
            continue;
        }
        all = boxes_[which]->Save(env_.folder + kFileNames[which]) && all;
    }
    return all;
}

}  // namespace dedevev
