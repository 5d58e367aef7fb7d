#pragma once
// What each module window offers the others. The windows implement these interfaces; other
// code reaches them only through the forwarding objects of the export registry
// (core/ExportRegistry.h), which answer 0, false or empty while a window is not bound.
// Slot order is part of each interface.

#include <string>

namespace dedevev {

class IConnectionListener;  // the dial-up session's listener (connection/)

// The main window.
class IMainExport {
public:
    // 0: asks the status thread to stop and waits for it without limit.
    virtual void StopStatusPolling() = 0;
    // 1: starts the status thread again.
    virtual void StartStatusPolling() = 0;
    // 2: shows `text` in the status field (a text longer than 39 characters is cut before its
    // first '(' and gets "...").
    virtual void ShowStatusText(const std::u16string& text) = 0;
    // 3: shows and keeps `text` as the last connection text; `ok` false colours it red.
    virtual void ShowConnectionText(bool ok, const std::u16string& text) = 0;
    // 4: whether a worker of the network view runs.
    virtual bool IsNetworkWorkerRunning() = 0;
    // 5: whether the voice view is switched on.
    virtual bool IsVoiceEnabled() = 0;
    // 6: a second switch of the main window, off unless the window turns it on.
    virtual bool FeatureFlagB() = 0;
    // 7: makes the status thread read the card status again (after a PIN entry).
    virtual void RecheckCard() = 0;

protected:
    ~IMainExport() = default;
};

// The phonebook view.
class IPhonebookExport {
public:
    // 0: runs the add-contact flow starting from `number`.
    virtual void AddNumber(const std::u16string& number) = 0;
    // 1: loads the modem phonebook and, with a ready card, the UIM phonebook.
    virtual void LoadCardPhonebooks() = 0;

protected:
    ~IPhonebookExport() = default;
};

// The message view.
class ISMSExport {
public:
    // 0: takes two values and does nothing.
    virtual void Reserved0(int a, int b) = 0;
    // 1: unread messages in the PC inbox and the two card inboxes.
    virtual int GetUnreadCount() = 0;
    // 2: unread messages in the fourth card box (0 without it).
    virtual int GetBox4UnreadCount() = 0;
    // 3: whether the card's own message memory is full.
    virtual bool IsCardFull() = 0;
    // 4: loads the UIM inbox if needed and shows it; the values are not used.
    virtual void ShowUimInbox(int a, int b) = 0;

protected:
    ~ISMSExport() = default;
};

// The voice view.
class IVoiceExport {
public:
    // 0: dials `number` (shown with `name`).
    virtual void DialNumber(const std::u16string& number, const std::u16string& name) = 0;
    // 1: presses the hang-up key.
    virtual void PressHangUp() = 0;
    // 2: presses the dial key.
    virtual void PressDial() = 0;
    // 3: how many missed calls have not been seen.
    virtual int UnseenMissedCount() = 0;
    // 4: whether an outgoing call is the current call.
    virtual bool IsOutgoingCallCurrent() = 0;
    // 5: runs after the dial key went through the registry; the view does nothing here.
    virtual void AfterDialKey() = 0;

protected:
    ~IVoiceExport() = default;
};

// The network view, owner of the dial-up session.
class IConnectionExport {
public:
    // 0: whether the dial-up session's thread runs.
    virtual bool IsRunning() = 0;
    // 1: adds a listener to the dial-up session.
    virtual void AddListener(IConnectionListener* listener) = 0;
    // 2: stops the session and waits until it is hung up and recorded.
    virtual void StopAndWait() = 0;
    // 3: stops a running session, or starts one; false when it could not be started.
    virtual bool ToggleConnection() = 0;
    // 4: the dial-up library's information text.
    virtual std::u16string GetInfoText() = 0;

protected:
    ~IConnectionExport() = default;
};

// The link page.
class ILinkExport {
public:
    // 0: the connect button's caption.
    virtual void SetConnectCaption(const std::u16string& caption) = 0;
    // 1: a profile was added: append its name to the drop-down and select it.
    virtual void AddProfileName(const std::u16string& name) = 0;
    // 2: a profile was edited: replace the name at `index` and select it.
    virtual void ReplaceProfileName(const std::u16string& name, int index) = 0;
    // 3: a profile was applied: select `index`.
    virtual void SelectProfile(int index) = 0;
    // 4: a profile was deleted: remove the name at `index` and select the first.
    virtual void DeleteProfileName(int index) = 0;
    // 5: the operator name, shown only with the companion-service switch on.
    virtual void SetOperatorName(const std::u16string& name) = 0;
    // 6: the traffic totals in kilobytes.
    virtual void ShowTraffic(double received_kb, double sent_kb) = 0;
    // 7: does nothing.
    virtual void Reserved7() = 0;
    // 8: disables the connect button for 15 seconds.
    virtual void HoldConnectButton() = 0;

protected:
    ~ILinkExport() = default;
};

}  // namespace dedevev
