// Phonebooks (3GPP TS 27.007, 8.11-8.14): selecting a storage, reading, writing and deleting
// entries. Names travel in the character set of +CSCS; a card with the UCS2-number switch on
// gives the numbers in UCS2 hex too when that set is "UCS2".

#include "sim/CommandTable.h"
#include "sim/TextCoding.h"

namespace dedevev::sim {

namespace {

bool Ucs2Numbers(const Context& ctx) {
    return ctx.session.charset == "UCS2" && ctx.card.Phonebooks().Ucs2Numbers();
}

std::string EntryLine(const Context& ctx, const PhonebookEntry& entry) {
    const std::string number =
        Ucs2Numbers(ctx) ? ToUcs2Hex(Utf8ToUtf16(entry.number)) : entry.number;
    return "+CPBR: " + std::to_string(entry.index) + "," + Quoted(number) + "," +
           std::to_string(entry.Type()) + "," + Quoted(OutText(ctx.session, entry.text));
}

// A number field as the host sent it; UCS2 hex is accepted where the card sends it so.
std::string InNumber(const Context& ctx, const std::string& field) {
    if (!Ucs2Numbers(ctx) || field.size() < 4 || field.size() % 4 != 0 || !IsHexText(field))
        return field;
    std::u16string wide;
    if (!FromUcs2Hex(field, &wide))
        return field;
    for (char16_t c : wide) {
        if (!((c >= u'0' && c <= u'9') || c == u'+' || c == u'*' || c == u'#'))
            return field;
    }
    return Utf16ToUtf8(wide);
}

Result Cpbs(Context& ctx, const Call& call) {
    if (int code = ctx.card.CardError())
        return Result::Cme(code);
    PhonebookModel& books = ctx.card.Phonebooks();
    switch (call.form) {
        case Form::kTest: {
            std::string list;
            for (const Phonebook& book : books.Books())
                list += (list.empty() ? "" : ",") + Quoted(book.name);
            return Result::Line("+CPBS: (" + list + ")");
        }
        case Form::kQuery: {
            const Phonebook& book = books.Selected();
            return Result::Line("+CPBS: " + Quoted(book.name) + "," + std::to_string(book.Used()) +
                                "," + std::to_string(book.capacity));
        }
        case Form::kSet: {
            const std::vector<Arg> args = SplitArgs(call.args);
            if (args.empty() || !args[0].present)
                return Result::Cme(cme::kIncorrectParameters);
            if (int code = books.Select(args[0].text))
                return Result::Cme(code);
            return Result::Ok();
        }
        case Form::kExec:
            break;
    }
    return Result::Error();
}

Result Cpbr(Context& ctx, const Call& call) {
    if (int code = ctx.card.CardError())
        return Result::Cme(code);
    PhonebookModel& books = ctx.card.Phonebooks();
    const Phonebook& book = books.Selected();
    if (call.form == Form::kTest)
        return Result::Line("+CPBR: (1-" + std::to_string(book.capacity) + ")," +
                            std::to_string(book.number_length) + "," +
                            std::to_string(book.text_length));
    if (call.form != Form::kSet)
        return Result::Error();
    const std::vector<Arg> args = SplitArgs(call.args);
    int first = 0;
    if (!ArgInt(args, 0, &first) || args.size() > 2)
        return Result::Cme(cme::kIncorrectParameters);
    if (args.size() == 1) {
        PhonebookEntry entry;
        if (int code = books.Read(first, &entry))
            return Result::Cme(code);
        return Result::Line(EntryLine(ctx, entry));
    }
    int last = 0;
    if (!ArgInt(args, 1, &last))
        return Result::Cme(cme::kIncorrectParameters);
    std::vector<PhonebookEntry> entries;
    if (int code = books.ReadRange(first, last, &entries))
        return Result::Cme(code);
    if (entries.empty() && ctx.card.Quirks().Has(Quirk::kEmptyError))
        return Result::Cme(pbe::kNotFound);
    Result result;
    for (const PhonebookEntry& entry : entries)
        result.lines.push_back(EntryLine(ctx, entry));
    return result;
}

Result Cpbw(Context& ctx, const Call& call) {
    if (int code = ctx.card.CardError())
        return Result::Cme(code);
    PhonebookModel& books = ctx.card.Phonebooks();
    const Phonebook& book = books.Selected();
    if (call.form == Form::kTest)
        return Result::Line("+CPBW: (1-" + std::to_string(book.capacity) + ")," +
                            std::to_string(book.number_length) + ",(129,145)," +
                            std::to_string(book.text_length));
    if (call.form != Form::kSet)
        return Result::Error();
    const std::vector<Arg> args = SplitArgs(call.args);
    if (args.empty() || args.size() > 4)
        return Result::Cme(cme::kIncorrectParameters);
    int index = 0;
    if (args[0].present && (!ArgInt(args, 0, &index) || index < 1))
        return Result::Cme(index < 1 &&
                                   args[0].text.find_first_not_of("0123456789") == std::string::npos
                               ? pbe::kInvalidIndex
                               : cme::kIncorrectParameters);
    const bool has_number = args.size() > 1 && args[1].present;
    if (!has_number) {
        if (args.size() > 2 || index == 0)
            return Result::Cme(cme::kIncorrectParameters);
        if (int code = books.Erase(index))
            return Result::Cme(code);
        return Result::Ok();
    }
    int type = 0;
    if (args.size() > 2 && args[2].present && (!ArgInt(args, 2, &type) || type < 128 || type > 255))
        return Result::Cme(cme::kIncorrectParameters);
    std::string text;
    if (args.size() > 3 && !InText(ctx.session, args[3].text, &text))
        return Result::Cme(pbe::kInvalidText);
    int written = 0;
    if (int code = books.Write(index, InNumber(ctx, args[1].text), type, text, &written))
        return Result::Cme(code);
    if (index == 0)
        return Result::Line("+CPBW: " + std::to_string(written));
    return Result::Ok();
}

}  // namespace

void RegisterPhonebookCommands(CommandTable& table) {
    table.Add("+CPBS", Cpbs);
    table.Add("+CPBR", Cpbr);
    table.Add("+CPBW", Cpbw);
}

}  // namespace dedevev::sim
