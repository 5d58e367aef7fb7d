#pragma once
// The connection history: every finished dial-up session, newest first, and its file
// HistoryNet.dat in the data folder.
//
// HistoryNet.dat is UTF-16LE with FF FE (a file without it is read as narrow UTF-8 text): one
// block per session of four "Key:value" lines ending in CR LF ("Time:", "Duration:",
// "BytesSend:", "BytesRecv:"), then an empty line. A session is kept from the file only when
// all four values are there.

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "device/SessionStats.h"

namespace dedevev {

class INetRecordObserver {
public:
    // 0: a session was added at `index` (0 for a new session).
    virtual void OnRecordAdded(std::size_t index) = 0;
    // 1: the session at `index` was removed.
    virtual void OnRecordRemoved(std::size_t index) = 0;
    // 2: every session was removed.
    virtual void OnRecordsCleared() = 0;

protected:
    ~INetRecordObserver() = default;
};

// Every operation takes the store's lock: sessions are added on the connection's worker while
// the window thread reads.
class NetRecordStore {
public:
    // Inserts at the front; observers hear OnRecordAdded(0) after the lock is released.
    void Add(const SessionStats& record);
    // Erases the record; observers hear OnRecordRemoved under the lock. False for a bad index.
    bool RemoveAt(std::size_t index);
    // Erases all; observers hear OnRecordsCleared under the lock.
    void Clear();
    std::size_t Count() const;
    // A copy of the record at `index` (false for a bad index).
    bool At(std::size_t index, SessionStats* record) const;
    // Every record, newest first.
    std::vector<SessionStats> Snapshot() const;

    // The sum of the sessions that started from `begin`'s day at 00:00:00 up to `end`'s day at
    // 23:59:59 (the two are swapped when begin is later). Walks from the newest.
    SessionStats SumRange(DateTimeFields begin, DateTimeFields end) const;
    // Neighbouring sessions of the same month summed, newest first; each group starts at its
    // newest session.
    std::vector<SessionStats> SumByMonth() const;

    // Replaces the records by those of the file at `path` (UTF-8 file-system path); false only
    // when it cannot be opened (a missing file leaves the store empty). Observers are not told:
    // a view loads the store before it follows it, or reads Snapshot() afterwards.
    bool Load(const std::string& path);
    // Writes the file atomically (temporary file, fsync, rename; mode 0600). False when it was
    // not written: the old file is then whole.
    bool Save(const std::string& path) const;
    // The file's bytes for the records, and the records of a file's bytes.
    std::string Serialise() const;
    void Parse(const std::string& bytes);

    void AddObserver(INetRecordObserver* observer);
    // Once it returns, the observer is never called again (also not by an Add running now).
    void RemoveObserver(INetRecordObserver* observer);

private:
    // Taken before mutex_ by Add (for its notification) and RemoveObserver.
    std::recursive_mutex notify_mutex_;
    mutable std::recursive_mutex mutex_;
    std::deque<SessionStats> records_;
    std::vector<INetRecordObserver*> observers_;
};

}  // namespace dedevev
