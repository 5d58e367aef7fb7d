#pragma once
// The card's phonebooks.

#include <string>

#include "device/DeviceStatus.h"
#include "device/Observer.h"

namespace dedevev {

// One card contact as the library hands it out and takes it in (UTF-8).
struct CardContact {
    std::string name;
    std::string number;

    friend bool operator==(const CardContact&, const CardContact&) = default;
};

// A phonebook on the card. The library owns it and keeps it as long as the modem object.
// A phonebook starts unloaded.
class IPhonebook {
public:
    using ObserverType = IClearableObserver<IPhonebook>;

    // Progress of Load, implemented by the loading worker.
    class ILoadingReport {
    public:
        // 0: `current` of `total` contacts have been read; `contact` is the one just read.
        virtual void OnLoading(const CardContact& contact, int total, int current) = 0;

    protected:
        ~ILoadingReport() = default;
    };

    // 0, 1: observers, without duplicates.
    virtual void AddObserver(ObserverType* observer) = 0;
    virtual void RemoveObserver(ObserverType* observer) = 0;
    // 2: how many contacts the card storage holds at most.
    virtual int GetCapacity() = 0;
    // 3: how many contacts are held.
    virtual int GetCount() = 0;
    // 4: the contact at `position` (below GetCount(); an empty contact for any other).
    virtual const CardContact& GetAt(int position) = 0;
    // 5: deletes the contact on the card; false when the card refused or the position is bad.
    virtual bool RemoveAt(int position) = 0;
    // 6: replaces the contact on the card; false when the card refused or the position is bad.
    virtual bool Update(int position, const CardContact& contact) = 0;
    // 7: stores a new contact on the card; true when the card stored it.
    virtual bool Add(const CardContact& contact, int* status) = 0;
    // 8: reads the card storage, reporting each contact to `report` (may be null).
    virtual void Load(ILoadingReport* report, int* status) = 0;
    // 9: whether the contacts have been read.
    virtual bool IsLoaded() = 0;

protected:
    ~IPhonebook() = default;
};

// The modem object's three phonebooks. Each may be null when the card has no such book.
class IPhonebookStore {
public:
    // 0: the modem's own phonebook.
    virtual IPhonebook* GetModemPhonebook() = 0;
    // 1: the phonebook on the UIM card.
    virtual IPhonebook* GetUimPhonebook() = 0;
    // 2: the emergency numbers.
    virtual IPhonebook* GetEmergencyPhonebook() = 0;

protected:
    ~IPhonebookStore() = default;
};

}  // namespace dedevev
