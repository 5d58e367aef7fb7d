// dedevev-at's phonebook commands: list, add, edit and delete contacts of the card's books.

#include <string>

#include "device/IModemAgent.h"
#include "device/IPhonebook.h"
#include "device/at/features/CardPhonebook.h"
#include "tools/at/AtTool.h"

namespace dedevev::attool {

namespace {

// The book a command names: me (the modem), sm (the SIM/UIM card), en (emergency numbers).
IPhonebook* BookNamed(IPhonebookStore* store, const std::string& name) {
    if (name == "me")
        return store->GetModemPhonebook();
    if (name == "sm")
        return store->GetUimPhonebook();
    if (name == "en")
        return store->GetEmergencyPhonebook();
    return nullptr;
}

void PrintContact(IPhonebook* book, int position, Output& out) {
    const CardContact& contact = book->GetAt(position);
    out.Field("contact", std::to_string(position + 1));
    if (auto* card_book = dynamic_cast<at::CardPhonebook*>(book))
        out.Field("index", std::to_string(card_book->IndexAt(position)));
    out.Field("name", contact.name);
    out.Field("number", contact.number);
}

// Why the card refused a write, from its +CME ERROR number.
std::string RefusalText(IPhonebook* book, const std::string& what) {
    auto* card_book = dynamic_cast<at::CardPhonebook*>(book);
    const int error = card_book != nullptr ? card_book->LastError() : -1;
    switch (error) {
        case -1:
            return what + " was not written";
        case 20:
            return what + ": the phonebook is full";
        case 24:
            return what + ": the name is too long for the card";
        case 26:
            return what + ": the number is too long for the card";
        case 3:
            return what + ": this phonebook cannot be changed";
        case 25:
            return what + ": the name has characters the card does not take";
        case 27:
            return what + ": the number has characters the card does not take";
        default:
            return what + ": the card refused it (+CME ERROR " + std::to_string(error) + ")";
    }
}

}  // namespace

int PhonebookCommand(const Invocation& inv, IModemAgent* agent, Output& out) {
    const std::string& action = inv.args[0];
    // Names travel as UCS2 so that any script reaches the card; a card without UCS2 keeps
    // its set and takes ASCII names only.
    int charset_status = kStatusUntouched;
    agent->GetDeviceControl()->SetCharacterSet("UCS2", &charset_status);
    IPhonebook* book = BookNamed(agent->GetPhonebookStore(), inv.args[1]);
    if (book == nullptr)
        return out.Fail(kExitUsage, "no such phonebook " + inv.args[1]);
    int status = kStatusUntouched;
    book->Load(nullptr, &status);
    if (status != kStatusOk || !book->IsLoaded())
        return out.Fail(kExitTimeout, "the card did not read its phonebook");
    if (action == "list") {
        out.Field("capacity", std::to_string(book->GetCapacity()));
        out.Field("count", std::to_string(book->GetCount()));
        for (int position = 0; position < book->GetCount(); ++position)
            PrintContact(book, position, out);
        return kExitOk;
    }
    if (action == "add") {
        const CardContact contact{inv.args[3], inv.args[2]};
        status = kStatusUntouched;
        if (!book->Add(contact, &status))
            return out.Fail(kExitRefused, RefusalText(book, "the contact"));
        for (int position = 0; position < book->GetCount(); ++position) {
            if (book->GetAt(position) == contact) {
                PrintContact(book, position, out);
                break;
            }
        }
        return kExitOk;
    }
    const int position = std::stoi(inv.args[2]) - 1;
    if (position < 0 || position >= book->GetCount())
        return out.Fail(kExitUsage, "no contact " + inv.args[2] + " in this phonebook");
    if (action == "edit") {
        if (!book->Update(position, CardContact{inv.args[4], inv.args[3]}))
            return out.Fail(kExitRefused, RefusalText(book, "contact " + inv.args[2]));
        PrintContact(book, position, out);
        return kExitOk;
    }
    // delete
    if (!book->RemoveAt(position))
        return out.Fail(kExitRefused, RefusalText(book, "contact " + inv.args[2]));
    out.Field("deleted", inv.args[2]);
    return kExitOk;
}

}  // namespace dedevev::attool
