#include "voice/CallHistory.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "core/AppSettings.h"
#include "core/Paths.h"
#include "core/ProfileFile.h"
#include "resources/TextTable.h"
#include "voice/CallHistoryFile.h"

namespace dedevev {
namespace {

// Taken by every change around its notifications (before the history's own lock, never while
// holding it): observers hear the changes one at a time and in order, and an observer that
// RemoveObserver() took out is never called after that returned. Recursive, so that an
// observer may change a history from its notification.
std::recursive_mutex& NotifyMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

using NotifyLock = std::lock_guard<std::recursive_mutex>;

template <typename Call>
void TellAll(const std::vector<ICallHistoryObserver*>& observers, Call&& call) {
    for (ICallHistoryObserver* observer : observers)
        call(observer);
}

bool IsMissing(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) != 0 && errno == ENOENT;
}

}  // namespace

int CCallHistory::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(records_.size());
}

bool CCallHistory::Get(CallRecord* record, int index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (record == nullptr || index < 0 || index >= static_cast<int>(records_.size()))
        return false;
    *record = records_[static_cast<std::size_t>(index)];
    return true;
}

void CCallHistory::Add(const CallRecord& record, bool replace_same_number) {
    NotifyLock notify(NotifyMutex());
    if (replace_same_number) {
        // From the last index down, each through RemoveAt: observers hear every removal.
        for (int index = Count() - 1; index >= 0; --index) {
            bool same = false;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                same = index < static_cast<int>(records_.size()) &&
                       records_[static_cast<std::size_t>(index)].number == record.number;
            }
            if (same)
                RemoveAt(index);
        }
    }
    std::vector<ICallHistoryObserver*> observers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        records_.insert(records_.begin(), record);
        if (!record.seen)
            ++unseen_;
        talk_time_ = AddSaturated(talk_time_, record.duration);
        observers = observers_;
    }
    TellAll(observers, [this](ICallHistoryObserver* o) { o->OnTalkTimeChanged(this); });
    TellAll(observers, [this](ICallHistoryObserver* o) { o->OnAdded(this, 0); });
}

void CCallHistory::RemoveAt(int index) {
    NotifyLock notify(NotifyMutex());
    std::vector<ICallHistoryObserver*> observers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (index < 0 || index >= static_cast<int>(records_.size()))
            return;
        const auto at = records_.begin() + index;
        if (!at->seen)
            --unseen_;
        records_.erase(at);
        observers = observers_;
    }
    TellAll(observers, [this, index](ICallHistoryObserver* o) { o->OnRemoved(this, index); });
}

void CCallHistory::Clear() {
    NotifyLock notify(NotifyMutex());
    std::vector<ICallHistoryObserver*> observers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        records_.clear();
        unseen_ = 0;
        observers = observers_;
    }
    TellAll(observers, [this](ICallHistoryObserver* o) { o->OnCleared(this); });
}

int CCallHistory::GetTalkTime() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return talk_time_;
}

void CCallHistory::ResetTalkTime() {
    NotifyLock notify(NotifyMutex());
    std::vector<ICallHistoryObserver*> observers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        talk_time_ = 0;
        observers = observers_;
    }
    TellAll(observers, [this](ICallHistoryObserver* o) { o->OnTalkTimeChanged(this); });
}

void CCallHistory::MarkSeen(int index) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || index >= static_cast<int>(records_.size()))
        return;
    CallRecord& record = records_[static_cast<std::size_t>(index)];
    if (!record.seen) {
        record.seen = true;
        --unseen_;
    }
}

void CCallHistory::MarkAllSeen() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (CallRecord& record : records_)
        record.seen = true;
    unseen_ = 0;
}

int CCallHistory::UnseenCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unseen_;
}

void CCallHistory::AddObserver(ICallHistoryObserver* observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void CCallHistory::RemoveObserver(ICallHistoryObserver* observer) {
    NotifyLock notify(NotifyMutex());
    std::lock_guard<std::mutex> lock(mutex_);
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void CCallHistory::BeginUse() {
    std::lock_guard<std::mutex> lock(mutex_);
    in_use_ = true;
}

void CCallHistory::EndUse() {
    std::lock_guard<std::mutex> lock(mutex_);
    in_use_ = false;
}

bool CCallHistory::IsInUse() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return in_use_;
}

bool CCallHistory::Load(const std::string& path) {
    std::string bytes;
    const bool read = ReadWholeFile(path, &bytes);
    const bool missing = !read && IsMissing(path);
    CallHistoryFile file = read ? ParseCallHistory(bytes) : CallHistoryFile{};
    const auto unseen = std::count_if(file.records.begin(), file.records.end(),
                                      [](const CallRecord& r) { return !r.seen; });
    std::lock_guard<std::mutex> lock(mutex_);
    records_ = std::move(file.records);
    talk_time_ = file.talk_time;
    unseen_ = static_cast<int>(unseen);
    keep_file_ = !read && !missing;
    return read || missing;
}

bool CCallHistory::Save(const std::string& path) const {
    std::string bytes;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (keep_file_)
            return false;
        bytes = SerialiseCallHistory(talk_time_, records_);
    }
    return WriteFileAtomically(path, bytes, 0600);
}

// --- the process-wide lists ---

namespace {

constexpr const char* kFileNames[3] = {"CallMissed.dat", "CallAccept.dat", "CallDialed.dat"};

struct InstanceSlot {
    std::mutex mutex;  // histories
    std::unique_ptr<CallHistories> histories;
};

InstanceSlot& Slot() {
    static InstanceSlot slot;
    return slot;
}

}  // namespace

CallHistories::CallHistories(std::string folder) : folder_(std::move(folder)) {
    for (int list = 0; list < 3; ++list) {
        lists_[list] = std::make_unique<CCallHistory>();
        if (!folder_.empty())
            lists_[list]->Load(FilePath(folder_, static_cast<CallList>(list)));
    }
}

CallHistories::~CallHistories() {
    SaveAll();
}

CallHistories& CallHistories::Instance() {
    InstanceSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    if (!slot.histories)
        slot.histories = std::make_unique<CallHistories>(NativePath(DataFolder()));
    return *slot.histories;
}

void CallHistories::ShutdownInstance() {
    InstanceSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    slot.histories.reset();
}

ICallHistory& CallHistories::Get(CallList list) {
    const int at = std::clamp(static_cast<int>(list), 0, 2);
    return *lists_[at];
}

bool CallHistories::SaveAll() {
    if (folder_.empty())
        return true;
    bool all = true;
    for (int list = 0; list < 3; ++list) {
        const std::string path = FilePath(folder_, static_cast<CallList>(list));
        if (lists_[list]->Save(path))
            continue;
        all = false;
        // Nobody else hears of it: at the end of the program there is no window left to tell.
        std::fprintf(stderr, "DEDEVev: the call history could not be saved to %s%s\n", path.c_str(),
                     IsMissing(path) ? "" : " (the file there is kept as it was)");
    }
    return all;
}

std::string CallHistories::FilePath(const std::string& folder, CallList list) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path.push_back('/');
    return path + kFileNames[std::clamp(static_cast<int>(list), 0, 2)];
}

}  // namespace dedevev
