#pragma once
// The call manager: the one object between the card's voice control and the program. It owns
// the four calls (incoming, outgoing, three-way second party, waiting call), keeps the dial
// buffer the keypad fills, knows the current call and the second party, times calls, files
// every finished call in the call history, and tells listeners of every state change.
//
// Card events arrive on the modem library's thread, user operations on the window thread;
// both take the manager's lock. Listeners are told on the thread that caused the change, in
// the order of the changes, but only once the manager's lock has been let go: a listener may
// read the manager and the calls, and may wait for its window thread even while that thread
// waits for the manager. Each call tells its listeners under its own listener lock (so that
// one removed is not told afterwards); a listener therefore never adds or removes listeners
// from inside OnCallStateChanged.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/IVoiceControl.h"
#include "device/base/Clock.h"
#include "voice/CallHistory.h"
#include "voice/CallRecord.h"

namespace dedevev {

class CCallBase;
class ICustomization;
struct RingSetting;

class ICallStateListener {
public:
    virtual void OnCallStateChanged(CCallBase* call) = 0;

protected:
    ~ICallStateListener() = default;
};

enum class CallKind { kIncoming, kOutgoing, kThreeWay, kWaiting };

// What a call reaches outside itself; filled by the manager.
struct CallContext {
    std::function<IVoiceControl*()> voice;  // the current card's voice control, or null
    IClock* clock = nullptr;                // the tick count and the start stamps
    // When set, a state change is handed here to be told later (the manager tells its
    // listeners once its lock is free); when empty, listeners are told at once.
    std::function<void(CCallBase*)> defer_notify;
};

class CCallBase {
public:
    virtual ~CCallBase() = default;
    virtual bool IsActive() const = 0;
    virtual bool IsIdle() const = 0;
    virtual CallKind Kind() const = 0;

    // The stored state value of the subclass.
    int State() const;
    // A copy of the record (duration as last computed).
    CallRecord Record() const;
    // The record with its duration brought up to now while connected.
    CallRecord CurrentRecord();
    bool Withheld() const;
    bool IsConnected() const;

    void AddListener(ICallStateListener* listener);
    // Once this returns the listener is not told again.
    void RemoveListener(ICallStateListener* listener);
    // Tells every listener now (what Notify does when nothing defers it).
    void TellListeners();

protected:
    explicit CCallBase(CallContext* context, int idle_state);
    void SetParties(const std::u16string& number, const std::u16string& name);
    void MarkConnected();
    void SetState(int state, bool notify);
    void Notify();
    IVoiceControl* Voice() const;
    IClock& Clock() const;
    // Ends the call's record: filed in `connected_list` or `other_list` (either may be null),
    // not connected any more. Returns whether it was connected.
    bool File(ICallHistory* connected_list, ICallHistory* other_list);

    CallContext* context_;
    mutable std::mutex state_mutex_;  // record, state, ticks
    std::mutex listener_mutex_;
    std::vector<ICallStateListener*> listeners_;
    CallRecord record_;
    bool withheld_ = false;
    std::int64_t connect_tick_ = 0;  // ms on the clock; 0: not connected
    int state_;
};

class CInCall final : public CCallBase {
public:
    enum : int { kRinging = 0, kAnswering = 1, kTalking = 2, kRejecting = 3, kIdle = 4 };
    CInCall(CallContext* context, ICallHistory* missed, ICallHistory* accepted);
    bool IsActive() const override { return State() == kTalking; }
    bool IsIdle() const override { return State() == kIdle; }
    CallKind Kind() const override { return CallKind::kIncoming; }

    void OnRing(const std::u16string& number, bool withheld);
    void Answer();
    void OnConnected();
    void Reject();
    void OnEnded();

private:
    ICallHistory* missed_;
    ICallHistory* accepted_;
};

class COutCall final : public CCallBase {
public:
    enum : int { kDialing = 0, kTalking = 1, kHangingUp = 2, kIdle = 3 };
    COutCall(CallContext* context, ICallHistory* dialed);
    bool IsActive() const override { return State() == kTalking; }
    bool IsIdle() const override { return State() == kIdle; }
    CallKind Kind() const override { return CallKind::kOutgoing; }

    bool Dial(const std::u16string& number, const std::u16string& name);
    void OnConnected(int call_id);
    void SendDtmf(char key);
    void HangUp();
    void OnEnded();
    int CallId() const;
    std::string DtmfSent() const;  // the last at most 32 tones sent

private:
    ICallHistory* dialed_;
    int call_id_ = 0;
    std::string dtmf_sent_;
};

class C3WayCall final : public CCallBase {
public:
    enum : int { kActive = 0, kIdle = 1 };
    C3WayCall(CallContext* context, ICallHistory* dialed, std::string join_text);
    bool IsActive() const override { return State() == kActive; }
    bool IsIdle() const override { return State() == kIdle; }
    CallKind Kind() const override { return CallKind::kThreeWay; }

    bool Dial(const std::u16string& number);
    void Join();
    void End();
    bool Joined() const;

private:
    ICallHistory* dialed_;
    std::string join_text_;
    bool joined_ = false;
};

class CWaitingCall final : public CCallBase {
public:
    enum : int { kWaiting = 0, kTalking = 1, kIdle = 2 };
    CWaitingCall(CallContext* context, ICallHistory* missed, ICallHistory* accepted);
    bool IsActive() const override { return State() == kTalking; }
    bool IsIdle() const override { return State() == kIdle; }
    CallKind Kind() const override { return CallKind::kWaiting; }

    void OnWaiting(const std::u16string& number, bool withheld);
    void Answer();
    void Swap();
    void End();
    void OnEnded();

private:
    ICallHistory* missed_;
    ICallHistory* accepted_;
};

struct CallManagerEnvironment {
    // The current card's voice control, or null while there is no card.
    std::function<IVoiceControl*()> voice;
    // The three lists; must outlive the manager.
    ICallHistory* missed = nullptr;
    ICallHistory* accepted = nullptr;
    ICallHistory* dialed = nullptr;
    // Call waiting, calling back the last call, the international-prefix rule, the join text.
    const ICustomization* customization = nullptr;
    // "InternationalCall" / "InternationalCode" of the ring settings.
    std::function<RingSetting()> rings;
    // Plays a synthesised key tone of `frequency_hz` for `ms` on the PC (the sound player).
    std::function<void(int frequency_hz, int ms)> play_key_tone;
    IClock* clock = nullptr;  // null: ProcessClock()
};

// The card, the process-wide lists, the customization, the settings and the sound player.
CallManagerEnvironment DefaultCallManagerEnvironment();

class CCallManager final : public IVoiceEventHandler {
public:
    // Registers itself as the card's voice event handler.
    explicit CCallManager(CallManagerEnvironment env);
    // Withdraws the handler.
    ~CCallManager();
    CCallManager(const CCallManager&) = delete;
    CCallManager& operator=(const CCallManager&) = delete;

    // The process-wide manager, made on first use with the default environment.
    static CCallManager& Instance();
    // The process-wide manager if it was made, else null (asks nothing of the card).
    static CCallManager* Existing();
    // Program end: withdraws the handler, drops a waiting call and ends the manager.
    static void ShutdownInstance();

    // The card went away or another one came: a call still up ends and is filed, and the
    // handler moves to the current card's voice control.
    void CardChanged();
    // The card went away though its modem object is still there: the handler is withdrawn
    // and the calls end and are filed, as by CardChanged; a later CardChanged registers again.
    void CardGone();

    // IVoiceEventHandler (library thread).
    void OnCallSetup() override;
    void OnIncomingCall(const std::string& number, bool withheld) override;
    void OnCallWaiting(const std::string& number, bool withheld) override;
    void OnCallConnected(int call_id) override;
    void OnCallEnded() override;
    void OnCallStatus() override;
    void OnCallInfo(const std::string& text) override;

    // User operations (window thread).
    void PressKey(char key);
    // Key feedback: a tone through the card, or (`synthesised`) a short tone on the PC.
    void KeyFeedback(char key, bool synthesised);
    void Backspace();
    void Send();
    void HangUp();
    bool CanAddParty();
    void Flash(const std::u16string& number);
    void Redial();
    void DialNumber(const std::u16string& number, const std::u16string& name);
    void RejectOrDropWaiting();

    // Read access.
    CCallBase* Current();
    CCallBase* Second();
    CInCall& Incoming() { return incoming_; }
    COutCall& Outgoing() { return outgoing_; }
    C3WayCall& ThreeWay() { return three_way_; }
    CWaitingCall& Waiting() { return waiting_; }
    bool LastWasIncoming();
    std::optional<CallRecord> LastCall();
    std::optional<CallRecord> LastSecond();
    std::u16string DialBuffer();  // empty while a call is current
    std::u16string LastNumber();
    std::u16string InfoText();
    // Called (on the library's thread, after the text is stored) for every information text;
    // the voice view posts itself a message. Empty: nobody is told.
    void SetInfoSink(std::function<void()> sink);

    // The frequency of `key`'s card tone, and the pitch of its synthesised tone.
    static int CardToneHz(char key);
    static int SynthToneHz(char key);

private:
    class Locked;
    void EndCalls();  // the call-ended handling, under the lock
    // Makes `control` the one this manager hears (withdrawing from the one before); false
    // when it was so already. Never under mutex_: withdrawing waits for a running event.
    bool Register(IVoiceControl* control);
    // Hears `control` from now on; the calls of a card left behind end here.
    void MoveTo(IVoiceControl* control);
    // Drops the waiting call and files every call still up, telling the card nothing more.
    void Shutdown();

    CallManagerEnvironment env_;
    CallContext context_;
    std::recursive_mutex mutex_;
    CInCall incoming_;
    COutCall outgoing_;
    C3WayCall three_way_;
    CWaitingCall waiting_;
    CCallBase* current_ = nullptr;
    CCallBase* second_ = nullptr;
    std::u16string dial_number_, dial_name_;
    std::u16string last_number_, last_name_;
    std::optional<CallRecord> last_call_, last_second_;
    bool last_was_incoming_ = false;
    std::u16string info_text_;
    std::function<void()> info_sink_;
    IVoiceControl* registered_ = nullptr;  // under register_mutex_
    std::mutex register_mutex_;
    std::atomic<bool> card_gone_{false};  // calls end without a word to any card
    // This program dropped the second party while the first call goes on: the next end
    // reported may be that party's.
    bool second_dropped_ = false;
    std::vector<CCallBase*> pending_;       // changes to tell once the lock is free
    int depth_ = 0;                         // nesting of the lock on the thread holding it
    std::atomic<std::thread::id> owner_{};  // the thread holding the lock, if any
};

}  // namespace dedevev
