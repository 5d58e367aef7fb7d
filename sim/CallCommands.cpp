// Voice calls (3GPP TS 27.007 and V.250): dialling, answering, hanging up, the call list, the
// activity, the GSM hold and conference operations, the CDMA flash, DTMF, tones, the speaker
// volume, the PCM voice path and the settings of the call presentations (+CLIP, +CCWA, +CRC).
// The data call is dialled on the data port (DataCallCommands.cpp); here it is listed, and
// ATH on the AT port ends it with the voice calls.

#include "sim/CommandForms.h"
#include "sim/CommandTable.h"

namespace dedevev::sim {

namespace {

// Presentation settings a host switches with AT+<cmd>=<n>: 0 or 1.
Result Presentation(Context& ctx, const Call& call, const std::string& name,
                    int SessionSettings::*field, const std::string& query_tail) {
    if (auto answer = AnswerUnlessSet(
            call, {.test = name + ": (0,1)",
                   .query = name + ": " + std::to_string(ctx.session.*field) + query_tail,
                   .exec = Result::Ok()}))
        return *answer;
    const std::vector<Arg> args = SplitArgs(call.args);
    int n = 0;
    if (args.empty() || !args[0].present) {
        n = 0;
    } else if (!ArgInt(args, 0, &n) || n < 0 || n > 1) {
        return Result::Cme(cme::kIncorrectParameters);
    }
    ctx.session.*field = n;
    int mode = 0;
    // +CCWA=<n>,2 asks the network whether call waiting is on (it is).
    if (name == "+CCWA" && ArgInt(args, 1, &mode) && mode == 2)
        return Result::Line("+CCWA: 1,1");
    return Result::Ok();
}

int CallsAllowed(const CardModel& card) {
    if (int code = card.CardError())
        return code;
    if (card.Service().srv_status != 2)
        return cme::kNoNetworkService;
    return 0;
}

Result Dial(Context& ctx, const Call& call) {
    std::string number = call.args;
    while (!number.empty() && number.back() == ' ')
        number.pop_back();
    if (number.empty() || number.back() != ';')
        return Result::Cme(cme::kNotSupported);  // data calls go through the data port's dialler
    number.pop_back();
    if (int code = CallsAllowed(ctx.card))
        return Result::Cme(code);
    int id = 0;
    if (int code = ctx.card.Calls().Dial(number, &id))
        return Result::Cme(code);
    return Result::Ok();
}

Result AnswerCall(Context& ctx, const Call&) {
    if (!ctx.card.Calls().Answer()) {
        Result result;
        result.final = Result::Final::kText;
        result.final_text = "NO CARRIER";
        return result;
    }
    return Result::Ok();
}

// ATH ends every call, the data call too; +CHUP the voice calls.
Result HangUp(Context& ctx, const Call& call, bool data_too) {
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form == Form::kSet && call.args != "0")
        return Result::Error();
    ctx.card.Calls().HangUpAll();
    if (data_too)
        ctx.card.Calls().EndData(true);
    return Result::Ok();
}

Result ListCalls(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form != Form::kExec)
        return Result::Error();
    Result result;
    for (const VoiceCall& c : ctx.card.Calls().Calls()) {
        std::string line = "+CLCC: " + std::to_string(c.id) + "," + (c.outgoing ? "0" : "1") + "," +
                           std::to_string(static_cast<int>(c.state)) + ",0," +
                           (c.multiparty ? "1" : "0");
        if (!c.number.empty())
            line += "," + Quoted(c.number) + "," + std::to_string(c.Type());
        result.lines.push_back(line);
    }
    // A GSM card lists its data call too (mode 1); a CDMA card shows it only as activity.
    const std::optional<DataCall>& data = ctx.card.Calls().Data();
    if (data && ctx.card.Calls().Gsm()) {
        result.lines.push_back("+CLCC: " + std::to_string(data->id) + ",0,0,1,0," +
                               Quoted(data->number) + ",129");
    }
    return result;
}

Result Activity(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Line("+CPAS: (0,3,4)");
    if (call.form != Form::kExec)
        return Result::Error();
    return Result::Line("+CPAS: " + std::to_string(ctx.card.Calls().Activity()));
}

Result Chld(Context& ctx, const Call& call) {
    if (!ctx.card.Calls().Gsm())
        return Result::Cme(cme::kNotSupported);
    if (call.form == Form::kTest)
        return Result::Line("+CHLD: (0,1,1x,2,2x,3)");
    if (call.form != Form::kSet)
        return Result::Cme(cme::kIncorrectParameters);
    if (int code = ctx.card.Calls().Hold(call.args))
        return Result::Cme(code);
    return Result::Ok();
}

Result Flash(Context& ctx, const Call& call) {
    if (ctx.card.Calls().Gsm())
        return Result::Cme(cme::kNotSupported);
    if (call.form == Form::kTest || call.form == Form::kQuery)
        return Result::Ok();
    std::string number;
    if (call.form == Form::kSet) {
        const std::vector<Arg> args = SplitArgs(call.args);
        if (args.size() != 1 || !args[0].present)
            return Result::Cme(cme::kIncorrectParameters);
        number = args[0].text;
    }
    if (int code = ctx.card.Calls().Flash(call.form == Form::kSet, number))
        return Result::Cme(code);
    return Result::Ok();
}

Result Vts(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Line("+VTS: (0-9,*,#,A-D)");
    if (call.form != Form::kSet)
        return Result::Cme(cme::kIncorrectParameters);
    const std::vector<Arg> args = SplitArgs(call.args);
    std::string keys;
    for (const Arg& arg : args)
        keys += arg.text;
    if (int code = ctx.card.Calls().SendDtmf(keys))
        return Result::Cme(code);
    return Result::Ok();
}

Result Tone(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Line("^DDTONE: (1-8000),(1-10000)");
    const std::vector<Arg> args = SplitArgs(call.args);
    int hz = 0, ms = 0;
    if (call.form != Form::kSet || args.size() != 2 || !ArgInt(args, 0, &hz) ||
        !ArgInt(args, 1, &ms) || hz < 1 || hz > 8000 || ms < 1 || ms > 10000)
        return Result::Cme(cme::kIncorrectParameters);
    ctx.card.Calls().PlayTone(hz, ms);
    return Result::Ok();
}

Result Volume(Context& ctx, const Call& call) {
    if (auto answer =
            AnswerUnlessSet(call, {.test = "+CLVL: (0-8)",
                                   .query = "+CLVL: " + std::to_string(ctx.card.Calls().Volume())}))
        return *answer;
    int level = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &level) || level < 0 || level > 8)
        return Result::Cme(cme::kIncorrectParameters);
    ctx.card.Calls().SetVolume(level);
    return Result::Ok();
}

Result VoicePath(Context& ctx, const Call& call) {
    if (auto answer = AnswerUnlessSet(
            call, {.test = "^DDVOICE: (0,1)",
                   .query = "^DDVOICE: " + std::to_string(ctx.card.Calls().VoicePath() ? 1 : 0)}))
        return *answer;
    int on = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &on) || on < 0 || on > 1)
        return Result::Cme(cme::kIncorrectParameters);
    ctx.card.Calls().SetVoicePath(on == 1);
    return Result::Ok();
}

}  // namespace

void RegisterCallCommands(CommandTable& table) {
    table.Add("D", Dial);
    table.Add("A", AnswerCall);
    table.Add("H", [](Context& ctx, const Call& call) { return HangUp(ctx, call, true); });
    table.Add("+CHUP", [](Context& ctx, const Call& call) { return HangUp(ctx, call, false); });
    table.Add("+CLCC", ListCalls);
    table.Add("+CPAS", Activity);
    table.Add("+CHLD", Chld);
    table.Add("^DDFLASH", Flash);
    table.Add("+VTS", Vts);
    table.Add("^DDTONE", Tone);
    table.Add("+CLVL", Volume);
    table.Add("^DDVOICE", VoicePath);
    table.Add("+CLIP", [](Context& ctx, const Call& call) {
        return Presentation(ctx, call, "+CLIP", &SessionSettings::clip, ",1");
    });
    table.Add("+CCWA", [](Context& ctx, const Call& call) {
        return Presentation(ctx, call, "+CCWA", &SessionSettings::ccwa, "");
    });
    table.Add("+CRC", [](Context& ctx, const Call& call) {
        return Presentation(ctx, call, "+CRC", &SessionSettings::crc, "");
    });
}

// The lines a call notice gives on an AT port with these settings.
std::vector<std::string> CallNoticeLines(const SessionSettings& session, const CallNotice& n) {
    using Kind = CallNotice::Kind;
    const VoiceCall& c = n.call;
    const std::string id = std::to_string(c.id);
    auto presented = [&c](const std::string& head, const std::string& middle) {
        return head + Quoted(c.withheld ? "" : c.number) + "," + std::to_string(c.Type()) + middle +
               std::to_string(c.Validity());
    };
    switch (n.kind) {
        case Kind::kRing: {
            std::vector<std::string> lines{session.crc ? "+CRING: VOICE" : "RING"};
            if (session.clip && (c.number_known || c.withheld))
                lines.push_back(presented("+CLIP: ", ",,,,"));
            return lines;
        }
        case Kind::kClip:
            if (session.clip)
                return {presented("+CLIP: ", ",,,,")};
            return {};
        case Kind::kWaiting:
            if (session.ccwa)
                return {presented("+CCWA: ", ",1,,")};
            return {};
        case Kind::kOrig:
            return {"^DDORIG: " + id};
        case Kind::kConn:
            return {"^DDCONN: " + id};
        case Kind::kEnd:
            return {"^DDCEND: " + id + "," + std::to_string(n.cause)};
        case Kind::kInfo:
            return {"^DDCINFO: " + Quoted(OutText(session, n.text))};
        case Kind::kNoCarrier:
            return {"NO CARRIER"};
    }
    return {};
}

}  // namespace dedevev::sim
