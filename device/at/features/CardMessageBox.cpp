#include "device/at/features/CardMessageBox.h"

#include <algorithm>

#include "device/DeviceStatus.h"

namespace dedevev::at {

namespace {

const SMSMessage& EmptyRecord() {
    static const SMSMessage empty;
    return empty;
}

// Whether a refused listing means an empty storage: some cards answer the listing of an empty
// one with +CMS ERROR: 321 ("invalid memory index"), or with a plain ERROR. The storage's own
// count decides where the card gave one.
bool IsEmptyListing(const Response& listing, const StorageCounts& counts) {
    const bool refused = listing.final == Final::kError || listing.final == Final::kCmsError ||
                         listing.final == Final::kCmeError;
    if (counts.count > 0 && counts.used[0] >= 0)
        return refused && counts.used[0] == 0;
    return listing.final == Final::kCmsError && listing.error_code == 321;
}

}  // namespace

CardMessageBox::CardMessageBox(SmsCardAccess& card, std::string storage)
    : card_(card), storage_(std::move(storage)) {}

void CardMessageBox::AddObserver(IMessageBoxObserver* observer) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void CardMessageBox::RemoveObserver(IMessageBoxObserver* observer) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void CardMessageBox::Notify(void (IMessageBoxObserver::*notice)(IMessageBoxBase*, int),
                            int position) {
    // A copy: an observer may unregister itself while it is told.
    const std::vector<IMessageBoxObserver*> observers = observers_;
    for (IMessageBoxObserver* observer : observers)
        (observer->*notice)(this, position);
}

int CardMessageBox::GetCapacity() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return capacity_;
}

int CardMessageBox::GetCount() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return static_cast<int>(entries_.size());
}

const SMSMessage& CardMessageBox::GetAt(int position) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (position < 0 || position >= static_cast<int>(entries_.size()))
        return EmptyRecord();
    return entries_[static_cast<std::size_t>(position)].message;
}

const SMSMessage* CardMessageBox::GetByIndex(int index) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    for (const JoinedMessage& entry : entries_) {
        if (std::find(entry.indexes.begin(), entry.indexes.end(), index) != entry.indexes.end())
            return &entry.message;
    }
    return nullptr;
}

std::vector<int> CardMessageBox::IndexesAt(int position) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (position < 0 || position >= static_cast<int>(entries_.size()))
        return {};
    return entries_[static_cast<std::size_t>(position)].indexes;
}

bool CardMessageBox::RemoveAt(int position) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (position < 0 || position >= static_cast<int>(entries_.size()))
        return false;
    JoinedMessage& entry = entries_[static_cast<std::size_t>(position)];
    bool all_gone = true;
    {
        std::lock_guard<std::recursive_mutex> storage(card_.StorageLock());
        bool selected = false;
        std::vector<int> left;
        for (int index : entry.indexes) {
            if (index >= kTransientBase) {
                continue;  // never stored on the card
            }
            if (!selected && !(selected = card_.SelectReadStorage(storage_, nullptr))) {
                left.push_back(index);
                all_gone = false;
                continue;
            }
            const Response r = card_.RunCommand("AT+CMGD=" + std::to_string(index));
            if (!r.Ok()) {
                left.push_back(index);
                all_gone = false;
            }
        }
        // Parts the card did delete are gone whatever happened to the others.
        parts_.erase(std::remove_if(parts_.begin(), parts_.end(),
                                    [&](const StoredMessage& part) {
                                        return std::find(entry.indexes.begin(), entry.indexes.end(),
                                                         part.index) != entry.indexes.end() &&
                                               std::find(left.begin(), left.end(), part.index) ==
                                                   left.end();
                                    }),
                     parts_.end());
        entry.indexes = left;
    }
    if (!all_gone)
        return false;
    entries_.erase(entries_.begin() + position);
    Notify(&IMessageBoxObserver::OnRemoved, position);
    return true;
}

bool CardMessageBox::Add(const SMSMessage& message, bool* existed) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    for (const JoinedMessage& entry : entries_) {
        if (IsSameMessage(entry.message, message)) {
            if (existed != nullptr)
                *existed = true;
            return true;
        }
    }
    if (existed != nullptr)
        *existed = false;
    return false;
}

bool CardMessageBox::SetStatus(int position, std::int32_t status) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (position < 0 || position >= static_cast<int>(entries_.size()))
        return false;
    JoinedMessage& entry = entries_[static_cast<std::size_t>(position)];
    if (entry.message.status == status)
        return true;
    if (status == kSmsRead) {
        // Reading a stored message is what marks it read on the card.
        std::lock_guard<std::recursive_mutex> storage(card_.StorageLock());
        bool selected = false;
        for (StoredMessage& part : parts_) {
            if (part.stat != 0 || std::find(entry.indexes.begin(), entry.indexes.end(),
                                            part.index) == entry.indexes.end())
                continue;
            if (part.index < kTransientBase) {
                if (!selected)
                    selected = card_.SelectReadStorage(storage_, nullptr);
                if (selected)
                    card_.RunCommand("AT+CMGR=" + std::to_string(part.index));
            }
            part.stat = 1;
        }
    }
    entry.message.status = status;
    Notify(&IMessageBoxObserver::OnChanged, position);
    return true;
}

int CardMessageBox::GetUnreadCount() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return static_cast<int>(std::count_if(
        entries_.begin(), entries_.end(),
        [](const JoinedMessage& entry) { return entry.message.status == kSmsUnread; }));
}

void CardMessageBox::Load(ILoadingReport* report, int* status) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    std::vector<StoredMessage> parts;
    {
        std::lock_guard<std::recursive_mutex> storage(card_.StorageLock());
        StorageCounts counts;
        if (!card_.SelectReadStorage(storage_, &counts))
            return;
        const Response listing = card_.RunCommand("AT+CMGL=4");
        if (!listing.Ok() && !IsEmptyListing(listing, counts))
            return;
        capacity_ = counts.count > 0 && counts.total[0] > 0 ? counts.total[0] : 0;
        const SmsFamily family = card_.Family();
        for (const StoredPdu& stored : ParseCmglListing(listing.lines))
            parts.push_back(DecodeStored(stored, family));
    }
    // Messages delivered without being stored stay until the person deletes them.
    for (const StoredMessage& part : parts_) {
        if (part.index >= kTransientBase)
            parts.push_back(part);
    }
    for (int position = static_cast<int>(entries_.size()) - 1; position >= 0; --position) {
        entries_.erase(entries_.begin() + position);
        Notify(&IMessageBoxObserver::OnRemoved, position);
    }
    parts_ = std::move(parts);
    std::vector<JoinedMessage> joined = JoinStoredMessages(parts_);
    const int total = static_cast<int>(joined.size());
    for (int position = 0; position < total; ++position) {
        entries_.push_back(std::move(joined[static_cast<std::size_t>(position)]));
        Notify(&IMessageBoxObserver::OnAdded, position);
        if (report != nullptr)
            report->OnLoading(entries_.back().message, total, position + 1);
    }
    loaded_ = true;
    dedevev::SetStatus(status, kStatusOk);
}

bool CardMessageBox::IsLoaded() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return loaded_;
}

void CardMessageBox::SetEventHandler(ISMSEventHandler* handler) {
    handler_.store(handler);
}

int CardMessageBox::InsertPosition(const JoinedMessage& entry) const {
    int position = 0;
    for (const JoinedMessage& other : entries_) {
        if (other.message.time < entry.message.time ||
            (other.message.time == entry.message.time &&
             other.indexes.front() > entry.indexes.front()))
            break;
        ++position;
    }
    return position;
}

void CardMessageBox::Insert(JoinedMessage entry) {
    const int position = InsertPosition(entry);
    entries_.insert(entries_.begin() + position, std::move(entry));
    Notify(&IMessageBoxObserver::OnAdded, position);
}

void CardMessageBox::Absorb(const StoredMessage& part) {
    // The same index again (a notice repeated): the new PDU replaces the old one.
    for (int position = 0; position < static_cast<int>(entries_.size()); ++position) {
        std::vector<int>& indexes = entries_[static_cast<std::size_t>(position)].indexes;
        if (std::find(indexes.begin(), indexes.end(), part.index) == indexes.end())
            continue;
        if (indexes.size() == 1) {
            entries_.erase(entries_.begin() + position);
            Notify(&IMessageBoxObserver::OnRemoved, position);
        }
        break;
    }
    parts_.erase(std::remove_if(parts_.begin(), parts_.end(),
                                [&](const StoredMessage& p) { return p.index == part.index; }),
                 parts_.end());
    parts_.push_back(part);

    std::vector<StoredMessage> group = {part};
    const std::vector<JoinedMessage> alone = JoinStoredMessages(group);
    if (!alone.empty() && !alone.front().key.empty()) {
        // A part of a long message: rebuild that message from every part held.
        const std::string key = alone.front().key;
        for (int position = 0; position < static_cast<int>(entries_.size()); ++position) {
            if (entries_[static_cast<std::size_t>(position)].key == key) {
                entries_.erase(entries_.begin() + position);
                Notify(&IMessageBoxObserver::OnRemoved, position);
                break;
            }
        }
        group.clear();
        for (const StoredMessage& held : parts_) {
            const std::vector<JoinedMessage> one = JoinStoredMessages({held});
            if (!one.empty() && one.front().key == key)
                group.push_back(held);
        }
    }
    for (JoinedMessage& entry : JoinStoredMessages(group))
        Insert(std::move(entry));
}

bool CardMessageBox::TakeStored(int index) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    std::optional<StoredPdu> stored;
    {
        std::lock_guard<std::recursive_mutex> storage(card_.StorageLock());
        if (!card_.SelectReadStorage(storage_, nullptr))
            return false;
        const Response r = card_.RunCommand("AT+CMGR=" + std::to_string(index));
        if (!r.Ok())
            return false;
        stored = ParseCmgr(r.lines, index);
    }
    if (!stored)
        return false;
    // The answer gives the state before this read (REC UNREAD for a new message), so the
    // message stays new for the person although the card now counts it read.
    Absorb(DecodeStored(*stored, card_.Family()));
    return true;
}

bool CardMessageBox::TakeListed(const StoredPdu& stored) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    for (const StoredMessage& part : parts_) {
        if (part.index == stored.index)
            return false;
    }
    Absorb(DecodeStored(stored, card_.Family()));
    return true;
}

int CardMessageBox::TakeDelivered(const std::string& hex) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    StoredPdu stored;
    stored.index = next_transient_++;
    stored.stat = 0;
    stored.hex = hex;
    Absorb(DecodeStored(stored, card_.Family()));
    return stored.index;
}

void CardMessageBox::Forget() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    for (int position = static_cast<int>(entries_.size()) - 1; position >= 0; --position) {
        entries_.erase(entries_.begin() + position);
        Notify(&IMessageBoxObserver::OnRemoved, position);
    }
    parts_.clear();
    loaded_ = false;
    capacity_ = 0;
}

}  // namespace dedevev::at
