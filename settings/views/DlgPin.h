#pragma once
// The PIN page of the settings dialog: switch the PIN request on or off, change the PIN,
// enter the PIN of a card that waits for it, unblock a card with its PUK. Each button runs its
// flow at once; the page has nothing to apply on OK.

#include <functional>
#include <memory>

#include "settings/views/SettingsPage.h"

namespace dedevev {

class CSkinButtonEx;
class ICardService;
class IPinDialogs;
struct PinPageButtons;

class CDlgPin : public CSettingsPage {
    Q_OBJECT
public:
    explicit CDlgPin(QWidget* parent = nullptr);
    ~CDlgPin() override;

    // Reads the card's PIN state off the window thread and sets the five buttons when it
    // arrives (all disabled until then).
    void Reload() override;
    bool Apply() override { return true; }

    // Where the page finds the card (default: the current modem's card service) and its
    // dialogs (default: the installed PIN dialogs); for tests.
    void SetCardSource(std::function<ICardService*()> source);
    void SetDialogs(IPinDialogs* dialogs) { dialogs_ = dialogs; }
    // Whether a read of the card's state is under way.
    bool Reading() const;

signals:
    // The buttons were set from a fresh read of the card.
    void buttonsUpdated();

private:
    // Stacks the buttons again whenever one changes its size (its skin picture arrived).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void LayOutButtons();
    void RunFlow(const std::function<bool(ICardService&, IPinDialogs&)>& flow, bool recheck);
    void ShowButtons(const PinPageButtons& buttons);
    IPinDialogs& Dialogs();

    struct Reader;
    std::shared_ptr<Reader> reader_;
    std::function<ICardService*()> card_source_;
    IPinDialogs* dialogs_ = nullptr;
    CSkinButtonEx* enable_ = nullptr;
    CSkinButtonEx* disable_ = nullptr;
    CSkinButtonEx* change_ = nullptr;
    CSkinButtonEx* check_ = nullptr;
    CSkinButtonEx* unlock_ = nullptr;
};

}  // namespace dedevev
