#include "sms/views/DlgWriteSMS.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>

#include <chrono>
#include <utility>

#include "connection/views/FormRows.h"
#include "core/AppSettings.h"
#include "core/CDMATime.h"
#include "core/Customization.h"
#include "core/MessageBox.h"
#include "core/TextCodec.h"
#include "device/DeviceHolder.h"
#include "device/IDeviceControl.h"
#include "device/IModemAgent.h"
#include "mainwindow/views/Unattended.h"
#include "phonebook/PhonebookRegistry.h"
#include "resources/Localizer.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"
#include "sms/SMSBoxRegistry.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgWriteSMS";
constexpr int kMargin = 16;
constexpr int kLabelWidth = 80;
constexpr int kFieldLeft = kMargin + kLabelWidth + 8;
constexpr int kFieldHeight = 24;
constexpr int kGap = 10;

IModemAgent* Agent() {
    return Devices().ModemAgent();
}

// The family of the current card, from its service record: an R-UIM or a CDMA/EV-DO system
// mode means CDMA; anything else, or no answer, GSM.
at::SmsFamily CardFamily() {
    IModemAgent* agent = Agent();
    if (agent == nullptr)
        return at::SmsFamily::kGsm;
    int status = kStatusUntouched;
    const ServiceInfo info = agent->GetDeviceControl()->GetServiceInfo(&status);
    if (status != kStatusOk)
        return at::SmsFamily::kGsm;
    const bool cdma = info.card_type == kCardTypeUim || info.system_mode == kSystemModeCdma ||
                      info.system_mode == kSystemModeHdr;
    return cdma ? at::SmsFamily::kCdma : at::SmsFamily::kGsm;
}

// The send job behind the progress window, whose cancel button reads "ButtonCancel" meanwhile.
void RunSendJob(QWidget* parent, CThreadProgress& job) {
    RunBehindProgress(job, parent, LocalQText("ButtonCancel"));
}

// The edit field works with LF; messages keep their line breaks as CR LF, as the box files
// give them back.
std::u16string WithCrLf(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return FromQString(text);
}

QString AlphabetName(at::Alphabet alphabet) {
    switch (alphabet) {
        case at::Alphabet::kGsm7:
            return LocalQText("AlphabetGsm7", kSection);
        case at::Alphabet::kAscii7:
            return LocalQText("AlphabetAscii7", kSection);
        case at::Alphabet::kLatin1:
        case at::Alphabet::kEightBit:
            return LocalQText("AlphabetLatin1", kSection);
        default:
            return LocalQText("AlphabetUnicode", kSection);
    }
}

}  // namespace

WriteSMSEnvironment DefaultWriteSMSEnvironment() {
    WriteSMSEnvironment env;
    SMSBoxRegistry& boxes = SMSBoxRegistry::Instance();
    env.drafts = boxes.Drafts();
    env.sent = boxes.Sent();
    env.unsent = boxes.Unsent();
    env.sms = []() -> ISmsControl* {
        IModemAgent* agent = Agent();
        return agent != nullptr ? agent->GetSmsControl() : nullptr;
    };
    env.device = []() -> IDeviceControl* {
        IModemAgent* agent = Agent();
        return agent != nullptr ? agent->GetDeviceControl() : nullptr;
    };
    env.family = CardFamily;
    env.pick = [](QWidget* parent) {
        PhonebookRegistry& books = PhonebookRegistry::Instance();
        return RunPicker(parent, PickCandidates(&books.PCPhonebook(),
                                                {books.ModemPhonebook(), books.UimPhonebook()}));
    };
    env.run = RunSendJob;
    env.message = [](const std::u16string& text, const std::u16string& caption, unsigned flags) {
        return ShowMessage(text, caption, flags);
    };
    env.now = [] { return CdmaTime().Now(); };
    const AppSettings& settings = CurrentSettings();
    env.priority = settings.sms.priority;
    env.need_report = settings.options.need_send_sms_report;
    env.unicode_for_extended = Customization().UnicodeForExtendedText();
    env.summary_all_or_none = Customization().SendSummaryAllOrNone();
    env.job.multi_send_notice = Customization().MultiSendNotice();
    return env;
}

std::u16string AppendPicked(std::u16string receivers, const std::vector<PBPick>& picked) {
    if (picked.empty())
        return receivers;
    if (!receivers.empty() && receivers.back() != u';')
        receivers += u';';
    for (const PBPick& pick : picked)
        receivers += pick.number + u';';
    return receivers;
}

std::vector<SMSMessage> MakeDrafts(std::u16string_view receivers, std::u16string_view text,
                                   const DateTimeFields& now) {
    SMSMessage draft;
    draft.priority = kSmsPriorityNormal;
    draft.status = kSmsNotSent;
    draft.time = now;
    draft.text = Utf16ToUtf8(text);
    std::vector<SMSMessage> drafts;
    const std::vector<SmsRecipient> recipients = ParseRecipients(receivers);
    if (recipients.empty()) {
        draft.number = Utf16ToUtf8(receivers);
        drafts.push_back(draft);
    }
    for (const SmsRecipient& recipient : recipients) {
        draft.number = Utf16ToUtf8(recipient.number);
        drafts.push_back(draft);
    }
    return drafts;
}

QString CounterText(const SmsCounter& counter) {
    const char* key = counter.messages == 1 ? "CounterOne" : "CounterMany";
    return LocalQText(key, kSection)
        .arg(counter.characters_left)
        .arg(counter.messages)
        .arg(AlphabetName(counter.alphabet));
}

// ---------------------------------------------------------------------------------------------

CSMSPhoneNumEdit::CSMSPhoneNumEdit(QWidget* parent) : CPhoneNumEdit(parent) {}

bool CSMSPhoneNumEdit::Allows(QChar c) const {
    return IsAllowed(c) || c == u';';
}

// ---------------------------------------------------------------------------------------------

CDlgWriteSMS::CDlgWriteSMS(WriteSMSEnvironment environment, const std::u16string& receivers,
                           const std::u16string& content, QWidget* parent)
    : CSkinnedDialog(parent), env_(std::move(environment)) {
    setObjectName("DlgWriteSMS");
    setFixedSize(kWidth, kHeight);
    if (env_.family)
        family_ = env_.family();

    const int top = CaptionHeight() + 14;
    const int field_width = kWidth - kFieldLeft - kMargin;
    captions_.AddLabel(this, "Receiver", kSection, QRect(kMargin, top, kLabelWidth, kFieldHeight));
    receivers_ = new CSMSPhoneNumEdit(this);
    receivers_->setObjectName("WriteSMSReceivers");
    receivers_->setFont(LocalFont("Normal"));
    pick_ = AddButton(this, "WriteSMSSelPB", "BtnSelPB", kSection);
    const int pick_left = kWidth - kMargin - pick_->width();
    pick_->move(pick_left, top + (kFieldHeight - pick_->height()) / 2);
    receivers_->setGeometry(kFieldLeft, top, pick_left - kGap - kFieldLeft, kFieldHeight);

    save_ = AddButton(this, "WriteSMSSave", "BtnSave", kSection);
    send_ = AddButton(this, "WriteSMSSend", "BtnSend", kSection);
    cancel_ = AddButton(this, "WriteSMSCancel", "BtnCancel", kSection);
    const int foot = kHeight - send_->height() - 14;
    int left = kWidth - kMargin;
    for (CSkinButtonEx* button : {cancel_, save_, send_}) {
        left -= button->width();
        button->move(left, foot);
        left -= kGap;
    }

    const int content_top = top + kFieldHeight + kGap;
    const int counter_height = 20;
    captions_.AddLabel(this, "SMSContent", kSection,
                       QRect(kMargin, content_top, kLabelWidth, kFieldHeight));
    content_ = new QPlainTextEdit(this);
    content_->setObjectName("WriteSMSContent");
    content_->setFont(LocalFont("Normal"));
    content_->setTabChangesFocus(true);
    content_->setGeometry(kFieldLeft, content_top, field_width,
                          foot - kGap - counter_height - 4 - content_top);
    counter_ = new CTransparentStatic(QString(), this);
    counter_->setObjectName("WriteSMSCounter");
    counter_->setFont(LocalFont("Normal"));
    counter_->setGeometry(kFieldLeft, content_top + content_->height() + 4, field_width,
                          counter_height);

    receivers_->setText(ToQString(receivers));
    content_->setPlainText(ToQString(content));
    connect(content_, &QPlainTextEdit::textChanged, this, &CDlgWriteSMS::UpdateCounter);
    connect(save_, &QAbstractButton::clicked, this, &CDlgWriteSMS::Save);
    connect(pick_, &QAbstractButton::clicked, this, &CDlgWriteSMS::SelectFromPhonebook);
    connect(send_, &QAbstractButton::clicked, this, &CDlgWriteSMS::Send);
    connect(cancel_, &QAbstractButton::clicked, this, &QDialog::reject);

    // Tab goes through the fields first, then the commands in the order they are needed.
    setTabOrder(receivers_, content_);
    setTabOrder(content_, send_);
    setTabOrder(send_, save_);
    setTabOrder(save_, cancel_);
    setTabOrder(cancel_, pick_);
    // A reply comes with its number: the text is what is left to write.
    if (receivers.empty()) {
        receivers_->setFocus();
    } else {
        content_->setFocus();
        content_->moveCursor(QTextCursor::End);
    }
    OnLanguageChanged();
}

QString CDlgWriteSMS::Caption() const {
    return LocalQText("Title", kSection);
}

void CDlgWriteSMS::OnLanguageChanged() {
    captions_.Refresh();
    setWindowTitle(Caption());
    UpdateCounter();
    CSkinnedDialog::OnLanguageChanged();
}

std::u16string CDlgWriteSMS::Content() const {
    return WithCrLf(content_->toPlainText());
}

std::u16string CDlgWriteSMS::Receivers() const {
    return FromQString(receivers_->text());
}

QString CDlgWriteSMS::CounterLabel() const {
    return counter_->text();
}

void CDlgWriteSMS::UpdateCounter() {
    counter_->setText(CounterText(CountSms(family_, Content(), env_.unicode_for_extended)));
}

int CDlgWriteSMS::Message(const std::u16string& text, const std::u16string& caption,
                          unsigned flags) {
    return env_.message ? env_.message(text, caption, flags) : ShowMessage(text, caption, flags);
}

void CDlgWriteSMS::Save() {
    if (env_.drafts != nullptr) {
        const DateTimeFields now = env_.now ? env_.now() : CdmaTime().Now();
        for (const SMSMessage& draft : MakeDrafts(Receivers(), Content(), now))
            env_.drafts->Add(draft, nullptr);
    }
    accept();
}

void CDlgWriteSMS::SelectFromPhonebook() {
    if (!env_.pick)
        return;
    const std::vector<PBPick> picked = env_.pick(this);
    if (picked.empty())
        return;
    receivers_->setText(ToQString(AppendPicked(Receivers(), picked)));
    receivers_->setFocus();
}

void CDlgWriteSMS::Send() {
    // A card in a system mode where it cannot send: say so; OK gives up the message.
    const std::u16string warning =
        SendPreCheckText(env_.device ? env_.device() : nullptr, Localizer());
    if (!warning.empty()) {
        if (Message(warning, u"Tip", kMbOkCancel | kMbIconQuestion) == kMsgFirst)
            reject();
        return;
    }
    const std::vector<SmsRecipient> recipients = ParseRecipients(Receivers());
    if (recipients.empty()) {
        receivers_->setFocus();
        return;
    }
    const std::u16string text = Content();
    ISmsControl* sms = env_.sms ? env_.sms() : nullptr;
    if (sms == nullptr) {
        KeepUnsent(recipients, text);
        return;
    }
    const std::vector<SMSMessage> parts =
        MakeSmsParts(text, env_.priority, env_.unicode_for_extended);
    sms->SetSendFlag(env_.unicode_for_extended && ClassOfText(text) == kSmsTextExtended ? 1 : 0);
    CThreadSendSMS job(&recipients, &parts, Localizer(), sms, env_.sent, env_.unsent, env_.job);
    if (env_.run)
        env_.run(this, job);
    else
        RunWithoutWindow(job);
    if (env_.need_report) {
        Message(SendSummary(Localizer(), job.Succeeded(), job.Failed(), env_.summary_all_or_none),
                LocalText("SendSM", kSection), kMbOk | kMbIconInformation);
    }
    accept();
}

void CDlgWriteSMS::KeepUnsent(const std::vector<SmsRecipient>& recipients,
                              const std::u16string& text) {
    const DateTimeFields now = env_.now ? env_.now() : CdmaTime().Now();
    if (env_.unsent != nullptr) {
        for (const SmsRecipient& recipient : recipients) {
            SMSMessage message;
            message.priority = env_.priority;
            message.status = kSmsNotSent;
            message.time = now;
            message.text = Utf16ToUtf8(text);
            message.number = Utf16ToUtf8(recipient.number);
            env_.unsent->Add(message, nullptr);
        }
    }
    Message(LocalText("NoCardKeptUnsent", kSection), LocalText("SendSM", kSection),
            kMbOk | kMbIconExclamation);
    accept();
}

// ---------------------------------------------------------------------------------------------

void OpenWriteSMS(QWidget* parent, const std::u16string& receivers, const std::u16string& content) {
    if (UnattendedDialogs()) {
        LogUnattended({"dialog", "DlgWriteSMS", LocalQText("Title", kSection)});
        return;
    }
    QPointer<CDlgWriteSMS> dialog =
        new CDlgWriteSMS(DefaultWriteSMSEnvironment(), receivers, content, parent);
    dialog->exec();
    delete dialog.data();
}

}  // namespace dedevev
