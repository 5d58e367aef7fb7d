#include "phonebook/PhonebookRules.h"

#include <algorithm>
#include <mutex>

#include "core/MessageBox.h"
#include "device/base/Utf.h"
#include "phonebook/PhonebookWorkers.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

// Tells the person what stands against the entry. True when the entry may be stored; false
// sends the person back to the entry dialog (the entry as they left it).
bool GoOnDespite(int conflict, ILocalizer* localizer) {
    const std::u16string hint = PhonebookText(localizer, u"Hint");
    switch (conflict) {
        case kConflictRecordExists:
            ShowMessage(PhonebookText(localizer, u"RecordExist"), hint, kMbOk | kMbIconExclamation);
            return false;
        case kConflictNameExists:
        case kConflictNumberExists:
            return ShowMessage(
                       PhonebookText(localizer, conflict == kConflictNameExists ? u"NameExist"
                                                                                : u"NumberExist"),
                       hint, kMbOkCancel | kMbIconQuestion | kMbDefButton2) == kMsgFirst;
        default:
            return true;
    }
}

// Runs the entry dialog until the person cancels or takes an entry that `conflict_of` lets
// through (after asking). True with the entry to store.
template <typename Entry, typename Dialog, typename ConflictOf>
bool AskForEntry(Entry* entry, bool editing, const Dialog& dialog, const ConflictOf& conflict_of,
                 ILocalizer* localizer) {
    for (;;) {
        if (!dialog(entry, editing))
            return false;
        if (GoOnDespite(conflict_of(*entry), localizer))
            return true;
    }
}

// Upper case of a-z only, whatever else the text holds.
template <typename Char>
std::basic_string<Char> UpperAscii(std::basic_string_view<Char> text) {
    std::basic_string<Char> upper(text);
    for (Char& c : upper) {
        if (c >= Char('a') && c <= Char('z'))
            c = static_cast<Char>(c - Char('a') + Char('A'));
    }
    return upper;
}

template <typename Char>
bool Contains(std::basic_string_view<Char> field, const std::basic_string<Char>& upper_text) {
    return UpperAscii(field).find(upper_text) != std::basic_string<Char>::npos;
}

template <typename Char>
bool NameHits(std::basic_string_view<Char> name, const std::basic_string<Char>& upper_text,
              bool by_prefix) {
    const std::basic_string<Char> upper = UpperAscii(name);
    return by_prefix ? upper.compare(0, upper_text.size(), upper_text) == 0
                     : upper.find(upper_text) != std::basic_string<Char>::npos;
}

void SearchCard(IPhonebook* book, PhonebookKind kind, const std::string& upper_text, bool by_prefix,
                std::vector<PhonebookHit>* hits) {
    if (book == nullptr)
        return;
    const int count = book->GetCount();
    for (int position = 0; position < count; ++position) {
        const CardContact contact = book->GetAt(position);
        if (NameHits<char>(contact.name, upper_text, by_prefix) ||
            Contains<char>(contact.number, upper_text))
            hits->push_back(PhonebookHit{kind, position});
    }
}

}  // namespace

std::u16string PCEntryProblem(const PCContact& entry) {
    if (entry.name.empty())
        return u"NameRequired";
    if (entry.mobile.empty() && entry.office.empty() && entry.home.empty())
        return u"NumberRequired";
    return {};
}

int CheckCardConflict(IPhonebook& phonebook, const CardContact& candidate, int skip_position) {
    bool same_name = false;
    bool same_number = false;
    const int count = phonebook.GetCount();
    for (int position = 0; position < count; ++position) {
        if (position == skip_position)
            continue;
        const CardContact other = phonebook.GetAt(position);
        const bool name = other.name == candidate.name;
        const bool number = other.number == candidate.number;
        if (name && number)
            return kConflictRecordExists;
        same_name = same_name || name;
        same_number = same_number || number;
    }
    if (same_name)
        return kConflictNameExists;
    return same_number ? kConflictNumberExists : kConflictNone;
}

bool AddPCContact(CPhonebookPC& phonebook, std::u16string_view number, const PCEntryDialog& dialog,
                  ILocalizer* localizer) {
    PCContact entry;
    if (!number.empty()) {
        entry.mobile = std::u16string(number);
        const int known = phonebook.FindByNumber(number);
        if (known >= 0)
            phonebook.CopyAt(known, &entry);
    }
    const auto conflict_of = [&](const PCContact& e) {
        return phonebook.CheckConflict(e, phonebook.GetCount());
    };
    if (!AskForEntry(&entry, false, dialog, conflict_of, localizer))
        return false;
    bool existed = false;
    phonebook.Add(entry, &existed);
    return !existed;
}

bool EditPCContact(CPhonebookPC& phonebook, int position, const PCEntryDialog& dialog,
                   ILocalizer* localizer) {
    PCContact entry;
    if (!phonebook.CopyAt(position, &entry))
        return false;
    const auto conflict_of = [&](const PCContact& e) {
        return phonebook.CheckConflict(e, position);
    };
    return AskForEntry(&entry, true, dialog, conflict_of, localizer) &&
           phonebook.Update(position, entry);
}

bool EditCardContact(IPhonebook& phonebook, int position, const CardEntryDialog& dialog,
                     ILocalizer* localizer) {
    const bool editing = position >= 0;
    CardContact entry;
    if (editing) {
        if (position >= phonebook.GetCount())
            return false;
        entry = phonebook.GetAt(position);
    }
    const auto conflict_of = [&](const CardContact& e) {
        return CheckCardConflict(phonebook, e, editing ? position : phonebook.GetCount());
    };
    if (!AskForEntry(&entry, editing, dialog, conflict_of, localizer))
        return false;
    int status = 0;
    if (editing ? phonebook.Update(position, entry) : phonebook.Add(entry, &status))
        return true;
    ShowMessage(PhonebookText(localizer, editing ? u"EditFail" : u"AddFail"),
                PhonebookText(localizer, editing ? u"EditPBDlgTitle" : u"AddPBDlgTitle"),
                kMbOk | kMbIconInformation);
    return false;
}

std::vector<PhonebookHit> SearchPhonebooks(std::u16string_view text, const CPhonebookPC* pc,
                                           IPhonebook* modem, IPhonebook* emergency,
                                           IPhonebook* uim) {
    std::vector<PhonebookHit> hits;
    if (text.empty())
        return hits;
    const std::u16string upper = UpperAscii(text);
    // A text of one-byte characters only finds names that begin with it; a text with wider
    // characters finds names that hold it anywhere.
    const bool by_prefix =
        std::all_of(upper.begin(), upper.end(), [](char16_t c) { return c < 0x80; });
    if (pc != nullptr) {
        std::lock_guard<std::recursive_mutex> lock(pc->Lock());
        const int count = pc->GetCount();
        for (int position = 0; position < count; ++position) {
            const PCContact& contact = pc->GetAt(position);
            if (NameHits<char16_t>(contact.name, upper, by_prefix) ||
                Contains<char16_t>(contact.mobile, upper) ||
                Contains<char16_t>(contact.office, upper) ||
                Contains<char16_t>(contact.home, upper))
                hits.push_back(PhonebookHit{PhonebookKind::kPC, position});
        }
    }
    const std::string narrow = Utf16ToUtf8(upper);
    SearchCard(modem, PhonebookKind::kModem, narrow, by_prefix, &hits);
    SearchCard(emergency, PhonebookKind::kEmergency, narrow, by_prefix, &hits);
    SearchCard(uim, PhonebookKind::kUim, narrow, by_prefix, &hits);
    return hits;
}

}  // namespace dedevev
