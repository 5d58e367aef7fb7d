#include "core/ExportRegistry.h"

namespace dedevev {

// Phonebook view.

void CPBExp::AddNumber(const std::u16string& number) {
    Forward(&IPhonebookExport::AddNumber, number);
}

void CPBExp::LoadCardPhonebooks() {
    Forward(&IPhonebookExport::LoadCardPhonebooks);
}

// Voice view.

void CVoiceExp::SetMainCommandSink(std::function<void(int)> sink) {
    std::lock_guard<std::mutex> lock(sink_mutex_);
    main_command_sink_ = std::move(sink);
}

void CVoiceExp::SendMainCommand(int command) {
    std::function<void(int)> sink;
    {
        std::lock_guard<std::mutex> lock(sink_mutex_);
        sink = main_command_sink_;
    }
    if (sink) {
        sink(command);
    }
}

void CVoiceExp::DialNumber(const std::u16string& number, const std::u16string& name) {
    // An unbound export changes nothing, so the main window hears of the dial only when
    // there is a voice view to dial.
    if (!IsBound()) {
        return;
    }
    SendMainCommand(kMainCommandVoice);
    Forward(&IVoiceExport::DialNumber, number, name);
}

void CVoiceExp::PressHangUp() {
    Forward(&IVoiceExport::PressHangUp);
}

void CVoiceExp::PressDial() {
    if (!IsBound()) {
        return;
    }
    Forward(&IVoiceExport::PressDial);
    AfterDialKey();
}

int CVoiceExp::UnseenMissedCount() {
    return Forward(&IVoiceExport::UnseenMissedCount);
}

bool CVoiceExp::IsOutgoingCallCurrent() {
    return Forward(&IVoiceExport::IsOutgoingCallCurrent);
}

void CVoiceExp::AfterDialKey() {
    Forward(&IVoiceExport::AfterDialKey);
}

// Message view.

void CSMSExp::Reserved0(int a, int b) {
    Forward(&ISMSExport::Reserved0, a, b);
}

int CSMSExp::GetUnreadCount() {
    return Forward(&ISMSExport::GetUnreadCount);
}

int CSMSExp::GetBox4UnreadCount() {
    return Forward(&ISMSExport::GetBox4UnreadCount);
}

bool CSMSExp::IsCardFull() {
    return Forward(&ISMSExport::IsCardFull);
}

void CSMSExp::ShowUimInbox(int a, int b) {
    Forward(&ISMSExport::ShowUimInbox, a, b);
}

// Main window.

void CMainExp::StopStatusPolling() {
    Forward(&IMainExport::StopStatusPolling);
}

void CMainExp::StartStatusPolling() {
    Forward(&IMainExport::StartStatusPolling);
}

void CMainExp::ShowStatusText(const std::u16string& text) {
    Forward(&IMainExport::ShowStatusText, text);
}

void CMainExp::ShowConnectionText(bool ok, const std::u16string& text) {
    Forward(&IMainExport::ShowConnectionText, ok, text);
}

bool CMainExp::IsNetworkWorkerRunning() {
    return Forward(&IMainExport::IsNetworkWorkerRunning);
}

bool CMainExp::IsVoiceEnabled() {
    return Forward(&IMainExport::IsVoiceEnabled);
}

bool CMainExp::FeatureFlagB() {
    return Forward(&IMainExport::FeatureFlagB);
}

void CMainExp::RecheckCard() {
    Forward(&IMainExport::RecheckCard);
}

// Network view.

bool CConnectionExp::IsRunning() {
    return Forward(&IConnectionExport::IsRunning);
}

void CConnectionExp::AddListener(IConnectionListener* listener) {
    Forward(&IConnectionExport::AddListener, listener);
}

void CConnectionExp::StopAndWait() {
    Forward(&IConnectionExport::StopAndWait);
}

bool CConnectionExp::ToggleConnection() {
    return Forward(&IConnectionExport::ToggleConnection);
}

std::u16string CConnectionExp::GetInfoText() {
    return Forward(&IConnectionExport::GetInfoText);
}

// Link page.

void CLinkExp::SetConnectCaption(const std::u16string& caption) {
    Forward(&ILinkExport::SetConnectCaption, caption);
}

void CLinkExp::AddProfileName(const std::u16string& name) {
    Forward(&ILinkExport::AddProfileName, name);
}

void CLinkExp::ReplaceProfileName(const std::u16string& name, int index) {
    Forward(&ILinkExport::ReplaceProfileName, name, index);
}

void CLinkExp::SelectProfile(int index) {
    Forward(&ILinkExport::SelectProfile, index);
}

void CLinkExp::DeleteProfileName(int index) {
    Forward(&ILinkExport::DeleteProfileName, index);
}

void CLinkExp::SetOperatorName(const std::u16string& name) {
    Forward(&ILinkExport::SetOperatorName, name);
}

void CLinkExp::ShowTraffic(double received_kb, double sent_kb) {
    Forward(&ILinkExport::ShowTraffic, received_kb, sent_kb);
}

void CLinkExp::Reserved7() {
    Forward(&ILinkExport::Reserved7);
}

void CLinkExp::HoldConnectButton() {
    Forward(&ILinkExport::HoldConnectButton);
}

// Registry.

ExportRegistry& Exports() {
    static ExportRegistry registry;
    return registry;
}

}  // namespace dedevev
