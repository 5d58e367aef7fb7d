#pragma once
// The three call lists (missed, accepted, dialed), each kept in its own file in the data folder
// ("CallMissed.dat", "CallAccept.dat", "CallDialed.dat"): the newest call first, a running
// total of talk time and a count of calls not yet seen. Observers hear every change.

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "voice/CallRecord.h"

namespace dedevev {

class ICallHistory;

// Told of every change, on the thread that made it, while the history's lock is NOT held:
// implementations only post to their window and read the history back there.
class ICallHistoryObserver {
public:
    virtual void OnAdded(ICallHistory* history, int index) = 0;
    virtual void OnRemoved(ICallHistory* history, int index) = 0;
    virtual void OnCleared(ICallHistory* history) = 0;
    virtual void OnTalkTimeChanged(ICallHistory* history) = 0;

protected:
    ~ICallHistoryObserver() = default;
};

// Every operation is safe on any thread.
class ICallHistory {
public:
    virtual ~ICallHistory() = default;
    virtual int Count() const = 0;
    // Copies the record at `index` (0 = newest); false when there is none.
    virtual bool Get(CallRecord* record, int index) const = 0;
    // Puts a copy in front; with `replace_same_number` every record with exactly that number
    // is removed first (each removal told).
    virtual void Add(const CallRecord& record, bool replace_same_number) = 0;
    virtual void RemoveAt(int index) = 0;
    // Removes every record; the talk-time total stays.
    virtual void Clear() = 0;
    virtual int GetTalkTime() const = 0;
    virtual void ResetTalkTime() = 0;
    virtual void MarkSeen(int index) = 0;
    virtual void MarkAllSeen() = 0;
    virtual int UnseenCount() const = 0;
    virtual void AddObserver(ICallHistoryObserver* observer) = 0;
    virtual void RemoveObserver(ICallHistoryObserver* observer) = 0;
    // A flag a view raises while it walks the list; it excludes nothing.
    virtual void BeginUse() = 0;
    virtual void EndUse() = 0;
    virtual bool IsInUse() const = 0;
};

class CCallHistory final : public ICallHistory {
public:
    int Count() const override;
    bool Get(CallRecord* record, int index) const override;
    void Add(const CallRecord& record, bool replace_same_number) override;
    void RemoveAt(int index) override;
    void Clear() override;
    int GetTalkTime() const override;
    void ResetTalkTime() override;
    void MarkSeen(int index) override;
    void MarkAllSeen() override;
    int UnseenCount() const override;
    void AddObserver(ICallHistoryObserver* observer) override;
    void RemoveObserver(ICallHistoryObserver* observer) override;
    void BeginUse() override;
    void EndUse() override;
    bool IsInUse() const override;

    // Replaces the list with the file at `path` (UTF-8). A missing file gives an empty list
    // (true); a file that exists but cannot be read gives an empty list and false, and such
    // a file is never written over by Save.
    bool Load(const std::string& path);
    // Writes the list to `path` atomically (temporary file, fsync, rename, mode 0600). False,
    // with the file as it was, when that failed.
    bool Save(const std::string& path) const;

private:
    mutable std::mutex mutex_;
    std::vector<CallRecord> records_;
    int talk_time_ = 0;
    int unseen_ = 0;
    std::vector<ICallHistoryObserver*> observers_;
    bool in_use_ = false;
    bool keep_file_ = false;  // the file could not be read: never write over it
};

enum class CallList { kMissed = 0, kAccepted = 1, kDialed = 2 };

// The process-wide three lists, read from their files when first used and written back at the
// program's end (and by SaveAll).
class CallHistories {
public:
    // `folder`: the data folder (UTF-8); empty: nothing is read or written.
    explicit CallHistories(std::string folder);
    ~CallHistories();  // saves
    CallHistories(const CallHistories&) = delete;
    CallHistories& operator=(const CallHistories&) = delete;

    static CallHistories& Instance();
    // Saves and ends the process-wide lists, if they were made (program end).
    static void ShutdownInstance();

    ICallHistory& Get(CallList list);
    ICallHistory& Missed() { return Get(CallList::kMissed); }
    ICallHistory& Accepted() { return Get(CallList::kAccepted); }
    ICallHistory& Dialed() { return Get(CallList::kDialed); }
    // Writes all three; false when one failed (reported on stderr).
    bool SaveAll();
    // The file of `list` in `folder`.
    static std::string FilePath(const std::string& folder, CallList list);

private:
    std::string folder_;
    std::unique_ptr<CCallHistory> lists_[3];
};

}  // namespace dedevev
