#pragma once
// A card phonebook in memory, and a modem object's store of three of them, for tests of what
// observes the card's phonebooks.

#include <algorithm>
#include <mutex>
#include <vector>

#include "device/IPhonebook.h"
#include "device/base/Utf.h"
#include "phonebook/NameMappingPB.h"

namespace dedevev::test {

// A card phonebook in memory that tells its observers under its lock, as the card's does.
class FakeCardPhonebook : public IPhonebook {
public:
    void AddObserver(ObserverType* observer) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
            observers_.push_back(observer);
    }
    void RemoveObserver(ObserverType* observer) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        std::erase(observers_, observer);
    }
    int GetCapacity() override { return 1000; }
    int GetCount() override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        return static_cast<int>(contacts_.size());
    }
    const CardContact& GetAt(int position) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        static const CardContact none;
        return position >= 0 && position < static_cast<int>(contacts_.size())
                   ? contacts_[static_cast<std::size_t>(position)]
                   : none;
    }
    bool RemoveAt(int position) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        contacts_.erase(contacts_.begin() + position);
        Tell(&ObserverType::OnRemoved, position);
        return true;
    }
    bool Update(int position, const CardContact& contact) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        contacts_[static_cast<std::size_t>(position)] = contact;
        Tell(&ObserverType::OnChanged, position);
        return true;
    }
    bool Add(const CardContact& contact, int*) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        contacts_.push_back(contact);
        Tell(&ObserverType::OnAdded, static_cast<int>(contacts_.size()) - 1);
        return true;
    }
    // Reads the card afresh: everything goes, then each contact comes back.
    void Load(ILoadingReport*, int*) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        const std::vector<CardContact> kept = contacts_;
        contacts_.clear();
        for (ObserverType* observer : std::vector<ObserverType*>(observers_))
            observer->OnCleared(this);
        for (const CardContact& contact : kept)
            Add(contact, nullptr);
    }
    bool IsLoaded() override { return true; }

    std::size_t ObserverCount() {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        return observers_.size();
    }
    std::vector<NumberIndex::Entry> Entries() {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        std::vector<NumberIndex::Entry> entries;
        for (const CardContact& c : contacts_)
            entries.push_back({Utf8ToUtf16(c.name), {Utf8ToUtf16(c.number)}});
        return entries;
    }

private:
    void Tell(void (ObserverType::*notice)(IPhonebook*, int), int position) {
        for (ObserverType* observer : std::vector<ObserverType*>(observers_))
            (observer->*notice)(this, position);
    }

    std::recursive_mutex mutex_;
    std::vector<CardContact> contacts_;
    std::vector<ObserverType*> observers_;
};

class FakePhonebookStore : public IPhonebookStore {
public:
    IPhonebook* GetModemPhonebook() override { return &modem; }
    IPhonebook* GetUimPhonebook() override { return &uim; }
    IPhonebook* GetEmergencyPhonebook() override { return &emergency; }

    FakeCardPhonebook modem, uim, emergency;
};

}  // namespace dedevev::test
