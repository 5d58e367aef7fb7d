#include "sms/SMSBoxPC.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "core/AppSettings.h"
#include "core/BlockFile.h"
#include "core/ProfileFile.h"
#include "device/base/Utf.h"
#include "resources/TextTable.h"

namespace dedevev {
namespace {

enum BoxKey : std::size_t { kNumberKey, kTextKey, kTimeKey, kPriorityKey, kStatusKey };
constexpr std::array<std::u16string_view, 5> kKeys = {u"Number:", u"Text:", u"Time:", u"Priority:",
                                                      u"Status:"};

std::u16string Decimal(std::int32_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// A value that is there and not empty.
const std::u16string* Filled(const BlockRecord& record, std::size_t key) {
    return record[key] && !record[key]->empty() ? &*record[key] : nullptr;
}

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

std::string CSMSBoxPC::Serialise() {
    return SerialiseMessages(Messages());
}

void CSMSBoxPC::Parse(std::string_view bytes) {
    std::vector<std::unique_ptr<SMSMessage>> messages;
    for (SMSMessage& message : ParseMessages(bytes))
        messages.push_back(std::make_unique<SMSMessage>(std::move(message)));
    std::lock_guard<std::recursive_mutex> lock(box_lock_);
    messages_ = std::move(messages);
}

bool CSMSBoxPC::Load(const std::string& path) {
    std::string bytes;
    if (ReadWholeFile(path, &bytes)) {
        Parse(bytes);
        return true;
    }
    Clear();
    struct stat info {};
    return ::stat(path.c_str(), &info) != 0 && errno == ENOENT;
}

bool CSMSBoxPC::Save(const std::string& path) {
    return WriteFileAtomically(path, Serialise(), 0600);
}

std::string SerialiseMessages(const std::vector<SMSMessage>& messages) {
    BlockFileWriter out;
    for (const SMSMessage& m : messages) {
        out.Field(kKeys[kNumberKey], Utf8ToUtf16(m.number));
        out.MultiLineField(kKeys[kTextKey], Utf8ToUtf16(m.text));
        out.Field(kKeys[kTimeKey], DateTimeText(m.time));
        out.Field(kKeys[kPriorityKey], Decimal(m.priority));
        out.Field(kKeys[kStatusKey], Decimal(m.status));
        out.EndRecord();
    }
    return out.Take();
}

// The text runs until a line holding "Time:" or the start of the next message, so that a
// message line such as "Status: ok" stays part of the text.
std::vector<SMSMessage> ParseMessages(std::string_view bytes) {
    std::vector<SMSMessage> messages;
    for (const BlockRecord& record :
         ReadBlockFile(bytes, kKeys, kTextKey, ContinuedRun::kNextKeyOnly)) {
        const std::u16string* time = Filled(record, kTimeKey);
        const std::u16string* priority = Filled(record, kPriorityKey);
        const std::u16string* status = Filled(record, kStatusKey);
        if (time == nullptr || priority == nullptr || status == nullptr)
            continue;
        SMSMessage& m = messages.emplace_back();
        if (const auto fields = ParseDateTimeText(*time))
            m.time = *fields;
        m.priority = ParseInt(*priority);
        m.status = ParseInt(*status);
        if (record[kNumberKey])
            m.number = Utf16ToUtf8(*record[kNumberKey]);
        if (record[kTextKey])
            m.text = Utf16ToUtf8(*record[kTextKey]);
    }
    return messages;
}

}  // namespace dedevev
