#include "sms/SMSBoxPC.h"

#include <algorithm>

namespace dedevev {
namespace {

// What GetAt answers for a position outside the box.
const SMSMessage& EmptyMessage() {
    static const SMSMessage empty;
    return empty;
}

}  // namespace

CSMSBoxPC::~CSMSBoxPC() = default;

void CSMSBoxPC::AddObserver(IMessageBoxObserver* observer) {
    std::lock_guard<std::recursive_mutex> lock(observer_mutex_);
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void CSMSBoxPC::RemoveObserver(IMessageBoxObserver* observer) {
    std::lock_guard<std::recursive_mutex> lock(observer_mutex_);
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

// The list lock is held for the whole walk, so RemoveObserver from another thread waits until
// the notice is out. An observer may take itself or another one out while it is told (same
// thread, recursive lock): the walk goes over a snapshot and skips whoever is gone by then.
template <typename Notice>
void CSMSBoxPC::Notify(Notice notice) {
    std::lock_guard<std::recursive_mutex> lock(observer_mutex_);
    const std::vector<IMessageBoxObserver*> snapshot = observers_;
    for (IMessageBoxObserver* observer : snapshot) {
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end())
            notice(observer);
    }
}

int CSMSBoxPC::GetCapacity() {
    return kCapacity;
}

int CSMSBoxPC::GetCount() {
    std::lock_guard<std::recursive_mutex> lock(box_lock_);
    return static_cast<int>(messages_.size());
}

const SMSMessage& CSMSBoxPC::GetAt(int position) {
    const SMSMessage* message = GetByIndex(position);
    return message != nullptr ? *message : EmptyMessage();
}

const SMSMessage* CSMSBoxPC::GetByIndex(int index) {
    std::lock_guard<std::recursive_mutex> lock(box_lock_);
    if (index < 0 || index >= static_cast<int>(messages_.size()))
        return nullptr;
    return messages_[static_cast<std::size_t>(index)].get();
}

bool CSMSBoxPC::RemoveAt(int position) {
    std::lock_guard<std::recursive_mutex> lock(box_lock_);
    if (position < 0 || position >= static_cast<int>(messages_.size()))
        return false;
    messages_.erase(messages_.begin() + position);
    Notify([&](IMessageBoxObserver* o) { o->OnRemoved(this, position); });
    return true;
}

// One walk finds both a same message and the place of a new one: before the first message
// with an earlier time, so that equal times keep the order in which they came.
bool CSMSBoxPC::Add(const SMSMessage& message, bool* existed) {
    std::lock_guard<std::recursive_mutex> lock(box_lock_);
    std::size_t place = messages_.size();
    for (std::size_t i = 0; i < messages_.size(); ++i) {
        const SMSMessage& held = *messages_[i];
        if (IsSameMessage(held, message)) {
            if (existed != nullptr)
                *existed = true;
            return true;
        }
        if (place == messages_.size() && held.time < message.time)
            place = i;
    }
    if (existed != nullptr)
        *existed = false;
    messages_.insert(messages_.begin() + static_cast<std::ptrdiff_t>(place),
                     std::make_unique<SMSMessage>(message));
    const int position = static_cast<int>(place);
    Notify([&](IMessageBoxObserver* o) { o->OnAdded(this, position); });
    return true;
}

bool CSMSBoxPC::SetStatus(int position, std::int32_t status) {
    std::lock_guard<std::recursive_mutex> lock(box_lock_);
    if (position < 0 || position >= static_cast<int>(messages_.size()))
        return false;
    SMSMessage& held = *messages_[static_cast<std::size_t>(position)];
    if (held.status != status) {
        held.status = status;
        Notify([&](IMessageBoxObserver* o) { o->OnChanged(this, position); });
    }
    return true;
}

int CSMSBoxPC::GetUnreadCount() {
    std::lock_guard<std::recursive_mutex> lock(box_lock_);
    return static_cast<int>(std::count_if(messages_.begin(), messages_.end(),
                                          [](const auto& m) { return m->status == kSmsUnread; }));
}

void CSMSBoxPC::Lock() {
    box_lock_.lock();
}

void CSMSBoxPC::Unlock() {
    box_lock_.unlock();
}

void CSMSBoxPC::Clear() {
    std::lock_guard<std::recursive_mutex> lock(box_lock_);
    messages_.clear();
}

std::vector<SMSMessage> CSMSBoxPC::Messages() {
    std::lock_guard<std::recursive_mutex> lock(box_lock_);
    std::vector<SMSMessage> copies;
    copies.reserve(messages_.size());
    for (const auto& held : messages_)
        copies.push_back(*held);
    return copies;
}

}  // namespace dedevev
