#pragma once
// Messages arriving on the card: the card's events become window messages of the message
// view, and the view hands them to CSmsArrivals, which plays the new-message sound, builds the
// pop-up with the sender's name, and warns once when a storage is full. Also the message
// counts the main window asks the message view for.

#include <functional>
#include <string>

#include "core/WindowMessage.h"
#include "device/IMessageBox.h"

namespace dedevev {

class ILocalizer;
class INameMapping;

// Window messages of the message view.
constexpr unsigned kMsgSmsNew = 1125;          // wparam: index, lparam: storage flag
constexpr unsigned kMsgSmsStorageFull = 1126;  // lparam: storage flag
constexpr unsigned kMsgSmsCardNotice = 1128;
constexpr unsigned kMsgSmsCount = 1130;  // wparam: list id, lparam: new count

// 0 for the UIM card's storage "SM", 1 for any other.
int StorageFlag(const std::string& storage);

// The card's events, turned into window messages for `target` (the message view). Called on
// the modem library's thread; touches nothing but the target. A null target drops them.
class CSMSEventHandler : public ISMSEventHandler {
public:
    explicit CSMSEventHandler(IMessageTarget* target) : target_(target) {}
    void OnNewMessage(const std::string& storage, int index) override;
    void OnStorageFull(const std::string& storage) override;
    void OnCardNotice(int value) override;

private:
    IMessageTarget* target_;
};

// The pop-up of a message: the sender's name (or number), CR LF CR LF, the first 8 characters
// of the text and "..." when there are more.
struct SmsPopup {
    std::u16string title;
    std::u16string body;
    int storage_flag = 0;
};
SmsPopup MakeSmsPopup(const SMSMessage& message, INameMapping* mapping, ILocalizer* localizer,
                      const std::u16string& title_key, int storage_flag);

struct SmsArrivalsEnvironment {
    // The card boxes: modem memory (1) and UIM (2); may return null.
    std::function<IMessageBox*()> card_box1;
    std::function<IMessageBox*()> card_box2;
    INameMapping* mapping = nullptr;
    ILocalizer* localizer = nullptr;
    // Asks for the new-message sound (returns at once).
    std::function<void()> play_sound;
    // Shows the pop-up (window thread).
    std::function<void(const SmsPopup&)> show_popup;
    // The storage-full warning: text and caption (information icon).
    std::function<void(const std::u16string& text, const std::u16string& caption)> warn;
    // After a new message: the lists and the content pane are brought up to date.
    std::function<void()> refresh;
};

// What the message view does with the card's events (window thread).
class CSmsArrivals {
public:
    explicit CSmsArrivals(SmsArrivalsEnvironment env) : env_(std::move(env)) {}

    // kMsgSmsNew: sound, pop-up "RecvNewMsg" with a copy of the message, refresh. A message
    // no longer in the box shows nothing.
    void OnNewMessage(int index, int storage_flag);
    // kMsgSmsStorageFull: "FullAlertUim" (flag 0, the UIM card) or "FullAlertCard" (flag 1,
    // the modem's memory) once while the storage stays full; shown again after it had room.
    void OnStorageFull(int storage_flag);
    // kMsgSmsCardNotice: pop-up "CPT" with the first message of the modem-memory box;
    // nothing when that box is missing or empty.
    void OnCardNotice();
    // The storage has room again (its count went below its capacity): the next full notice
    // warns again.
    void OnStorageHasRoom(int storage_flag);

private:
    SmsArrivalsEnvironment env_;
    bool warned_[2] = {};
};

// The counts the main window shows: unread messages in the PC inbox and the two card inboxes
// (each card box only when there is one).
int UnreadMessageCount(IMessageBoxBase* pc_inbox, IMessageBox* box1, IMessageBox* box2);

}  // namespace dedevev
