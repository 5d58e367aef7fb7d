#include "sim/CardModel.h"

#include <algorithm>

namespace dedevev::sim {

namespace {

constexpr int kPinTries = 3;
constexpr int kPukTries = 10;

const char kBalance[] = "Your balance is 12.50";
const char kMenu[] = "Choose: 1 Balance, 2 Tariff";
const char kTariff[] = "Your tariff is Basic: 0.10 per minute";
const char kInvalidChoice[] = "Invalid choice. 1 Balance, 2 Tariff";
// A reply outside the GSM alphabet: the network has to send it as UCS2.
const char kBalanceUcs2[] = "\xD0\x91\xD0\xB0\xD0\xBB\xD0\xB0\xD0\xBD\xD1\x81: 12,50 \xE2\x82\xBD";

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ValidPin(std::string_view pin) {
    return AllDigits(pin) && pin.size() >= 4 && pin.size() <= 8;
}

int DefaultSysMode(CardKind kind) {
    return kind == CardKind::kCdma ? 4 : 5;  // HDR (EV-DO) or WCDMA
}

}  // namespace

CardModel::CardModel(CardKind kind)
    : kind_(kind), sms_(kind == CardKind::kGsm), calls_(kind == CardKind::kGsm) {
    id_.manufacturer = "DEDEVev";
    id_.revision = "DDV-CS 1.0.0";
    if (kind == CardKind::kCdma) {
        id_.model = "CardSim CDMA/EV-DO";
        id_.hardware_id = "A1000049D2C3B8";  // MEID
        id_.imsi = "001020123456789";
        id_.capabilities = "+CIS707-A,+CIS-856,+DS,+ES";
    } else {
        id_.model = "CardSim GSM/UMTS";
        id_.hardware_id = "356938035643809";  // IMEI
        id_.imsi = "001010123456789";
        id_.capabilities = "+CGSM,+DS,+ES";
    }
    sys_mode_ = DefaultSysMode(kind);
    networks_ = DefaultNetworks();
    current_ = HomeIndex();
    RestoreSettings();
}

std::vector<Network> CardModel::DefaultNetworks() const {
    const std::string home = id_.imsi.substr(0, 6);
    return {
        {2, "DEDEVev Mobile", "DEDEVev", home, 2},
        {1, "Test Network 2G", "Test2G", "00103", 0},
        {1, "Other Mobile 3G", "Other3G", "00105", 2},
        {3, "Forbidden Net", "Forbid", "00199", 2},
    };
}

int CardModel::HomeIndex() const {
    const std::string home = id_.imsi.substr(0, 6);
    for (std::size_t i = 0; i < networks_.size(); ++i) {
        if (networks_[i].numeric == home)
            return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < networks_.size(); ++i) {
        if (networks_[i].stat != 3)
            return static_cast<int>(i);
    }
    return -1;
}

void CardModel::RestoreSettings() {
    netsel_ = 4;
    sys_mode_ = DefaultSysMode(kind_);
    contexts_.clear();
    contexts_[1] = PdpContext{"IP", kind_ == CardKind::kCdma ? "#777" : "internet"};
    work_mode_ = 0;
    const std::string& hw = id_.hardware_id;
    ssid_ = "DEDEVev-" + hw.substr(hw.size() - 4);
}

// ---- SIM/UIM

int CardModel::CardError() const {
    if (const int starting = SimStartError())
        return starting;
    switch (state_) {
        case CardState::kReady:
            return 0;
        case CardState::kPinRequired:
            return cme::kSimPinRequired;
        case CardState::kPukRequired:
            return cme::kSimPukRequired;
        case CardState::kBlocked:
            return cme::kSimFailure;
        case CardState::kAbsent:
            return cme::kSimNotInserted;
    }
    return cme::kUnknown;
}

void CardModel::PinFailed() {
    if (pin_attempts_ > 0)
        --pin_attempts_;
    if (pin_attempts_ == 0) {
        state_ = CardState::kPukRequired;
        Changed(kEventService);
    }
}

int CardModel::VerifyPin(std::string_view pin) {
    if (state_ != CardState::kPinRequired)
        return state_ == CardState::kReady ? cme::kNotAllowed : CardError();
    if (pin != pin_) {
        PinFailed();
        return cme::kIncorrectPassword;
    }
    state_ = CardState::kReady;
    pin_attempts_ = kPinTries;
    Changed(kEventService);
    return 0;
}

int CardModel::UnlockWithPuk(std::string_view puk, std::string_view new_pin) {
    if (state_ != CardState::kPukRequired) {
        const bool usable = state_ == CardState::kReady || state_ == CardState::kPinRequired;
        return usable ? cme::kNotAllowed : CardError();
    }
    // A malformed new PIN is refused before the PUK is tried, so it costs no attempt.
    if (!ValidPin(new_pin))
        return cme::kIncorrectParameters;
    if (puk != puk_) {
        if (puk_attempts_ > 0)
            --puk_attempts_;
        if (puk_attempts_ == 0) {
            state_ = CardState::kBlocked;
            Changed(kEventService);
        }
        return cme::kIncorrectPassword;
    }
    pin_ = new_pin;
    pin_lock_ = true;
    pin_attempts_ = kPinTries;
    puk_attempts_ = kPukTries;
    state_ = CardState::kReady;
    Changed(kEventService);
    return 0;
}

int CardModel::SetPinLock(bool on, std::string_view pin) {
    if (int error = CardError())
        return error;
    if (pin != pin_) {
        PinFailed();
        return cme::kIncorrectPassword;
    }
    pin_lock_ = on;
    pin_attempts_ = kPinTries;
    return 0;
}

int CardModel::ChangePin(std::string_view old_pin, std::string_view new_pin) {
    if (int error = CardError())
        return error;
    if (!pin_lock_)
        return cme::kNotAllowed;  // a disabled PIN cannot be changed
    if (!ValidPin(new_pin))
        return cme::kIncorrectParameters;
    if (old_pin != pin_) {
        PinFailed();
        return cme::kIncorrectPassword;
    }
    pin_ = new_pin;
    pin_attempts_ = kPinTries;
    return 0;
}

void CardModel::ForceState(CardState state) {
    switch (state) {
        case CardState::kReady:
            pin_attempts_ = kPinTries;
            puk_attempts_ = kPukTries;
            break;
        case CardState::kPinRequired:
            pin_lock_ = true;
            pin_attempts_ = kPinTries;
            break;
        case CardState::kPukRequired:
            pin_lock_ = true;
            pin_attempts_ = 0;
            puk_attempts_ = kPukTries;
            break;
        case CardState::kBlocked:
            pin_lock_ = true;
            pin_attempts_ = 0;
            puk_attempts_ = 0;
            break;
        case CardState::kAbsent:
            break;
    }
    state_ = state;
    ussd_session_ = UssdSession::kNone;
    Changed(kEventService);
}

bool CardModel::SetPinCode(std::string_view pin) {
    if (!ValidPin(pin))
        return false;
    pin_ = pin;
    return true;
}

bool CardModel::SetPukCode(std::string_view puk) {
    if (!AllDigits(puk) || puk.size() != 8)
        return false;
    puk_ = puk;
    return true;
}

void CardModel::PowerUp() {
    if (state_ == CardState::kReady && pin_lock_)
        state_ = CardState::kPinRequired;
    fun_ = quirks_.Has(Quirk::kRadioOff) ? 4 : 1;
    if (quirks_.Has(Quirk::kSimBusy)) {
        sim_start_ = SimStart::kBusy;  // until the radio is on and the SIM has started
        if (fun_ == 1)
            BeginSimStart();
    }
    resetting_ = false;
    ussd_session_ = UssdSession::kNone;
    sms_.PowerUp();
    phonebooks_.PowerUp();
    calls_.PowerUp();
    Changed(kEventService);
}

// ---- Radio and service

int CardModel::Signal() const {
    return fun_ == 1 ? rssi_ : 99;
}

bool CardModel::SetFunctionality(int fun) {
    if (fun != 0 && fun != 1 && fun != 4)
        return false;
    if (fun != fun_) {
        if (fun == 1 && quirks_.Has(Quirk::kSimBusy))
            BeginSimStart();
        fun_ = fun;
        Changed(kEventService);
    }
    return true;
}

// ---- Quirks and the SIM's start

void CardModel::SetQuirks(const QuirkSet& quirks) {
    const bool radio_off = quirks.Has(Quirk::kRadioOff) && !quirks_.Has(Quirk::kRadioOff);
    quirks_ = quirks;
    if (!quirks_.Has(Quirk::kSimBusy)) {
        sim_start_ = SimStart::kDone;
        sim_start_requested_ = false;
    } else if (radio_off) {
        sim_start_ = SimStart::kBusy;  // the SIM starts again with the radio
    }
    if (radio_off)
        SetFunctionality(4);
    Changed(kEventService);
}

int CardModel::SimStartError() const {
    switch (sim_start_) {
        case SimStart::kBusy:
            return cme::kSimBusy;
        case SimStart::kAbsent:
            return cme::kSimNotInserted;
        case SimStart::kDone:
            break;
    }
    return 0;
}

bool CardModel::SetSimStartMs(int ms) {
    if (ms < 100 || ms > 60000)
        return false;
    sim_start_ms_ = ms;
    return true;
}

void CardModel::BeginSimStart() {
    sim_start_ = SimStart::kBusy;
    ++sim_start_generation_;
    sim_start_requested_ = true;
}

bool CardModel::TakeSimStartRequest(int* generation) {
    if (!sim_start_requested_)
        return false;
    sim_start_requested_ = false;
    *generation = sim_start_generation_;
    return true;
}

void CardModel::SimStartStep(int generation, SimStart phase) {
    if (generation != sim_start_generation_ || sim_start_ == SimStart::kDone)
        return;
    sim_start_ = phase;
    Changed(kEventService);
}

ServiceRecord CardModel::Service() const {
    ServiceRecord r;
    r.card_type = kind_ == CardKind::kCdma ? 2 : 1;
    switch (state_) {
        case CardState::kReady:
            r.sim_state = SimStartError() != 0 ? 0 : 1;
            break;
        case CardState::kAbsent:
            r.sim_state = 255;
            r.card_type = 0;
            break;
        default:
            r.sim_state = 0;  // present but locked or blocked
            break;
    }
    int status = srv_status_;
    if (fun_ != 1 || resetting_ || current_ < 0)
        status = 0;
    else if (CardError() != 0 && status != 0)
        status = 1;  // emergency calls only without a usable card
    r.srv_status = status;
    r.srv_state = status;
    r.sys_mode = status == 0 ? 0 : sys_mode_;
    r.roam = status == 2 ? roam_ : 0;
    r.domain = status == 2 ? 3 : 0;
    return r;
}

bool CardModel::SetService(int srv_status, int sys_mode, int roam) {
    static const int kModes[] = {0, 1, 2, 3, 4, 5, 9};
    if (srv_status < 0 || srv_status > 4 || (roam != 0 && roam != 1) ||
        std::find(std::begin(kModes), std::end(kModes), sys_mode) == std::end(kModes))
        return false;
    srv_status_ = srv_status;
    sys_mode_ = sys_mode;
    roam_ = roam;
    Changed(kEventService);
    return true;
}

int CardModel::RegistrationStat() const {
    const ServiceRecord r = Service();
    switch (r.srv_status) {
        case 2:
            return r.roam ? 5 : 1;
        case 1:
        case 3:
            return 3;
        default:
            return 0;
    }
}

bool CardModel::PacketAttached() const {
    return Service().srv_status == 2;
}

// ---- Networks

const Network* CardModel::Current() const {
    if (current_ < 0 || current_ >= static_cast<int>(networks_.size()))
        return nullptr;
    return &networks_[current_];
}

int CardModel::SelectNetwork(std::string_view name, int format) {
    if (int error = CardError())
        return error;
    if (fun_ != 1 || srv_status_ == 0)
        return cme::kNoNetworkService;
    auto found = std::find_if(networks_.begin(), networks_.end(), [&](const Network& n) {
        const std::string& key =
            format == 0 ? n.long_name : (format == 1 ? n.short_name : n.numeric);
        return key == name;
    });
    if (found == networks_.end())
        return cme::kNoNetworkService;
    if (found->stat == 3)
        return cme::kEmergencyOnly;  // forbidden network
    for (Network& n : networks_) {
        if (n.stat == 2)
            n.stat = 1;
    }
    found->stat = 2;
    current_ = static_cast<int>(found - networks_.begin());
    selection_mode_ = 1;
    Changed(kEventService);
    return 0;
}

int CardModel::SelectAutomatic() {
    if (int error = CardError())
        return error;
    const int home = HomeIndex();
    if (home < 0)
        return cme::kNoNetworkService;
    for (Network& n : networks_) {
        if (n.stat == 2)
            n.stat = 1;
    }
    networks_[home].stat = 2;
    current_ = home;
    selection_mode_ = 0;
    Changed(kEventService);
    return 0;
}

void CardModel::Deregister() {
    for (Network& n : networks_) {
        if (n.stat == 2)
            n.stat = 1;
    }
    current_ = -1;
    selection_mode_ = 2;
    Changed(kEventService);
}

void CardModel::SetOperatorName(std::string_view long_name) {
    if (current_ >= 0 && current_ < static_cast<int>(networks_.size())) {
        networks_[current_].long_name = long_name;
        Changed(kEventService);
    }
}

void CardModel::ClearNetworks() {
    networks_.clear();
    current_ = -1;
    Changed(kEventService);
}

bool CardModel::AddNetwork(const Network& network) {
    if (network.stat < 0 || network.stat > 3 || network.long_name.empty() ||
        network.numeric.empty())
        return false;
    if (network.stat == 2) {
        for (Network& n : networks_) {
            if (n.stat == 2)
                n.stat = 1;
        }
        current_ = static_cast<int>(networks_.size());
        Changed(kEventService);
    }
    networks_.push_back(network);
    return true;
}

void CardModel::ResetNetworks() {
    networks_ = DefaultNetworks();
    current_ = HomeIndex();
    selection_mode_ = 0;
    Changed(kEventService);
}

// ---- Stored settings

bool CardModel::SetNetSel(int value) {
    int mode = 0;
    switch (value) {
        case 1:
            mode = 3;  // GSM
            break;
        case 2:
            mode = 5;  // WCDMA
            break;
        case 4:
            mode = DefaultSysMode(kind_);
            break;
        case 6:
            mode = 9;  // LTE
            break;
        case 10:
            mode = 2;  // CDMA 1x
            break;
        case 11:
            mode = 4;  // HDR
            break;
        default:
            return false;
    }
    netsel_ = value;
    if (mode != sys_mode_) {
        sys_mode_ = mode;
        Changed(kEventService);
    }
    return true;
}

bool CardModel::SetContext(int cid, const PdpContext& context) {
    if (cid < 1 || cid > 16)
        return false;
    contexts_[cid] = context;
    return true;
}

bool CardModel::SetWorkMode(int mode) {
    if (mode != 0 && mode != 1)
        return false;
    if (mode != work_mode_) {
        work_mode_ = mode;
        Changed(kEventWorkMode);
    }
    return true;
}

void CardModel::FactoryReset() {
    const int old_mode = work_mode_;
    RestoreSettings();
    if (old_mode != work_mode_)
        Changed(kEventWorkMode);
    networks_ = DefaultNetworks();
    current_ = HomeIndex();
    selection_mode_ = 0;
    ussd_session_ = UssdSession::kNone;
    resetting_ = true;
    Changed(kEventService);
}

void CardModel::ServiceBackAfterReset() {
    if (resetting_) {
        resetting_ = false;
        Changed(kEventService);
    }
}

int CardModel::Indicator() const {
    return (new_message_ ? 1 : 0) | (Service().roam ? 2 : 0) | (calls_.Data() ? 4 : 0);
}

// ---- USSD

int CardModel::UssdRequest(std::string_view request, UssdReply* reply) {
    if (int error = CardError())
        return error;
    if (Service().srv_status != 2)
        return cme::kNoNetworkService;
    last_ussd_ = request;
    *reply = UssdReply{};
    const bool new_code = request.size() > 1 && request.front() == '*' && request.back() == '#';
    if (ussd_session_ == UssdSession::kMenu && !new_code) {
        if (request == "1") {
            *reply = {0, true, kBalance};
        } else if (request == "2") {
            *reply = {0, true, kTariff};
        } else {
            *reply = {1, true, kInvalidChoice};
            return 0;
        }
        ussd_session_ = UssdSession::kNone;
        return 0;
    }
    if (ussd_session_ == UssdSession::kNetwork && !new_code) {
        ussd_session_ = UssdSession::kNone;
        *reply = {0, true, "Reply received: " + std::string(request)};
        return 0;
    }
    ussd_session_ = UssdSession::kNone;
    if (request == "*123#") {
        *reply = {0, true, kBalance};
    } else if (request == "*100#") {
        *reply = {1, true, kMenu};
        ussd_session_ = UssdSession::kMenu;
    } else if (request == "*106#") {
        *reply = {0, true, kBalanceUcs2};
    } else if (request == "*999#") {
        return cme::kNotAllowed;  // a code this network refuses
    } else {
        *reply = {4, false, ""};  // not supported by the network
    }
    return 0;
}

UssdReply CardModel::UssdFromNetwork(std::string_view text, bool expects_reply) {
    ussd_session_ = expects_reply ? UssdSession::kNetwork : UssdSession::kNone;
    return UssdReply{expects_reply ? 1 : 0, true, std::string(text)};
}

unsigned CardModel::TakeEvents() {
    const unsigned events =
        events_ | (sms_.HasNotices() ? kEventSms : 0u) | (calls_.HasNotices() ? kEventCall : 0u);
    events_ = 0;
    return events;
}

// ---- Names

const char* CardStateName(CardState state) {
    switch (state) {
        case CardState::kReady:
            return "ready";
        case CardState::kPinRequired:
            return "pin";
        case CardState::kPukRequired:
            return "puk";
        case CardState::kBlocked:
            return "blocked";
        case CardState::kAbsent:
            return "absent";
    }
    return "?";
}

bool ParseCardState(std::string_view word, CardState* state) {
    for (CardState s : {CardState::kReady, CardState::kPinRequired, CardState::kPukRequired,
                        CardState::kBlocked, CardState::kAbsent}) {
        if (word == CardStateName(s)) {
            *state = s;
            return true;
        }
    }
    return false;
}

const char* UssdEncodingName(UssdEncoding encoding) {
    switch (encoding) {
        case UssdEncoding::kText:
            return "text";
        case UssdEncoding::kGsm7Hex:
            return "gsm7hex";
        case UssdEncoding::kUcs2:
            return "ucs2";
    }
    return "?";
}

bool ParseUssdEncoding(std::string_view word, UssdEncoding* encoding) {
    for (UssdEncoding e : {UssdEncoding::kText, UssdEncoding::kGsm7Hex, UssdEncoding::kUcs2}) {
        if (word == UssdEncodingName(e)) {
            *encoding = e;
            return true;
        }
    }
    return false;
}

}  // namespace dedevev::sim
