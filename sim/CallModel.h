#pragma once
// The card's voice calls without I/O: each call with its id, direction, state, number and
// conference flag, the GSM hold/swap/join operations of +CHLD, the CDMA flash, DTMF and tones
// sent, and the reports the calls cause (queued as notices for the AT port, which renders them
// with its +CLIP/+CCWA/+CRC settings). The model reads no clock: the card's loop tells it the
// time with Advance(), and every timed step (the next RING, the far end answering) is due at a
// time the model keeps.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dedevev::sim {

// <stat> of +CLCC.
enum class CallState {
    kActive = 0,
    kHeld = 1,
    kDialing = 2,
    kAlerting = 3,
    kIncoming = 4,
    kWaiting = 5
};
const char* CallStateName(CallState state);  // "active", "held", ...

// ^DDCEND causes.
namespace cause {
constexpr int kNormal = 16;
constexpr int kBusy = 17;
constexpr int kNoAnswer = 19;
constexpr int kRejected = 21;
}  // namespace cause

struct VoiceCall {
    int id = 0;
    bool outgoing = false;
    CallState state = CallState::kDialing;
    std::string number;        // empty while withheld or not yet known
    bool withheld = false;     // the caller withholds the number
    bool number_known = true;  // false until a late number arrives
    bool multiparty = false;
    bool via_waiting = false;       // came in as a waiting call (a CDMA flash swaps it)
    std::int64_t alert_due = -1;    // ms: an outgoing call starts alerting
    std::int64_t connect_due = -1;  // ms: the far end answers
    std::int64_t ring_due = -1;     // ms: the next RING of an incoming call

    // <CLI validity> of +CLIP/+CCWA: 0 given, 1 withheld, 2 not available.
    int Validity() const { return withheld ? 1 : number_known && !number.empty() ? 0 : 2; }
    int Type() const {
        return !number.empty() && number[0] == '+' ? 145 : number.empty() ? 128 : 129;
    }
};

// The data call of the data port: at most one, dialled there (ATD*99#, ATD#777). It takes a
// call id like a voice call and lives beside the voice calls.
struct DataCall {
    int id = 0;
    std::string number;
    bool online = true;        // the data port carries the link (false: its online command state)
    std::uint64_t serial = 0;  // counts the card's data calls: tells a new call from the last
};

// How the network answers a data dial while the card has service (control `data-refuse`).
enum class DataRefusal { kNone, kBusy, kNoCarrier };

// Something the AT port reports.
struct CallNotice {
    enum class Kind { kRing, kClip, kWaiting, kOrig, kConn, kEnd, kInfo, kNoCarrier };
    Kind kind = Kind::kRing;
    VoiceCall call;    // the call as it was then (kRing, kClip, kWaiting, kOrig, kConn, kEnd)
    int cause = 0;     // kEnd
    std::string text;  // kInfo, UTF-8
};

class CallModel {
public:
    explicit CallModel(bool gsm) : gsm_(gsm) {}

    bool Gsm() const { return gsm_; }
    const std::vector<VoiceCall>& Calls() const { return calls_; }
    const VoiceCall* Find(int id) const;
    bool Talking() const;  // a call is active

    // The time now (ms of the card's clock); runs what became due.
    void Advance(std::int64_t now_ms);
    // When something is due next; -1 when nothing is.
    std::int64_t NextDue() const;

    // ---- The host's operations; each answers 0 or a +CME ERROR number.
    // ATD<number>; a GSM card holds a talking call and dials the second party.
    int Dial(std::string_view number, int* id);
    // ATA: false when no call rings.
    bool Answer();
    // +CHUP / ATH: every voice call ends.
    void HangUpAll();
    int Hold(std::string_view arg);  // +CHLD=<arg>; 4 on a CDMA card
    // ^DDFLASH[="<number>"]; 4 on a GSM card.
    int Flash(bool with_number, std::string_view number);
    int SendDtmf(std::string_view keys);  // +VTS: needs a talking call
    void PlayTone(int hz, int ms);
    const std::vector<std::string>& DtmfLog() const { return dtmf_log_; }
    void ClearDtmfLog() { dtmf_log_.clear(); }
    int Volume() const { return volume_; }
    void SetVolume(int level) { volume_ = level; }
    bool VoicePath() const { return voice_path_; }
    void SetVoicePath(bool on) { voice_path_ = on; }

    // ---- The network's side (control commands); false with `error`.
    // `who`: a number, "withheld", or "unknown" (the number comes later with LateNumber).
    bool Incoming(std::string_view who, std::string* error);
    bool LateNumber(std::string_view number, std::string* error);
    bool CallWaiting(std::string_view who, std::string* error);
    bool RemoteAnswer(std::string* error);
    bool RemoteBusy(std::string* error);
    // id 0: every call ends.
    bool RemoteEnd(int id, std::string* error);
    void NetworkInfo(std::string_view text);
    bool Reports() const { return reports_; }
    void SetReports(bool on) { reports_ = on; }
    int AutoAnswerMs() const { return auto_answer_ms_; }
    void SetAutoAnswerMs(int ms) { auto_answer_ms_ = ms; }
    // The card was pulled or powered up: calls are gone without a word, settings reset.
    void PowerUp();

    // ---- The data call (the data port's dialler and the network).
    const std::optional<DataCall>& Data() const { return data_; }
    // A data call to `number` (checked by the dialler), online at once.
    void DialData(std::string_view number);
    void SetDataOnline(bool online);
    // Ends the data call. `carrier_lost`: not by the data port's own host, which is told
    // NO CARRIER (TakeCarrierLost).
    void EndData(bool carrier_lost);
    // True once after the data call ended with its carrier lost.
    bool TakeCarrierLost();
    DataRefusal Refusal() const { return refusal_; }
    void SetRefusal(DataRefusal refusal) { refusal_ = refusal; }
    // +CPAS: 0 ready, 3 ringing (only a call coming in), 4 a call in progress (voice or data).
    int Activity() const;

    bool HasNotices() const { return !notices_.empty(); }
    std::vector<CallNotice> TakeNotices();

    static constexpr std::int64_t kRingIntervalMs = 3000;
    static constexpr std::int64_t kAlertDelayMs = 300;

private:
    int HoldOperation(std::string_view arg);
    VoiceCall* Get(int id);
    VoiceCall* FirstIn(CallState state);
    int NewId() const;
    VoiceCall& Originate(std::string_view number);
    void Connect(VoiceCall& call);
    // Ends a call; `remote` reports NO CARRIER when it was the last one.
    void End(int id, int cause, bool remote);
    void Notice(CallNotice::Kind kind, const VoiceCall* call, int cause = 0, std::string text = {});
    bool ParseWho(std::string_view who, VoiceCall* call, std::string* error) const;
    void Tidy();

    bool gsm_;
    std::vector<VoiceCall> calls_;
    std::vector<CallNotice> notices_;
    std::vector<std::string> dtmf_log_;
    std::int64_t now_ = 0;
    bool reports_ = true;
    int auto_answer_ms_ = 1000;
    bool promote_waiting_ = true;  // off while an operation settles several calls at once
    int volume_ = 4;
    bool voice_path_ = false;
    std::optional<DataCall> data_;
    std::uint64_t data_serial_ = 0;
    bool carrier_lost_ = false;
    DataRefusal refusal_ = DataRefusal::kNone;
};

bool IsDialString(std::string_view number);  // digits, * and #, an optional leading '+'

}  // namespace dedevev::sim
