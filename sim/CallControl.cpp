// The call side of the control channel: calls coming in, waiting, answered, refused and ended
// by the far end, the data call lost by the network or refused at the dial, network information
// texts, the report switch and what the host sent as DTMF.

#include <utility>

#include "sim/ControlProtocol.h"
#include "sim/SimulatorImpl.h"

namespace dedevev::sim {

namespace {

bool Number(const std::string& word, int low, int high, int* value) {
    if (word.empty() || word.size() > 7 ||
        word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = std::stoi(word);
    return *value >= low && *value <= high;
}

std::string Answer(bool ok, const std::string& error) {
    return ok ? "OK" : "ERR " + error;
}

}  // namespace

std::string CallControl(CardModel& card, bool inserted, const std::vector<std::string>& w,
                        bool* handled) {
    *handled = true;
    CallModel& calls = card.Calls();
    const std::string& cmd = w[0];
    const std::size_t argc = w.size() - 1;
    std::string error;
    int n = 0;
    const bool network = cmd == "call-in" || cmd == "call-waiting" || cmd == "call-number" ||
                         cmd == "call-answer-remote" || cmd == "call-busy" ||
                         cmd == "call-end-remote" || cmd == "call-info" ||
                         cmd == "data-end-remote" || cmd == "data-drop";
    if (network && !inserted)
        return "ERR the card is not inserted";
    if (cmd == "call-in" || cmd == "call-waiting" || cmd == "call-number") {
        if (argc != 1)
            return "ERR usage: " + cmd +
                   (cmd == "call-in"        ? " <number|withheld|unknown>"
                    : cmd == "call-waiting" ? " <number|withheld>"
                                            : " <number>");
        if (cmd == "call-in" && card.CardError() != 0)
            return "ERR the card cannot take calls";
        const bool ok = cmd == "call-in"        ? calls.Incoming(w[1], &error)
                        : cmd == "call-waiting" ? calls.CallWaiting(w[1], &error)
                                                : calls.LateNumber(w[1], &error);
        return Answer(ok, error);
    }
    if (cmd == "call-answer-remote" || cmd == "call-busy") {
        if (argc != 0)
            return "ERR usage: " + cmd;
        return Answer(cmd == "call-busy" ? calls.RemoteBusy(&error) : calls.RemoteAnswer(&error),
                      error);
    }
    if (cmd == "call-end-remote") {
        if (argc > 1 || (argc == 1 && !Number(w[1], 1, 99, &n)))
            return "ERR usage: call-end-remote [id]";
        return Answer(calls.RemoteEnd(n, &error), error);
    }
    if (cmd == "data-drop" || cmd == "data-end-remote") {
        if (argc != 0)
            return "ERR usage: " + cmd;
        if (!calls.Data())
            return "ERR no data call";
        calls.EndData(true);
        return "OK";
    }
    if (cmd == "data-refuse") {
        static const std::pair<const char*, DataRefusal> kModes[] = {
            {"off", DataRefusal::kNone},
            {"busy", DataRefusal::kBusy},
            {"no-carrier", DataRefusal::kNoCarrier}};
        for (const auto& [name, refusal] : kModes) {
            if (argc == 1 && w[1] == name) {
                calls.SetRefusal(refusal);
                return "OK";
            }
        }
        return "ERR usage: data-refuse busy|no-carrier|off";
    }
    if (cmd == "call-info") {
        if (argc < 1)
            return "ERR usage: call-info <text>";
        std::string text;
        for (std::size_t i = 1; i < w.size(); ++i)
            text += (i > 1 ? " " : "") + w[i];
        if (text.find_first_of("\r\n") != std::string::npos)
            return "ERR a text has no line breaks";
        calls.NetworkInfo(text);
        return "OK";
    }
    if (cmd == "call-autoanswer") {
        if (argc != 1 || !Number(w[1], 0, 600000, &n))
            return "ERR usage: call-autoanswer <ms, 0 never>";
        calls.SetAutoAnswerMs(n);
        return "OK";
    }
    if (cmd == "call-reports") {
        if (argc != 1 || (w[1] != "on" && w[1] != "off"))
            return "ERR usage: call-reports on|off";
        calls.SetReports(w[1] == "on");
        return "OK";
    }
    if (cmd == "calls") {
        if (argc != 0)
            return "ERR usage: calls";
        std::string out = "OK";
        for (const VoiceCall& c : calls.Calls()) {
            out += " (" + std::to_string(c.id) + "," + (c.outgoing ? "out" : "in") + "," +
                   CallStateName(c.state) + "," + QuoteWord(c.number);
            if (c.withheld)
                out += ",withheld";
            if (c.multiparty)
                out += ",multiparty";
            out += ")";
        }
        if (const std::optional<DataCall>& data = calls.Data()) {
            out += " (" + std::to_string(data->id) + ",data," +
                   (data->online ? "online," : "command,") + QuoteWord(data->number) + ")";
        }
        return out;
    }
    if (cmd == "dtmf-log") {
        if (argc == 1 && w[1] == "clear") {
            calls.ClearDtmfLog();
            return "OK";
        }
        if (argc != 0)
            return "ERR usage: dtmf-log [clear]";
        std::string out = "OK";
        for (const std::string& entry : calls.DtmfLog())
            out += " " + entry;
        return out;
    }
    *handled = false;
    return {};
}

}  // namespace dedevev::sim
