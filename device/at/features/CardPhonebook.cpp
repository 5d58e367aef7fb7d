#include "device/at/features/CardPhonebook.h"

#include <algorithm>

#include "device/DeviceStatus.h"
#include "device/at/features/ModemAgent.h"

namespace dedevev::at {

namespace {

// +CME ERROR numbers of the phonebook commands.
constexpr int kNotAllowed = 3;
constexpr int kMemoryFull = 20;
constexpr int kNotFound = 22;  // also the answer of some cards to a range with no entry
constexpr int kTextTooLong = 24;
constexpr int kInvalidText = 25;
constexpr int kNumberTooLong = 26;
constexpr int kInvalidNumber = 27;
constexpr Millis kSlowTimeout{60000};  // a SIM reads 250 entries or writes one slowly

const CardContact& EmptyContact() {
    static const CardContact empty;
    return empty;
}

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// How long a text is in the card's units: UTF-16 code units in UCS2, bytes otherwise.
int TextUnits(const std::string& utf8, Charset charset) {
    if (charset == Charset::kUcs2)
        return static_cast<int>(Utf8ToUtf16(utf8).size());
    return static_cast<int>(utf8.size());
}

}  // namespace

// ---- CardPhonebook ----------------------------------------------------------------------

CardPhonebook::CardPhonebook(PhonebookCardAccess& card, std::string storage, bool writable)
    : card_(card), storage_(std::move(storage)), writable_(writable) {}

void CardPhonebook::AddObserver(ObserverType* observer) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void CardPhonebook::RemoveObserver(ObserverType* observer) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void CardPhonebook::Notify(void (ObserverType::*notice)(IPhonebook*, int), int position) {
    // A copy: an observer may unregister itself while it is told.
    const std::vector<ObserverType*> observers = observers_;
    for (ObserverType* observer : observers)
        (observer->*notice)(this, position);
}

void CardPhonebook::NotifyCleared() {
    const std::vector<ObserverType*> observers = observers_;
    for (ObserverType* observer : observers)
        observer->OnCleared(this);
}

int CardPhonebook::GetCapacity() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return capacity_;
}

int CardPhonebook::GetCount() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return static_cast<int>(entries_.size());
}

const CardContact& CardPhonebook::GetAt(int position) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (position < 0 || position >= static_cast<int>(entries_.size()))
        return EmptyContact();
    return entries_[static_cast<std::size_t>(position)].contact;
}

int CardPhonebook::IndexAt(int position) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (position < 0 || position >= static_cast<int>(entries_.size()))
        return -1;
    return entries_[static_cast<std::size_t>(position)].index;
}

int CardPhonebook::LastError() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return last_error_;
}

bool CardPhonebook::IsLoaded() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return loaded_;
}

bool CardPhonebook::SelectAndLearn() {
    // The range and field lengths of a storage do not change while the card is in: they are
    // asked once per opened port, in the same line that selects the storage.
    if (range_)
        return card_.SelectStorage(storage_);
    const Response both = card_.RunCommand("AT+CPBS=\"" + storage_ + "\";+CPBR=?", false);
    std::optional<PhonebookRange> range = both.Ok() ? ParseCpbrRange(both.lines) : std::nullopt;
    if (!range) {
        // A card that takes one command per line, or has no AT+CPBR=?: one at a time, and the
        // size from AT+CPBS? when the range stays unknown.
        if (!card_.SelectStorage(storage_))
            return false;
        const Response test = card_.RunCommand("AT+CPBR=?", false);
        range = test.Ok() ? ParseCpbrRange(test.lines) : std::nullopt;
    }
    if (!range) {
        const Response query = card_.RunCommand("AT+CPBS?", false);
        const std::optional<PhonebookCounts> counts =
            query.Ok() ? ParseCpbsCounts(query.lines) : std::nullopt;
        if (!counts || counts->storage != storage_ || counts->total < 0)
            return false;
        range = PhonebookRange{1, counts->total, -1, -1};
    }
    range_ = range;
    capacity_ = range->Capacity();
    return true;
}

bool CardPhonebook::IsEmptyStorage(const Response& listing) {
    // Some cards answer a range without any entry with "not found"; without numeric error
    // reports that is a plain ERROR, and the storage's count tells.
    if (listing.final == Final::kCmeError && listing.error_code == kNotFound)
        return true;
    if (listing.final != Final::kError)
        return false;
    const Response query = card_.RunCommand("AT+CPBS?", false);
    const std::optional<PhonebookCounts> counts =
        query.Ok() ? ParseCpbsCounts(query.lines) : std::nullopt;
    return counts && counts->storage == storage_ && counts->used == 0;
}

void CardPhonebook::Load(ILoadingReport* report, int* status) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    std::vector<PhonebookEntry> read;
    {
        std::lock_guard<std::recursive_mutex> storage(card_.StorageLock());
        if (!SelectAndLearn())
            return;
        if (range_->Capacity() > 0) {
            const Response listing = card_.RunCommand(
                "AT+CPBR=" + std::to_string(range_->first) + "," + std::to_string(range_->last),
                true);
            if (!listing.Ok() && !IsEmptyStorage(listing))
                return;
            read = ParseCpbrListing(listing.lines, card_.TextCharset());
        }
    }
    std::sort(read.begin(), read.end(),
              [](const PhonebookEntry& a, const PhonebookEntry& b) { return a.index < b.index; });
    if (loaded_ || !entries_.empty()) {
        entries_.clear();
        NotifyCleared();
    }
    const int total = static_cast<int>(read.size());
    for (int position = 0; position < total; ++position) {
        PhonebookEntry& e = read[static_cast<std::size_t>(position)];
        entries_.push_back(Entry{e.index, CardContact{std::move(e.text), std::move(e.number)}});
        Notify(&ObserverType::OnAdded, position);
        if (report != nullptr)
            report->OnLoading(entries_.back().contact, total, position + 1);
    }
    loaded_ = true;
    dedevev::SetStatus(status, kStatusOk);
}

bool CardPhonebook::Writable(const CardContact& contact) {
    // A refusal here is given the number the card would answer with, for the caller's message.
    const auto refuse = [this](int code) {
        last_error_ = code;
        return false;
    };
    if (!writable_)
        return refuse(kNotAllowed);
    const Charset charset = card_.TextCharset();
    // Outside UCS2 only plain ASCII reaches the card unchanged.
    if (!IsSafeQuotedText(contact.name) || (charset != Charset::kUcs2 && !IsAscii(contact.name)))
        return refuse(kInvalidText);
    if (!IsSafeQuotedText(contact.number) || !IsDialString(contact.number))
        return refuse(kInvalidNumber);
    if (range_ && range_->number_length > 0 &&
        static_cast<int>(contact.number.size()) > range_->number_length)
        return refuse(kNumberTooLong);
    if (range_ && range_->text_length > 0 && TextUnits(contact.name, charset) > range_->text_length)
        return refuse(kTextTooLong);
    return true;
}

bool CardPhonebook::Write(int index, const CardContact& contact) {
    const Charset charset = card_.TextCharset();
    std::lock_guard<std::recursive_mutex> storage(card_.StorageLock());
    if (!card_.SelectStorage(storage_))
        return false;
    const int type = contact.number[0] == '+' ? 145 : 129;
    const Response r = card_.RunCommand("AT+CPBW=" + std::to_string(index) + ",\"" +
                                            contact.number + "\"," + std::to_string(type) + ",\"" +
                                            EncodeCardText(contact.name, charset) + "\"",
                                        true);
    last_error_ = r.Ok() ? -1 : r.error_code;
    return r.Ok();
}

int CardPhonebook::FreeIndex() const {
    if (!range_)
        return -1;
    int candidate = range_->first;
    for (const Entry& entry : entries_) {  // ascending
        if (entry.index > candidate)
            break;
        if (entry.index == candidate)
            ++candidate;
    }
    return candidate <= range_->last ? candidate : -1;
}

bool CardPhonebook::Add(const CardContact& contact, int* status) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    last_error_ = -1;
    if (!writable_)
        return Writable(contact);
    if (!loaded_) {
        // The free indexes are known only from a read of the whole storage.
        int loaded = kStatusUntouched;
        Load(nullptr, &loaded);
        if (loaded != kStatusOk)
            return false;
    }
    if (!Writable(contact))
        return false;
    const int index = FreeIndex();
    if (index < 0) {
        last_error_ = kMemoryFull;  // not worth asking the card
        return false;
    }
    if (!Write(index, contact))
        return false;
    const auto at = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return e.index > index; });
    const int position = static_cast<int>(at - entries_.begin());
    entries_.insert(at, Entry{index, contact});
    Notify(&ObserverType::OnAdded, position);
    dedevev::SetStatus(status, kStatusOk);
    return true;
}

bool CardPhonebook::Update(int position, const CardContact& contact) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    last_error_ = -1;
    if (position < 0 || position >= static_cast<int>(entries_.size()) || !Writable(contact))
        return false;
    Entry& entry = entries_[static_cast<std::size_t>(position)];
    if (!Write(entry.index, contact))
        return false;
    entry.contact = contact;
    Notify(&ObserverType::OnChanged, position);
    return true;
}

bool CardPhonebook::RemoveAt(int position) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    last_error_ = -1;
    if (!writable_) {
        last_error_ = kNotAllowed;
        return false;
    }
    if (position < 0 || position >= static_cast<int>(entries_.size()))
        return false;
    {
        std::lock_guard<std::recursive_mutex> storage(card_.StorageLock());
        if (!card_.SelectStorage(storage_))
            return false;
        const Response r = card_.RunCommand(
            "AT+CPBW=" + std::to_string(entries_[static_cast<std::size_t>(position)].index), true);
        if (!r.Ok()) {
            last_error_ = r.error_code;
            return false;
        }
    }
    entries_.erase(entries_.begin() + position);
    Notify(&ObserverType::OnRemoved, position);
    return true;
}

void CardPhonebook::Forget() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    const bool had = loaded_ || !entries_.empty();
    entries_.clear();
    loaded_ = false;
    range_.reset();
    capacity_ = 0;
    last_error_ = -1;
    if (had)
        NotifyCleared();
}

// ---- PhonebookStore ---------------------------------------------------------------------

PhonebookStore::PhonebookStore(ModemContext& context)
    : context_(context),
      modem_(*this, "ME", true),
      card_(*this, "SM", true),
      emergency_(*this, "EN", false) {}

bool PhonebookStore::SelectStorage(const std::string& storage) {
    std::lock_guard<std::recursive_mutex> lock(storage_lock_);
    return context_.Query("AT+CPBS=\"" + storage + "\"").Ok();
}

Response PhonebookStore::RunCommand(const std::string& text, bool slow) {
    Command command;
    command.text = text;
    command.timeout = slow ? kSlowTimeout : context_.timeouts().query;
    command.prefixes = {"+CPBR:", "+CPBW:", "+CPBS:"};
    return context_.Run(command);
}

Charset PhonebookStore::TextCharset() {
    return context_.CurrentCharset();
}

CardPhonebook* PhonebookStore::BookOf(const std::string& storage) {
    if (storage == "ME")
        return &modem_;
    if (storage == "SM")
        return &card_;
    if (storage == "EN")
        return &emergency_;
    return nullptr;
}

void PhonebookStore::Reset() {
    modem_.Forget();
    card_.Forget();
    emergency_.Forget();
}

}  // namespace dedevev::at
