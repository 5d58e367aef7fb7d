#pragma once
// The process-wide owner of the contacts: the PC phonebook (read from Phonebook.dat when the
// registry is made, written back at the end), the card's three phonebooks as the current
// modem object hands them out, and a name mapping over each phonebook, registered with the
// name lookup of the program.

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "device/IPhonebook.h"
#include "phonebook/NameMappingPB.h"
#include "phonebook/PhonebookPC.h"

namespace dedevev {

struct PhonebookRegistryEnvironment {
    // Phonebook.dat (UTF-8 file-system path); empty: nothing is read or written.
    std::string file;
    // The current modem object's phonebooks, asked on every use; may return null.
    std::function<IPhonebookStore*()> card_store;
    // Where each new name mapping is registered (the program's composite mapping).
    std::function<void(CNameMappingBase*)> add_name_source;
    // Where each name mapping is taken out again before the registry destroys it.
    std::function<void(CNameMappingBase*)> remove_name_source;
    // The ExactNumberMatch rule.
    bool exact_number_match = false;
};

// The program's own: Phonebook.dat in the data folder, the current modem object's store, the
// global service's composite mapping, the customization's rule.
PhonebookRegistryEnvironment DefaultPhonebookRegistryEnvironment();

class PhonebookRegistry {
public:
    // Reads the file (a missing or unreadable one gives an empty phonebook) and registers the
    // PC mapping.
    explicit PhonebookRegistry(PhonebookRegistryEnvironment env);
    // Destroys the mappings, then saves the PC phonebook (Save()).
    ~PhonebookRegistry();
    PhonebookRegistry(const PhonebookRegistry&) = delete;
    PhonebookRegistry& operator=(const PhonebookRegistry&) = delete;

    // The process-wide registry, made on first use with the default environment.
    static PhonebookRegistry& Instance();
    // Ends the process-wide registry (saving the PC phonebook), if it was made. Called at the
    // program's normal end, before the modem object goes.
    static void ShutdownInstance();

    CPhonebookPC& PCPhonebook() { return *pc_; }
    // The card phonebooks of the current modem object (null without one). The first call of
    // each makes its name mapping and registers it; later calls rebind that mapping when the
    // modem object was replaced.
    IPhonebook* ModemPhonebook();
    IPhonebook* UimPhonebook();
    IPhonebook* EmergencyPhonebook();

    // The modem object is about to go: the card mappings stop following its phonebooks.
    void ForgetCardPhonebooks();

    // Writes Phonebook.dat now (atomically); false when it was not written. A file that was
    // there but could not be read is never written over: it may hold contacts this run never
    // saw.
    bool Save();

private:
    IPhonebook* CardPhonebook(int slot);

    PhonebookRegistryEnvironment env_;
    bool file_unreadable_ = false;
    std::mutex card_mutex_;  // card_mappings_ (the modem object goes on another thread)
    std::unique_ptr<CPhonebookPC> pc_;
    std::unique_ptr<CNameMappingPCPB> pc_mapping_;
    std::unique_ptr<CNameMappingEmbedPB> card_mappings_[3];  // modem, UIM, emergency
};

}  // namespace dedevev
