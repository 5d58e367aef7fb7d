#pragma once
// The modem object of our AT library: one AT channel to the card and the parts that speak to
// it (device control, the card service, messages, phonebooks and voice calls). Every part
// shares the ModemContext (channel, character set, what the card turned out to support) and
// registers its unsolicited listeners once, in its constructor.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "device/IModemAgent.h"
#include "device/at/features/CardPhonebook.h"
#include "device/at/features/CardService.h"
#include "device/at/features/DeviceControl.h"
#include "device/at/features/SmsControl.h"
#include "device/at/features/VoiceControl.h"
#include "device/at/parsers/AtParsers.h"
#include "device/at/transport/AtChannel.h"
#include "device/at/transport/DataPort.h"
#include "device/at/transport/PortAccess.h"
#include "device/base/Clock.h"
#include "device/null/NullObjects.h"

namespace dedevev::at {

// The folder EnableLog writes its file to. The application sets its data folder here;
// without it the library uses $XDG_DATA_HOME/Dataline, else ~/.local/share/Dataline.
void SetLogFolder(const std::string& folder);
std::string LogFolder();
constexpr const char* kLogFileName = "ModemAgent.log";

// How long each kind of command may take before the card counts as mute.
struct Timeouts {
    Millis query{5000};     // queries and settings
    Millis alive{2000};     // the AT of CheckAlive (asked ten times in a row at start-up)
    Millis pin{15000};      // PIN and PUK checks, which a SIM may take long over
    Millis search{180000};  // AT+COPS=?
    Millis select{120000};  // AT+COPS=1,...
    Millis ussd{60000};     // AT+CUSD=1,...: some cards answer only after the network
    Millis reset{30000};    // AT^DDRESET, AT&F
    Millis radio{15000};    // AT+CFUN=1: the radio of a card that started with it off
    Millis sim{10000};      // how long a starting SIM is waited for (SIM busy)
    // HangUpData on the data port: its answer, the escape's guard time.
    DataPortTimes data_port;
};

// Whether the card answered a command at all, and whether it has it.
enum class Support { kUnknown, kYes, kNo };

// What every part of one modem object shares.
class ModemContext {
public:
    ModemContext() = default;
    ModemContext(const ModemContext&) = delete;
    ModemContext& operator=(const ModemContext&) = delete;

    AtChannel& Channel() { return channel_; }
    // The clock of every wait and time-out of this modem object: the process clock at the
    // time the object was made.
    IClock& Clock() { return clock_; }

    // Runs one command; the engine serialises and times out.
    Response Run(const std::string& text, Millis timeout);
    Response Run(const Command& command);
    Response Query(const std::string& text) { return Run(text, timeouts().query); }

    Timeouts timeouts() const;
    void SetTimeouts(const Timeouts& timeouts);

    Charset CurrentCharset() const { return charset_.load(); }
    void SetCharset(Charset charset) { charset_.store(charset); }

    // Extension and vendor commands the card has or lacks, learned per opened port.
    enum Feature {
        kDdsrv,
        kSysinfoEx,
        kSysinfo,
        kDdind,
        kCpinr,
        kHuaweiCpin,
        kDdpinr,
        kCmee,     // numeric error reports (AT+CMEE=1); without them errors are a plain ERROR
        kDdmode,   // work modes (^DDMODE); a card without them has no Wi-Fi name either
        kDdreset,  // our factory reset (^DDRESET); without it AT&F and AT&W
        kFeatureCount,
    };
    Support Has(Feature feature) const { return features_[feature].load(); }
    void Learn(Feature feature, Support support) { features_[feature].store(support); }
    // Whether the card speaks CDMA rather than GSM/UMTS/LTE, from what it answers: its
    // capabilities (AT+GCAP, ATI), its identity (ATI, AT+CGMM or AT+GMM, AT+CGMI), its service
    // record, its serial number (AT+CGSN), in this order until one tells. Asked once per opened
    // port; a card that did not answer is asked again next time.
    bool IsCdma();
    // The system mode of the card's own service record (nullopt when it has none or is out of
    // service), for IsCdma. Set by the modem object.
    void SetServiceProbe(std::function<std::optional<int>()> probe);
    // The radio was switched on (AT+CFUN=1): the SIM may take a moment to start.
    void RadioSwitchedOn();
    // Whether the radio was switched on less than Timeouts::sim ago.
    bool SimStarting();
    // Forgets what was learned about the card (a new port was opened).
    void Forget();

    // The ports of the card: the AT port the channel opened (empty for an adopted
    // descriptor) and the port its data calls run on (empty when not known).
    std::string AtPortPath() const;
    void SetAtPortPath(const std::string& port);
    std::string DataPortPath() const;
    void SetDataPortPath(const std::string& port);

private:
    IClock& clock_ = ProcessClock();
    AtChannel channel_{&clock_};
    mutable std::mutex mutex_;
    std::mutex family_mutex_;      // held while AT+GCAP is asked, so it is asked once
    std::atomic<int> family_{-1};  // -1 unknown, 0 GSM, 1 CDMA
    std::function<std::optional<int>()> service_probe_;  // set once, before any use
    std::atomic<std::int64_t> radio_on_ms_{-1};          // when AT+CFUN=1 took, -1: never
    Timeouts timeouts_;
    std::string at_port_;
    std::string data_port_;
    std::atomic<Charset> charset_{Charset::kIra};
    std::atomic<Support> features_[kFeatureCount]{};
};

// Whether a failed answer means "the card has no such command" (so a fallback may follow)
// rather than a mute or vanished card.
bool IsRefusal(const Response& response);
// Whether the card answered at all (any final result; not a time-out or a dead port).
bool Answered(const Response& response);

class ModemAgent final : public IModemAgent {
public:
    ModemAgent();
    ~ModemAgent() override;
    ModemAgent(const ModemAgent&) = delete;
    ModemAgent& operator=(const ModemAgent&) = delete;

    IDeviceControl* GetDeviceControl() override { return &device_; }
    IVoiceControl* GetVoiceControl() override { return &voice_; }
    IPhonebookStore* GetPhonebookStore() override { return &phonebooks_; }
    ISmsControl* GetSmsControl() override { return &sms_; }
    ICardService* GetCardService() override { return &card_; }
    bool Open(const std::string& port, int baud, int* status) override;
    void Close() override;
    void EnableLog(bool on) override;

    // Takes an already open descriptor (a pty in tests) as the port.
    bool Adopt(int fd, int* status);
    // The card's data port (the hardware query's GetPort0), where HangUpData ends a data call
    // without touching the voice calls; empty: none known. Kept across Open and Close.
    void SetDataPort(const std::string& port) { context_.SetDataPortPath(port); }
    // Why the last Open failed ("ModemManager (pid 812) is using /dev/ttyUSB2").
    std::string LastError() const;
    // When the last Open failed because the person may not use the port: its group and owner.
    std::optional<PortDenial> LastDenial() const;
    void SetTimeouts(const Timeouts& timeouts) { context_.SetTimeouts(timeouts); }
    ModemContext& Context() { return context_; }

private:
    void Opened();
    void ApplyLog();

    ModemContext context_;
    DeviceControl device_;
    CardService card_;
    VoiceControl voice_{context_};
    PhonebookStore phonebooks_{context_};
    SmsControl sms_{context_};

    mutable std::mutex mutex_;
    std::string last_error_;
    std::optional<PortDenial> last_denial_;
    bool log_on_ = false;
};

// LastError of a modem object from CreateModemAgent; empty for any other object.
std::string LastModemError(IModemAgent* agent);
// LastDenial of a modem object from CreateModemAgent; none for any other object.
std::optional<PortDenial> LastModemDenial(IModemAgent* agent);
// SetDataPort of a modem object from CreateModemAgent; false for any other object.
bool SetModemDataPort(IModemAgent* agent, const std::string& port);

}  // namespace dedevev::at
