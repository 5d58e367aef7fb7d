// The data port's own commands (V.250 and 3GPP TS 27.007 10.2.1): a packet data dial that
// answers CONNECT with the radio's rate and hands the port to the link (or BUSY / NO CARRIER
// when the network refuses it), ATO back to the link after an escape, ATH
// that ends the data call and nothing else, and S12, the escape's guard time. A voice dial
// (ATD<number>;) works here as on the AT port.

#include <cctype>
#include <string_view>
#include <vector>

#include "sim/CommandTable.h"

namespace dedevev::sim {

namespace {

Result Final(const char* text) {
    Result result;
    result.final = Result::Final::kText;
    result.final_text = text;
    return result;
}

bool DefinedCid(const CardModel& card, std::string_view cid) {
    if (cid.empty() || cid.size() > 2 ||
        cid.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    return card.Contexts().count(std::stoi(std::string(cid))) != 0;
}

// The packet data dial strings: "#777" (CDMA packet data service) and the GPRS form of
// 27.007 10.2.1.1, "*99[*[<called address>][*[<L2P>][*[<cid>[,<cid>...]]]]]#", whose layer 2
// protocol may only be PPP ("PPP" or "1") and whose contexts must be defined. Any other number
// would be a circuit-switched data call, which this network does not offer.
bool IsPacketDialString(const CardModel& card, std::string_view number) {
    if (number == "#777")
        return true;
    if (number.size() < 4 || number.substr(0, 3) != "*99" || number.back() != '#')
        return false;
    std::string_view rest = number.substr(3, number.size() - 4);
    if (rest.empty())
        return true;
    if (rest[0] != '*')
        return false;
    rest.remove_prefix(1);
    std::vector<std::string_view> fields;
    for (std::size_t star; (star = rest.find('*')) != std::string_view::npos;) {
        fields.push_back(rest.substr(0, star));
        rest.remove_prefix(star + 1);
    }
    fields.push_back(rest);
    if (fields.size() > 3)
        return false;
    if (fields.size() > 1 && !fields[1].empty() && fields[1] != "PPP" && fields[1] != "1")
        return false;
    if (fields.size() < 3 || fields[2].empty())
        return true;
    for (std::string_view cids = fields[2];;) {
        const std::size_t comma = cids.find(',');
        if (!DefinedCid(card, cids.substr(0, comma)))
            return false;
        if (comma == std::string_view::npos)
            return true;
        cids.remove_prefix(comma + 1);
    }
}

Handler DataDial(Handler voice_dial) {
    return [voice_dial](Context& ctx, const Call& call) {
        std::string number = call.args;
        while (!number.empty() && number.back() == ' ')
            number.pop_back();
        if (!number.empty() && number.back() == ';')
            return voice_dial(ctx, call);
        // The tone and pulse modifiers of V.250 change nothing on a radio card.
        if (!number.empty() && (std::toupper(static_cast<unsigned char>(number[0])) == 'T' ||
                                std::toupper(static_cast<unsigned char>(number[0])) == 'P'))
            number.erase(0, 1);
        if (int code = ctx.card.CardError())
            return Result::Cme(code);
        CallModel& calls = ctx.card.Calls();
        if (calls.Data())
            return Result::Cme(cme::kNotAllowed);  // one data call at a time
        if (!IsPacketDialString(ctx.card, number) || ctx.card.Service().srv_status != 2)
            return Final("NO CARRIER");
        switch (calls.Refusal()) {
            case DataRefusal::kBusy:
                return Final("BUSY");
            case DataRefusal::kNoCarrier:
                return Final("NO CARRIER");
            case DataRefusal::kNone:
                break;
        }
        calls.DialData(number);
        // The radio's nominal rate: EV-DO Rev. A on the CDMA card, HSDPA on the GSM card.
        return Final(calls.Gsm() ? "CONNECT 7200000" : "CONNECT 3100000");
    };
}

// ATO and ATH take no value but 0.
bool Plain(const Call& call) {
    return call.form == Form::kExec || call.args == "0";
}

Result Online(Context& ctx, const Call& call) {
    CallModel& calls = ctx.card.Calls();
    if (!Plain(call))
        return Result::Error();
    if (!calls.Data() || calls.Data()->online)
        return Final("NO CARRIER");
    calls.SetDataOnline(true);
    return Final("CONNECT");
}

Result HangUpData(Context& ctx, const Call& call) {
    if (!Plain(call))
        return Result::Error();
    ctx.card.Calls().EndData(false);
    return Result::Ok();
}

Result GuardTime(Context& ctx, const Call& call) {
    if (call.form == Form::kQuery) {
        std::string value = std::to_string(ctx.session.s12);
        value.insert(0, 3 - value.size(), '0');
        return Result::Line(value);
    }
    const int value = call.args.empty() || call.args.size() > 3 ? -1 : std::stoi(call.args);
    if (call.form != Form::kSet || value < 0 || value > 255)
        return Result::Error();
    ctx.session.s12 = value;
    return Result::Ok();
}

}  // namespace

void RegisterDataPortCommands(CommandTable& table) {
    const Handler* voice_dial = table.Find("D");
    table.Add("D", DataDial(voice_dial ? *voice_dial : Handler([](Context&, const Call&) {
                  return Result::Error();
              })));
    table.Add("O", Online);
    table.Add("H", HangUpData);
    table.Add("S12", GuardTime);
}

CommandTable DataPortCommandTable() {
    CommandTable table = DefaultCommandTable();
    RegisterDataPortCommands(table);
    return table;
}

}  // namespace dedevev::sim
