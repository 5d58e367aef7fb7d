#include "phonebook/PhonebookRegistry.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "core/AppSettings.h"
#include "core/Customization.h"
#include "core/GlobalService.h"
#include "core/Paths.h"
#include "device/DeviceHolder.h"
#include "device/IModemAgent.h"

namespace dedevev {
namespace {

// The process-wide registry. Made after Devices() and the global service, so that it goes
// before them at the end (its mappings leave the service's name lookup and the card's
// phonebooks as they go); a release of the modem object on any thread makes its card mappings
// let go first.
struct InstanceSlot {
    InstanceSlot() {
        CGlobalService::Instance();
        handler = Devices().AddBeforeReleaseHandler([this] {
            std::lock_guard<std::mutex> lock(mutex);
            if (registry)
                registry->ForgetCardPhonebooks();
        });
    }
    ~InstanceSlot() {
        Devices().RemoveBeforeReleaseHandler(handler);
        std::lock_guard<std::mutex> lock(mutex);
        registry.reset();
    }

    std::mutex mutex;  // registry
    std::unique_ptr<PhonebookRegistry> registry;
    int handler = 0;
};

InstanceSlot& Slot() {
    static InstanceSlot slot;
    return slot;
}

bool FileIsThere(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 || errno != ENOENT;
}

}  // namespace

PhonebookRegistryEnvironment DefaultPhonebookRegistryEnvironment() {
    PhonebookRegistryEnvironment env;
    env.file = NativePath(DataFolder() + u"Phonebook.dat");
    env.card_store = []() -> IPhonebookStore* {
        IModemAgent* agent = Devices().ModemAgent();
        return agent != nullptr ? agent->GetPhonebookStore() : nullptr;
    };
    env.add_name_source = [](CNameMappingBase* source) {
        CGlobalService::Instance().AddNameSource(source);
    };
    env.remove_name_source = [](CNameMappingBase* source) {
        CGlobalService::Instance().RemoveNameSource(source);
    };
    env.exact_number_match = Customization().ExactNumberMatch();
    return env;
}

PhonebookRegistry::PhonebookRegistry(PhonebookRegistryEnvironment env)
    : env_(std::move(env)), pc_(std::make_unique<CPhonebookPC>()) {
    if (!env_.file.empty() && !pc_->Load(env_.file))
        file_unreadable_ = FileIsThere(env_.file);
    pc_mapping_ = std::make_unique<CNameMappingPCPB>(*pc_, env_.exact_number_match);
    if (env_.add_name_source)
        env_.add_name_source(pc_mapping_.get());
}

PhonebookRegistry::~PhonebookRegistry() {
    const auto forget = [this](auto& mapping) {
        if (mapping && env_.remove_name_source)
            env_.remove_name_source(mapping.get());
        mapping.reset();
    };
    {
        std::lock_guard<std::mutex> lock(card_mutex_);
        for (auto& mapping : card_mappings_)
            forget(mapping);
    }
    forget(pc_mapping_);
    // At the end of the program there is no window left to tell.
    if (!env_.file.empty() && !Save())
        std::fprintf(stderr, "DEDEVev: the contacts could not be saved to %s%s\n",
                     env_.file.c_str(),
                     file_unreadable_ ? " (the file there could not be read and is kept)" : "");
}

PhonebookRegistry& PhonebookRegistry::Instance() {
    InstanceSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    if (!slot.registry)
        slot.registry = std::make_unique<PhonebookRegistry>(DefaultPhonebookRegistryEnvironment());
    return *slot.registry;
}

void PhonebookRegistry::ShutdownInstance() {
    InstanceSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    slot.registry.reset();
}

IPhonebook* PhonebookRegistry::ModemPhonebook() {
    return CardPhonebook(0);
}

IPhonebook* PhonebookRegistry::UimPhonebook() {
    return CardPhonebook(1);
}

IPhonebook* PhonebookRegistry::EmergencyPhonebook() {
    return CardPhonebook(2);
}

// The store is asked under card_mutex_: a release of the modem object waits for this to end
// and then rebinds the mapping to nothing, while the old phonebook still exists.
IPhonebook* PhonebookRegistry::CardPhonebook(int slot) {
    std::lock_guard<std::mutex> lock(card_mutex_);
    IPhonebookStore* store = env_.card_store ? env_.card_store() : nullptr;
    IPhonebook* book = nullptr;
    if (store != nullptr) {
        book = slot == 0   ? store->GetModemPhonebook()
               : slot == 1 ? store->GetUimPhonebook()
                           : store->GetEmergencyPhonebook();
    }
    std::unique_ptr<CNameMappingEmbedPB>& mapping = card_mappings_[slot];
    if (!mapping) {
        mapping = std::make_unique<CNameMappingEmbedPB>(book, env_.exact_number_match);
        if (env_.add_name_source)
            env_.add_name_source(mapping.get());
    } else if (mapping->Phonebook() != book) {
        mapping->Rebind(book);
    }
    return book;
}

void PhonebookRegistry::ForgetCardPhonebooks() {
    std::lock_guard<std::mutex> lock(card_mutex_);
    for (auto& mapping : card_mappings_) {
        if (mapping)
            mapping->Rebind(nullptr);
    }
}

bool PhonebookRegistry::Save() {
    if (env_.file.empty() || file_unreadable_)
        return false;
    return pc_->Save(env_.file);
}

}  // namespace dedevev
