#pragma once
// A message box on the card: one storage ("SM", "ME", "SR") read with one listing command,
// long messages joined, deletions and read marks passed to the card, observers told of every
// change on the thread that made it.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "device/IMessageBox.h"
#include "device/at/pdu/SmsJoin.h"
#include "device/at/transport/AtResponse.h"

namespace dedevev::at {

// What a card box needs from the message control it belongs to.
class SmsCardAccess {
public:
    virtual SmsFamily Family() = 0;
    // Held while a storage is selected and used, so that two boxes never mix their storages.
    virtual std::recursive_mutex& StorageLock() = 0;
    // Makes `storage` the storage of reading and deleting (AT+CPMS="<storage>"); `counts`
    // (may be null) receives the card's answer.
    virtual bool SelectReadStorage(const std::string& storage, StorageCounts* counts) = 0;
    virtual Response RunCommand(const std::string& text) = 0;

protected:
    ~SmsCardAccess() = default;
};

class CardMessageBox final : public IMessageBox {
public:
    // Indexes from this value on name messages the card delivered without storing them.
    static constexpr int kTransientBase = 1000000;

    CardMessageBox(SmsCardAccess& card, std::string storage);
    CardMessageBox(const CardMessageBox&) = delete;
    CardMessageBox& operator=(const CardMessageBox&) = delete;

    void AddObserver(IMessageBoxObserver* observer) override;
    void RemoveObserver(IMessageBoxObserver* observer) override;
    int GetCapacity() override;
    int GetCount() override;
    const SMSMessage& GetAt(int position) override;
    const SMSMessage* GetByIndex(int index) override;
    bool RemoveAt(int position) override;
    // The program copies card messages to the PC, never to the card: a copy of a message the
    // box holds is reported as existing, anything else is refused.
    bool Add(const SMSMessage& message, bool* existed) override;
    bool SetStatus(int position, std::int32_t status) override;
    int GetUnreadCount() override;
    void Lock() override { lock_.lock(); }
    void Unlock() override { lock_.unlock(); }
    void Load(ILoadingReport* report, int* status) override;
    bool IsLoaded() override;
    void SetEventHandler(ISMSEventHandler* handler) override;

    const std::string& Storage() const { return storage_; }
    ISMSEventHandler* Handler() const { return handler_.load(); }
    // The storage indexes of the message at `position` (empty for a bad position).
    std::vector<int> IndexesAt(int position);

    // A message was stored at `index` (new-message notice): reads it and puts it in its place,
    // joining it to the other parts of its long message. False when the card gave nothing.
    bool TakeStored(int index);
    // A message found by a listing (polling): put in its place like a notified one. False when
    // the box holds that index already.
    bool TakeListed(const StoredPdu& stored);
    // A message the card delivered without storing it (+CMT / +CDS); returns its index.
    int TakeDelivered(const std::string& hex);
    // The card went away or a new port was opened: the box empties and counts as unloaded.
    void Forget();

private:
    int InsertPosition(const JoinedMessage& entry) const;
    void Insert(JoinedMessage entry);
    void Notify(void (IMessageBoxObserver::*notice)(IMessageBoxBase*, int), int position);
    void Absorb(const StoredMessage& part);

    SmsCardAccess& card_;
    const std::string storage_;
    std::recursive_mutex lock_;  // the box lock (Lock/Unlock) and every member below
    std::vector<IMessageBoxObserver*> observers_;
    std::vector<StoredMessage> parts_;  // every stored PDU of the box
    std::vector<JoinedMessage> entries_;
    bool loaded_ = false;
    int capacity_ = 0;
    int next_transient_ = kTransientBase;
    std::atomic<ISMSEventHandler*> handler_{nullptr};
};

}  // namespace dedevev::at
