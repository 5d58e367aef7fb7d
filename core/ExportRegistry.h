#pragma once
// The export registry: one forwarding object per module window. A window binds itself when it
// is created and unbinds (binds null) before it is destroyed; any code can then call it
// through the registry. While a window is not bound its forwarding object does nothing and
// answers 0, false or an empty text.
//
// Binding and the forwarding objects' reading of their target are lock-free (an atomic
// pointer), so the status thread may call the message view's export while the user-interface
// thread binds or unbinds it; no lock is held while the target runs. A window must not be
// destroyed while another thread is inside one of its export calls: the main window stops the
// status thread before it destroys the module windows.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "core/ExportInterfaces.h"

namespace dedevev {

// The main window's voice command, sent before the voice export dials.
constexpr int kMainCommandVoice = 209;

// Holds the borrowed target of one forwarding object.
template <typename Interface>
class CForwarder : public Interface {
public:
    void Bind(Interface* target) { target_.store(target, std::memory_order_release); }
    Interface* Target() const { return target_.load(std::memory_order_acquire); }
    bool IsBound() const { return Target() != nullptr; }

protected:
    CForwarder() = default;
    ~CForwarder() = default;

    // Calls `op` on the target with `args`, or answers a default value when unbound.
    template <typename R, typename... Params, typename... Args>
    R Forward(R (Interface::*op)(Params...), Args&&... args) const {
        Interface* target = Target();
        if (target == nullptr) {
            return R();
        }
        return (target->*op)(std::forward<Args>(args)...);
    }

private:
    std::atomic<Interface*> target_{nullptr};
};

class CPBExp final : public CForwarder<IPhonebookExport> {
public:
    void AddNumber(const std::u16string& number) override;
    void LoadCardPhonebooks() override;
};

// Operation 0 first sends the main window its voice command; operation 2 calls operation 5
// after the target's dial key.
class CVoiceExp final : public CForwarder<IVoiceExport> {
public:
    void DialNumber(const std::u16string& number, const std::u16string& name) override;
    void PressHangUp() override;
    void PressDial() override;
    int UnseenMissedCount() override;
    bool IsOutgoingCallCurrent() override;
    void AfterDialKey() override;

    // Where main-window commands go (set by the main window; empty drops them).
    void SetMainCommandSink(std::function<void(int)> sink);

private:
    void SendMainCommand(int command);

    std::mutex sink_mutex_;
    std::function<void(int)> main_command_sink_;
};

class CSMSExp final : public CForwarder<ISMSExport> {
public:
    void Reserved0(int a, int b) override;
    int GetUnreadCount() override;
    int GetBox4UnreadCount() override;
    bool IsCardFull() override;
    void ShowUimInbox(int a, int b) override;
};

class CMainExp final : public CForwarder<IMainExport> {
public:
    void StopStatusPolling() override;
    void StartStatusPolling() override;
    void ShowStatusText(const std::u16string& text) override;
    void ShowConnectionText(bool ok, const std::u16string& text) override;
    bool IsNetworkWorkerRunning() override;
    bool IsVoiceEnabled() override;
    bool FeatureFlagB() override;
    void RecheckCard() override;
};

class CConnectionExp final : public CForwarder<IConnectionExport> {
public:
    bool IsRunning() override;
    void AddListener(IConnectionListener* listener) override;
    void StopAndWait() override;
    bool ToggleConnection() override;
    std::u16string GetInfoText() override;
};

class CLinkExp final : public CForwarder<ILinkExport> {
public:
    void SetConnectCaption(const std::u16string& caption) override;
    void AddProfileName(const std::u16string& name) override;
    void ReplaceProfileName(const std::u16string& name, int index) override;
    void SelectProfile(int index) override;
    void DeleteProfileName(int index) override;
    void SetOperatorName(const std::u16string& name) override;
    void ShowTraffic(double received_kb, double sent_kb) override;
    void Reserved7() override;
    void HoldConnectButton() override;
};

class ExportRegistry {
public:
    ExportRegistry() = default;
    ExportRegistry(const ExportRegistry&) = delete;
    ExportRegistry& operator=(const ExportRegistry&) = delete;

    // Each stores its target; null unbinds.
    void BindPhonebook(IPhonebookExport* target) { phonebook_.Bind(target); }
    void BindVoice(IVoiceExport* target) { voice_.Bind(target); }
    void BindSms(ISMSExport* target) { sms_.Bind(target); }
    void BindMain(IMainExport* target) { main_.Bind(target); }
    void BindConnection(IConnectionExport* target) { connection_.Bind(target); }
    void BindLink(ILinkExport* target) { link_.Bind(target); }

    // The forwarding object while its window is bound, else null.
    IPhonebookExport* PhonebookExport() { return phonebook_.IsBound() ? &phonebook_ : nullptr; }
    IVoiceExport* VoiceExport() { return voice_.IsBound() ? &voice_ : nullptr; }
    ISMSExport* SmsExport() { return sms_.IsBound() ? &sms_ : nullptr; }

    // Always the forwarding object.
    IMainExport* MainExport() { return &main_; }
    IConnectionExport* ConnectionExport() { return &connection_; }
    ILinkExport* LinkExport() { return &link_; }

    // The main window hands in how it receives commands (e.g. posting them to itself).
    void SetMainCommandSink(std::function<void(int)> sink) {
        voice_.SetMainCommandSink(std::move(sink));
    }

private:
    // Created in this order.
    CPBExp phonebook_;
    CVoiceExp voice_;
    CSMSExp sms_;
    CMainExp main_;
    CConnectionExp connection_;
    CLinkExp link_;
};

// The process-wide registry, created on first use.
ExportRegistry& Exports();

}  // namespace dedevev
