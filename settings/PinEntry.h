#pragma once
// The start-up PIN entry: asks the user for the card's PIN when the card wants one.

#include <string>

namespace dedevev {

class ICardService;

// Runs the PIN entry for `card`. True when the card was unlocked. On false `error_text`
// (may be null) receives the text of why not. Until the PIN dialogs exist this behaves as if
// the user cancelled the entry ("PinLocked").
bool EnterPinAtStart(ICardService& card, std::u16string* error_text);

}  // namespace dedevev
