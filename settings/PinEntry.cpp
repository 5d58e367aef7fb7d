#include "settings/PinEntry.h"

#include <atomic>

#include "core/MessageBox.h"
#include "settings/PinFlows.h"

namespace dedevev {

namespace {

// Without a screen nobody can type a code: every dialog is cancelled.
class CCancellingPinDialogs final : public IPinDialogs {
public:
    std::optional<std::string> AskPin(int) override { return std::nullopt; }
    std::optional<PinChange> AskChangePin(int) override { return std::nullopt; }
    std::optional<PukEntry> AskPuk(int) override { return std::nullopt; }
    void Message(const std::u16string& text, unsigned flags) override {
        ShowMessage(text, u"", flags);
    }
    void RequestClose() override {}
};

std::atomic<IPinDialogs*>& Slot() {
    static std::atomic<IPinDialogs*> dialogs{nullptr};
    return dialogs;
}

}  // namespace

IPinDialogs* SetPinDialogs(IPinDialogs* dialogs) {
    return Slot().exchange(dialogs);
}

IPinDialogs& PinDialogs() {
    static CCancellingPinDialogs cancelling;
    IPinDialogs* dialogs = Slot().load();
    return dialogs != nullptr ? *dialogs : cancelling;
}

bool EnterPinAtStart(ICardService& card, std::u16string* error_text) {
    return EnterPinAtStart(card, PinDialogs(), error_text);
}

}  // namespace dedevev
