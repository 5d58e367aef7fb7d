#include "connection/Connection.h"

#include <cerrno>
#include <utility>

#include "connection/NetRecordStore.h"
#include "core/AppSettings.h"
#include "core/CDMATime.h"
#include "core/Customization.h"
#include "core/TextCodec.h"
#include "device/DeviceHolder.h"
#include "device/DeviceStatus.h"
#include "device/IDeviceControl.h"
#include "device/base/Clock.h"
#include "device/base/Utf.h"
#include "resources/Localizer.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kWatchSlice{100};
constexpr milliseconds kServicePoll{200};
constexpr milliseconds kServiceWait{5000};
constexpr milliseconds kStatisticsPeriod{1000};
constexpr int kErrorPauseSlices = 80;  // 8 s in watch slices
constexpr int kReleaseTries = 3;

template <typename T>
T Ask(const std::function<T()>& source) {
    return source ? source() : T{};
}

bool IsPacketSystem(int mode) {
    return mode == kSystemModeLte || mode == kSystemModeWcdma || mode == kSystemModeGsm;
}

bool IsCdmaSystem(int mode) {
    return mode == kSystemModeCdma || mode == kSystemModeHdr;
}

// Networks whose packet accounts dial without a user name and password.
bool DialsWithoutAccount(std::u16string_view mcc_mnc) {
    const std::u16string_view code = TrimView(mcc_mnc);
    return code == u"46003" || code == u"46005" || code == u"46011";
}

// The difference of a byte counter to its last reading; a counter that went back has
// started again from 0.
std::uint64_t Moved(std::uint64_t now, std::uint64_t before) {
    return now >= before ? now - before : now;
}

}  // namespace

// ---- CDialAssistor

void CDialAssistor::SetMode(int mode) {
    std::lock_guard<std::mutex> lock(mutex_);
    mode_ = mode;
    redial_armed_ = mode == 1;
}

bool CDialAssistor::IsNumber(const std::u16string& number) {
    std::lock_guard<std::mutex> lock(mutex_);
    return number == number_;
}

std::u16string CDialAssistor::GetNumber() {
    std::lock_guard<std::mutex> lock(mutex_);
    return number_;
}

bool CDialAssistor::IsRedialArmed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return redial_armed_;
}

std::uint8_t CDialAssistor::CheckService(std::uint8_t* status) {
    IDeviceControl* control = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        control = control_;
    }
    // The card is asked outside the lock: a slow card must not hold up SetMode from the
    // window thread.
    int result = kStatusUntouched;
    const ServiceInfo info = control != nullptr ? control->GetServiceInfo(&result) : ServiceInfo{};
    if (status != nullptr)
        *status = static_cast<std::uint8_t>(result & 0xFF);
    if (result != kStatusOk)
        return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    number_ = IsCdmaSystem(info.system_mode) ? u"#777" : u"*99#";
    return static_cast<std::uint8_t>(info.service_state);
}

void CDialAssistor::SetDeviceControl(IDeviceControl* control) {
    std::lock_guard<std::mutex> lock(mutex_);
    control_ = control;
}

CDialAssistor& DialAssistor() {
    static CDialAssistor assistor;
    return assistor;
}

// ---- the running program's environment

ConnectionEnvironment DefaultConnectionEnvironment() {
    ConnectionEnvironment env;
    env.device_control = []() -> IDeviceControl* {
        IModemAgent* agent = Devices().ModemAgent();
        return agent != nullptr ? agent->GetDeviceControl() : nullptr;
    };
    env.data_port = [] {
        IHardwareInfo* hardware = Devices().Hardware();
        return hardware != nullptr ? hardware->GetPort0() : std::string();
    };
    env.control_port = [] {
        IHardwareInfo* hardware = Devices().Hardware();
        return hardware != nullptr ? hardware->GetPort1() : std::string();
    };
    env.dial_setting = [] { return CurrentSettings().dial; };
    // The settings record keeps no operator text: the library is not given one.
    env.operator_text = [] { return std::string(); };
    env.entry_name = [] { return LocalText("ConnectionName", "DlgNet"); };
    env.connecting_text = [] { return LocalText("Connecting", "DlgNet"); };
    env.release_failed_text = [] { return LocalText("Release ATH failed!", "DlgNet"); };
    env.show_state_names = [] { return Customization().ShowDialStateNames(); };
    env.create_client = [] { return CreatePppClient(&CdmaTime()); };
    env.release_client = [](IPppClient* client) { ReleasePppClient(client); };
    return env;
}

// ---- CConnection

CConnection::CConnection(ConnectionEnvironment env)
    : env_(std::move(env)),
      clock_(env_.clock != nullptr ? *env_.clock : ProcessClock()),
      ppp_(env_.create_client ? env_.create_client() : nullptr) {}

CConnection::~CConnection() {
    Stop();
    Join();
    if (ppp_ != nullptr && env_.release_client)
        env_.release_client(ppp_);
}

void CConnection::AddListener(IConnectionListener* listener) {
    std::lock_guard<std::mutex> lock(listeners_mutex_);
    listeners_.push_back(listener);
}

void CConnection::Stop() {
    stop_event_.Set();
    Assistor().SetMode(0);
}

void CConnection::StopAndWait() {
    Stop();
    while (!Wait(milliseconds(30))) {
        if (env_.pump_messages)
            env_.pump_messages();
    }
}

bool CConnection::GetStatistics(SessionStats* stats) {
    return ppp_ != nullptr && stats != nullptr && ppp_->GetStatistics(stats);
}

const std::u16string& CConnection::GetInfoText() {
    info_text_ = ppp_ != nullptr ? ppp_->GetInfoText() : std::u16string();
    return info_text_;
}

void CConnection::SetRecorder(NetRecordStore* recorder) {
    std::lock_guard<std::mutex> lock(recorder_mutex_);
    recorder_ = recorder;
}

CDialAssistor& CConnection::Assistor() {
    return env_.assistor != nullptr ? *env_.assistor : DialAssistor();
}

template <typename F>
void CConnection::Notify(F&& f) {
    std::vector<IConnectionListener*> listeners;
    {
        std::lock_guard<std::mutex> lock(listeners_mutex_);
        listeners = listeners_;
    }
    for (IConnectionListener* listener : listeners) {
        if (listener != nullptr)
            f(*listener);
    }
}

bool CConnection::CanStart() {
    if (ppp_ == nullptr)
        return false;
    stop_event_.Clear();
    ppp_->SetPort(Utf8ToUtf16(Ask(env_.control_port)));
    const std::string operator_text = Ask(env_.operator_text);
    if (!operator_text.empty())
        ppp_->SetOperatorText(operator_text);
    const DialSetting dial = Ask(env_.dial_setting);
    ppp_->SetAuthProtocols(dial.chap ? 1 : 0, dial.pap ? 1 : 0);
    return true;
}

bool CConnection::Pause(milliseconds duration) {
    return clock_.SleepFor(duration, &stop_event_);
}

void CConnection::Run() {
    retries_ = 0;
    last_error_ = 0;
    last_sent_ = last_received_ = 0;
    connected_ = false;
    ppp_->SetListener(this);

    const DialSetting dial = Ask(env_.dial_setting);
    DialParams account;
    account.device = Utf8ToUtf16(Ask(env_.data_port));
    account.entry_name = Ask(env_.entry_name);
    account.number = dial.number;
    account.user = dial.user;
    account.password = dial.pass;
    account.dns_primary = dial.dns_main;
    account.dns_secondary = dial.dns_minor;
    account.ip_address = dial.ip_address;
    account.mcc_mnc = dial.mcc_mnc;

    for (;;) {
        // Every dial starts from the configured account: the system may have changed since
        // the last one.
        DialParams params = account;
        // The card is asked for anew at each dial: a pulled card's object goes away.
        IDeviceControl* control = Ask(env_.device_control);
        Assistor().SetDeviceControl(control);
        ChooseNumber(control, dial, &params);
        ReleaseDataCall(control);
        WaitForService(control);
        std::uint8_t status = 0;
        if (stop_event_.IsSet() || Assistor().CheckService(&status) != kServiceAvailable) {
            stop_event_.Set();
            break;
        }
        if (!ppp_->Dial(params)) {
            const int reason = errno;
            const std::u16string text = ppp_->GetErrorText(reason);
            Notify([&](IConnectionListener& l) { l.OnError(text); });
            stop_event_.Set();
            break;
        }
        const MonitorResult result = Monitor();
        if (connected_ && result == MonitorResult::kRedial) {
            Assistor().SetMode(1);
            if (Assistor().IsRedialArmed()) {
                Notify([](IConnectionListener& l) { l.OnDisconnecting(); });
                // The session that was up is filed before the hang-up, also when a redial
                // follows.
                EndSession();
                ppp_->HangUp();
                if (retries_ < kMaxRedials) {
                    ++retries_;
                    last_error_ = 0;
                    last_sent_ = last_received_ = 0;
                    continue;
                }
                break;
            }
        }
        EndSession();
        break;
    }
    EndSequence();
}

void CConnection::ChooseNumber(IDeviceControl* control, const DialSetting& dial,
                               DialParams* params) {
    if (control == nullptr)
        return;
    int status = kStatusUntouched;
    const ServiceInfo info = control->GetServiceInfo(&status);
    if (status != kStatusOk)
        return;
    const bool packet = IsPacketSystem(info.system_mode);
    if (packet)
        params->number = u"*99#";
    else if (IsCdmaSystem(info.system_mode))
        params->number = u"#777";
    if (packet && DialsWithoutAccount(dial.mcc_mnc)) {
        params->user.clear();
        params->password.clear();
    }
}

void CConnection::ReleaseDataCall(IDeviceControl* control) {
    for (int attempt = 0; control != nullptr && attempt < kReleaseTries; ++attempt) {
        int status = kStatusUntouched;
        control->HangUpData(&status);
        if (status == kStatusOk)
            return;
    }
    const std::u16string text = Ask(env_.release_failed_text);
    Notify([&](IConnectionListener& l) { l.OnError(text); });
}

void CConnection::WaitForService(IDeviceControl* control) {
    const IClock::TimePoint deadline = clock_.Deadline(kServiceWait);
    for (;;) {
        int status = kStatusUntouched;
        if (control != nullptr) {
            const ServiceInfo info = control->GetServiceInfo(&status);
            if (status == kStatusOk && info.service_state == kServiceAvailable)
                return;
        }
        const IClock::TimePoint now = clock_.Now();
        if (now >= deadline || !Pause(std::min<milliseconds>(kServicePoll, deadline - now)))
            return;
    }
}

CConnection::MonitorResult CConnection::Monitor() {
    IClock::TimePoint tick = clock_.Now();
    int code = 0;
    for (;;) {
        if (!Pause(kWatchSlice))
            return MonitorResult::kStop;
        code = 0;
        const int state = ppp_->GetState(&code);
        if (state != kDialStateConnected && connected_) {
            // The link dropped; when its port closed the card went away and a redial is
            // of no use.
            return code == kDialErrorPortClosed || last_error_ == kDialErrorPortClosed
                       ? MonitorResult::kStop
                       : MonitorResult::kRedial;
        }
        if ((code != 0 || last_error_ != 0) && code != kDialErrorPending)
            break;
        const IClock::TimePoint now = clock_.Now();
        if (now - tick > kStatisticsPeriod && connected_) {
            UpdateStatistics(static_cast<std::uint32_t>(
                std::chrono::duration_cast<std::chrono::seconds>(now - tick).count()));
            tick = now;
        }
    }
    const int error = code != 0 ? code : last_error_.load();
    const std::u16string text = ppp_->GetErrorText(error);
    Notify([&](IConnectionListener& l) { l.OnError(text); });
    for (int slice = 0; slice < kErrorPauseSlices; ++slice) {
        if (!Pause(kWatchSlice))
            return MonitorResult::kStop;
    }
    // The port closed: the card went away, a redial cannot succeed.
    return error == kDialErrorPortClosed ? MonitorResult::kStop : MonitorResult::kRedial;
}

void CConnection::UpdateStatistics(std::uint32_t seconds) {
    SessionStats stats;
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    if (!ppp_->GetStatistics(&stats) || !ppp_->GetByteCounters(&sent, &received))
        return;
    const std::uint64_t divisor = seconds != 0 ? seconds : 1;
    const std::uint64_t receive_rate = Moved(received, last_received_) / divisor;
    const std::uint64_t send_rate = Moved(sent, last_sent_) / divisor;
    last_received_ = received;
    last_sent_ = sent;
    Notify([&](IConnectionListener& l) { l.OnStatistics(stats, receive_rate, send_rate); });
}

void CConnection::RecordSession() {
    std::lock_guard<std::mutex> lock(recorder_mutex_);
    SessionStats stats;
    if (recorder_ == nullptr || !ppp_->GetStatistics(&stats))
        return;
    if (stats.duration == 0 && stats.Flux() != 0)
        stats.duration = 1;
    if (stats.duration != 0)
        recorder_->Add(stats);
}

void CConnection::EndSession() {
    if (connected_)
        RecordSession();
    connected_ = false;
}

void CConnection::EndSequence() {
    Notify([](IConnectionListener& l) { l.OnDisconnecting(); });
    ppp_->SetListener(nullptr);
    ppp_->HangUp();
    ReleaseDataCall(Ask(env_.device_control));
    Notify([](IConnectionListener& l) { l.OnDisconnected(); });
}

void CConnection::OnDialState(int state, int error) {
    last_error_ = error;
    const std::u16string text = env_.show_state_names && env_.show_state_names()
                                    ? DialStateName(state)
                                    : Ask(env_.connecting_text);
    Notify([&](IConnectionListener& l) { l.OnStatus(text); });
    if (state == kDialStateConnected) {
        connected_ = true;
        Notify([](IConnectionListener& l) { l.OnConnected(); });
    }
}

}  // namespace dedevev
