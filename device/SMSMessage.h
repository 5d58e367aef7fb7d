#pragma once
// The short-message record and the interface of every message box, on the PC or on the card.

#include <cstdint>
#include <string>

#include "device/DateTimeFields.h"
#include "device/Observer.h"

namespace dedevev {

// Values of SMSMessage::status.
constexpr std::int32_t kSmsUnread = 0;
constexpr std::int32_t kSmsRead = 1;
constexpr std::int32_t kSmsNotSent = 2;  // failed sending, or a draft
constexpr std::int32_t kSmsSent = 3;

// Values of SMSMessage::priority.
constexpr std::int32_t kSmsPriorityNormal = 0;
constexpr std::int32_t kSmsPriorityInteractive = 1;
constexpr std::int32_t kSmsPriorityUrgent = 2;
constexpr std::int32_t kSmsPriorityEmergency = 3;

// Every record this program creates carries this code; it travels with the record unchanged.
constexpr std::int32_t kSmsDefaultCode = 6;

struct SMSMessage {
    DateTimeFields time;  // received, sent or saved
    std::int32_t priority = kSmsPriorityNormal;
    std::int32_t status = kSmsNotSent;
    std::int32_t code = kSmsDefaultCode;  // never shown, never written to a box file
    std::string text;                     // UTF-8; may hold CR LF line breaks
    std::string number;                   // the other party

    friend bool operator==(const SMSMessage&, const SMSMessage&) = default;
};

// Two records are the same message when time, number and text are equal (byte-wise);
// priority, status and code do not count.
inline bool IsSameMessage(const SMSMessage& a, const SMSMessage& b) {
    return a.time == b.time && a.number == b.number && a.text == b.text;
}

class IMessageBoxBase;
using IMessageBoxObserver = IObserver<IMessageBoxBase>;

// A message box. Positions are 0-based indexes into the box order (newest first).
// Add, RemoveAt and SetStatus do not lock; a caller that reads and changes the box in
// several steps holds Lock() for the whole step.
class IMessageBoxBase {
public:
    // 0: registers `observer` unless it is already registered.
    virtual void AddObserver(IMessageBoxObserver* observer) = 0;
    // 1: unregisters `observer`; nothing happens when it is not registered.
    virtual void RemoveObserver(IMessageBoxObserver* observer) = 0;
    // 2: how many messages the box is meant to hold; 0 when a card does not say.
    virtual int GetCapacity() = 0;
    // 3: how many messages the box holds.
    virtual int GetCount() = 0;
    // 4: the box's own record at `position`. The position must be below GetCount(); a box
    // answers an empty record for any other position rather than reading outside its store.
    virtual const SMSMessage& GetAt(int position) = 0;
    // 5: the message that a new-message notice names by `index`; a PC box takes the index as
    // a position. Null when the box holds no such message (it may have been deleted since).
    virtual const SMSMessage* GetByIndex(int index) = 0;
    // 6: removes and destroys the message; false when it could not be removed (a card refused,
    // or the position is out of range).
    virtual bool RemoveAt(int position) = 0;
    // 7: stores a copy; `existed` (may be null) tells that the same message was already held,
    // in which case nothing changes. False only when the box could not store the message.
    virtual bool Add(const SMSMessage& message, bool* existed) = 0;
    // 8: changes the status of the message at `position`; false for a bad position.
    virtual bool SetStatus(int position, std::int32_t status) = 0;
    // 9: how many messages have the status kSmsUnread.
    virtual int GetUnreadCount() = 0;
    // 10, 11: the box lock; recursive, so the holding thread may take it again.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

protected:
    ~IMessageBoxBase() = default;
};

// Holds a box lock for one scope.
class MessageBoxLock {
public:
    explicit MessageBoxLock(IMessageBoxBase* box) : box_(box) {
        if (box_ != nullptr) {
            box_->Lock();
        }
    }
    ~MessageBoxLock() {
        if (box_ != nullptr) {
            box_->Unlock();
        }
    }
    MessageBoxLock(const MessageBoxLock&) = delete;
    MessageBoxLock& operator=(const MessageBoxLock&) = delete;

private:
    IMessageBoxBase* box_;
};

}  // namespace dedevev
