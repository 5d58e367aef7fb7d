// USSD (+CUSD): requests in text, UCS2 hex or packed GSM 7-bit hex, answers encoded by the
// data coding scheme, the character set and the card's USSD encoding switch.

#include <algorithm>

#include "sim/CommandTable.h"
#include "sim/TextCoding.h"

namespace dedevev::sim {

namespace {

constexpr int kDcsGsm7 = 15;
constexpr int kDcsUcs2 = 72;

// Whether a USSD data coding scheme (TS 23.038, cell broadcast groups) selects UCS2.
bool DcsIsUcs2(int dcs) {
    const int group = dcs >> 4;
    if (group == 0x1)
        return dcs == 0x11;
    if ((group & 0xC) == 0x4 || group == 0x9)
        return ((dcs >> 2) & 0x3) == 2;
    return false;
}

bool IsServiceString(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+';
    });
}

bool IsAscii(std::u16string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x20 && c < 0x7F; });
}

bool IsPrintable(std::u16string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) {
        return c >= 0x20 && c != 0x7F && c != 0xFFFD;
    });
}

// The request as the host meant it; false when it is not valid in the expected encoding.
bool DecodeRequest(const SessionSettings& session, UssdEncoding mode, const std::string& raw,
                   int dcs, std::string* text) {
    std::u16string decoded;
    if (DcsIsUcs2(dcs) || mode == UssdEncoding::kUcs2) {
        if (!FromUcs2Hex(raw, &decoded))
            return false;
        *text = Utf16ToUtf8(decoded);
        return true;
    }
    if (mode == UssdEncoding::kGsm7Hex) {
        if (!FromPackedGsm7Hex(raw, &decoded) || !IsPrintable(decoded))
            return false;
        *text = Utf16ToUtf8(decoded);
        return true;
    }
    // Text mode: the string in the host's character set, but a card of this kind also takes
    // a plain service string, UCS2 hex or packed hex, whichever the string is.
    const bool ucs2_set = session.charset == "UCS2";
    const bool ucs2 = FromUcs2Hex(raw, &decoded) && IsAscii(decoded);
    if (ucs2 && (ucs2_set || !IsServiceString(raw))) {
        *text = Utf16ToUtf8(decoded);
        return true;
    }
    if (IsServiceString(raw)) {
        *text = raw;
        return true;
    }
    if (FromPackedGsm7Hex(raw, &decoded) && IsServiceString(Utf16ToUtf8(decoded))) {
        *text = Utf16ToUtf8(decoded);
        return true;
    }
    if (ucs2_set)
        return false;
    *text = raw;
    return true;
}

}  // namespace

std::string UssdLine(const SessionSettings& session, UssdEncoding mode, const UssdReply& reply) {
    std::string line = "+CUSD: " + std::to_string(reply.m);
    if (!reply.has_text)
        return line;
    const std::u16string text = Utf8ToUtf16(reply.text);
    std::string payload;
    int dcs = kDcsGsm7;
    if (!IsGsm7Text(text) || mode == UssdEncoding::kUcs2) {
        payload = ToUcs2Hex(text);
        dcs = kDcsUcs2;
    } else if (mode == UssdEncoding::kGsm7Hex) {
        ToPackedGsm7Hex(text, &payload);
    } else {
        payload = OutText(session, reply.text);
    }
    return line + "," + Quoted(payload) + "," + std::to_string(dcs);
}

namespace {

Result Cusd(Context& ctx, const Call& call) {
    switch (call.form) {
        case Form::kTest:
            return Result::Line("+CUSD: (0-2)");
        case Form::kQuery:
            return Result::Line("+CUSD: " + std::to_string(ctx.session.cusd));
        case Form::kExec:
            ctx.session.cusd = 0;
            return Result::Ok();
        case Form::kSet:
            break;
    }
    const std::vector<Arg> args = SplitArgs(call.args);
    int n = 0;
    if (!args.empty() && args[0].present && (!ArgInt(args, 0, &n) || n > 2))
        return Result::Cme(cme::kIncorrectParameters);
    if (n == 2) {
        ctx.card.UssdCancel();
        return Result::Ok();
    }
    ctx.session.cusd = n;
    if (args.size() < 2 || !args[1].present)
        return Result::Ok();
    int dcs = kDcsGsm7;
    if (args.size() > 2 && args[2].present && !ArgInt(args, 2, &dcs))
        return Result::Cme(cme::kIncorrectParameters);
    if (int error = ctx.card.CardError())
        return Result::Cme(error);
    std::string request;
    if (!DecodeRequest(ctx.session, ctx.card.UssdCoding(), args[1].text, dcs, &request))
        return Result::Cme(cme::kInvalidCharacters);
    UssdReply reply;
    if (int error = ctx.card.UssdRequest(request, &reply))
        return Result::Cme(error);
    Result result;
    if (ctx.session.cusd == 0)
        return result;  // the host asked not to be told
    const std::string line = UssdLine(ctx.session, ctx.card.UssdCoding(), reply);
    if (ctx.card.UssdBeforeOk())
        result.lines.push_back(line);
    else
        result.later.push_back(Later{Millis(ctx.card.UssdDelayMs()), line, nullptr});
    return result;
}

}  // namespace

void RegisterUssdCommands(CommandTable& table) {
    table.Add("+CUSD", Cusd);
}

}  // namespace dedevev::sim
