#pragma once
// The write dialog: recipients typed or picked from the phonebook, the text with a counter of
// characters left and messages needed, send (behind the progress window) or save as a draft.

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "device/DateTimeFields.h"
#include "device/SMSMessage.h"
#include "device/at/pdu/SmsPdu.h"
#include "mainwindow/views/ModuleWindow.h"
#include "phonebook/views/DlgSelPB.h"
#include "resources/views/PhoneNumEdit.h"
#include "sms/SMSSend.h"

class QLabel;
class QPlainTextEdit;
class QWidget;

namespace dedevev {

class CSkinButtonEx;
class IDeviceControl;
class ISmsControl;

// Opens the write dialog modally over `parent` with the receivers field and the content
// field filled, and returns when it has closed.
void OpenWriteSMS(QWidget* parent, const std::u16string& receivers, const std::u16string& content);

// What the write dialog reaches outside itself.
struct WriteSMSEnvironment {
    // The PC boxes drafts, sent messages and failed ones go to (not owned).
    IMessageBoxBase* drafts = nullptr;
    IMessageBoxBase* sent = nullptr;
    IMessageBoxBase* unsent = nullptr;
    // The current card's message control and device control (null without a modem object).
    std::function<ISmsControl*()> sms;
    std::function<IDeviceControl*()> device;
    // Which kind of card the counter plans for (asked once, when the dialog opens).
    std::function<at::SmsFamily()> family;
    // The phonebook picker: the numbers chosen, none when cancelled.
    std::function<std::vector<PBPick>(QWidget* parent)> pick;
    // Runs the send job behind the progress window over `parent`; returns once it has ended.
    std::function<void(QWidget* parent, CThreadProgress& job)> run;
    // The program's message box: text, caption, flags -> kMsgFirst / kMsgSecond.
    std::function<int(const std::u16string&, const std::u16string&, unsigned)> message;
    // The time stamps of drafts and kept messages.
    std::function<DateTimeFields()> now;
    // Settings and product switches read when the dialog opens.
    int priority = kSmsPriorityNormal;
    bool need_report = true;
    bool unicode_for_extended = false;
    bool summary_all_or_none = false;
    SendJobSettings job;
};

// The program's boxes, card, phonebooks, progress window, message box and clock; the settings
// and product switches as they are now.
WriteSMSEnvironment DefaultWriteSMSEnvironment();

// The receivers text after picking `picked`: a ";" after a text that does not end in one,
// then each number followed by ";". Nothing picked: unchanged.
std::u16string AppendPicked(std::u16string receivers, const std::vector<PBPick>& picked);

// The records Save files: one per recipient of `receivers`, or one with the text as typed
// when it names none; status "not sent", priority normal, time `now`.
std::vector<SMSMessage> MakeDrafts(std::u16string_view receivers, std::u16string_view text,
                                   const DateTimeFields& now);

// The counter's text for `counter` in the current language.
QString CounterText(const SmsCounter& counter);

// The receivers field: the characters of a number list, digits, "*", "#", "+" and ";".
class CSMSPhoneNumEdit : public CPhoneNumEdit {
    Q_OBJECT
public:
    explicit CSMSPhoneNumEdit(QWidget* parent = nullptr);
    bool Allows(QChar c) const override;
};

class CDlgWriteSMS : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 350;

    CDlgWriteSMS(WriteSMSEnvironment environment, const std::u16string& receivers,
                 const std::u16string& content, QWidget* parent = nullptr);

    QString Caption() const override;
    void OnLanguageChanged() override;

    // The content field's text, line breaks as CR LF.
    std::u16string Content() const;
    std::u16string Receivers() const;
    QString CounterLabel() const;

    // The buttons' commands.
    void Save();
    void SelectFromPhonebook();
    void Send();

private:
    void UpdateCounter();
    // No card to send with: the text goes to the unsent box, one per recipient.
    void KeepUnsent(const std::vector<SmsRecipient>& recipients, const std::u16string& text);
    int Message(const std::u16string& text, const std::u16string& caption, unsigned flags);

    WriteSMSEnvironment env_;
    at::SmsFamily family_ = at::SmsFamily::kGsm;
    CCaptionList captions_;
    CSMSPhoneNumEdit* receivers_ = nullptr;
    QPlainTextEdit* content_ = nullptr;
    QLabel* counter_ = nullptr;
    CSkinButtonEx* save_ = nullptr;
    CSkinButtonEx* pick_ = nullptr;
    CSkinButtonEx* send_ = nullptr;
    CSkinButtonEx* cancel_ = nullptr;
};

}  // namespace dedevev
