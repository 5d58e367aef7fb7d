#include "settings/views/DlgPin.h"

#include <QEvent>

#include <mutex>
#include <thread>

#include "core/ExportRegistry.h"
#include "device/DeviceHolder.h"
#include "resources/views/SkinButton.h"
#include "resources/views/ThreadWake.h"
#include "settings/PinEntry.h"
#include "settings/PinFlows.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgPin";
constexpr int kLeft = 60;
constexpr int kTop = 20;
constexpr int kGap = 5;

ICardService* CurrentCard() {
    IModemAgent* agent = Devices().ModemAgent();
    return agent != nullptr ? agent->GetCardService() : nullptr;
}

}  // namespace

// One read of the card's PIN state on its own thread; the result is handed over under the
// mutex and the window thread is woken to show it.
struct CDlgPin::Reader {
    std::mutex mutex;
    bool has_result = false;
    bool again = false;  // Reload came while reading: read once more
    PinPageButtons result;
    std::thread thread;
    std::unique_ptr<CThreadWake> wake;
};

CDlgPin::CDlgPin(QWidget* parent) : CSettingsPage(parent), reader_(std::make_shared<Reader>()) {
    setObjectName("DlgPin");
    card_source_ = CurrentCard;
    auto add = [this](const char* key, const std::function<void()>& action) {
        auto* button = new CSkinButtonEx(this);
        button->setObjectName(key);
        button->SetImageSet("BtnBig");
        button->SetCaption(key, kSection);
        button->setEnabled(false);
        button->installEventFilter(this);
        connect(button, &QAbstractButton::clicked, this, [this, action] {
            action();
            emit changed();
        });
        return button;
    };
    enable_ = add("BtnEnablePin", [this] { RunFlow(TogglePinLock, false); });
    disable_ = add("BtnDisablePin", [this] { RunFlow(TogglePinLock, false); });
    change_ = add("BtnChangePin", [this] { RunFlow(ChangePinFlow, false); });
    check_ = add("BtnCheckPin", [this] {
        RunFlow([](ICardService& card, IPinDialogs& dialogs) { return EnterPin(card, dialogs); },
                true);
    });
    unlock_ = add("BtnUnlockPuk", [this] { RunFlow(UnlockPuk, true); });
    LayOutButtons();

    reader_->wake = std::make_unique<CThreadWake>(this, [this] {
        PinPageButtons buttons;
        {
            std::lock_guard lock(reader_->mutex);
            if (!reader_->has_result)
                return;
            buttons = reader_->result;
        }
        if (reader_->thread.joinable())
            reader_->thread.join();
        bool again = false;
        {
            std::lock_guard lock(reader_->mutex);
            reader_->has_result = false;
            again = reader_->again;
            reader_->again = false;
        }
        ShowButtons(buttons);
        if (again)
            Reload();
    });
}

CDlgPin::~CDlgPin() {
    if (reader_->thread.joinable())
        reader_->thread.join();
}

bool CDlgPin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize)
        LayOutButtons();
    return CSettingsPage::eventFilter(watched, event);
}

void CDlgPin::LayOutButtons() {
    int top = kTop;
    for (CSkinButtonEx* button : {enable_, disable_, change_, check_, unlock_}) {
        if (button == nullptr)
            return;  // still being built
        button->move(kLeft, top);
        top += button->height() + kGap;
    }
}

void CDlgPin::SetCardSource(std::function<ICardService*()> source) {
    card_source_ = std::move(source);
}

bool CDlgPin::Reading() const {
    return reader_->thread.joinable();
}

IPinDialogs& CDlgPin::Dialogs() {
    return dialogs_ != nullptr ? *dialogs_ : PinDialogs();
}

void CDlgPin::Reload() {
    if (reader_->thread.joinable()) {
        std::lock_guard lock(reader_->mutex);
        reader_->again = true;
        return;
    }
    ICardService* card = card_source_ ? card_source_() : nullptr;
    if (card == nullptr) {
        ShowButtons(PinPageButtons{});
        return;
    }
    Reader* reader = reader_.get();
    reader_->thread = std::thread([reader, card] {
        const PinPageButtons buttons = ReadPinPageButtons(*card);
        {
            std::lock_guard lock(reader->mutex);
            reader->result = buttons;
            reader->has_result = true;
        }
        reader->wake->Wake();
    });
}

void CDlgPin::RunFlow(const std::function<bool(ICardService&, IPinDialogs&)>& flow, bool recheck) {
    ICardService* card = card_source_ ? card_source_() : nullptr;
    if (card == nullptr)
        return;
    if (!flow(*card, Dialogs()))
        return;
    if (recheck)
        Exports().MainExport()->RecheckCard();
    Reload();
}

void CDlgPin::ShowButtons(const PinPageButtons& buttons) {
    enable_->setEnabled(buttons.enable_pin);
    disable_->setEnabled(buttons.disable_pin);
    change_->setEnabled(buttons.change_pin);
    check_->setEnabled(buttons.check_pin);
    unlock_->setEnabled(buttons.unlock_puk);
    emit buttonsUpdated();
}

}  // namespace dedevev
