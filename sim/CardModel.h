#pragma once
// The simulated card's state: identity, SIM/UIM with PIN and PUK counters, radio and
// service, the network list, stored settings (preferred system, APNs, work mode, Wi-Fi
// name) and the network's USSD service. No I/O and no clock: the AT sessions read and change
// it, the control channel pokes it, and both learn what changed through TakeEvents().

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sim/CallModel.h"
#include "sim/PhonebookModel.h"
#include "sim/Quirks.h"
#include "sim/SmsModel.h"

namespace dedevev::sim {

enum class CardKind { kCdma, kGsm };
enum class CardState { kReady, kPinRequired, kPukRequired, kBlocked, kAbsent };
// Where a starting SIM is (quirk sim-busy): busy, then briefly not found, then done.
enum class SimStart { kDone, kBusy, kAbsent };

// How the network's USSD answers travel: as text in the character set of +CSCS (DCS 15), as
// packed GSM 7-bit hex (DCS 15) or as UCS2 hex (DCS 72). Requests are expected the same way.
enum class UssdEncoding { kText, kGsm7Hex, kUcs2 };

// +CME ERROR numbers the card uses (3GPP TS 27.007, 9.2).
namespace cme {
constexpr int kNotAllowed = 3;
constexpr int kNotSupported = 4;
constexpr int kSimNotInserted = 10;
constexpr int kSimPinRequired = 11;
constexpr int kSimPukRequired = 12;
constexpr int kSimFailure = 13;
constexpr int kSimBusy = 14;
constexpr int kIncorrectPassword = 16;
constexpr int kInvalidCharacters = 25;
constexpr int kNoNetworkService = 30;
constexpr int kEmergencyOnly = 32;
constexpr int kIncorrectParameters = 50;
constexpr int kUnknown = 100;
}  // namespace cme

struct Identity {
    std::string manufacturer;
    std::string model;
    std::string revision;
    std::string hardware_id;  // IMEI (GSM) or MEID (CDMA)
    std::string imsi;
    std::string capabilities;  // the +GCAP list
};

// One network of the +COPS=? list. stat: 0 unknown, 1 available, 2 current, 3 forbidden;
// act: 0 GSM, 2 UTRAN, 7 E-UTRAN.
struct Network {
    int stat = 1;
    std::string long_name;
    std::string short_name;
    std::string numeric;
    int act = 2;
};

// The ^DDSRV record, in its field order.
struct ServiceRecord {
    int srv_status = 0;
    int sys_mode = 0;
    int roam = 0;
    int domain = 0;
    int sim_state = 0;
    int card_type = 0;
    int srv_state = 0;
};

struct PdpContext {
    std::string type = "IP";
    std::string apn;
};

// One answer of the network's USSD service: the +CUSD result code m (0 done, 1 a reply is
// expected, 2 ended by the network, 4 not supported) and the text, when there is one.
struct UssdReply {
    int m = 0;
    bool has_text = false;
    std::string text;  // UTF-8
};

// Things the AT port reports unsolicited when they change.
enum Event : unsigned {
    kEventService = 1u << 0,   // registration or the service record changed
    kEventWorkMode = 1u << 1,  // ^DDMODE
    kEventSms = 1u << 2,       // the message side has lines to report (SmsModel::TakeNotices)
    kEventCall = 1u << 3,      // calls have reports waiting (CallModel::TakeNotices)
};

class CardModel {
public:
    explicit CardModel(CardKind kind);

    CardKind Kind() const { return kind_; }
    const Identity& Id() const { return id_; }

    // ---- How this card differs from the standard (see Quirks.h). Switching radio-off on turns
    // the radio off now; switching sim-busy off ends a SIM start.
    const QuirkSet& Quirks() const { return quirks_; }
    void SetQuirks(const QuirkSet& quirks);
    sim::Dialect Dialect() const { return dialect_; }
    void SetDialect(sim::Dialect dialect) { dialect_ = dialect; }

    // ---- SIM/UIM. The operations answer 0 on success or a +CME ERROR number.
    CardState State() const { return state_; }
    // 0 when the card can be used; else 14 while the SIM starts (10 at its end), 10 absent,
    // 11 PIN, 12 PUK, 13 blocked.
    int CardError() const;
    // The start of the SIM with sim-busy: it begins when the radio comes on (or at power-up
    // with the radio on) and lasts SimStartMs; the host's side schedules its steps.
    SimStart SimStartPhase() const { return sim_start_; }
    // 14 while busy, 10 while briefly not found, 0 otherwise.
    int SimStartError() const;
    int SimStartMs() const { return sim_start_ms_; }
    bool SetSimStartMs(int ms);  // 100..60000
    // Whether a start began that has no steps scheduled yet; `generation` names it.
    bool TakeSimStartRequest(int* generation);
    // A step of the start `generation` (ignored when a newer start began or it ended).
    void SimStartStep(int generation, SimStart phase);
    int PinAttempts() const { return pin_attempts_; }
    int PukAttempts() const { return puk_attempts_; }
    bool PinLock() const { return pin_lock_; }
    const std::string& Pin() const { return pin_; }
    const std::string& Puk() const { return puk_; }
    int VerifyPin(std::string_view pin);
    int UnlockWithPuk(std::string_view puk, std::string_view new_pin);
    int SetPinLock(bool on, std::string_view pin);
    int ChangePin(std::string_view old_pin, std::string_view new_pin);
    // Control: puts the card into a state as if it had just got there ("pin" switches the PIN
    // request on and asks for the PIN with full attempts; "puk" uses up the PIN attempts;
    // "blocked" uses up the PUK attempts too; "ready" restores full attempts).
    void ForceState(CardState state);
    bool SetPinCode(std::string_view pin);  // false unless 4..8 digits
    bool SetPukCode(std::string_view puk);  // false unless 8 digits
    // The card was taken out and put back: with the PIN request on it asks for the PIN again.
    void PowerUp();

    // ---- Radio and service.
    int Signal() const;  // 0..31, 99 unknown (also while the radio is off)
    void SetSignal(int rssi) { rssi_ = rssi; }
    int Functionality() const { return fun_; }
    bool SetFunctionality(int fun);  // 0 minimum, 1 full, 4 radio off
    ServiceRecord Service() const;
    // srv_status 0..4, sys_mode of the record, roam 0/1; false when out of range.
    bool SetService(int srv_status, int sys_mode, int roam);
    // +CREG/+CGREG <stat>: 0 not registered, 1 home, 3 denied, 5 roaming.
    int RegistrationStat() const;
    bool PacketAttached() const;
    std::string Lac() const { return "1A2B"; }
    std::string CellId() const { return "0000C3D4"; }

    // ---- Networks (+COPS).
    const std::vector<Network>& Networks() const { return networks_; }
    // The network registered to, null when none.
    const Network* Current() const;
    int SelectionMode() const { return selection_mode_; }  // 0 automatic, 1 manual, 2 none
    // format 0 long name, 1 short name, 2 numeric.
    int SelectNetwork(std::string_view name, int format);
    int SelectAutomatic();
    void Deregister();
    void SetOperatorName(std::string_view long_name);
    void ClearNetworks();
    bool AddNetwork(const Network& network);
    void ResetNetworks();
    int SearchDelayMs() const { return search_delay_ms_; }
    void SetSearchDelayMs(int ms) { search_delay_ms_ = ms; }

    // ---- Stored settings.
    int NetSel() const { return netsel_; }
    bool SetNetSel(int value);  // 1, 2, 4, 6, 10, 11
    const std::map<int, PdpContext>& Contexts() const { return contexts_; }
    bool SetContext(int cid, const PdpContext& context);  // cid 1..16
    void RemoveContext(int cid) { contexts_.erase(cid); }
    int WorkMode() const { return work_mode_; }
    bool SetWorkMode(int mode);  // 0 modem, 1 Wi-Fi
    const std::string& Ssid() const { return ssid_; }
    void SetSsid(std::string_view ssid) { ssid_ = ssid; }
    // Restores the stored settings, registers automatically and drops the service until
    // ServiceBackAfterReset().
    void FactoryReset();
    void ServiceBackAfterReset();
    bool ResettingNow() const { return resetting_; }
    int ResetDowntimeMs() const { return 400; }

    // ---- Indicator byte (^DDIND): bit 0 new message, bit 1 roaming, bit 2 data call up.
    int Indicator() const;
    void SetNewMessage(bool on) { new_message_ = on; }

    // ---- USSD (the network's side). `UssdRequest` answers 0 and fills `reply`, or answers a
    // +CME ERROR number for a request the network refuses.
    int UssdRequest(std::string_view request, UssdReply* reply);
    void UssdCancel() { ussd_session_ = UssdSession::kNone; }
    bool UssdSessionOpen() const { return ussd_session_ != UssdSession::kNone; }
    // A network-initiated request or notification.
    UssdReply UssdFromNetwork(std::string_view text, bool expects_reply);
    const std::string& LastUssdRequest() const { return last_ussd_; }
    UssdEncoding UssdCoding() const { return ussd_encoding_; }
    void SetUssdCoding(UssdEncoding encoding) { ussd_encoding_ = encoding; }
    bool UssdBeforeOk() const { return ussd_before_ok_; }
    void SetUssdBeforeOk(bool before) { ussd_before_ok_ = before; }
    int UssdDelayMs() const { return ussd_delay_ms_; }
    void SetUssdDelayMs(int ms) { ussd_delay_ms_ = ms; }

    // ---- Short messages: storages, routing, sending (kept across pulling and inserting).
    SmsModel& Sms() { return sms_; }
    const SmsModel& Sms() const { return sms_; }

    // ---- Phonebooks (kept across pulling and inserting).
    PhonebookModel& Phonebooks() { return phonebooks_; }
    const PhonebookModel& Phonebooks() const { return phonebooks_; }

    // ---- Voice calls (they end without a word when the card is pulled).
    CallModel& Calls() { return calls_; }
    const CallModel& Calls() const { return calls_; }

    // Events since the last call (bits of Event).
    unsigned TakeEvents();

private:
    void Changed(unsigned events) { events_ |= events; }
    void BeginSimStart();
    void PinFailed();
    void RestoreSettings();
    std::vector<Network> DefaultNetworks() const;
    int HomeIndex() const;

    enum class UssdSession { kNone, kMenu, kNetwork };

    CardKind kind_;
    Identity id_;

    CardState state_ = CardState::kReady;
    std::string pin_ = "1234";
    std::string puk_ = "12345678";
    int pin_attempts_ = 3;
    int puk_attempts_ = 10;
    bool pin_lock_ = false;

    int rssi_ = 20;
    int fun_ = 1;
    int srv_status_ = 2;
    int sys_mode_ = 0;
    int roam_ = 0;

    std::vector<Network> networks_;
    int current_ = 0;  // index into networks_, -1 when not registered
    int selection_mode_ = 0;
    int search_delay_ms_ = 200;

    int netsel_ = 4;
    std::map<int, PdpContext> contexts_;
    int work_mode_ = 0;
    std::string ssid_;
    bool resetting_ = false;

    bool new_message_ = false;

    UssdSession ussd_session_ = UssdSession::kNone;
    std::string last_ussd_;
    UssdEncoding ussd_encoding_ = UssdEncoding::kText;
    bool ussd_before_ok_ = false;
    int ussd_delay_ms_ = 50;

    SmsModel sms_;
    PhonebookModel phonebooks_;
    CallModel calls_;

    QuirkSet quirks_;
    sim::Dialect dialect_ = sim::Dialect::kOurs;
    SimStart sim_start_ = SimStart::kDone;
    int sim_start_ms_ = 3000;
    int sim_start_generation_ = 0;
    bool sim_start_requested_ = false;

    unsigned events_ = 0;
};

const char* CardStateName(CardState state);  // "ready", "pin", "puk", "blocked", "absent"
bool ParseCardState(std::string_view word, CardState* state);
const char* UssdEncodingName(UssdEncoding encoding);  // "text", "gsm7hex", "ucs2"
bool ParseUssdEncoding(std::string_view word, UssdEncoding* encoding);

}  // namespace dedevev::sim
