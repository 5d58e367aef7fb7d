#pragma once
// The voice page: a number field, a telephone keypad, a volume slider and a status area. It
// drives the call manager, follows every call-state change (sounds, the incoming-call notice,
// the talk timer), runs the PC side of the voice path, and while it lives is the program's
// voice export.

#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/ExportInterfaces.h"
#include "core/WindowMessage.h"
#include "mainwindow/views/ModuleWindow.h"
#include "resources/views/PopupWnd.h"
#include "voice/CallManager.h"
#include "voice/VoiceAudioEngine.h"
#include "voice/VoiceStatusText.h"

class QFrame;
class QLabel;

namespace dedevev {

class CCallManager;
class CPhoneNumEdit;
class CSpSilderCtrl;
class CTransparentStatic;
class CVoiceKeypad;
class CWindowMessageQueue;
class ICallHistory;
class INameMapping;
class IVoiceControl;
class SoundPlayer;

// Messages the voice page receives.
constexpr unsigned kMsgCallInfo = 1455;   // the card sent an information text
constexpr unsigned kMsgCallState = 1456;  // wparam: CallKind, lparam: the call's state then

// What the voice page reaches outside itself.
struct VoiceViewEnvironment {
    // The call manager; null: CCallManager::Instance().
    CCallManager* manager = nullptr;
    // The current card's voice control (volume, opening the voice path), or null.
    std::function<IVoiceControl*()> voice;
    // The missed-call list; null: the program's.
    ICallHistory* missed = nullptr;
    // Names for numbers; null: the program's name mapping.
    INameMapping* mapping = nullptr;
    // The ring and call sounds; null: the program's player.
    SoundPlayer* sounds = nullptr;
    VoiceAudioEnvironment audio;
    // Shows the incoming-call notice with its click action.
    std::function<void(const QString& title, const QString& body, CPopupWnd::IClickAction*)>
        show_popup;
    // Takes the incoming-call notice away once the ring is over (only that notice).
    std::function<void(CPopupWnd::IClickAction*)> close_popup;
    // Asks for the number of a second party; false when the person cancelled.
    std::function<bool(QWidget* parent, std::u16string* number)> ask_number;
    // Offers a number to the phonebook.
    std::function<void(const std::u16string& number)> save_number;
    // Brings the page on screen; may be empty.
    std::function<void()> show_page;
    // Whether the page binds itself as the program's voice export.
    bool bind_export = true;
};

// The program's call manager, card, lists, sounds, notice, phonebook and audio library.
VoiceViewEnvironment DefaultVoiceViewEnvironment();

class CDlgVoice : public CModulePage, public IVoiceExport {
    Q_OBJECT
public:
    // The incoming-call notice's click: left brings the page forward, right rejects the call
    // (or drops the waiting one). Clicks do nothing once the call has ended.
    // One for the process, since the notice may outlive the page; it reaches the page only
    // while the page lives.
    class CPopWndAction final : public CPopupWnd::IClickAction {
    public:
        void OnPopupClick(bool left) override;
        void Attach(CDlgVoice* view, bool armed);
        void Detach(CDlgVoice* view);
        bool Armed() const;

    private:
        mutable std::mutex mutex_;
        CDlgVoice* view_ = nullptr;
        bool armed_ = false;
    };

    explicit CDlgVoice(VoiceViewEnvironment environment, QWidget* parent = nullptr);
    ~CDlgVoice() override;

    // One key as the keypad sends it; `keypad` false for keys that come through the export
    // (no key tone).
    void PressKey(char key, bool keypad = true);
    // What the status area shows now.
    QString StatusText() const;
    void RefreshStatus();
    void SetShowPage(std::function<void()> show) { env_.show_page = std::move(show); }
    static CPopWndAction& PopupAction();
    VoiceAudioEngine* Audio() const { return audio_.get(); }
    CVoiceKeypad* Keypad() const { return keypad_; }
    CPhoneNumEdit* NumberEdit() const { return number_; }
    CSpSilderCtrl* VolumeSlider() const { return volume_; }
    const QTimer& TalkTimer() const { return talk_timer_; }
    // Handles everything posted to the page so far (tests).
    void DrainMessages();

    // IVoiceExport
    void DialNumber(const std::u16string& number, const std::u16string& name) override;
    void PressHangUp() override;
    void PressDial() override;
    int UnseenMissedCount() override;
    bool IsOutgoingCallCurrent() override;
    void AfterDialKey() override {}

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Registered on the four calls; only posts kMsgCallState to the page.
    class CCallStateListener final : public ICallStateListener {
    public:
        explicit CCallStateListener(CWindowMessageQueue* queue) : queue_(queue) {}
        void OnCallStateChanged(CCallBase* call) override;

    private:
        CWindowMessageQueue* queue_;
    };

    CCallManager& Manager() const { return *env_.manager; }
    void HandleMessage(const WindowMessage& message);
    void OnCallState(CallKind kind, int state);
    void TalkStarted();
    void TalkEnded();
    void CloseNotice();
    void ShowNotice(const CallRecord& record);
    void SecondCall();
    void SetVolume(int position);
    VoiceStatus Snapshot() const;
    void Layout();

    VoiceViewEnvironment env_;
    std::unique_ptr<CWindowMessageQueue> queue_;
    std::unique_ptr<CCallStateListener> listener_;
    std::unique_ptr<VoiceAudioEngine> audio_;
    audio::ISoundCardControl* sound_card_ = nullptr;
    CTransparentStatic* tab_ = nullptr;
    std::vector<QFrame*> panels_;
    QLabel* status_ = nullptr;
    CPhoneNumEdit* number_ = nullptr;
    CTransparentStatic* volume_label_ = nullptr;
    CSpSilderCtrl* volume_ = nullptr;
    CVoiceKeypad* keypad_ = nullptr;
    QTimer talk_timer_;
    bool incoming_talked_ = false;  // the incoming call now ringing was answered
    bool last_missed_ = false;
};

}  // namespace dedevev
