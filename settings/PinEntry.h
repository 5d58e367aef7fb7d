#pragma once
// The start-up PIN entry, and the process's PIN dialogs: the window layer installs its own;
// without them (no screen, model tests) every dialog answers "cancelled".

#include <string>

namespace dedevev {

class ICardService;
class IPinDialogs;

// Installs (or with null removes) the dialogs the flows use; returns the previous ones.
IPinDialogs* SetPinDialogs(IPinDialogs* dialogs);
// The installed dialogs, or the cancelling stand-in.
IPinDialogs& PinDialogs();

// Runs the PIN entry for `card` with the installed dialogs. True when the card was unlocked
// (or never wanted a PIN). On false `error_text` (may be null) receives why not.
bool EnterPinAtStart(ICardService& card, std::u16string* error_text);

}  // namespace dedevev
