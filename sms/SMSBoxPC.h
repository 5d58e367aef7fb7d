#pragma once
// A message box on the PC (inbox, sent, unsent, drafts) and its file in the data folder.
//
// A box file is UTF-16LE with FF FE (a file without the mark is read as narrow UTF-8 text):
// per message the lines "Number:", "Text:", "Time:" (year-month-day,hour:minute:second, plain
// decimal numbers), "Priority:" and "Status:", each ending in CR LF, then an empty line. A
// text with line breaks runs over several lines, the first after "Text:", the others on lines
// of their own before "Time:"; empty lines and lines starting with '#' inside a text are lost.
// A message is read back only with a time, a priority and a status line; a damaged message
// never takes the lines of the message after it. A time with fewer than six numbers reads as
// 2000-01-01 12:01:01.

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "device/SMSMessage.h"

namespace dedevev {

class CSMSBoxPC : public IMessageBoxBase {
public:
    static constexpr int kCapacity = 10000;

    CSMSBoxPC() = default;
    CSMSBoxPC(const CSMSBoxPC&) = delete;
    CSMSBoxPC& operator=(const CSMSBoxPC&) = delete;
    virtual ~CSMSBoxPC();

    // Observers are called synchronously on the changing thread, in registration order, while
    // the observer list's lock is held. Once RemoveObserver returns, the observer is never
    // called again.
    void AddObserver(IMessageBoxObserver* observer) override;
    void RemoveObserver(IMessageBoxObserver* observer) override;
    // kCapacity; not enforced here (the copy from the card checks it).
    int GetCapacity() override;
    int GetCount() override;
    const SMSMessage& GetAt(int position) override;
    // The message at position `index`; null for a bad one.
    const SMSMessage* GetByIndex(int index) override;
    bool RemoveAt(int position) override;
    // A same message held already: *existed true, nothing changes. Otherwise the copy goes
    // before the first message with an earlier time (after those with the same time) and
    // OnAdded(this, position). Always true.
    bool Add(const SMSMessage& message, bool* existed) override;
    // OnChanged only when the status differs; false for a bad position.
    bool SetStatus(int position, std::int32_t status) override;
    int GetUnreadCount() override;
    // The box lock (recursive). Add, RemoveAt and SetStatus do not take it themselves, but
    // every operation is safe against the others: the records are guarded inside as well.
    void Lock() override;
    void Unlock() override;

    // Destroys every message without telling the observers.
    void Clear();
    // Copies of the messages in box order.
    std::vector<SMSMessage> Messages();

    // The file's bytes for the messages, and the messages of a file's bytes (replacing those
    // held, in file order; observers are not told).
    std::string Serialise();
    void Parse(std::string_view bytes);
    // Reads the file at `path` (UTF-8 file-system path); false when it exists but cannot be
    // read (a missing file leaves the box empty and is true).
    bool Load(const std::string& path);
    // Writes the file atomically (temporary file, fsync, rename; mode 0600). False when it was
    // not written; the old file is then whole.
    bool Save(const std::string& path);

private:
    template <typename Notice>
    void Notify(Notice notice);

    std::recursive_mutex box_lock_;  // Lock()/Unlock(), and every operation inside
    std::vector<std::unique_ptr<SMSMessage>> messages_;
    std::recursive_mutex observer_mutex_;
    std::vector<IMessageBoxObserver*> observers_;
};

// The box file's bytes for `messages` / the messages of a box file's bytes.
std::string SerialiseMessages(const std::vector<SMSMessage>& messages);
std::vector<SMSMessage> ParseMessages(std::string_view bytes);

}  // namespace dedevev
