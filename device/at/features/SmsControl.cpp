#include "device/at/features/SmsControl.h"

#include <algorithm>

#include "device/at/features/ModemAgent.h"
#include "device/at/parsers/SmsParsers.h"

namespace dedevev::at {

namespace {

constexpr Millis kSendTimeout{60000};  // the network may take long to accept a message

// Storage names travel inside quotes: two to four letters, nothing else.
bool IsStorageName(const std::string& name) {
    return name.size() >= 2 && name.size() <= 4 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// A number the card can send to: an optional leading '+', then digits, '*' and '#'.
bool IsDialableNumber(const std::u16string& number) {
    if (number.empty() || number.size() > 40)
        return false;
    for (std::size_t i = 0; i < number.size(); ++i) {
        const char16_t c = number[i];
        const bool ok = (c >= u'0' && c <= u'9') || c == u'*' || c == u'#' || (c == u'+' && i == 0);
        if (!ok)
            return false;
    }
    return number != u"+";
}

std::u16string Trimmed(const std::u16string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.substr(begin, end - begin);
}

}  // namespace

SmsControl::SmsControl(ModemContext& context)
    : context_(context), modem_box_(*this, "ME"), card_box_(*this, "SM"), report_box_(*this, "SR") {
    AtChannel& channel = context_.Channel();
    listener_ids_.push_back(
        channel.AddListener("+CMTI:", [this](const std::string& l) { OnStoredNotice(l); }));
    listener_ids_.push_back(
        channel.AddListener("+CDSI:", [this](const std::string& l) { OnStoredNotice(l); }));
    listener_ids_.push_back(channel.AddListener(
        "+CMT:", [this](const std::string& l) { OnDeliveredNotice(l, false); }));
    listener_ids_.push_back(
        channel.AddListener("+CDS:", [this](const std::string& l) { OnDeliveredNotice(l, true); }));
    listener_ids_.push_back(channel.AddListener(
        "^DDSMSFULL:", [this](const std::string& l) { OnStorageFullNotice(l); }));
    listener_ids_.push_back(
        channel.AddListener("+CIEV:", [this](const std::string& l) { OnCardNotice(l); }));
}

SmsControl::~SmsControl() {
    for (int id : listener_ids_)
        context_.Channel().RemoveListener(id);
    {
        std::lock_guard<std::mutex> lock(poll_mutex_);
        poll_stop_ = true;
    }
    poll_wake_.notify_all();
    if (poll_thread_.joinable())
        poll_thread_.join();
}

void SmsControl::Reset() {
    {
        std::lock_guard<std::recursive_mutex> lock(storage_lock_);
        read_storage_.clear();
        cpms_in_full_ = false;
    }
    {
        std::lock_guard<std::mutex> lock(poll_mutex_);
        poll_used_.clear();
    }
    polling_.store(false);
    modem_box_.Forget();
    card_box_.Forget();
    report_box_.Forget();
}

SmsFamily SmsControl::Family() {
    return context_.IsCdma() ? SmsFamily::kCdma : SmsFamily::kGsm;
}

bool SmsControl::SelectReadStorage(const std::string& storage, StorageCounts* counts) {
    if (!IsStorageName(storage))
        return false;
    std::lock_guard<std::recursive_mutex> lock(storage_lock_);
    const std::string quoted = "\"" + storage + "\"";
    Response r;
    if (!cpms_in_full_)
        r = context_.Query("AT+CPMS=" + quoted);
    if (cpms_in_full_ || IsRefusal(r)) {
        // Some cards take the storages only all three named: the other two stay as they are.
        const Response now = context_.Query("AT+CPMS?");
        const std::optional<StorageCounts> current = now.Ok() ? ParseCpms(now.lines) : std::nullopt;
        if (!current || current->count < 3 || !IsStorageName(current->name[1]) ||
            !IsStorageName(current->name[2]))
            return false;
        r = context_.Query("AT+CPMS=" + quoted + ",\"" + current->name[1] + "\",\"" +
                           current->name[2] + "\"");
        cpms_in_full_ = cpms_in_full_ || r.Ok();
    }
    if (!r.Ok())
        return false;
    read_storage_ = storage;
    if (counts != nullptr) {
        if (const std::optional<StorageCounts> parsed = ParseCpms(r.lines))
            *counts = *parsed;
    }
    return true;
}

Response SmsControl::RunCommand(const std::string& text) {
    return context_.Query(text);
}

CardMessageBox& SmsControl::BoxOf(const std::string& storage) {
    if (storage == "SM")
        return card_box_;
    if (storage == "SR")
        return report_box_;
    return modem_box_;
}

// ---- sending

bool SmsControl::SendPart(const std::u16string& number, const std::u16string& text,
                          const SmsSendOptions& options) {
    std::vector<std::uint8_t> pdu;
    int length = 0;
    if (Family() == SmsFamily::kCdma) {
        pdu = EncodeCdmaSubmit(number, text, options);
        length = static_cast<int>(pdu.size());
    } else {
        pdu = EncodeGsmSubmit(number, text, options, &length);
    }
    if (pdu.empty() || length <= 0)
        return false;
    Command command;
    command.text = "AT+CMGS=" + std::to_string(length);
    command.prefixes = {"+CMGS:"};
    command.timeout = kSendTimeout;
    command.data = BytesToHex(pdu);
    const Response r = context_.Run(command);
    if (r.Ok())
        return true;
    last_send_error_.store(r.final == Final::kCmsError ? r.error_code : -1);
    return false;
}

bool SmsControl::Send(const SMSMessage& message, int /*flags*/, int* status) {
    const std::u16string number = Trimmed(Utf8ToUtf16(message.number));
    if (!IsDialableNumber(number)) {
        last_send_error_.store(-1);
        return false;
    }
    // The card's messages break lines with LF alone.
    std::u16string text = Utf8ToUtf16(message.text);
    for (std::size_t at = text.find(u"\r\n"); at != std::u16string::npos;
         at = text.find(u"\r\n", at))
        text.erase(at, 1);
    const SmsFamily family = Family();
    const SmsPlan plan = PlanSms(family, text, send_flag_.load() == 1);
    const int reference = next_reference_.fetch_add(1);
    SmsSendOptions options;
    options.force_ucs2 = plan.alphabet == Alphabet::kUcs2;
    if (family == SmsFamily::kCdma)
        options.reference = reference & 0xFFFF;
    const int total = static_cast<int>(plan.parts.size());
    for (int i = 0; i < total; ++i) {
        if (total > 1) {
            options.concat.reference = reference & 0xFF;
            options.concat.total = total;
            options.concat.sequence = i + 1;
        }
        if (!SendPart(number, plan.parts[static_cast<std::size_t>(i)], options))
            return false;
    }
    last_send_error_.store(-1);
    dedevev::SetStatus(status, kStatusOk);
    return true;
}

void SmsControl::BeginMultiSend(int* status) {
    if (context_.Query("AT+CMMS=1").Ok())
        dedevev::SetStatus(status, kStatusOk);
}

void SmsControl::EndMultiSend(int* status) {
    if (context_.Query("AT+CMMS=0").Ok())
        dedevev::SetStatus(status, kStatusOk);
}

// ---- settings

void SmsControl::SetMessageFormat(int format, int* status) {
    if (format != 0 && format != 1)
        return;
    if (context_.Query("AT+CMGF=" + std::to_string(format)).Ok())
        dedevev::SetStatus(status, kStatusOk);
}

void SmsControl::SetNewMessageIndication(int mode, int mt, int bm, int ds, int bfr, int* status) {
    const Response test = context_.Query("AT+CNMI=?");
    const std::optional<CnmiSupport> support = test.Ok() ? ParseCnmiTest(test.lines) : std::nullopt;
    if (support) {
        const std::vector<int> chosen = NearestCnmi(*support, {mode, mt, bm, ds, bfr});
        std::string command = "AT+CNMI=";
        for (std::size_t i = 0; i < chosen.size(); ++i)
            command += (i ? "," : "") + std::to_string(chosen[i]);
        if (context_.Query(command).Ok()) {
            // Without notices of stored or delivered messages nothing would ever arrive.
            if (chosen[1] == 0)
                StartPolling();
            else
                polling_.store(false);
            dedevev::SetStatus(status, kStatusOk);
            return;
        }
    }
    if (!Answered(test))
        return;  // a mute or vanished card: nothing to poll either
    StartPolling();
    dedevev::SetStatus(status, kStatusOk);
}

void SmsControl::SetStorage(const std::string& read_delete, const std::string& write_send,
                            const std::string& receive, int* status) {
    if (!IsStorageName(read_delete) || !IsStorageName(write_send) || !IsStorageName(receive))
        return;
    std::lock_guard<std::recursive_mutex> lock(storage_lock_);
    const Response r = context_.Query("AT+CPMS=\"" + read_delete + "\",\"" + write_send + "\",\"" +
                                      receive + "\"");
    if (!r.Ok())
        return;
    read_storage_ = read_delete;
    receive_storage_ = receive;
    dedevev::SetStatus(status, kStatusOk);
}

// ---- notices

void SmsControl::OnStoredNotice(const std::string& line) {
    const std::optional<StoredNotice> notice = ParseStoredNotice(line);
    if (!notice)
        return;
    CardMessageBox& box = BoxOf(notice->storage);
    box.TakeStored(notice->index);
    ISMSEventHandler* handler = box.Handler();
    if (handler == nullptr)
        handler = modem_box_.Handler();
    if (handler != nullptr)
        handler->OnNewMessage(notice->storage, notice->index);
}

void SmsControl::OnDeliveredNotice(const std::string& text, bool report) {
    const std::optional<std::string> hex = ParseDeliveredPdu(text);
    if (!hex)
        return;
    CardMessageBox& box = report ? report_box_ : modem_box_;
    const int index = box.TakeDelivered(*hex);
    ISMSEventHandler* handler = box.Handler();
    if (handler == nullptr)
        handler = modem_box_.Handler();
    if (handler != nullptr)
        handler->OnNewMessage(report ? "SR" : "MT", index);
}

void SmsControl::OnStorageFullNotice(const std::string& line) {
    const std::optional<std::string> storage = ParseStorageFull(line);
    if (!storage)
        return;
    ISMSEventHandler* handler = BoxOf(*storage).Handler();
    if (handler == nullptr)
        handler = modem_box_.Handler();
    if (handler != nullptr)
        handler->OnStorageFull(*storage);
}

void SmsControl::OnCardNotice(const std::string& line) {
    const std::vector<std::string> fields = SplitFields(TrimView(line).substr(6));
    const std::optional<int> value = fields.empty() ? std::nullopt : ToInt(fields[0]);
    ISMSEventHandler* handler = modem_box_.Handler();
    if (handler != nullptr && value)
        handler->OnCardNotice(*value);
}

// ---- polling for cards without notices

void SmsControl::SetPollInterval(std::chrono::milliseconds interval) {
    {
        std::lock_guard<std::mutex> lock(poll_mutex_);
        poll_interval_ = interval;
    }
    poll_wake_.notify_all();
}

void SmsControl::StartPolling() {
    polling_.store(true);
    std::lock_guard<std::mutex> lock(poll_mutex_);
    if (!poll_thread_.joinable() && !poll_stop_)
        poll_thread_ = std::thread([this] { PollLoop(); });
}

void SmsControl::PollLoop() {
    IClock& clock = context_.Clock();
    std::unique_lock<std::mutex> lock(poll_mutex_);
    while (!poll_stop_) {
        // A new interval starts a new wait.
        const auto interval = poll_interval_;
        const bool woken = clock.WaitFor(poll_wake_, lock, interval,
                                         [&] { return poll_stop_ || poll_interval_ != interval; });
        if (poll_stop_)
            break;
        if (woken || !polling_.load())
            continue;
        lock.unlock();
        PollOnce();
        lock.lock();
    }
}

void SmsControl::PollOnce() {
    if (!context_.Channel().IsOpen())
        return;
    std::string storage;
    std::vector<StoredPdu> fresh;
    {
        std::lock_guard<std::recursive_mutex> lock(storage_lock_);
        const Response query = context_.Query("AT+CPMS?");
        const std::optional<StorageCounts> counts =
            query.Ok() ? ParseCpms(query.lines) : std::nullopt;
        if (!counts || counts->count < 1)
            return;
        const int slot = counts->count >= 3 ? 2 : 0;
        storage = counts->name[slot].empty() ? receive_storage_ : counts->name[slot];
        const int used = counts->used[slot];
        int previous = -1;
        {
            std::lock_guard<std::mutex> poll(poll_mutex_);
            auto [it, inserted] = poll_used_.try_emplace(storage, used);
            previous = inserted ? used : it->second;
            it->second = used;
        }
        if (used <= previous || !IsStorageName(storage))
            return;
        if (!SelectReadStorage(storage, nullptr))
            return;
        const Response listing = context_.Query("AT+CMGL=0");  // the unread ones
        if (listing.Ok())
            fresh = ParseCmglListing(listing.lines);
    }
    CardMessageBox& box = BoxOf(storage);
    for (const StoredPdu& stored : fresh) {
        if (!box.TakeListed(stored))
            continue;
        ISMSEventHandler* handler = box.Handler();
        if (handler == nullptr)
            handler = modem_box_.Handler();
        if (handler != nullptr)
            handler->OnNewMessage(storage, stored.index);
    }
}

}  // namespace dedevev::at
