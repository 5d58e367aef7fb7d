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

// Saves the boxes in the order inbox, sent, unsent, drafts, passing over the files that were
// there but could not be read. `report`: at the end of the program, with no window left to
// tell, says on stderr which files were not written.
bool SaveBoxes(const std::string& folder,
               const std::unique_ptr<CSMSBoxPC> (&boxes)[SMSBoxRegistry::kPCBoxCount],
               const bool (&unreadable)[SMSBoxRegistry::kPCBoxCount], bool report) {
    bool all = true;
    for (int which = 0; which < SMSBoxRegistry::kPCBoxCount; ++which) {
        const std::string path = folder + kFileNames[which];
        const bool saved = !unreadable[which] && boxes[which]->Save(path);
        if (!saved && report)
            std::fprintf(
                stderr, "DEDEVev: the messages could not be saved to %s%s\n", path.c_str(),
                unreadable[which] ? " (the file there could not be read and is kept)" : "");
        all = all && saved;
    }
    return all;
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
    if (!env_.folder.empty())
        SaveBoxes(env_.folder, boxes_, unreadable_, true);
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
    return !env_.folder.empty() && SaveBoxes(env_.folder, boxes_, unreadable_, false);
}

}  // namespace dedevev
