#include "phonebook/NameMappingPB.h"

#include <utility>

#include "device/base/Utf.h"

// How a mapping's copy follows its phonebook. Notices come on the thread that changed the
// phonebook, after the change and before the next one (the phonebook tells its observers under
// its lock), so inside a notice the phonebook can be read as it stands. A notice whose
// position or count does not fit the copy makes the copy read the whole phonebook again.
//
// Filling a copy outside a notice (at construction or rebinding) races with changes made at
// that moment on another thread; the copy then stays marked for a refresh, and the first notice
// reads the whole phonebook again under the phonebook's own lock.

namespace dedevev {

namespace {

enum class Notice { kAdded, kRemoved, kChanged, kCleared };

int CountOf(CPhonebookPC& book) {
    return book.GetCount();
}

NumberIndex::Entry EntryOf(CPhonebookPC& book, int position) {
    PCContact contact;
    if (!book.CopyAt(position, &contact))
        return {};
    return {std::move(contact.name),
            {std::move(contact.mobile), std::move(contact.office), std::move(contact.home)}};
}

int CountOf(IPhonebook& book) {
    return book.GetCount();
}

NumberIndex::Entry EntryOf(IPhonebook& book, int position) {
    const CardContact contact = book.GetAt(position);
    return {Utf8ToUtf16(contact.name), {Utf8ToUtf16(contact.number)}};
}

template <typename Book>
std::vector<NumberIndex::Entry> ReadAll(Book& book) {
    std::vector<NumberIndex::Entry> entries;
    const int count = CountOf(book);
    entries.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i)
        entries.push_back(EntryOf(book, i));
    return entries;
}

void Install(NumberIndex& index, std::vector<NumberIndex::Entry> entries) {
    index.Clear();
    for (std::size_t i = 0; i < entries.size(); ++i)
        index.Insert(static_cast<int>(i), std::move(entries[i]));
}

// The parts of a mapping that hold its copy.
struct Copy {
    std::mutex& mutex;
    NumberIndex& index;
    bool& refresh;  // the copy may be torn: read the whole phonebook at the next notice
};

// Fills the copy outside a notice. `bound` is read under the mutex: the phonebook the mapping
// follows at that moment.
template <typename Book>
void Fill(const Copy& copy, Book* const& bound, Book* source) {
    std::vector<NumberIndex::Entry> entries = ReadAll(*source);
    std::lock_guard<std::mutex> lock(copy.mutex);
    // A notice that came meanwhile has read the phonebook afresh already.
    if (source == bound && copy.refresh)
        Install(copy.index, std::move(entries));
}

// Applies one notice to the copy; false when the notice is not about the followed phonebook.
template <typename Book>
bool Follow(const Copy& copy, Book* const& bound, Book* source, Notice notice, int position) {
    const int count = CountOf(*source);
    NumberIndex::Entry entry;
    const bool reads = notice == Notice::kAdded || notice == Notice::kChanged;
    if (reads && position >= 0 && position < count)
        entry = EntryOf(*source, position);
    {
        std::lock_guard<std::mutex> lock(copy.mutex);
        if (source != bound)
            return false;
        const int held = copy.index.Count();
        bool fits = !copy.refresh && position >= 0;
        switch (notice) {
            case Notice::kAdded:
                fits = fits && held + 1 == count && position <= held;
                if (fits)
                    copy.index.Insert(position, std::move(entry));
                break;
            case Notice::kRemoved:
                fits = fits && held - 1 == count && position < held;
                if (fits)
                    copy.index.Erase(position);
                break;
            case Notice::kChanged:
                fits = fits && held == count && position < held;
                if (fits)
                    copy.index.Replace(position, std::move(entry));
                break;
            case Notice::kCleared:
                fits = count == 0;
                if (fits) {
                    copy.index.Clear();
                    copy.refresh = false;
                }
                break;
        }
        if (fits)
            return true;
    }
    std::vector<NumberIndex::Entry> entries = ReadAll(*source);
    std::lock_guard<std::mutex> lock(copy.mutex);
    if (source != bound)
        return false;
    Install(copy.index, std::move(entries));
    copy.refresh = false;
    return true;
}

}  // namespace

// ---- CNameMappingPCPB ---------------------------------------------------------------------

CNameMappingPCPB::CNameMappingPCPB(CPhonebookPC& phonebook, bool exact)
    : phonebook_(phonebook), index_(exact) {
    phonebook_.AddObserver(this);
    CPhonebookPC* const self = &phonebook_;
    Fill(Copy{mutex_, index_, refresh_}, self, self);
}

CNameMappingPCPB::~CNameMappingPCPB() {
    phonebook_.RemoveObserver(this);
}

void CNameMappingPCPB::Lookup(std::u16string& name, const std::u16string& number,
                              std::u16string& matched) {
    std::lock_guard<std::mutex> lock(mutex_);
    index_.Lookup(number, &name, &matched);
}

void CNameMappingPCPB::Apply(CPhonebookPC* source, int notice, int position) {
    CPhonebookPC* const self = &phonebook_;
    if (Follow(Copy{mutex_, index_, refresh_}, self, source, static_cast<Notice>(notice),
               position) &&
        static_cast<Notice>(notice) != Notice::kCleared) {
        NotifyListeners();
    }
}

void CNameMappingPCPB::OnAdded(CPhonebookPC* source, int position) {
    Apply(source, static_cast<int>(Notice::kAdded), position);
}

void CNameMappingPCPB::OnRemoved(CPhonebookPC* source, int position) {
    Apply(source, static_cast<int>(Notice::kRemoved), position);
}

void CNameMappingPCPB::OnChanged(CPhonebookPC* source, int position) {
    Apply(source, static_cast<int>(Notice::kChanged), position);
}

void CNameMappingPCPB::OnCleared(CPhonebookPC* source) {
    Apply(source, static_cast<int>(Notice::kCleared), 0);
}

// ---- CNameMappingEmbedPB ------------------------------------------------------------------

CNameMappingEmbedPB::CNameMappingEmbedPB(IPhonebook* phonebook, bool exact) : index_(exact) {
    Rebind(phonebook);
}

CNameMappingEmbedPB::~CNameMappingEmbedPB() {
    if (IPhonebook* phonebook = Phonebook())
        phonebook->RemoveObserver(this);
}

void CNameMappingEmbedPB::Rebind(IPhonebook* phonebook) {
    // Not under the mutex: the old phonebook may be telling this mapping something right now,
    // under its own lock, and RemoveObserver waits for that to end.
    if (IPhonebook* old = Phonebook())
        old->RemoveObserver(this);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        phonebook_ = phonebook;
        index_.Clear();
        refresh_ = phonebook != nullptr;
    }
    if (phonebook != nullptr) {
        phonebook->AddObserver(this);
        Fill(Copy{mutex_, index_, refresh_}, phonebook_, phonebook);
    }
    NotifyListeners();
}

IPhonebook* CNameMappingEmbedPB::Phonebook() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return phonebook_;
}

void CNameMappingEmbedPB::Lookup(std::u16string& name, const std::u16string& number,
                                 std::u16string& matched) {
    std::lock_guard<std::mutex> lock(mutex_);
    index_.Lookup(number, &name, &matched);
}

void CNameMappingEmbedPB::Apply(IPhonebook* source, int notice, int position) {
    if (Follow(Copy{mutex_, index_, refresh_}, phonebook_, source, static_cast<Notice>(notice),
               position) &&
        static_cast<Notice>(notice) != Notice::kCleared) {
        NotifyListeners();
    }
}

void CNameMappingEmbedPB::OnAdded(IPhonebook* source, int position) {
    Apply(source, static_cast<int>(Notice::kAdded), position);
}

void CNameMappingEmbedPB::OnRemoved(IPhonebook* source, int position) {
    Apply(source, static_cast<int>(Notice::kRemoved), position);
}

void CNameMappingEmbedPB::OnChanged(IPhonebook* source, int position) {
    Apply(source, static_cast<int>(Notice::kChanged), position);
}

void CNameMappingEmbedPB::OnCleared(IPhonebook* source) {
    Apply(source, static_cast<int>(Notice::kCleared), 0);
}

}  // namespace dedevev
