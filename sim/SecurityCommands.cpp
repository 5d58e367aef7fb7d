// SIM/UIM security: PIN state and entry, PUK, remaining attempts, PIN lock and PIN change.

#include "sim/CommandTable.h"

namespace dedevev::sim {

namespace {

// The code the card waits for, in the words of +CPIN.
const char* PinCode(const CardModel& card) {
    switch (card.State()) {
        case CardState::kPinRequired:
            return "SIM PIN";
        case CardState::kPukRequired:
        case CardState::kBlocked:
            return "SIM PUK";
        default:
            return "READY";
    }
}

Result FromCode(int code) {
    return code == 0 ? Result::Ok() : Result::Cme(code);
}

Result Cpin(Context& ctx, const Call& call) {
    CardModel& card = ctx.card;
    switch (call.form) {
        case Form::kTest:
            return Result::Ok();
        case Form::kExec:
            return Result::Error();
        case Form::kQuery:
            // A blocked card still reports SIM PUK (with no PUK attempts left), so that a host
            // shows the PUK flow and learns that the card cannot be unblocked any more.
            if (int starting = card.SimStartError())
                return Result::Cme(starting);
            if (card.State() == CardState::kAbsent)
                return Result::Cme(cme::kSimNotInserted);
            return Result::Line(std::string("+CPIN: ") + PinCode(card));
        case Form::kSet:
            break;
    }
    const std::vector<Arg> args = SplitArgs(call.args);
    if (args.empty() || args.size() > 2 || !args[0].present)
        return Result::Cme(cme::kIncorrectParameters);
    if (args.size() == 1)
        return FromCode(card.VerifyPin(args[0].text));
    return FromCode(card.UnlockWithPuk(args[0].text, args[1].text));
}

Result Cpinr(Context& ctx, const Call& call) {
    const CardModel& card = ctx.card;
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form == Form::kQuery)
        return Result::Error();
    if (card.State() == CardState::kAbsent)
        return Result::Cme(cme::kSimNotInserted);
    std::string pattern = "*";
    if (call.form == Form::kSet) {
        const std::vector<Arg> args = SplitArgs(call.args);
        if (!args.empty())
            pattern = args[0].text;
    }
    // A selection ends with '*' as a wildcard ("SIM*"), as 27.007 allows.
    const bool wildcard = !pattern.empty() && pattern.back() == '*';
    if (wildcard)
        pattern.pop_back();
    auto matches = [&](const std::string& code) {
        return wildcard ? code.compare(0, pattern.size(), pattern) == 0 : code == pattern;
    };
    Result result;
    if (matches("SIM PIN"))
        result.lines.push_back("+CPINR: SIM PIN," + std::to_string(card.PinAttempts()) + ",3");
    if (matches("SIM PUK"))
        result.lines.push_back("+CPINR: SIM PUK," + std::to_string(card.PukAttempts()) + ",10");
    return result;
}

Result VendorCpin(Context& ctx, const Call& call) {
    const CardModel& card = ctx.card;
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form != Form::kQuery)
        return Result::Error();
    if (card.State() == CardState::kAbsent)
        return Result::Cme(cme::kSimNotInserted);
    std::string times;
    if (card.State() == CardState::kPinRequired)
        times = std::to_string(card.PinAttempts());
    else if (card.State() != CardState::kReady)
        times = std::to_string(card.PukAttempts());
    return Result::Line(std::string("^CPIN: ") + PinCode(card) + "," + times + "," +
                        std::to_string(card.PukAttempts()) + "," +
                        std::to_string(card.PinAttempts()) + ",10,3");
}

Result Ddpinr(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Ok();
    if (call.form != Form::kQuery)
        return Result::Error();
    if (ctx.card.State() == CardState::kAbsent)
        return Result::Cme(cme::kSimNotInserted);
    return Result::Line("^DDPINR: " + std::to_string(ctx.card.PinAttempts()) + "," +
                        std::to_string(ctx.card.PukAttempts()));
}

Result Clck(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Line("+CLCK: (\"SC\")");
    if (call.form != Form::kSet)
        return Result::Error();
    const std::vector<Arg> args = SplitArgs(call.args);
    int mode = -1;
    if (args.empty() || !ArgInt(args, 1, &mode) || mode > 2)
        return Result::Cme(cme::kIncorrectParameters);
    if (args[0].text != "SC")
        return Result::Cme(cme::kNotSupported);
    if (mode == 2) {
        if (int error = ctx.card.CardError())
            return Result::Cme(error);
        return Result::Line(std::string("+CLCK: ") + (ctx.card.PinLock() ? "1" : "0"));
    }
    if (args.size() < 3 || !args[2].present)
        return Result::Cme(cme::kIncorrectParameters);
    return FromCode(ctx.card.SetPinLock(mode == 1, args[2].text));
}

Result Cpwd(Context& ctx, const Call& call) {
    if (call.form == Form::kTest)
        return Result::Line("+CPWD: (\"SC\",8)");
    if (call.form != Form::kSet)
        return Result::Error();
    const std::vector<Arg> args = SplitArgs(call.args);
    if (args.size() != 3 || !args[1].present || !args[2].present)
        return Result::Cme(cme::kIncorrectParameters);
    if (args[0].text != "SC")
        return Result::Cme(cme::kNotSupported);
    return FromCode(ctx.card.ChangePin(args[1].text, args[2].text));
}

}  // namespace

void RegisterSecurityCommands(CommandTable& table) {
    table.Add("+CPIN", Cpin);
    table.Add("+CPINR", Cpinr);
    table.Add("^CPIN", VendorCpin);
    table.Add("^DDPINR", Ddpinr);
    table.Add("+CLCK", Clck);
    table.Add("+CPWD", Cpwd);
}

}  // namespace dedevev::sim
