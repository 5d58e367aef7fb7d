// Radio, registration, operator selection, the service record and the stored settings of the
// card (preferred system, APNs, work mode, Wi-Fi name, factory reset).

#include "sim/CommandForms.h"
#include "sim/CommandTable.h"

namespace dedevev::sim {

namespace {

std::string Num(int value) {
    return std::to_string(value);
}

// A parameter out of range.
Result RangeError() {
    return Result::Cme(cme::kIncorrectParameters);
}

Result Csq(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Line("+CSQ: (0-31,99),(99)");
    if (call.form != Form::kExec)
        return Result::Error();
    return Result::Line("+CSQ: " + Num(ctx.card.Signal()) + ",99");
}

// +CREG and +CGREG share their form; `packet` picks the registration they report.
std::string RegistrationLine(const char* prefix, const CardModel& card, int n, bool packet,
                             bool unsolicited) {
    const int stat = packet && !card.PacketAttached() ? 0 : card.RegistrationStat();
    std::string line = std::string(prefix) + " ";
    if (!unsolicited)
        line += Num(n) + ",";
    line += Num(stat);
    const Network* current = card.Current();
    if (n == 2 && (stat == 1 || stat == 5) && current) {
        line += "," + Quoted(card.Lac()) + "," + Quoted(card.CellId()) + "," + Num(current->act);
    }
    return line;
}

Handler Registration(const char* prefix, bool packet) {
    return [prefix, packet](Context& ctx, const Call& call) {
        int& n = packet ? ctx.session.cgreg : ctx.session.creg;
        std::string& last = packet ? ctx.session.last_cgreg : ctx.session.last_creg;
        if (auto answer = AnswerUnlessSet(
                call, {.test = std::string(prefix) + " (0-2)",
                       .query = RegistrationLine(prefix, ctx.card, n, packet, false)}))
            return *answer;
        int value = 0;
        if (!ArgInt(SplitArgs(call.args), 0, &value) || value > 2)
            return RangeError();
        n = value;
        last = RegistrationReport(ctx.card, n, packet);
        return Result::Ok();
    };
}

Result Cgatt(Context& ctx, const Call& call) {
    if (auto answer = AnswerUnlessSet(
            call, {.test = "+CGATT: (0-1)",
                   .query = std::string("+CGATT: ") + (ctx.card.PacketAttached() ? "1" : "0")}))
        return *answer;
    int value = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &value) || value > 1)
        return RangeError();
    if (value == 1 && !ctx.card.PacketAttached())
        return Result::Cme(cme::kNoNetworkService);
    return Result::Ok();
}

std::string OperatorName(const SessionSettings& session, const Network& n, int format) {
    switch (format) {
        case 1:
            return OutText(session, n.short_name);
        case 2:
            return n.numeric;
        default:
            return OutText(session, n.long_name);
    }
}

Result CopsSearch(Context& ctx) {
    if (int error = ctx.card.CardError())
        return Result::Cme(error);
    if (ctx.card.Functionality() != 1)
        return Result::Cme(cme::kNoNetworkService);
    const bool act = !ctx.card.Quirks().Has(Quirk::kCopsNoAct);
    std::string line = "+COPS: ";
    for (const Network& n : ctx.card.Networks()) {
        line += "(" + Num(n.stat) + "," + Quoted(OutText(ctx.session, n.long_name)) + "," +
                Quoted(OutText(ctx.session, n.short_name)) + "," + Quoted(n.numeric) +
                (act ? "," + Num(n.act) : std::string()) + "),";
    }
    line += ",(0,1,2,3,4),(0,1,2)";
    Result result = Result::Line(line);
    result.delay = Millis(ctx.card.SearchDelayMs());
    return result;
}

Result Cops(Context& ctx, const Call& call) {
    CardModel& card = ctx.card;
    switch (call.form) {
        case Form::kTest:
            return CopsSearch(ctx);
        case Form::kExec:
            return Result::Error();
        case Form::kQuery: {
            const int stat = card.RegistrationStat();
            const Network* current = card.Current();
            std::string line = "+COPS: " + Num(card.SelectionMode());
            if ((stat == 1 || stat == 5) && current) {
                const int format = ctx.session.cops_format;
                line += "," + Num(format) + "," +
                        Quoted(OperatorName(ctx.session, *current, format)) + "," +
                        Num(current->act);
            }
            return Result::Line(line);
        }
        case Form::kSet:
            break;
    }
    const std::vector<Arg> args = SplitArgs(call.args);
    int mode = -1;
    int format = ctx.session.cops_format;
    if (!ArgInt(args, 0, &mode) || mode > 4)
        return RangeError();
    if (args.size() > 1 && args[1].present && (!ArgInt(args, 1, &format) || format > 2))
        return RangeError();
    ctx.session.cops_format = format;
    switch (mode) {
        case 0: {
            const int code = card.SelectAutomatic();
            return code == 0 ? Result::Ok() : Result::Cme(code);
        }
        case 2:
            card.Deregister();
            return Result::Ok();
        case 3:
            return Result::Ok();
        default:
            break;
    }
    if (args.size() < 3 || !args[2].present)
        return RangeError();
    // A name in the host's character set; a host that sends it plain while UCS2 is set is
    // understood too.
    std::string name;
    int code = cme::kNoNetworkService;
    if (InText(ctx.session, args[2].text, &name))
        code = card.SelectNetwork(name, format);
    if (code == cme::kNoNetworkService && name != args[2].text)
        code = card.SelectNetwork(args[2].text, format);
    if (code != 0 && mode == 4)
        code = card.SelectAutomatic();
    return code == 0 ? Result::Ok() : Result::Cme(code);
}

Result Ddsrv(Context& ctx, const Call& call) {
    if (auto answer = AnswerUnlessSet(
            call, {.test = "^DDSRV: (0-1)", .query = ServiceLine(ctx.card.Service())}))
        return *answer;
    int value = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &value) || value > 1)
        return RangeError();
    ctx.session.service_reports = value == 1;
    ctx.session.last_service = ServiceLine(ctx.card.Service());
    return Result::Ok();
}

Result Ddind(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form != Form::kQuery)
        return Result::Error();
    return Result::Line("^DDIND: " + Num(ctx.card.Indicator()));
}

Result Ddnetsel(Context& ctx, const Call& call) {
    if (auto answer = AnswerUnlessSet(call, {.test = "^DDNETSEL: (1,2,4,6,10,11)",
                                             .query = "^DDNETSEL: " + Num(ctx.card.NetSel())}))
        return *answer;
    int value = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &value) || !ctx.card.SetNetSel(value))
        return RangeError();
    return Result::Ok();
}

Result Cgdcont(Context& ctx, const Call& call) {
    switch (call.form) {
        case Form::kTest:
            return Result::Line("+CGDCONT: (1-16),\"IP\",,,(0-2),(0-4)");
        case Form::kQuery: {
            Result result;
            for (const auto& [cid, context] : ctx.card.Contexts()) {
                result.lines.push_back("+CGDCONT: " + Num(cid) + "," + Quoted(context.type) + "," +
                                       Quoted(context.apn) + ",\"0.0.0.0\",0,0");
            }
            return result;
        }
        case Form::kExec:
            return Result::Error();
        case Form::kSet:
            break;
    }
    const std::vector<Arg> args = SplitArgs(call.args);
    int cid = 0;
    if (!ArgInt(args, 0, &cid) || cid < 1 || cid > 16)
        return RangeError();
    if (args.size() == 1) {
        ctx.card.RemoveContext(cid);  // "AT+CGDCONT=<cid>" undefines the context
        return Result::Ok();
    }
    PdpContext context;
    if (args[1].present)
        context.type = args[1].text;
    if (context.type != "IP" && context.type != "IPV6" && context.type != "IPV4V6" &&
        context.type != "PPP")
        return RangeError();
    if (args.size() > 2)
        context.apn = args[2].text;
    ctx.card.SetContext(cid, context);
    return Result::Ok();
}

Result Ddmode(Context& ctx, const Call& call) {
    if (auto answer = AnswerUnlessSet(
            call, {.test = "^DDMODE: (0-1)", .query = "^DDMODE: " + Num(ctx.card.WorkMode())}))
        return *answer;
    int value = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &value) || !ctx.card.SetWorkMode(value))
        return RangeError();
    return Result::Ok();
}

Result Ddssid(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form != Form::kQuery)
        return Result::Error();
    if (ctx.card.WorkMode() != 1)
        return Result::Cme(cme::kNotAllowed);
    return Result::Line("^DDSSID: " + Quoted(OutText(ctx.session, ctx.card.Ssid())));
}

Result Ddreset(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form != Form::kExec)
        return Result::Error();
    ctx.card.FactoryReset();
    Result result;
    result.later.push_back(Later{Millis(ctx.card.ResetDowntimeMs()), "",
                                 [](CardModel& card) { card.ServiceBackAfterReset(); }});
    return result;
}

}  // namespace

std::string ServiceLine(const ServiceRecord& r) {
    return "^DDSRV: " + Num(r.srv_status) + "," + Num(r.sys_mode) + "," + Num(r.roam) + "," +
           Num(r.domain) + "," + Num(r.sim_state) + "," + Num(r.card_type) + "," + Num(r.srv_state);
}

std::string RegistrationReport(const CardModel& card, int n, bool packet) {
    return RegistrationLine(packet ? "+CGREG:" : "+CREG:", card, n, packet, true);
}

void RegisterNetworkCommands(CommandTable& table) {
    table.Add("+CSQ", Csq);
    table.Add("+CREG", Registration("+CREG:", false));
    table.Add("+CGREG", Registration("+CGREG:", true));
    table.Add("+CGATT", Cgatt);
    table.Add("+COPS", Cops);
    table.Add("^DDSRV", Ddsrv);
    table.Add("^DDIND", Ddind);
    table.Add("^DDNETSEL", Ddnetsel);
    table.Add("+CGDCONT", Cgdcont);
    table.Add("^DDMODE", Ddmode);
    table.Add("^DDSSID", Ddssid);
    table.Add("^DDRESET", Ddreset);
}

}  // namespace dedevev::sim
