#include "phonebook/PhonebookWorkers.h"

#include <algorithm>
#include <functional>

#include "device/DeviceStatus.h"
#include "device/base/Utf.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

// " [name, number]" after `lead`: the contact a load or a delete is at.
std::u16string WithContact(std::u16string text, std::u16string_view lead,
                           const CardContact& contact) {
    text += lead;
    text += u'[';
    text += Utf8ToUtf16(contact.name);
    text += u", ";
    text += Utf8ToUtf16(contact.number);
    text += u']';
    return text;
}

// Positions without repeats and without negative ones, in the order `before` gives.
std::vector<int> Ordered(std::vector<int> positions, const std::function<bool(int, int)>& before) {
    positions.erase(std::remove_if(positions.begin(), positions.end(), [](int p) { return p < 0; }),
                    positions.end());
    std::sort(positions.begin(), positions.end(), before);
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

}  // namespace

std::u16string PhonebookText(ILocalizer* localizer, const std::u16string& key) {
    return localizer == nullptr ? key : localizer->GetText(key, u"DlgPB");
}

std::u16string LoadingText(ILocalizer* localizer, const CardContact& contact) {
    std::u16string text = PhonebookText(localizer, u"LoadingPB");
    if (contact.name.empty() && contact.number.empty())
        return text;
    return WithContact(std::move(text), u"   ", contact);
}

std::u16string RemovingText(ILocalizer* localizer, const CardContact& contact) {
    return WithContact(PhonebookText(localizer, u"RemovingPB"), u" ", contact);
}

std::u16string CopyingText(ILocalizer* localizer, std::u16string_view name) {
    std::u16string text = PhonebookText(localizer, u"CopyingPB");
    text += u'[';
    text += name;
    text += u']';
    return text;
}

// ---- CThreadLoadPB ----------------------------------------------------------------------

CThreadLoadPB::CThreadLoadPB(IPhonebook* phonebook, ILocalizer* localizer)
    : phonebook_(phonebook), localizer_(localizer) {}

CThreadLoadPB::~CThreadLoadPB() {
    Join();
}

void CThreadLoadPB::DoJob() {
    ReportText(PhonebookText(localizer_, u"LoadingPB"));
    if (phonebook_ == nullptr)
        return;
    int status = kStatusUntouched;
    phonebook_->Load(this, &status);
    loaded_ = phonebook_->IsLoaded();
}

void CThreadLoadPB::OnLoading(const CardContact& contact, int total, int current) {
    ReportStep(current, total);
    ReportText(LoadingText(localizer_, contact));
}

// ---- CThreadDeletePB --------------------------------------------------------------------

CThreadDeletePB::CThreadDeletePB(IPhonebook* phonebook, std::vector<int> positions,
                                 ILocalizer* localizer)
    : phonebook_(phonebook),
      positions_(Ordered(std::move(positions), std::greater<int>())),
      localizer_(localizer) {}

CThreadDeletePB::~CThreadDeletePB() {
    Join();
}

void CThreadDeletePB::DoJob() {
    ReportText(PhonebookText(localizer_, u"RemovingPB"));
    if (phonebook_ == nullptr) {
        refused_ = !positions_.empty();
        return;
    }
    const int total = static_cast<int>(positions_.size());
    for (int position : positions_) {
        // A card pulled meanwhile has emptied the book: the position is gone, and RemoveAt
        // refuses it like the card would.
        const CardContact contact = phonebook_->GetAt(position);
        ReportText(RemovingText(localizer_, contact));
        if (!phonebook_->RemoveAt(position)) {
            refused_ = true;
            return;
        }
        ++deleted_;
        ReportStep(deleted_, total);
    }
}

// ---- CThreadCopyPCPB --------------------------------------------------------------------

CThreadCopyPCPB::CThreadCopyPCPB(CPhonebookPC* pc_phonebook, IPhonebook* card_phonebook,
                                 bool from_card, std::vector<int> positions, ILocalizer* localizer)
    : pc_phonebook_(pc_phonebook),
      card_phonebook_(card_phonebook),
      from_card_(from_card),
      positions_(Ordered(std::move(positions), std::less<int>())),
      localizer_(localizer) {}

CThreadCopyPCPB::~CThreadCopyPCPB() {
    Join();
}

bool CThreadCopyPCPB::StillHolds(int position) const {
    return card_phonebook_->IsLoaded() && position < card_phonebook_->GetCount();
}

void CThreadCopyPCPB::DoJob() {
    ReportText(PhonebookText(localizer_, u"CopyingPB"));
    // Only card to PC is ever asked for; the other way has no use in the program.
    if (!from_card_ || pc_phonebook_ == nullptr || card_phonebook_ == nullptr) {
        interrupted_ = !positions_.empty();
        return;
    }
    const int total = static_cast<int>(positions_.size());
    int done = 0;
    for (int position : positions_) {
        // The card went away (its books forget what they held) or the position is gone: the
        // contacts copied so far stay, and nothing further is read from a book that no longer
        // holds what the person chose.
        if (!StillHolds(position)) {
            interrupted_ = true;
            return;
        }
        const CardContact card = card_phonebook_->GetAt(position);
        // Asked again after the read: a book emptied in between hands out an empty contact.
        if (!StillHolds(position)) {
            interrupted_ = true;
            return;
        }
        PCContact contact;
        contact.name = Utf8ToUtf16(card.name);
        contact.mobile = Utf8ToUtf16(card.number);
        ReportText(CopyingText(localizer_, contact.name));
        bool existed = false;
        pc_phonebook_->Add(contact, &existed);
        if (!existed)
            ++added_;
        placed_.push_back(position);
        ++done;
        ReportStep(done, total);
    }
}

}  // namespace dedevev
