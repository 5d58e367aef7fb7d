// The preferred-system commands of a vendor card (^SYSCFGEX, ^SYSCFG) and of the 3GPP
// standard (AT+WS46), answered as real cards answer them, over the card's one stored
// preferred system (CardModel::NetSel). The GSM card offers GSM, WCDMA and LTE; the CDMA card
// 1x and HDR through ^SYSCFGEX only (the other two are 3GPP-only).

#include <utility>

#include "sim/CommandForms.h"
#include "sim/CommandTable.h"

namespace dedevev::sim {

namespace {

// Our preferred-system values and the vendor and standard codes for them.
struct SystemCodes {
    int netsel;
    const char* order;  // ^SYSCFGEX acquisition order
    int syscfg;         // ^SYSCFG mode, 0 none
    int ws46;           // AT+WS46 value, 0 none
};
constexpr SystemCodes kCodes[] = {
    {4, "00", 2, 25}, {1, "01", 13, 12}, {2, "02", 14, 22},
    {6, "03", 0, 28}, {10, "04", 0, 0},  {11, "07", 0, 0},
};

const SystemCodes* CodesOf(int netsel) {
    for (const SystemCodes& codes : kCodes) {
        if (codes.netsel == netsel)
            return &codes;
    }
    return nullptr;
}

bool Gsm(const CardModel& card) {
    return card.Kind() == CardKind::kGsm;
}

Result Syscfgex(Context& ctx, const Call& call) {
    const bool gsm = Gsm(ctx.card);
    const SystemCodes* now = CodesOf(ctx.card.NetSel());
    const std::string order = now ? now->order : "00";
    if (auto answer = AnswerUnlessSet(
            call,
            {.test = gsm ? "^SYSCFGEX: (\"00\",\"03\",\"02\",\"01\",\"99\"),((2000004e80380,"
                           "\"GSM850/GSM900/GSM1800/GSM1900/WCDMA850/WCDMA900/WCDMA1900/"
                           "WCDMA2100\"),(3fffffff,\"All Bands\")),(0-3),(0-4),((800c5,"
                           "\"LTE2100/LTE1800/LTE2600/LTE900/LTE800\"),(7fffffffffffffff,\"All "
                           "bands\"))"
                         : "^SYSCFGEX: (\"00\",\"04\",\"07\",\"99\"),((3fffffff,\"All "
                           "Bands\")),(0-2),(0-4),",
             .query = "^SYSCFGEX: " + Quoted(order) + ",3FFFFFFF,1,2,7FFFFFFFFFFFFFFF"}))
        return *answer;
    const std::vector<Arg> args = SplitArgs(call.args);
    if (args.size() < 4 || !args[0].quoted)
        return Result::Cme(cme::kIncorrectParameters);
    if (args[0].text == "99")
        return Result::Ok();
    for (const SystemCodes& codes : kCodes) {
        const bool offered = gsm ? codes.ws46 != 0 : codes.netsel == 4 || codes.ws46 == 0;
        if (offered && args[0].text == codes.order) {
            ctx.card.SetNetSel(codes.netsel);
            return Result::Ok();
        }
    }
    return Result::Cme(cme::kIncorrectParameters);
}

Result Syscfg(Context& ctx, const Call& call) {
    if (!Gsm(ctx.card))
        return Result::Error();
    const SystemCodes* now = CodesOf(ctx.card.NetSel());
    const int mode = now && now->syscfg != 0 ? now->syscfg : 2;
    if (auto answer = AnswerUnlessSet(
            call, {.test = "^SYSCFG:(2,13,14,16),(0-3),((400000,\"WCDMA2100\")),(0-2),(0-4)",
                   .query = "^SYSCFG: " + std::to_string(mode) + ",0,400000,1,2"}))
        return *answer;
    const std::vector<Arg> args = SplitArgs(call.args);
    int value = 0;
    int order = 0;
    if (args.size() < 5 || !ArgInt(args, 0, &value) || !ArgInt(args, 1, &order) || order > 3)
        return Result::Cme(cme::kIncorrectParameters);
    if (value == 16)
        return Result::Ok();
    for (const SystemCodes& codes : kCodes) {
        if (codes.syscfg != 0 && codes.syscfg == value) {
            ctx.card.SetNetSel(codes.netsel);
            return Result::Ok();
        }
    }
    return Result::Cme(cme::kIncorrectParameters);
}

Result Ws46(Context& ctx, const Call& call) {
    if (!Gsm(ctx.card))
        return Result::Error();
    const SystemCodes* now = CodesOf(ctx.card.NetSel());
    const int value_now = now && now->ws46 != 0 ? now->ws46 : 25;
    if (auto answer = AnswerUnlessSet(call, {.test = "+WS46: (12,22,25,28,29)",
                                             .query = "+WS46: " + std::to_string(value_now)}))
        return *answer;
    int value = 0;
    if (!ArgInt(SplitArgs(call.args), 0, &value))
        return Result::Cme(cme::kIncorrectParameters);
    for (const SystemCodes& codes : kCodes) {
        if (codes.ws46 != 0 && (codes.ws46 == value || (value == 29 && codes.netsel == 4))) {
            ctx.card.SetNetSel(codes.netsel);
            return Result::Ok();
        }
    }
    return Result::Cme(cme::kIncorrectParameters);
}

// AT&W: stores the active profile; the card's profile is its session, so nothing to keep.
Result StoreProfile(Context&, const Call& call) {
    const bool ok = call.form == Form::kExec || (call.form == Form::kSet && call.args == "0");
    return ok ? Result::Ok() : Result::Error();
}

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* candidate : names) {
        if (name == candidate)
            return true;
    }
    return false;
}

}  // namespace

std::optional<Result> DialectAnswer(const Context& ctx, const Call& call) {
    const CardModel& card = ctx.card;
    if (card.Dialect() == Dialect::kOurs)
        return IsOneOf(call.name, {"^SYSCFGEX", "^SYSCFG", "+WS46"})
                   ? std::optional<Result>(Result::Error())
                   : std::nullopt;
    if (IsOneOf(call.name, {"^DDNETSEL", "^DDMODE", "^DDSSID", "^DDRESET"}) ||
        (call.name == "^SYSCFGEX" && card.Quirks().Has(Quirk::kNoSyscfgEx)) ||
        (call.name == "^SYSCFG" && card.Quirks().Has(Quirk::kNoSyscfg)))
        return Result::Error();
    return std::nullopt;
}

void RegisterVendorCommands(CommandTable& table) {
    table.Add("^SYSCFGEX", Syscfgex);
    table.Add("^SYSCFG", Syscfg);
    table.Add("+WS46", Ws46);
    table.Add("&W", StoreProfile);
}

}  // namespace dedevev::sim
