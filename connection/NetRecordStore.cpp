#include "connection/NetRecordStore.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "core/BlockFile.h"
#include "core/ProfileFile.h"
#include "core/TextCodec.h"
#include "resources/TextTable.h"

namespace dedevev {
namespace {

constexpr std::array<std::u16string_view, 4> kKeys = {u"Time:", u"Duration:", u"BytesSend:",
                                                      u"BytesRecv:"};

// Leading blanks, then decimal digits; 0 when there are none, the largest value when they
// run past it.
std::uint64_t ParseCount(std::u16string_view text, std::uint64_t max) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - u'0');
        if (value > (max - digit) / 10)
            return max;
        value = value * 10 + digit;
    }
    return value;
}

std::u16string Decimal(std::uint64_t value) {
    return U16(std::to_string(value));
}

std::uint32_t AddSeconds(std::uint32_t a, std::uint32_t b) {
    return b > std::numeric_limits<std::uint32_t>::max() - a
               ? std::numeric_limits<std::uint32_t>::max()
               : a + b;
}

void AddTo(SessionStats& sum, const SessionStats& record) {
    sum.duration = AddSeconds(sum.duration, record.duration);
    sum.bytes_sent += record.bytes_sent;
    sum.bytes_received += record.bytes_received;
}

}  // namespace

void NetRecordStore::Add(const SessionStats& record) {
    // Observers hear of the new session outside the store's lock, but under the notification
    // lock: an observer that RemoveObserver() took out is never called after that returned.
    std::lock_guard<std::recursive_mutex> notify(notify_mutex_);
    std::vector<INetRecordObserver*> observers;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        records_.push_front(record);
        observers = observers_;
    }
    for (INetRecordObserver* observer : observers)
        observer->OnRecordAdded(0);
}

bool NetRecordStore::RemoveAt(std::size_t index) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (index >= records_.size())
        return false;
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(index));
    for (INetRecordObserver* observer : observers_)
        observer->OnRecordRemoved(index);
    return true;
}

void NetRecordStore::Clear() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    records_.clear();
    for (INetRecordObserver* observer : observers_)
        observer->OnRecordsCleared();
}

std::size_t NetRecordStore::Count() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return records_.size();
}

bool NetRecordStore::At(std::size_t index, SessionStats* record) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (index >= records_.size() || record == nullptr)
        return false;
    *record = records_[index];
    return true;
}

std::vector<SessionStats> NetRecordStore::Snapshot() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return {records_.begin(), records_.end()};
}

SessionStats NetRecordStore::SumRange(DateTimeFields begin, DateTimeFields end) const {
    if (begin > end)
        std::swap(begin, end);
    begin.hour = begin.minute = begin.second = 0;
    end.hour = 23;
    end.minute = end.second = 59;

    SessionStats sum;
    sum.start = begin;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = records_.begin();
    // Newest first: pass over the sessions from the end moment on, then take those from the
    // begin moment on.
    while (it != records_.end() && !(it->start < end))
        ++it;
    for (; it != records_.end() && !(it->start < begin); ++it)
        AddTo(sum, *it);
    return sum;
}

std::vector<SessionStats> NetRecordStore::SumByMonth() const {
    std::vector<SessionStats> groups;
    std::optional<SessionStats> group;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (const SessionStats& record : records_) {
        if (group &&
            (group->start.year != record.start.year || group->start.month != record.start.month)) {
            groups.push_back(*group);
            group.reset();
        }
        if (!group) {
            group = record;
            continue;
        }
        AddTo(*group, record);
    }
    if (group && group->duration != 0)
        groups.push_back(*group);
    return groups;
}

void NetRecordStore::Parse(const std::string& bytes) {
    std::deque<SessionStats> records;
    for (const BlockRecord& block : ReadBlockFile(bytes, kKeys)) {
        if (std::any_of(block.begin(), block.end(),
                        [](const auto& value) { return !value || value->empty(); }))
            continue;
        SessionStats record;
        record.start = ParseDateTimeText(*block[0]).value_or(DateTimeFields{});
        record.duration = static_cast<std::uint32_t>(
            ParseCount(*block[1], std::numeric_limits<std::uint32_t>::max()));
        record.bytes_sent = ParseCount(*block[2], std::numeric_limits<std::uint64_t>::max());
        record.bytes_received = ParseCount(*block[3], std::numeric_limits<std::uint64_t>::max());
        records.push_back(record);
    }
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    records_ = std::move(records);
}

std::string NetRecordStore::Serialise() const {
    BlockFileWriter out;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (const SessionStats& record : records_) {
        out.Field(kKeys[0], DateTimeText(record.start));
        out.Field(kKeys[1], Decimal(record.duration));
        out.Field(kKeys[2], Decimal(record.bytes_sent));
        out.Field(kKeys[3], Decimal(record.bytes_received));
        out.EndRecord();
    }
    return out.Take();
}

bool NetRecordStore::Load(const std::string& path) {
    std::string bytes;
    const bool read = ReadWholeFile(path, &bytes);
    Parse(read ? bytes : std::string());
    return read;
}

bool NetRecordStore::Save(const std::string& path) const {
    return WriteFileAtomically(path, Serialise(), 0600);
}

void NetRecordStore::AddObserver(INetRecordObserver* observer) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void NetRecordStore::RemoveObserver(INetRecordObserver* observer) {
    std::lock_guard<std::recursive_mutex> notify(notify_mutex_);
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

}  // namespace dedevev
