// Short messages in PDU mode (3GPP TS 27.005): message format and service, the centre
// address, preferred storages, listing, reading, deleting, writing and sending, and the
// routing of new messages. Both kinds of card speak the same commands; the PDU is a GSM one
// (with the centre address) or a CDMA transport-layer message.

#include <cctype>
#include <optional>

#include "device/at/pdu/GsmCodec.h"
#include "sim/CommandForms.h"
#include "sim/CommandTable.h"

namespace dedevev::sim {

namespace {

// How long after the +CMGS answer the centre's status report arrives.
constexpr Millis kReportDelay{300};
constexpr int kMaxPduLength = 255;

// The card's state as a +CMS ERROR number, 0 when messages can be used.
int CardCms(const CardModel& card) {
    switch (card.CardError()) {
        case 0:
            return 0;
        case cme::kSimNotInserted:
            return cms::kSimNotInserted;
        case cme::kSimPinRequired:
            return cms::kSimPinRequired;
        case cme::kSimPukRequired:
            return cms::kSimPukRequired;
        case cme::kSimBusy:
            return cms::kSimBusy;
        default:
            return cms::kSimFailure;
    }
}

// The commands that only take arguments (read, send, write, send from storage): a test answers
// OK, a query or a bare command ERROR, and a card that cannot use messages its +CMS error.
std::optional<Result> ArgumentsOnly(const Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form != Form::kSet)
        return Result::Error();
    if (int error = CardCms(ctx.card))
        return Result::Cms(error);
    return std::nullopt;
}

std::string PduLines(const std::string& head, const StoredSms& message, const SmsModel& sms) {
    return head + std::to_string(message.stat) + ",," +
           std::to_string(sms.TpduLength(message.pdu)) + "\r\n" + at::BytesToHex(message.pdu);
}

// The hex PDU a host typed after the prompt, checked against the length it announced.
int ReadPdu(const SmsModel& sms, const std::string& data, int length,
            std::vector<std::uint8_t>* pdu) {
    std::string hex;
    for (char c : data) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            hex += c;
    }
    if (!at::HexToBytes(hex, pdu) || pdu->empty() || sms.TpduLength(*pdu) != length)
        return cms::kInvalidPduParameter;
    return 0;
}

// Sends a submit PDU to the network: the sent log, the reference and, when the message asks
// for one, a status report a moment later.
Result SendPdu(CardModel& card, const std::vector<std::uint8_t>& pdu, const std::string& prefix) {
    SmsModel& sms = card.Sms();
    const PduSummary summary = DescribePdu(sms.Gsm(), pdu);
    if (!summary.decoded || summary.kind != PduSummary::Kind::kSubmit)
        return Result::Cms(cms::kInvalidPduParameter);
    if (card.Service().srv_status != 2)
        return Result::Cms(cms::kNoNetworkService);
    if (!sms.AcceptsNumber(summary.address))
        return Result::Cms(sms.RefuseCode());
    const int reference = sms.NextReference();
    sms.LogSent(SentSms{summary.address, summary.alphabet, summary.text, reference, summary.part});
    Result result = Result::Line(prefix + std::to_string(reference));
    if (summary.wants_report && sms.Gsm()) {
        const std::string number = summary.address;
        Later later;
        later.delay = kReportDelay;
        later.action = [number, reference](CardModel& c) {
            c.Sms().DeliverStatusReport(BuildStatusReport(c.Sms().Smsc(), number, reference));
        };
        result.later.push_back(std::move(later));
    }
    return result;
}

Result MessageFormat(Context&, const Call& call) {
    if (auto answer = AnswerUnlessSet(
            call, {.test = "+CMGF: (0)", .query = "+CMGF: 0", .exec = Result::Ok()}))
        return *answer;
    int mode = -1;
    if (!ArgInt(SplitArgs(call.args), 0, &mode))
        return Result::Cms(cms::kNotAllowed);
    return mode == 0 ? Result::Ok() : Result::Cms(cms::kNotSupported);  // no text mode
}

Result MessageService(Context&, const Call& call) {
    if (auto answer = AnswerUnlessSet(call, {.test = "+CSMS: (0)", .query = "+CSMS: 0,1,1,1"}))
        return *answer;
    int service = -1;
    if (!ArgInt(SplitArgs(call.args), 0, &service) || service != 0)
        return Result::Cms(cms::kNotSupported);
    return Result::Line("+CSMS: 1,1,1");
}

Result CentreAddress(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Ok();
    if (int error = CardCms(ctx.card))
        return Result::Cms(error);
    SmsModel& sms = ctx.card.Sms();
    if (call.form == Form::kQuery)
        return Result::Line("+CSCA: " + Quoted(sms.Smsc()) + "," + std::to_string(sms.SmscType()));
    if (call.form != Form::kSet)
        return Result::Error();
    const std::vector<Arg> args = SplitArgs(call.args);
    int type = 0;
    if (args.empty() || !args[0].quoted || args[0].text.empty() || args[0].text.size() > 20)
        return Result::Cms(cms::kNotAllowed);
    const std::string& number = args[0].text;
    const bool plus = number[0] == '+';
    for (std::size_t i = plus ? 1 : 0; i < number.size(); ++i) {
        if (number[i] < '0' || number[i] > '9')
            return Result::Cms(cms::kNotAllowed);
    }
    if (args.size() > 1 && (!ArgInt(args, 1, &type) || type < 128 || type > 255))
        return Result::Cms(cms::kNotAllowed);
    sms.SetSmsc(number, args.size() > 1 ? type : (plus ? 145 : 129));
    return Result::Ok();
}

std::string UsedTotal(const SmsModel& sms, const std::string& name) {
    const SmsStorage* storage = sms.Find(name);
    return std::to_string(storage ? storage->Used() : 0) + "," +
           std::to_string(storage ? storage->capacity : 0);
}

Result PreferredStorage(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Line("+CPMS: (\"SM\",\"ME\",\"SR\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")");
    if (int error = CardCms(ctx.card))
        return Result::Cms(error);
    SmsModel& sms = ctx.card.Sms();
    if (call.form == Form::kQuery) {
        std::string line = "+CPMS: ";
        for (int i = 0; i < 3; ++i)
            line += (i ? "," : "") + Quoted(sms.Mem(i)) + "," + UsedTotal(sms, sms.Mem(i));
        return Result::Line(line);
    }
    if (call.form != Form::kSet)
        return Result::Error();
    std::vector<std::string> names;
    for (const Arg& arg : SplitArgs(call.args))
        names.push_back(arg.text);
    if (int error = sms.SetMems(names))
        return Result::Cms(error);
    return Result::Line("+CPMS: " + UsedTotal(sms, sms.Mem(0)) + "," + UsedTotal(sms, sms.Mem(1)) +
                        "," + UsedTotal(sms, sms.Mem(2)));
}

Result ListMessages(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Line("+CMGL: (0-4)");
    if (call.form == Form::kQuery)
        return Result::Error();
    if (int error = CardCms(ctx.card))
        return Result::Cms(error);
    int stat = kRecUnread;  // AT+CMGL alone lists the unread ones
    if (call.form == Form::kSet && !ArgInt(SplitArgs(call.args), 0, &stat))
        return Result::Cms(cms::kInvalidPduParameter);  // "ALL" and friends are text mode
    std::vector<StoredSms> messages;
    if (int error = ctx.card.Sms().List(stat, &messages))
        return Result::Cms(error);
    if (messages.empty() && ctx.card.Quirks().Has(Quirk::kEmptyError))
        return Result::Cms(cms::kInvalidIndex);  // "invalid memory index": nothing to list
    Result result;
    for (const StoredSms& message : messages) {
        result.lines.push_back(
            PduLines("+CMGL: " + std::to_string(message.index) + ",", message, ctx.card.Sms()));
    }
    return result;
}

Result ReadMessage(Context& ctx, const Call& call) {
    if (auto answer = ArgumentsOnly(ctx, call))
        return *answer;
    int index = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &index))
        return Result::Cms(cms::kInvalidIndex);
    StoredSms message;
    if (int error = ctx.card.Sms().Read(index, &message))
        return Result::Cms(error);
    return Result::Line(PduLines("+CMGR: ", message, ctx.card.Sms()));
}

Result DeleteMessage(Context& ctx, const Call& call) {
    if (call.form == Form::kQuery || call.form == Form::kExec)
        return Result::Error();
    if (int error = CardCms(ctx.card))
        return Result::Cms(error);
    SmsModel& sms = ctx.card.Sms();
    if (call.form == Form::kTest) {
        std::string indexes;
        if (const SmsStorage* storage = sms.Find(sms.Mem(0))) {
            for (const auto& [index, message] : storage->messages)
                indexes += (indexes.empty() ? "" : ",") + std::to_string(index);
        }
        return Result::Line("+CMGD: (" + indexes + "),(0-4)");
    }
    const std::vector<Arg> args = SplitArgs(call.args);
    int index = 0;
    int flag = 0;
    if (!ArgInt(args, 0, &index) || (args.size() > 1 && !ArgInt(args, 1, &flag)))
        return Result::Cms(cms::kInvalidIndex);
    if (int error = sms.Delete(index, flag))
        return Result::Cms(error);
    return Result::Ok();
}

Result SendMessage(Context& ctx, const Call& call) {
    if (auto answer = ArgumentsOnly(ctx, call))
        return *answer;
    int length = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &length) || length < 1 || length > kMaxPduLength)
        return Result::Cms(cms::kInvalidPduParameter);
    CardModel* card = &ctx.card;
    Result prompt;
    prompt.on_data = [card, length](const std::string& data, bool cancelled) {
        if (cancelled)
            return Result::Ok();
        std::vector<std::uint8_t> pdu;
        if (int error = ReadPdu(card->Sms(), data, length, &pdu))
            return Result::Cms(error);
        return SendPdu(*card, pdu, "+CMGS: ");
    };
    return prompt;
}

Result WriteMessage(Context& ctx, const Call& call) {
    if (auto answer = ArgumentsOnly(ctx, call))
        return *answer;
    const std::vector<Arg> args = SplitArgs(call.args);
    int length = 0;
    int stat = kStoUnsent;
    if (!ArgInt(args, 0, &length) || length < 1 || length > kMaxPduLength ||
        (args.size() > 1 && (!ArgInt(args, 1, &stat) || stat > kStoSent)))
        return Result::Cms(cms::kInvalidPduParameter);
    CardModel* card = &ctx.card;
    Result prompt;
    prompt.on_data = [card, length, stat](const std::string& data, bool cancelled) {
        if (cancelled)
            return Result::Ok();
        SmsModel& sms = card->Sms();
        std::vector<std::uint8_t> pdu;
        if (int error = ReadPdu(sms, data, length, &pdu))
            return Result::Cms(error);
        if (!DescribePdu(sms.Gsm(), pdu).decoded)
            return Result::Cms(cms::kInvalidPduParameter);
        int index = 0;
        if (int error = sms.Write(pdu, stat, &index))
            return Result::Cms(error);
        return Result::Line("+CMGW: " + std::to_string(index));
    };
    return prompt;
}

Result SendFromStorage(Context& ctx, const Call& call) {
    if (auto answer = ArgumentsOnly(ctx, call))
        return *answer;
    int index = 0;
    const StoredSms* stored = nullptr;
    if (!ArgInt(SplitArgs(call.args), 0, &index) || !(stored = ctx.card.Sms().InMem2(index)))
        return Result::Cms(cms::kInvalidIndex);
    const std::vector<std::uint8_t> pdu = stored->pdu;
    Result result = SendPdu(ctx.card, pdu, "+CMSS: ");
    if (!result.Failed())
        ctx.card.Sms().MarkSent(index);
    return result;
}

Result MoreMessages(Context& ctx, const Call& call) {
    SmsModel& sms = ctx.card.Sms();
    if (auto answer = AnswerUnlessSet(
            call,
            {.test = "+CMMS: (0-2)", .query = "+CMMS: " + std::to_string(sms.MoreMessages())}))
        return *answer;
    int mode = -1;
    if (!ArgInt(SplitArgs(call.args), 0, &mode) || mode > 2)
        return Result::Cms(cms::kNotSupported);
    sms.SetMoreMessages(mode);
    return Result::Ok();
}

Result NewMessageIndications(Context& ctx, const Call& call) {
    SmsModel& sms = ctx.card.Sms();
    if (!sms.Indications())
        return Result::Cms(cms::kNotSupported);  // a card that leaves the host to poll
    const SmsRouting r = sms.Routing();
    if (auto answer = AnswerUnlessSet(
            call, {.test = "+CNMI: (0-2),(0-3),(0,2),(0-2),(0,1)",
                   .query = "+CNMI: " + std::to_string(r.mode) + "," + std::to_string(r.mt) + "," +
                            std::to_string(r.bm) + "," + std::to_string(r.ds) + "," +
                            std::to_string(r.bfr)}))
        return *answer;
    const std::vector<Arg> args = SplitArgs(call.args);
    if (args.size() > 5)
        return Result::Cms(cms::kNotSupported);
    int values[5] = {r.mode, r.mt, r.bm, r.ds, r.bfr};  // an empty field keeps its value
    const int highest[5] = {2, 3, 2, 2, 1};
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!args[i].present)
            continue;
        if (!ArgInt(args, i, &values[i]) || values[i] > highest[i])
            return Result::Cms(cms::kNotSupported);
    }
    if (values[2] == 1)
        return Result::Cms(cms::kNotSupported);  // cell broadcast: 0 or 2 only
    sms.SetRouting(SmsRouting{values[0], values[1], values[2], values[3], values[4]});
    return Result::Ok();
}

}  // namespace

void RegisterSmsCommands(CommandTable& table) {
    table.Add("+CMGF", MessageFormat);
    table.Add("+CSMS", MessageService);
    table.Add("+CSCA", CentreAddress);
    table.Add("+CPMS", PreferredStorage);
    table.Add("+CMGL", ListMessages);
    table.Add("+CMGR", ReadMessage);
    table.Add("+CMGD", DeleteMessage);
    table.Add("+CMGS", SendMessage);
    table.Add("+CMGW", WriteMessage);
    table.Add("+CMSS", SendFromStorage);
    table.Add("+CMMS", MoreMessages);
    table.Add("+CNMI", NewMessageIndications);
}

}  // namespace dedevev::sim
