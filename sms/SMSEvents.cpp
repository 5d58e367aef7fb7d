#include "sms/SMSEvents.h"

#include "device/base/Utf.h"
#include "phonebook/NameMapping.h"
#include "resources/Localizer.h"
#include "sms/SMSWorkers.h"

namespace dedevev {

int StorageFlag(const std::string& storage) {
    return storage == "SM" ? 0 : 1;
}

void CSMSEventHandler::OnNewMessage(const std::string& storage, int index) {
    if (target_ == nullptr)
        return;
    WindowMessage message;
    message.number = kMsgSmsNew;
    message.wparam = static_cast<std::uint64_t>(static_cast<std::int64_t>(index));
    message.lparam = StorageFlag(storage);
    target_->Post(std::move(message));
}

void CSMSEventHandler::OnStorageFull(const std::string& storage) {
    if (target_ == nullptr)
        return;
    WindowMessage message;
    message.number = kMsgSmsStorageFull;
    message.lparam = StorageFlag(storage);
    target_->Post(std::move(message));
}

void CSMSEventHandler::OnCardNotice(int /*value*/) {
    if (target_ == nullptr)
        return;
    WindowMessage message;
    message.number = kMsgSmsCardNotice;
    target_->Post(std::move(message));
}

SmsPopup MakeSmsPopup(const SMSMessage& message, INameMapping* mapping, ILocalizer* localizer,
                      const std::u16string& title_key, int storage_flag) {
    SmsPopup popup;
    popup.title = SmsText(localizer, title_key);
    popup.body = NameOrNumber(mapping, Utf8ToUtf16(message.number));
    popup.body += u"\r\n\r\n";
    bool more = false;
    popup.body += SmsTextHead(Utf8ToUtf16(message.text), 8, &more);
    if (more)
        popup.body += u"...";
    popup.storage_flag = storage_flag;
    return popup;
}

void CSmsArrivals::OnNewMessage(int index, int storage_flag) {
    if (env_.play_sound)
        env_.play_sound();
    const auto& which = storage_flag == 0 ? env_.card_box2 : env_.card_box1;
    IMessageBox* box = which ? which() : nullptr;
    if (box == nullptr)
        return;
    SMSMessage copy;
    bool found = false;
    {
        MessageBoxLock lock(box);
        if (const SMSMessage* message = box->GetByIndex(index)) {
            copy = *message;
            found = true;
        }
    }
    if (found && env_.show_popup)
        env_.show_popup(
            MakeSmsPopup(copy, env_.mapping, env_.localizer, u"RecvNewMsg", storage_flag));
    if (env_.refresh)
        env_.refresh();
}

void CSmsArrivals::OnStorageFull(int storage_flag) {
    const int slot = storage_flag == 0 ? 0 : 1;
    if (warned_[slot])
        return;
    // Marked before the warning: it is modal, and further notices may come while it shows.
    warned_[slot] = true;
    if (!env_.warn)
        return;
    const std::u16string caption =
        env_.localizer == nullptr ? u"SMS" : env_.localizer->GetText(u"SMS", u"SMS");
    // Flag 0 is the UIM card's storage "SM"; the other is the modem's own memory.
    env_.warn(SmsText(env_.localizer, slot == 0 ? u"FullAlertUim" : u"FullAlertCard"), caption);
}

void CSmsArrivals::OnCardNotice() {
    IMessageBox* box = env_.card_box1 ? env_.card_box1() : nullptr;
    if (box == nullptr)
        return;
    SMSMessage copy;
    {
        MessageBoxLock lock(box);
        // An empty box has no first message to show.
        if (box->GetCount() == 0)
            return;
        copy = box->GetAt(0);
    }
    if (env_.show_popup)
        env_.show_popup(MakeSmsPopup(copy, env_.mapping, env_.localizer, u"CPT", 0));
}

void CSmsArrivals::OnStorageHasRoom(int storage_flag) {
    warned_[storage_flag == 0 ? 0 : 1] = false;
}

int UnreadMessageCount(IMessageBoxBase* pc_inbox, IMessageBox* box1, IMessageBox* box2) {
    int count = 0;
    if (pc_inbox != nullptr)
        count += pc_inbox->GetUnreadCount();
    if (box1 != nullptr)
        count += box1->GetUnreadCount();
    if (box2 != nullptr)
        count += box2->GetUnreadCount();
    return count;
}

}  // namespace dedevev
