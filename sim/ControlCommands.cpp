// The commands of the control channel, run on the card's thread.

#include <algorithm>
#include <cstdlib>

#include "device/at/pdu/GsmCodec.h"
#include "sim/ControlProtocol.h"
#include "sim/SimulatorImpl.h"

namespace dedevev::sim {

namespace {

const char kHelp[] =
    "OK commands: signal <0-31|99>; service <srv_status> <sys_mode> <roam>; operator <name>; "
    "card ready|pin|puk|blocked|absent; pin <code>; puk <code>; latency <ms>; mute on|off; "
    "garbage on|off; pull; insert; ussd-notify <text> [expects-reply]; "
    "ussd-encoding text|gsm7hex|ucs2; ussd-order after|before; ussd-delay <ms>; "
    "networks [clear|reset|add <stat> <long> <short> <numeric> <act>|delay <ms>]; "
    "workmode 0|1; ssid <name>; urc <line> [inside]; log [clear]; state; help; "
    "sms <from> <text...>; sms-ucs2 <from> <text...>; sms-long <from> <order> <text...>; "
    "sms-pdu <hex>; sms-send accept|refuse [cms-error]|refuse-to <number> [cms-error]; "
    "sms-sent [clear]; "
    "sms-storage <name> <capacity>; sms-cnmi on|off; sms-list <storage>; sms-clear <storage>; "
    "pb-add <book> <number> <name...>; pb-list <book>; pb-clear <book>; "
    "pb-capacity <book> <n>; pb-ucs2-numbers on|off; "
    "call-in <number|withheld|unknown>; call-number <number>; call-waiting <number|withheld>; "
    "call-answer-remote; call-autoanswer <ms>; call-busy; call-end-remote [id]; "
    "call-info <text>; call-reports on|off; calls; data-drop; data-end-remote; "
    "data-refuse busy|no-carrier|off; data-rate <down B/s> <up B/s>; data-auth accept|refuse; "
    "dtmf-log [clear]; "
    "quirks [none|<name,name...>|<name> on|off]; sim-start <ms>; dialect [ours|vendor]";

bool ToInt(const std::string& word, int low, int high, int* value) {
    if (word.empty() || word.size() > 9 ||
        word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = std::atoi(word.c_str());
    return *value >= low && *value <= high;
}

bool OnOff(const std::string& word, bool* value) {
    if (word == "on" || word == "1") {
        *value = true;
        return true;
    }
    if (word == "off" || word == "0") {
        *value = false;
        return true;
    }
    return false;
}

std::string Err(const std::string& reason) {
    return "ERR " + reason;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string Outcome(const Delivery& delivery) {
    switch (delivery.outcome) {
        case Delivery::Outcome::kStored:
            return "stored " + delivery.storage + " " + std::to_string(delivery.index);
        case Delivery::Outcome::kForwarded:
            return "forwarded";
        case Delivery::Outcome::kLost:
            break;
    }
    return "lost " + delivery.storage + " full";
}

std::string JoinFrom(const std::vector<std::string>& w, std::size_t first) {
    std::string text;
    for (std::size_t i = first; i < w.size(); ++i)
        text += (i > first ? " " : "") + w[i];
    return text;
}

// "3,1,2" -> {3, 1, 2}; false unless every entry is a number from 1 to 255.
bool ParseOrder(const std::string& word, std::vector<int>* order) {
    order->clear();
    std::size_t start = 0;
    while (start <= word.size()) {
        const std::size_t end = std::min(word.find(',', start), word.size());
        int n = 0;
        if (!ToInt(word.substr(start, end - start), 1, 255, &n))
            return false;
        order->push_back(n);
        start = end + 1;
    }
    return !order->empty();
}

std::string StoredLine(const SmsModel& sms, const SmsStorage& storage) {
    std::string out = "OK";
    for (const auto& [index, message] : storage.messages) {
        const PduSummary s = DescribePdu(sms.Gsm(), message.pdu);
        std::string text = s.text;
        if (!s.decoded)
            text = "<does not decode: " + s.error + ">";
        else if (s.kind == PduSummary::Kind::kStatusReport)
            text = "<report mr=" + std::to_string(s.reference) +
                   " status=" + std::to_string(s.report_status) + ">";
        out += " (" + std::to_string(index) + "," + QuoteWord(SmsStatName(message.stat)) + "," +
               QuoteWord(s.address) + "," + QuoteWord(text) + ")";
    }
    return out;
}

// The message side of the control channel; `handled` false for a command of another side.
std::string SmsControl(CardModel& card, bool inserted, const std::vector<std::string>& w,
                       bool* handled) {
    *handled = true;
    SmsModel& sms = card.Sms();
    const std::string& cmd = w[0];
    const std::size_t argc = w.size() - 1;
    int n = 0;
    bool flag = false;
    std::string error;
    const bool arrives = cmd == "sms" || cmd == "sms-ucs2" || cmd == "sms-long" || cmd == "sms-pdu";
    if (arrives) {
        const bool long_text = cmd == "sms-long";
        if ((cmd == "sms-pdu" && argc != 1) || (cmd != "sms-pdu" && argc < (long_text ? 3u : 2u)))
            return Err(cmd == "sms-pdu" ? "usage: sms-pdu <hex>"
                       : long_text      ? "usage: sms-long <from> <order like 3,1,2> <text...>"
                                        : "usage: " + cmd + " <from> <text...>");
        if (!inserted)
            return Err("the card is not inserted");
        if (int code = card.CardError())
            return Err("the card cannot take messages (+CME ERROR: " + std::to_string(code) + ")");
    }
    if (cmd == "sms-pdu") {
        std::vector<std::uint8_t> pdu;
        if (!at::HexToBytes(w[1], &pdu) || pdu.empty() || sms.TpduLength(pdu) < 1)
            return Err(sms.Gsm() ? "usage: sms-pdu <hex: centre address, then the TPDU>"
                                 : "usage: sms-pdu <hex transport-layer message>");
        const PduSummary summary = DescribePdu(sms.Gsm(), pdu);
        const bool report = summary.decoded && summary.kind == PduSummary::Kind::kStatusReport;
        const Delivery delivery = report ? sms.DeliverStatusReport(pdu) : sms.DeliverMessage(pdu);
        return "OK " + Outcome(delivery) +
               (summary.decoded ? "" : " " + QuoteWord("does not decode: " + summary.error));
    }
    if (cmd == "sms" || cmd == "sms-ucs2" || cmd == "sms-long") {
        const bool long_text = cmd == "sms-long";
        std::vector<int> order;
        if (long_text && !ParseOrder(w[2], &order))
            return Err("usage: sms-long <from> <order like 3,1,2> <text...>");
        std::vector<std::vector<std::uint8_t>> pdus;
        if (!BuildDeliverPdus(sms.Gsm(), w[1], JoinFrom(w, long_text ? 3 : 2), cmd == "sms-ucs2",
                              long_text, sms.NextConcatReference(), &pdus, &error))
            return Err(error);
        if (!long_text)
            return "OK " + Outcome(sms.DeliverMessage(pdus[0]));
        for (int part : order) {
            if (part > static_cast<int>(pdus.size()))
                return Err("the text has only " + std::to_string(pdus.size()) + " parts");
        }
        std::string out = "OK parts=" + std::to_string(pdus.size());
        for (int part : order)
            out += " " +
                   QuoteWord(std::to_string(part) + ": " +
                             Outcome(sms.DeliverMessage(pdus[static_cast<std::size_t>(part - 1)])));
        return out;
    }
    if (cmd == "sms-send") {
        n = cms::kUnknown;
        if (argc >= 1 && w[1] == "refuse-to") {
            if (argc < 2 || argc > 3 || (argc == 3 && !ToInt(w[3], 1, 511, &n)))
                return Err("usage: sms-send refuse-to <number> [cms-error 1-511]");
            sms.RefuseNumber(w[2], n);
            return "OK";
        }
        if (argc < 1 || argc > 2 || (w[1] != "accept" && w[1] != "refuse") ||
            (argc == 2 && (w[1] != "refuse" || !ToInt(w[2], 1, 511, &n))))
            return Err("usage: sms-send accept|refuse [cms-error 1-511]");
        sms.SetSending(w[1] == "accept", n);
        return "OK";
    }
    if (cmd == "sms-sent") {
        if (argc == 1 && w[1] == "clear") {
            sms.ClearSent();
            return "OK";
        }
        if (argc != 0)
            return Err("usage: sms-sent [clear]");
        std::string out = "OK";
        for (const SentSms& sent : sms.Sent()) {
            out += " (" + QuoteWord(sent.number) + "," + sent.kind + "," + QuoteWord(sent.text) +
                   ",mr=" + std::to_string(sent.reference) +
                   (sent.part.empty() ? "" : ",part=" + sent.part) + ")";
        }
        return out;
    }
    if (cmd == "sms-storage") {
        if (argc != 2 || !ToInt(w[2], 0, 100000, &n))
            return Err("usage: sms-storage SM|ME|SR <capacity>");
        if (!sms.SetCapacity(w[1], n, &error))
            return Err(error);
        return "OK";
    }
    if (cmd == "sms-cnmi") {
        if (argc != 1 || !OnOff(w[1], &flag))
            return Err("usage: sms-cnmi on|off");
        sms.SetIndications(flag);
        return "OK";
    }
    if (cmd == "sms-list" || cmd == "sms-clear") {
        const SmsStorage* storage = argc == 1 ? sms.Find(w[1]) : nullptr;
        if (!storage)
            return Err("usage: " + cmd + " SM|ME|SR");
        if (cmd == "sms-clear") {
            sms.Clear(w[1]);
            return "OK";
        }
        return StoredLine(sms, *storage);
    }
    *handled = false;
    return {};
}

}  // namespace

std::string CardSimulator::Impl::ExecuteControl(const std::string& line) {
    std::vector<std::string> w;
    std::string error;
    if (!SplitControlLine(line, &w, &error))
        return Err(error);
    if (w.empty())
        return Err("empty command");
    const std::string& cmd = w[0];
    const std::size_t argc = w.size() - 1;
    int n = 0;
    bool flag = false;

    if (cmd == "help")
        return kHelp;
    if (cmd == "signal") {
        if (argc != 1 || !(ToInt(w[1], 0, 31, &n) || (ToInt(w[1], 99, 99, &n))))
            return Err("usage: signal <0-31|99>");
        card_.SetSignal(n);
        return "OK";
    }
    if (cmd == "service") {
        int status = 0, mode = 0, roam = 0;
        if (argc != 3 || !ToInt(w[1], 0, 4, &status) || !ToInt(w[2], 0, 9, &mode) ||
            !ToInt(w[3], 0, 1, &roam) || !card_.SetService(status, mode, roam))
            return Err("usage: service <srv_status 0-4> <sys_mode 0|1|2|3|4|5|9> <roam 0|1>");
        return "OK";
    }
    if (cmd == "operator") {
        if (argc != 1 || w[1].empty() || HasLineBreak(w[1]))
            return Err("usage: operator <name>");
        if (!card_.Current())
            return Err("not registered to a network");
        card_.SetOperatorName(w[1]);
        return "OK";
    }
    if (cmd == "card") {
        CardState state;
        if (argc != 1 || !ParseCardState(w[1], &state))
            return Err("usage: card ready|pin|puk|blocked|absent");
        card_.ForceState(state);
        return "OK";
    }
    if (cmd == "pin") {
        if (argc != 1 || !card_.SetPinCode(w[1]))
            return Err("usage: pin <4 to 8 digits>");
        return "OK";
    }
    if (cmd == "puk") {
        if (argc != 1 || !card_.SetPukCode(w[1]))
            return Err("usage: puk <8 digits>");
        return "OK";
    }
    if (cmd == "latency") {
        if (argc != 1 || !ToInt(w[1], 0, 600000, &n))
            return Err("usage: latency <ms>");
        latency_ms_ = n;
        return "OK";
    }
    if (cmd == "mute" || cmd == "garbage") {
        if (argc != 1 || !OnOff(w[1], &flag))
            return Err("usage: " + cmd + " on|off");
        (cmd == "mute" ? mute_ : garbage_) = flag;
        return "OK";
    }
    if (cmd == "pull") {
        if (argc != 0)
            return Err("usage: pull");
        if (!inserted_)
            return Err("the card is not inserted");
        Pull();
        return "OK";
    }
    if (cmd == "insert") {
        if (argc != 0)
            return Err("usage: insert");
        if (!Insert(&error))
            return Err(error);
        return "OK " + QuoteWord(AnnouncementPath());
    }
    if (cmd == "ussd-notify") {
        if (argc < 1 || argc > 2 || HasLineBreak(w[1]) ||
            (argc == 2 && w[2] != "expects-reply" && w[2] != "reply" && w[2] != "1" && w[2] != "0"))
            return Err("usage: ussd-notify <text> [expects-reply]");
        if (!inserted_)
            return Err("the card is not inserted");
        if (int code = card_.CardError())
            return Err("the card cannot take USSD (+CME ERROR: " + std::to_string(code) + ")");
        if (card_.Service().srv_status != 2)
            return Err("no network service");
        const bool expects = argc == 2 && w[2] != "0";
        const UssdReply reply = card_.UssdFromNetwork(w[1], expects);
        SendUnsolicited(kAtPort,
                        UssdLine(ports_[kAtPort].session->Settings(), card_.UssdCoding(), reply));
        return "OK";
    }
    if (cmd == "ussd-encoding") {
        UssdEncoding encoding;
        if (argc != 1 || !ParseUssdEncoding(w[1], &encoding))
            return Err("usage: ussd-encoding text|gsm7hex|ucs2");
        card_.SetUssdCoding(encoding);
        return "OK";
    }
    if (cmd == "ussd-order") {
        if (argc != 1 || (w[1] != "before" && w[1] != "after"))
            return Err("usage: ussd-order after|before");
        card_.SetUssdBeforeOk(w[1] == "before");
        return "OK";
    }
    if (cmd == "ussd-delay") {
        if (argc != 1 || !ToInt(w[1], 0, 600000, &n))
            return Err("usage: ussd-delay <ms>");
        card_.SetUssdDelayMs(n);
        return "OK";
    }
    if (cmd == "networks") {
        if (argc == 0)
            return NetworksLine();
        if (w[1] == "clear" && argc == 1) {
            card_.ClearNetworks();
            return "OK";
        }
        if (w[1] == "reset" && argc == 1) {
            card_.ResetNetworks();
            return "OK";
        }
        if (w[1] == "delay" && argc == 2 && ToInt(w[2], 0, 600000, &n)) {
            card_.SetSearchDelayMs(n);
            return "OK";
        }
        Network network;
        if (w[1] == "add" && argc == 6 && ToInt(w[2], 0, 3, &network.stat) &&
            ToInt(w[6], 0, 7, &network.act) && !HasLineBreak(w[3] + w[4]) &&
            w[5].find_first_not_of("0123456789") == std::string::npos) {
            network.long_name = w[3];
            network.short_name = w[4];
            network.numeric = w[5];
            if (card_.AddNetwork(network))
                return "OK";
        }
        return Err(
            "usage: networks [clear|reset|delay <ms>|add <stat 0-3> <long> <short> <numeric> "
            "<act>]");
    }
    if (cmd == "workmode") {
        if (argc != 1 || !ToInt(w[1], 0, 1, &n))
            return Err("usage: workmode 0|1");
        card_.SetWorkMode(n);
        return "OK";
    }
    if (cmd == "ssid") {
        if (argc != 1 || w[1].empty() || w[1].size() > 32 || HasLineBreak(w[1]))
            return Err("usage: ssid <name of 1 to 32 bytes>");
        card_.SetSsid(w[1]);
        return "OK";
    }
    if (cmd == "urc") {
        if (argc < 1 || argc > 2 || w[1].empty() || HasLineBreak(w[1]) ||
            (argc == 2 && w[2] != "inside"))
            return Err("usage: urc <line> [inside]");
        if (!inserted_)
            return Err("the card is not inserted");
        if (argc == 2)
            inside_.push_back(w[1]);
        else
            ports_[kAtPort].pty.Write(AtSession::Frame(w[1]));
        return "OK";
    }
    if (cmd == "log") {
        if (argc == 1 && w[1] == "clear") {
            log_.clear();
            return "OK";
        }
        if (argc != 0)
            return Err("usage: log [clear]");
        return LogLine();
    }
    if (cmd == "state") {
        if (argc != 0)
            return Err("usage: state");
        return StateLine();
    }
    bool handled = false;
    std::string answer = QuirkControl(w, &handled);
    if (handled)
        return answer;
    answer = SmsControl(card_, inserted_, w, &handled);
    if (handled)
        return answer;
    answer = DataControl(w, &handled);
    if (handled)
        return answer;
    answer = PhonebookControl(card_, w, &handled);
    if (handled)
        return answer;
    card_.Calls().Advance(NowMs());
    answer = CallControl(card_, inserted_, w, &handled);
    if (handled)
        return answer;
    return Err("unknown command: " + cmd + " (try help)");
}

std::string CardSimulator::Impl::LogLine() const {
    std::string out = "OK";
    for (const std::string& entry : log_)
        out += " " + QuoteWord(entry);
    return out;
}

std::string CardSimulator::Impl::NetworksLine() const {
    std::string out = "OK";
    for (const Network& n : card_.Networks()) {
        out += " (" + std::to_string(n.stat) + "," + QuoteWord(n.long_name) + "," +
               QuoteWord(n.short_name) + "," + QuoteWord(n.numeric) + "," + std::to_string(n.act) +
               ")";
    }
    return out;
}

std::string CardSimulator::Impl::StateLine() const {
    const ServiceRecord r = card_.Service();
    const Network* current = card_.Current();
    const SessionSettings& at = ports_[kAtPort].session->Settings();
    auto num = [](int v) { return std::to_string(v); };
    std::string apn;
    if (auto it = card_.Contexts().find(1); it != card_.Contexts().end())
        apn = it->second.apn;
    std::string out = "OK";
    out += " kind=" + std::string(card_.Kind() == CardKind::kCdma ? "cdma" : "gsm");
    out += " inserted=" + num(inserted_);
    out += " card=" + std::string(CardStateName(card_.State()));
    out += " pin_left=" + num(card_.PinAttempts());
    out += " puk_left=" + num(card_.PukAttempts());
    out += " pin_lock=" + num(card_.PinLock());
    out += " pin=" + card_.Pin();
    out += " puk=" + card_.Puk();
    out += " signal=" + num(card_.Signal());
    out += " fun=" + num(card_.Functionality());
    out += " service=" + num(r.srv_status) + "," + num(r.sys_mode) + "," + num(r.roam) + "," +
           num(r.domain) + "," + num(r.sim_state) + "," + num(r.card_type) + "," + num(r.srv_state);
    out += " operator=" + QuoteWord(current ? current->long_name : "");
    out += " selection=" + num(card_.SelectionMode());
    out += " netsel=" + num(card_.NetSel());
    out += " apn=" + QuoteWord(apn);
    out += " workmode=" + num(card_.WorkMode());
    out += " ssid=" + QuoteWord(card_.Ssid());
    out += " ussd_encoding=" + std::string(UssdEncodingName(card_.UssdCoding()));
    out += " ussd_order=" + std::string(card_.UssdBeforeOk() ? "before" : "after");
    out += " ussd_session=" + num(card_.UssdSessionOpen());
    out += " ussd_last=" + QuoteWord(card_.LastUssdRequest());
    out += " latency=" + num(latency_ms_);
    out += " mute=" + num(mute_);
    out += " garbage=" + num(garbage_);
    out += " echo=" + num(at.echo);
    out += " cscs=" + at.charset;
    out += " cmee=" + num(at.cmee);
    out += " log=" + num(static_cast<int>(log_.size()));
    out += " quirks=" + QuirkList(card_.Quirks());
    out += std::string(" dialect=") + (card_.Dialect() == Dialect::kOurs ? "ours" : "vendor");
    static const char* const kSimStart[] = {"done", "busy", "absent"};
    out += " sim_start=" + std::string(kSimStart[static_cast<int>(card_.SimStartPhase())]) + "," +
           num(card_.SimStartMs());
    const SmsModel& sms = card_.Sms();
    const SmsRouting& routing = sms.Routing();
    out += " sms_mem=" + sms.Mem(0) + "," + sms.Mem(1) + "," + sms.Mem(2);
    for (const SmsStorage& storage : sms.Storages())
        out += " sms_" + storage.name + "=" + num(storage.Used()) + "/" + num(storage.capacity);
    out += " sms_cnmi=" + std::string(sms.Indications() ? "on" : "off");
    out += " sms_routing=" + num(routing.mode) + "," + num(routing.mt) + "," + num(routing.bm) +
           "," + num(routing.ds) + "," + num(routing.bfr);
    out += " sms_send=" +
           (sms.SendAccepted() ? std::string("accept") : "refuse," + num(sms.RefuseCode()));
    out += " sms_sent=" + num(static_cast<int>(sms.Sent().size()));
    out += " sms_lost=" + num(sms.Lost());
    const std::optional<DataCall>& data = card_.Calls().Data();
    out += " data=" + std::string(!data ? "none" : data->online ? "online" : "command");
    out += " data_rx=" + std::to_string(data_line_.LinkBytes());
    out += " data_tx=" + std::to_string(peer_.Sent());
    out += " data_over=" + std::to_string(peer_.Over());
    out += " data_link=" + std::string(peer_.LinkUp() && data ? "up" : "down");
    out += " data_rate=" + num(static_cast<int>(peer_.Down())) + "," +
           num(static_cast<int>(peer_.Up()));
    out += " data_auth=" + std::string(peer_.Accepts() ? "accept" : "refuse");
    static const char* const kRefusals[] = {"off", "busy", "no-carrier"};
    out += " data_refuse=" + std::string(kRefusals[static_cast<int>(card_.Calls().Refusal())]);
    return out;
}

}  // namespace dedevev::sim
