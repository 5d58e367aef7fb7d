#pragma once
// One dial-up internet session on a worker thread: dial parameters from the current
// DialSetting, the dial string from the card's radio system, a wait for service, the dial
// through the dial-up library, a watch of the link every 100 ms with statistics every second,
// redials after a drop (at most 10 per run), and at the end the hang-up, the release of the
// card's data call and the session filed in the connection history.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "connection/IConnectionListener.h"
#include "core/Thread.h"
#include "device/base/Event.h"
#include "device/ppp/IPppClient.h"

namespace dedevev {

class IClock;
class IDeviceControl;
class NetRecordStore;
struct DialSetting;

// Watches the card's service for the session and keeps the dial string the service calls for.
// One process-wide instance (DialAssistor()); every member is guarded by its own lock.
class CDialAssistor {
public:
    // 0: stores the mode; mode 1 arms the redial.
    virtual void SetMode(int mode);
    // 1: whether `number` is the one the last CheckService chose.
    virtual bool IsNumber(const std::u16string& number);
    // 2: the dial string the last CheckService chose ("#777" or "*99#").
    virtual std::u16string GetNumber();
    // 3: whether a redial is armed (the mode is 1).
    virtual bool IsRedialArmed();
    // 4: asks the card's service: `status` gets the low byte of the library status; the answer
    // is the service state (2 = in service), 0 when the card did not answer.
    virtual std::uint8_t CheckService(std::uint8_t* status);

    // The card's device control (may be null: then CheckService fails).
    void SetDeviceControl(IDeviceControl* control);

    virtual ~CDialAssistor() = default;

private:
    std::mutex mutex_;
    int mode_ = 0;
    bool redial_armed_ = false;
    std::u16string number_;
    IDeviceControl* control_ = nullptr;
};

CDialAssistor& DialAssistor();

// Where a session takes what it needs from the rest of the program. The defaults are the
// process-wide ones (current settings, the device holder's card, the dial-up library); tests
// replace them.
struct ConnectionEnvironment {
    // The card's device control, or null without a card.
    std::function<IDeviceControl*()> device_control;
    // The data port (hardware GetPort0) and the control port (GetPort1).
    std::function<std::string()> data_port;
    std::function<std::string()> control_port;
    // The current dial account and the operator text of the settings record.
    std::function<DialSetting()> dial_setting;
    std::function<std::string()> operator_text;
    // The connection name shown by the library ("DlgNet"/"ConnectionName").
    std::function<std::u16string()> entry_name;
    // The status text while dialling when dial-state names are not shown ("DlgNet"/"Connecting").
    std::function<std::u16string()> connecting_text;
    // The error text when the card's data call could not be released ("DlgNet"/"Release ATH
    // failed!").
    std::function<std::u16string()> release_failed_text;
    // Whether dial states are shown by their names (the customization switch).
    std::function<bool()> show_state_names;
    // Makes and releases the dial-up library's object.
    std::function<IPppClient*()> create_client;
    std::function<void(IPppClient*)> release_client;
    // Dispatches the calling thread's pending window messages (StopAndWait calls it between
    // its 30 ms waits); may be empty.
    std::function<void()> pump_messages;
    CDialAssistor* assistor = nullptr;  // null: the process-wide one
    IClock* clock = nullptr;            // every wait and tick count; null: the process clock
};

// The environment of the running program.
ConnectionEnvironment DefaultConnectionEnvironment();

class CConnection : public CThread, private IRasListener {
public:
    explicit CConnection(ConnectionEnvironment env = DefaultConnectionEnvironment());
    ~CConnection() override;

    // Appends a listener (null entries are skipped when telling).
    void AddListener(IConnectionListener* listener);
    // Signals the stop; the worker hangs up and ends within about 100 ms.
    void Stop();
    // Stop, then waits for the worker in 30 ms slices, dispatching window messages between
    // them. The session is hung up and recorded when it returns.
    void StopAndWait();
    bool IsConnected() const { return connected_; }
    // The library's statistics of the current session; false without a library or a session.
    bool GetStatistics(SessionStats* stats);
    // The library's information text.
    const std::u16string& GetInfoText();
    // The connection history that finished sessions are added to (may be null).
    void SetRecorder(NetRecordStore* recorder);

    // Redials after drops are limited per run.
    static constexpr int kMaxRedials = 10;

protected:
    // Resets the stop, hands the library its port, operator text and authentication choice.
    bool CanStart() override;
    void Run() override;

private:
    enum class MonitorResult { kRedial, kStop };

    void OnDialState(int state, int error) override;

    // Whether the run goes on; false when a stop came.
    bool Pause(std::chrono::milliseconds duration);
    void ChooseNumber(IDeviceControl* control, const DialSetting& dial, DialParams* params);
    void ReleaseDataCall(IDeviceControl* control);
    void WaitForService(IDeviceControl* control);
    // Records a session that was up (before the hang-up) and forgets it.
    void EndSession();
    MonitorResult Monitor();
    void UpdateStatistics(std::uint32_t seconds);
    void RecordSession();
    void EndSequence();
    CDialAssistor& Assistor();

    template <typename F>
    void Notify(F&& f);

    ConnectionEnvironment env_;
    IClock& clock_;
    IPppClient* ppp_ = nullptr;
    std::mutex listeners_mutex_;
    std::vector<IConnectionListener*> listeners_;
    Event stop_event_{Event::Reset::kManual};
    std::mutex recorder_mutex_;
    NetRecordStore* recorder_ = nullptr;
    std::atomic<int> last_error_{0};
    std::atomic<bool> connected_{false};
    std::uint64_t last_sent_ = 0;
    std::uint64_t last_received_ = 0;
    int retries_ = 0;
    std::u16string info_text_;
};

}  // namespace dedevev
