// Identification and session commands: echo, result codes, error reporting, character set,
// functionality and the identity of the card.

#include "sim/CommandForms.h"
#include "sim/CommandTable.h"
#include "sim/TextCoding.h"

namespace dedevev::sim {

namespace {

const char* const kCharsets[] = {"IRA", "GSM", "UCS2"};

// A command that only reports one text and accepts its test form.
Handler Report(std::function<std::string(const CardModel&)> text) {
    return [text](Context& ctx, const Call& call) {
        if (call.form == Form::kTest)
            return Result::Ok();
        if (call.form != Form::kExec)
            return Result::Error();
        return Result::Line(text(ctx.card));
    };
}

// E, Q, V: a basic switch of 0 and 1; `allow0`/`allow1` say which values the card supports.
Handler Switch(std::function<void(SessionSettings&, int)> apply, bool allow0, bool allow1) {
    return [apply, allow0, allow1](Context& ctx, const Call& call) {
        if (call.form != Form::kExec && call.form != Form::kSet)
            return Result::Error();
        const int value = call.args.empty() ? 0 : std::atoi(call.args.c_str());
        if ((value == 0 && !allow0) || (value == 1 && !allow1) || value > 1)
            return Result::Error();
        apply(ctx.session, value);
        return Result::Ok();
    };
}

Result ResetSession(Context& ctx, const Call& call) {
    if (call.form != Form::kExec && !(call.form == Form::kSet && call.args == "0"))
        return Result::Error();
    const bool unsolicited = ctx.session.unsolicited;
    ctx.session = SessionSettings{};
    ctx.session.unsolicited = unsolicited;
    return Result::Ok();
}

Result Cmee(Context& ctx, const Call& call) {
    switch (call.form) {
        case Form::kTest:
            return Result::Line("+CMEE: (0-2)");
        case Form::kQuery:
            return Result::Line("+CMEE: " + std::to_string(ctx.session.cmee));
        case Form::kExec:
            ctx.session.cmee = 0;
            return Result::Ok();
        case Form::kSet: {
            int value = 0;
            if (!ArgInt(SplitArgs(call.args), 0, &value) || value > 2)
                return Result::Cme(cme::kIncorrectParameters);
            ctx.session.cmee = value;
            return Result::Ok();
        }
    }
    return Result::Error();
}

Result Cscs(Context& ctx, const Call& call) {
    if (auto answer = AnswerUnlessSet(call, {.test = "+CSCS: (\"IRA\",\"GSM\",\"UCS2\")",
                                             .query = "+CSCS: " + Quoted(ctx.session.charset)}))
        return *answer;
    const std::vector<Arg> args = SplitArgs(call.args);
    if (args.empty())
        return Result::Cme(cme::kIncorrectParameters);
    std::string name = args[0].text;
    std::u16string decoded;
    if (ctx.session.charset == "UCS2" && FromUcs2Hex(name, &decoded))
        name = Utf16ToUtf8(decoded);  // a host that encodes even the name of the set
    for (const char* set : kCharsets) {
        if (name == set) {
            ctx.session.charset = set;
            return Result::Ok();
        }
    }
    return Result::Cme(cme::kNotSupported);
}

Result Cfun(Context& ctx, const Call& call) {
    if (auto answer =
            AnswerUnlessSet(call, {.test = "+CFUN: (0,1,4),(0-1)",
                                   .query = "+CFUN: " + std::to_string(ctx.card.Functionality())}))
        return *answer;
    int fun = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &fun) || !ctx.card.SetFunctionality(fun))
        return Result::Cme(cme::kIncorrectParameters);
    Result result = Result::Ok();
    result.later = SimStartLater(ctx.card);  // a SIM that starts with the radio
    return result;
}

Result Cimi(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form != Form::kExec)
        return Result::Error();
    if (int error = ctx.card.CardError())
        return Result::Cme(error);
    return Result::Line(ctx.card.Id().imsi);
}

Result Ati(Context& ctx, const Call& call) {
    if (call.form == Form::kSet && call.args != "0")
        return Result::Error();
    const Identity& id = ctx.card.Id();
    const char* id_label = ctx.card.Kind() == CardKind::kCdma ? "MEID: " : "IMEI: ";
    Result result = Result::Lines({"Manufacturer: " + id.manufacturer, "Model: " + id.model,
                                   "Revision: " + id.revision, id_label + id.hardware_id});
    if (!ctx.card.Quirks().Has(Quirk::kNoGcap))
        result.lines.push_back("+GCAP: " + id.capabilities);
    return result;
}

}  // namespace

void RegisterBasicCommands(CommandTable& table) {
    table.Add("E", Switch([](SessionSettings& s, int v) { s.echo = v == 1; }, true, true));
    table.Add("V", Switch([](SessionSettings&, int) {}, false, true));  // verbose results only
    table.Add("Q", Switch([](SessionSettings&, int) {}, true, false));  // results always sent
    table.Add("Z", ResetSession);
    table.Add("&F", ResetSession);
    table.Add("I", Ati);
    table.Add("H", [](Context&, const Call& call) {
        return call.form == Form::kExec || call.args == "0" ? Result::Ok() : Result::Error();
    });
    table.Add("+CMEE", Cmee);
    table.Add("+CSCS", Cscs);
    table.Add("+CFUN", Cfun);
    table.Add("+CIMI", Cimi);
    const auto manufacturer = Report([](const CardModel& c) { return c.Id().manufacturer; });
    const auto model = Report([](const CardModel& c) { return c.Id().model; });
    const auto revision = Report([](const CardModel& c) { return c.Id().revision; });
    const auto serial = Report([](const CardModel& c) { return c.Id().hardware_id; });
    for (const char* name : {"+CGMI", "+GMI"})
        table.Add(name, manufacturer);
    for (const char* name : {"+CGMM", "+GMM"})
        table.Add(name, model);
    for (const char* name : {"+CGMR", "+GMR"})
        table.Add(name, revision);
    for (const char* name : {"+CGSN", "+GSN"})
        table.Add(name, serial);
    table.Add("+GCAP", Report([](const CardModel& c) { return "+GCAP: " + c.Id().capabilities; }));
}

}  // namespace dedevev::sim
