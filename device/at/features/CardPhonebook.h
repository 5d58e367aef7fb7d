#pragma once
// The card's phonebooks over AT commands (3GPP TS 27.007 +CPBS, +CPBR, +CPBW): the modem's
// own book ("ME"), the SIM/UIM card's ("SM") and the emergency numbers ("EN", read-only).
// Each operation selects its storage first, under one storage lock shared by the three books,
// so that two books never mix their storages. A book holds its entries in index order; a
// position is a place in that order.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/IPhonebook.h"
#include "device/at/parsers/PhonebookParsers.h"
#include "device/at/transport/AtResponse.h"

namespace dedevev::at {

class ModemContext;

// What a card phonebook needs from the store it belongs to.
class PhonebookCardAccess {
public:
    // Held while a storage is selected and used.
    virtual std::recursive_mutex& StorageLock() = 0;
    // Makes `storage` the phonebook storage (AT+CPBS="<storage>").
    virtual bool SelectStorage(const std::string& storage) = 0;
    // Runs a phonebook command; `slow` for the ranged read and writes, which a SIM may take
    // long over.
    virtual Response RunCommand(const std::string& text, bool slow) = 0;
    // The character set of quoted texts (+CSCS) in use.
    virtual Charset TextCharset() = 0;

protected:
    ~PhonebookCardAccess() = default;
};

class CardPhonebook final : public IPhonebook {
public:
    CardPhonebook(PhonebookCardAccess& card, std::string storage, bool writable);
    CardPhonebook(const CardPhonebook&) = delete;
    CardPhonebook& operator=(const CardPhonebook&) = delete;

    void AddObserver(ObserverType* observer) override;
    void RemoveObserver(ObserverType* observer) override;
    int GetCapacity() override;
    int GetCount() override;
    const CardContact& GetAt(int position) override;
    bool RemoveAt(int position) override;
    bool Update(int position, const CardContact& contact) override;
    bool Add(const CardContact& contact, int* status) override;
    void Load(ILoadingReport* report, int* status) override;
    bool IsLoaded() override;

    const std::string& Storage() const { return storage_; }
    // The storage index of the entry at `position` (-1 for a bad position).
    int IndexAt(int position);
    // Why the last change was refused: the card's +CME ERROR number, or for a contact refused
    // before sending the number the card would give (3 read-only, 20 full, 24/26 too long,
    // 25/27 bad characters). -1: not refused, or no number known.
    int LastError();
    // The card went away or a new port was opened: the book empties, counts as unloaded and
    // learns the storage's range again.
    void Forget();

private:
    struct Entry {
        int index = -1;
        CardContact contact;
    };

    // Selects the storage; the first time also learns its range and field lengths.
    bool SelectAndLearn();
    // Whether a refused read of the whole range means that the storage is empty.
    bool IsEmptyStorage(const Response& listing);
    // Whether `contact` may be written: safe characters, a valid number, within the lengths.
    bool Writable(const CardContact& contact);
    bool Write(int index, const CardContact& contact);
    int FreeIndex() const;
    void Notify(void (ObserverType::*notice)(IPhonebook*, int), int position);
    void NotifyCleared();

    PhonebookCardAccess& card_;
    const std::string storage_;
    const bool writable_;
    std::recursive_mutex lock_;  // every member below
    std::vector<ObserverType*> observers_;
    std::vector<Entry> entries_;  // ascending index
    std::optional<PhonebookRange> range_;
    int capacity_ = 0;
    int last_error_ = -1;
    bool loaded_ = false;
};

// The three books of one modem object.
class PhonebookStore final : public IPhonebookStore, public PhonebookCardAccess {
public:
    explicit PhonebookStore(ModemContext& context);
    PhonebookStore(const PhonebookStore&) = delete;
    PhonebookStore& operator=(const PhonebookStore&) = delete;

    IPhonebook* GetModemPhonebook() override { return &modem_; }
    IPhonebook* GetUimPhonebook() override { return &card_; }
    IPhonebook* GetEmergencyPhonebook() override { return &emergency_; }

    // PhonebookCardAccess
    std::recursive_mutex& StorageLock() override { return storage_lock_; }
    bool SelectStorage(const std::string& storage) override;
    Response RunCommand(const std::string& text, bool slow) override;
    Charset TextCharset() override;

    // The book of a storage name ("ME", "SM", "EN"); null for any other.
    CardPhonebook* BookOf(const std::string& storage);
    // A new port was opened, or the port closed: every book forgets what it held.
    void Reset();

private:
    ModemContext& context_;
    std::recursive_mutex storage_lock_;
    CardPhonebook modem_;
    CardPhonebook card_;
    CardPhonebook emergency_;
};

}  // namespace dedevev::at
