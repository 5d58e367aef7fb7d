#pragma once
// What the phonebook view does with the card phonebooks, each step a job behind the modal
// progress window: load a book, delete contacts, copy or move contacts into the PC phonebook.
// The view hands in how a job is run (its progress window); the messages that follow a job
// go through ShowMessage.

#include <functional>
#include <vector>

#include "core/Thread.h"
#include "device/IPhonebook.h"
#include "phonebook/PhonebookPC.h"

namespace dedevev {

class ILocalizer;

// Loads `book` unless it is loaded. When it is still not loaded afterwards, shows the text of
// `not_ready_key` (section "DlgPB"; nothing for an empty key). True when the book is loaded.
bool LoadCardPhonebook(IPhonebook& book, const std::u16string& not_ready_key, ILocalizer* localizer,
                       const ProgressRunner& run);

// Deletes the contacts at `positions`, highest first; "RemovePBFail" when the card refuses
// one (those deleted before stay deleted). The number deleted.
int DeleteCardContacts(IPhonebook& book, std::vector<int> positions, ILocalizer* localizer,
                       const ProgressRunner& run);

// Deletes the PC contacts at `positions`, highest first, showing "RemovingPB". The number
// deleted (a position no longer there is passed over).
int DeletePCContacts(CPhonebookPC& pc, std::vector<int> positions, ILocalizer* localizer,
                     const ProgressRunner& run);

struct TransferOutcome {
    int added = 0;             // new PC contacts
    int placed = 0;            // card contacts now in the PC phonebook (added or there already)
    int deleted = 0;           // card contacts deleted by a move
    bool interrupted = false;  // the card went away during the copy
};

// Copies the card contacts at `positions` into the PC phonebook; with `move`, then deletes
// from the card those that reached the PC phonebook, and no other.
TransferOutcome TransferCardContacts(CPhonebookPC& pc, IPhonebook& book, std::vector<int> positions,
                                     bool move, ILocalizer* localizer, const ProgressRunner& run);

}  // namespace dedevev
