#pragma once
// What the voice page's status area and incoming-call notice say, worked out from a snapshot
// of the calls so that it needs no window.

#include <optional>
#include <string>

#include "voice/CallRecord.h"

namespace dedevev {

class ILocalizer;
class INameMapping;

// How a call shows in the status area.
enum class CallPhase { kCalling, kRinging, kTalking, kHangingUp };

struct CallLine {
    CallPhase phase = CallPhase::kCalling;
    CallRecord record;  // its duration: the talk time so far
};

struct VoiceStatus {
    std::optional<CallLine> current;  // the primary call in progress
    std::optional<CallLine> second;   // the three-way or waiting party
    std::u16string dial_buffer;       // what the keypad has typed (no call current)
    std::optional<CallRecord> last_call;
    std::optional<CallRecord> last_second;
    bool last_missed = false;  // the last call was an incoming call nobody answered
    int unseen_missed = 0;     // missed calls not yet seen in the history
    std::u16string info;       // the card's last information text during a call
};

// The caller as a person reads it: "Name(number)" when the record or the mapping names the
// number, else the number; a withheld number shows as "Unknown".
std::u16string CallDisplayName(const CallRecord& record, INameMapping* mapping,
                               ILocalizer* localizer);

// Talk time as "mm:ss", or "h:mm:ss" from an hour on.
std::u16string TalkTimeText(int seconds);

// The status area's text for `status`.
std::u16string VoiceStatusText(const VoiceStatus& status, INameMapping* mapping,
                               ILocalizer* localizer);

// The incoming-call notice's body: the caller, a blank line, "ClickAccept".
std::u16string IncomingNoticeText(const CallRecord& record, INameMapping* mapping,
                                  ILocalizer* localizer);

// The card's volume for a slider position 0..80 (0..8).
int VolumeForPosition(int position);

}  // namespace dedevev
