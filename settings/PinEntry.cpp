#include "settings/PinEntry.h"

#include "resources/Localizer.h"

namespace dedevev {

bool EnterPinAtStart(ICardService& card, std::u16string* error_text) {
    (void)card;
    if (error_text != nullptr)
        *error_text = LocalText(std::string_view("PinLocked"));
    return false;
}

}  // namespace dedevev
