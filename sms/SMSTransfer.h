#pragma once
// What the message view does with the boxes: load a card box, delete messages from a card box
// or a PC box, copy or move card messages into the PC inbox. The view hands in how a job is
// run (its progress window); the messages that follow a job go through ShowMessage.

#include <string>
#include <vector>

#include "core/Thread.h"
#include "device/IMessageBox.h"
#include "sms/SMSBoxPC.h"

namespace dedevev {

class ILocalizer;

// Loads `box` unless it is loaded; a failed load only beeps (`beep`, may be empty). True when
// the box is loaded afterwards. The caller must not hold the box lock: the job's Load takes it
// on the job's thread.
bool LoadCardBox(IMessageBox& box, ILocalizer* localizer, const ProgressRunner& run,
                 const std::function<void()>& beep = {});

// Deletes the card messages at `positions` (highest first) with CThreadRemoveMsg; a refusal
// shows "DelFail" with the caption "Delete" and the error icon. The number deleted.
int DeleteCardMessages(IMessageBox& box, std::vector<int> positions, ILocalizer* localizer,
                       const ProgressRunner& run);

// Deletes the messages at `positions` of a PC box under its lock, highest first (a position
// no longer there is passed over). The number deleted.
int DeletePCMessages(IMessageBoxBase& box, std::vector<int> positions);

struct SmsCopyOutcome {
    int added = 0;            // new messages in the destination
    int duplicates = 0;       // messages the destination held already
    std::vector<int> placed;  // source positions now in the destination (added or there), ascending
    std::u16string error_key;  // "NoSpace", "CopyFail", "LoadFail" (the card went away) or empty
    int deleted = 0;           // card messages deleted by a move
};

// Copies the messages at `positions` of `source` (a card box) into `destination` (the PC
// inbox): destination lock first, then the source's; stops with "NoSpace" when the destination
// is full or a position is gone, with "CopyFail" when Add fails. Afterwards shows the error
// text, else "SMSRepeated" when duplicates were met (application caption, warning icon). A
// source that is no longer loaded (the card went away) stops the copy with "LoadFail".
// With `move`, then deletes from the card those messages that are in the destination, and no
// other (a message the copy did not place stays on the card): each is found again by sameness,
// since a message arriving in between moves the positions.
SmsCopyOutcome CopyCardMessages(IMessageBoxBase& destination, IMessageBox& source,
                                std::vector<int> positions, bool move, ILocalizer* localizer,
                                const ProgressRunner& run);

// Whether the card's own message memory is full: `box1` exists, its capacity is not 0 and
// its count is at least the capacity.
bool IsCardStorageFull(IMessageBox* box1);

}  // namespace dedevev
