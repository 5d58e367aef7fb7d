#pragma once
// A message box on the card, and the card's message events.

#include <string>

#include "device/DeviceStatus.h"
#include "device/SMSMessage.h"

namespace dedevev {

// The card's message events, implemented by the message view. The library calls it on its
// own thread; the implementation only hands the event to the view's window.
class ISMSEventHandler {
public:
    // 0: a message arrived in `storage` ("SM" is the UIM card); `index` names it for GetByIndex.
    virtual void OnNewMessage(const std::string& storage, int index) = 0;
    // 1: `storage` is full.
    virtual void OnStorageFull(const std::string& storage) = 0;
    // 2: a card notice; the value carries no meaning for the program.
    virtual void OnCardNotice(int value) = 0;

protected:
    ~ISMSEventHandler() = default;
};

// A card box: the twelve box operations (slots 0..11), then three of its own. The library owns
// the box and keeps it as long as the modem object; callers never keep the pointer beyond one
// operation. A box starts unloaded.
class IMessageBox : public IMessageBoxBase {
public:
    // Progress of Load, implemented by the loading worker.
    class ILoadingReport {
    public:
        // 0: `current` of `total` messages have been read; `message` is the one just read.
        virtual void OnLoading(const SMSMessage& message, int total, int current) = 0;

    protected:
        ~ILoadingReport() = default;
    };

    // 12: reads the card storage into the box, reporting each message to `report` (may be
    // null; used only during the call). Fails when the card does not answer.
    virtual void Load(ILoadingReport* report, int* status) = 0;
    // 13: whether the box holds the card's messages.
    virtual bool IsLoaded() = 0;
    // 14: the one event handler of this box, or none when null.
    virtual void SetEventHandler(ISMSEventHandler* handler) = 0;

protected:
    ~IMessageBox() = default;
};

}  // namespace dedevev
