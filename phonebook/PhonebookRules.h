#pragma once
// What the phonebook dialogs check before a phonebook changes, and the flows that ask the
// person (through the program's message box, ShowMessage) around the entry dialogs. The
// windows only supply the entry dialog itself, so every rule runs without a screen.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "device/IPhonebook.h"
#include "phonebook/PhonebookPC.h"

namespace dedevev {

class ILocalizer;

// Field limits of the entry dialogs, in characters.
inline constexpr int kPCNameMax = 50;
inline constexpr int kPCNumberMax = 32;  // mobile, home, office, e-mail
inline constexpr int kPCRemarkMax = 200;
inline constexpr int kCardNumberMax = 21;

// The key ("NameRequired", "NumberRequired", section "DlgNewPBPC") of what keeps the PC entry
// dialog from closing; empty when the entry may be taken.
std::u16string PCEntryProblem(const PCContact& entry);

// The card's own conflict classification against every contact but the one at
// `skip_position`: kConflictRecordExists (same name and number), else kConflictNameExists,
// else kConflictNumberExists, else kConflictNone. Numbers compare as they are, empty ones too.
int CheckCardConflict(IPhonebook& phonebook, const CardContact& candidate, int skip_position);

// The entry dialog: shows `entry`, lets the person change it; false on Cancel. The dialog
// applies the field limits and, for a PC entry, PCEntryProblem before it closes.
using PCEntryDialog = std::function<bool(PCContact* entry, bool editing)>;
using CardEntryDialog = std::function<bool(CardContact* entry, bool editing)>;

// Adds a PC contact: starts from an empty contact, or with `number` from the first contact
// holding that number (a copy of it) or a new one with that mobile number; asks again after
// "RecordExist", asks whether to go on after "NameExist"/"NumberExist". True when a contact
// was added.
bool AddPCContact(CPhonebookPC& phonebook, std::u16string_view number, const PCEntryDialog& dialog,
                  ILocalizer* localizer);
// Edits the PC contact at `position` the same way (the edited contact does not conflict with
// itself). True when it was changed.
bool EditPCContact(CPhonebookPC& phonebook, int position, const PCEntryDialog& dialog,
                   ILocalizer* localizer);
// The same for a card contact (`position` -1: a new one); "AddFail"/"EditFail" when the card
// refuses. True when the card stored it.
bool EditCardContact(IPhonebook& phonebook, int position, const CardEntryDialog& dialog,
                     ILocalizer* localizer);

// The phonebooks searched, in search order.
enum class PhonebookKind { kPC, kModem, kEmergency, kUim };

struct PhonebookHit {
    PhonebookKind book;
    int position;
};

// The contacts whose name (upper-cased) starts with the text (upper-cased), or contains it when
// the text holds characters beyond ASCII, or one of whose numbers contains it; PC, then modem,
// emergency and UIM phonebook (each may be null). No hits for an empty text.
std::vector<PhonebookHit> SearchPhonebooks(std::u16string_view text, const CPhonebookPC* pc,
                                           IPhonebook* modem, IPhonebook* emergency,
                                           IPhonebook* uim);

}  // namespace dedevev
