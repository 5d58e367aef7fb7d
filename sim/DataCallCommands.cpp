// The data port's own commands (V.250 and 3GPP TS 27.007 10.2.1): a packet data dial that
// answers CONNECT and hands the port to the link, ATO back to the link after an escape, ATH
// that ends the data call and nothing else, and S12, the escape's guard time. A voice dial
// (ATD<number>;) works here as on the AT port.

#include <cctype>

#include "sim/CommandTable.h"

namespace dedevev::sim {

namespace {

Result Final(const char* text) {
    Result result;
    result.final = Result::Final::kText;
    result.final_text = text;
    return result;
}

// "*99#", "*99***<cid>#" with a defined context, "#777".
bool IsPacketDialString(const CardModel& card, std::string_view number) {
    if (number == "*99#" || number == "#777")
        return true;
    constexpr std::string_view kPrefix = "*99***";
    if (number.size() < kPrefix.size() + 2 || number.substr(0, kPrefix.size()) != kPrefix ||
        number.back() != '#')
        return false;
    const std::string_view cid = number.substr(kPrefix.size(), number.size() - kPrefix.size() - 1);
    if (cid.empty() || cid.size() > 2 ||
        cid.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    return card.Contexts().count(std::stoi(std::string(cid))) != 0;
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
        calls.DialData(number);
        return Final("CONNECT");
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
