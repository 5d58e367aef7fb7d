#include "phonebook/PhonebookPC.h"

#include <algorithm>
#include <array>
#include <functional>

#include "core/BlockFile.h"
#include "core/ProfileFile.h"
#include "resources/TextTable.h"

namespace dedevev {
namespace {

constexpr std::array<std::u16string_view, 6> kKeys = {u"Name:", u"Mobile:", u"Office:",
                                                      u"Home:", u"Remark:", u"Email:"};
constexpr std::size_t kRemarkKey = 4;

std::u16string ValueOf(BlockRecord& record, std::size_t key) {
    return record[key] ? std::move(*record[key]) : std::u16string();
}

bool SameNonEmpty(const std::u16string& a, const std::u16string& b) {
    return !a.empty() && a == b;
}

}  // namespace

bool PCContact::IsValid() const {
    return !name.empty() && (!mobile.empty() || !office.empty() || !home.empty());
}

bool PCContact::SameAs(const PCContact& other) const {
    return name == other.name && mobile == other.mobile && office == other.office &&
           home == other.home;
}

void CPhonebookPC::AddObserver(ObserverType* observer) {
    std::lock_guard<std::recursive_mutex> lock(observer_mutex_);
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void CPhonebookPC::RemoveObserver(ObserverType* observer) {
    std::lock_guard<std::recursive_mutex> lock(observer_mutex_);
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

// The list lock is held for the whole walk, so RemoveObserver from another thread waits until
// the notice is out. An observer may take itself or another one out while it is told (same
// thread, recursive lock): the walk goes over a snapshot and skips whoever is gone by then.
template <typename Notice>
void CPhonebookPC::Notify(Notice notice) {
    std::lock_guard<std::recursive_mutex> lock(observer_mutex_);
    const std::vector<ObserverType*> snapshot = observers_;
    for (ObserverType* observer : snapshot) {
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end())
            notice(observer);
    }
}

int CPhonebookPC::GetCount() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return static_cast<int>(contacts_.size());
}

const PCContact& CPhonebookPC::GetAt(int position) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return *contacts_.at(static_cast<std::size_t>(position));
}

bool CPhonebookPC::CopyAt(int position, PCContact* contact) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (position < 0 || position >= static_cast<int>(contacts_.size()))
        return false;
    *contact = *contacts_[static_cast<std::size_t>(position)];
    return true;
}

namespace {

std::size_t SameHash(const PCContact& c) {
    std::size_t hash = 0;
    for (const std::u16string* field : {&c.name, &c.mobile, &c.office, &c.home})
        hash = hash * 1000003u ^ std::hash<std::u16string>{}(*field);
    return hash;
}

}  // namespace

void CPhonebookPC::CountSame(const PCContact& contact, int change) {
    const auto slot = same_counts_.try_emplace(SameHash(contact), 0).first;
    slot->second += change;
    if (slot->second <= 0)
        same_counts_.erase(slot);
}

void CPhonebookPC::RecountSame() {
    same_counts_.clear();
    for (const auto& held : contacts_)
        CountSame(*held, 1);
}

void CPhonebookPC::Add(const PCContact& contact, bool* existed) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const bool held = same_counts_.contains(SameHash(contact)) && Find(contact) != GetCount();
    if (existed != nullptr)
        *existed = held;
    if (held)
        return;
    contacts_.push_back(std::make_unique<PCContact>(contact));
    CountSame(contact, 1);
    const int position = static_cast<int>(contacts_.size()) - 1;
    Notify([&](ObserverType* o) { o->OnAdded(this, position); });
}

bool CPhonebookPC::RemoveAt(int position) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (position < 0 || position >= static_cast<int>(contacts_.size()))
        return false;
    CountSame(*contacts_[static_cast<std::size_t>(position)], -1);
    contacts_.erase(contacts_.begin() + position);
    Notify([&](ObserverType* o) { o->OnRemoved(this, position); });
    return true;
}

bool CPhonebookPC::Update(int position, const PCContact& contact) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (position < 0 || position >= static_cast<int>(contacts_.size()))
        return false;
    CountSame(*contacts_[static_cast<std::size_t>(position)], -1);
    *contacts_[static_cast<std::size_t>(position)] = contact;
    CountSame(contact, 1);
    Notify([&](ObserverType* o) { o->OnChanged(this, position); });
    return true;
}

void CPhonebookPC::Clear() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    contacts_.clear();
    same_counts_.clear();
}

int CPhonebookPC::Find(const PCContact& contact) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto found = std::find_if(contacts_.begin(), contacts_.end(),
                                    [&](const auto& held) { return held->SameAs(contact); });
    return static_cast<int>(found - contacts_.begin());
}

int CPhonebookPC::FindByName(std::u16string_view name) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (std::size_t i = 0; !name.empty() && i < contacts_.size(); ++i) {
        if (contacts_[i]->name == name)
            return static_cast<int>(i);
    }
    return -1;
}

int CPhonebookPC::FindByNumber(std::u16string_view number) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (std::size_t i = 0; !number.empty() && i < contacts_.size(); ++i) {
        const PCContact& c = *contacts_[i];
        if (c.mobile == number || c.office == number || c.home == number)
            return static_cast<int>(i);
    }
    return -1;
}

int CPhonebookPC::CheckConflict(const PCContact& candidate, int skip_position) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    // The strongest finding wins whatever the order of the contacts: record, name, number.
    bool name = false;
    bool number = false;
    for (std::size_t i = 0; i < contacts_.size(); ++i) {
        if (static_cast<int>(i) == skip_position)
            continue;
        const PCContact& c = *contacts_[i];
        if (c.SameAs(candidate))
            return kConflictRecordExists;
        name = name || c.name == candidate.name;
        number = number || SameNonEmpty(c.home, candidate.home) ||
                 SameNonEmpty(c.mobile, candidate.mobile) ||
                 SameNonEmpty(c.office, candidate.office);
    }
    return name ? kConflictNameExists : number ? kConflictNumberExists : kConflictNone;
}

std::string CPhonebookPC::Serialise() const {
    BlockFileWriter out;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (const auto& held : contacts_) {
        const PCContact& c = *held;
        out.Field(kKeys[0], c.name);
        out.Field(kKeys[1], c.mobile);
        out.Field(kKeys[2], c.office);
        out.Field(kKeys[3], c.home);
        out.MultiLineField(kKeys[kRemarkKey], c.remark);
        out.Field(kKeys[5], c.email);
        out.EndRecord();
    }
    return out.Take();
}

void CPhonebookPC::Parse(std::string_view bytes) {
    std::vector<std::unique_ptr<PCContact>> contacts;
    for (BlockRecord& record : ReadBlockFile(bytes, kKeys, kRemarkKey)) {
        auto contact = std::make_unique<PCContact>();
        contact->name = ValueOf(record, 0);
        contact->mobile = ValueOf(record, 1);
        contact->office = ValueOf(record, 2);
        contact->home = ValueOf(record, 3);
        contact->remark = ValueOf(record, kRemarkKey);
        contact->email = ValueOf(record, 5);
        if (contact->IsValid())
            contacts.push_back(std::move(contact));
    }
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    contacts_ = std::move(contacts);
    RecountSame();
}

bool CPhonebookPC::Load(const std::string& path) {
    std::string bytes;
    const bool read = ReadWholeFile(path, &bytes);
    Parse(read ? bytes : std::string());
    return read;
}

bool CPhonebookPC::Save(const std::string& path) const {
    return WriteFileAtomically(path, Serialise(), 0600);
}

}  // namespace dedevev
