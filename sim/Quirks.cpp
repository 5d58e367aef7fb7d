// The quirks' names and the answers of a quirky card that replace a command's own answer.

#include "sim/Quirks.h"

#include "sim/CommandTable.h"

namespace dedevev::sim {

namespace {

constexpr const char* kNames[] = {"at-error",    "no-cmee",     "no-gcap",     "no-cscs",
                                  "radio-off",   "sim-busy",    "cops-no-act", "cpms-full",
                                  "empty-error", "no-syscfgex", "no-syscfg"};
static_assert(std::size(kNames) == static_cast<std::size_t>(Quirk::kCount));

}  // namespace

const char* QuirkName(Quirk quirk) {
    const auto index = static_cast<std::size_t>(quirk);
    return index < std::size(kNames) ? kNames[index] : "?";
}

bool ParseQuirk(std::string_view name, Quirk* quirk) {
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
        if (name == kNames[i]) {
            *quirk = static_cast<Quirk>(i);
            return true;
        }
    }
    return false;
}

std::string QuirkList(const QuirkSet& quirks) {
    std::string list;
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
        if (quirks.Has(static_cast<Quirk>(i)))
            list += (list.empty() ? "" : ",") + std::string(kNames[i]);
    }
    return list.empty() ? "none" : list;
}

bool ParseQuirkList(std::string_view list, QuirkSet* quirks, std::string* error) {
    QuirkSet parsed;
    if (list != "none") {
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t end = std::min(list.find(',', start), list.size());
            const std::string_view name = list.substr(start, end - start);
            Quirk quirk;
            if (!ParseQuirk(name, &quirk)) {
                *error = "unknown quirk \"" + std::string(name) + "\"";
                return false;
            }
            parsed.Set(quirk, true);
            start = end + 1;
        }
    }
    *quirks = parsed;
    return true;
}

std::optional<Result> QuirkAnswer(const Context& ctx, const Call& call) {
    if (std::optional<Result> answer = DialectAnswer(ctx, call))
        return answer;
    const QuirkSet& quirks = ctx.card.Quirks();
    if (quirks.None())
        return std::nullopt;
    if ((call.name == "+CMEE" && quirks.Has(Quirk::kNoCmee)) ||
        (call.name == "+GCAP" && quirks.Has(Quirk::kNoGcap)) ||
        (call.name == "+CSCS" && call.form != Form::kQuery && quirks.Has(Quirk::kNoCscs)))
        return Result::Error();
    if (call.name == "+CPMS" && call.form == Form::kSet && quirks.Has(Quirk::kCpmsFull) &&
        SplitArgs(call.args).size() < 3)
        return Result::Error();
    return std::nullopt;
}

std::vector<Later> SimStartLater(CardModel& card) {
    int generation = 0;
    if (!card.TakeSimStartRequest(&generation))
        return {};
    // Busy for most of the start, then "not inserted" for its last quarter.
    const int total = card.SimStartMs();
    const auto step = [generation](SimStart phase) {
        return [generation, phase](CardModel& c) { c.SimStartStep(generation, phase); };
    };
    std::vector<Later> steps(2);
    steps[0].delay = Millis(total * 3 / 4);
    steps[0].action = step(SimStart::kAbsent);
    steps[1].delay = Millis(total);
    steps[1].action = step(SimStart::kDone);
    return steps;
}

}  // namespace dedevev::sim
