#include "sim/PhonebookModel.h"

#include "sim/TextCoding.h"

namespace dedevev::sim {

int Phonebook::FreeIndex() const {
    for (int i = 1; i <= capacity; ++i) {
        if (!entries.count(i))
            return i;
    }
    return 0;
}

PhonebookModel::PhonebookModel() {
    books_.push_back(Phonebook{"ME", 100, 40, 30, false, {}});
    books_.push_back(Phonebook{"SM", 250, 40, 18, false, {}});
    Phonebook en{"EN", 5, 40, 18, true, {}};
    int index = 1;
    for (const char* number : {"112", "911", "110", "118"}) {
        en.entries[index] = PhonebookEntry{index, number, "Emergency"};
        ++index;
    }
    books_.push_back(std::move(en));
}

Phonebook* PhonebookModel::Find(std::string_view name) {
    for (Phonebook& book : books_) {
        if (book.name == name)
            return &book;
    }
    return nullptr;
}

const Phonebook* PhonebookModel::Find(std::string_view name) const {
    return const_cast<PhonebookModel*>(this)->Find(name);
}

int PhonebookModel::Select(std::string_view name) {
    if (!Find(name))
        return pbe::kNotAllowed;
    selected_ = std::string(name);
    return 0;
}

int PhonebookModel::Read(int index, PhonebookEntry* out) const {
    const Phonebook& book = Selected();
    if (index < 1 || index > book.capacity)
        return pbe::kInvalidIndex;
    const auto it = book.entries.find(index);
    if (it == book.entries.end())
        return pbe::kNotFound;
    *out = it->second;
    return 0;
}

int PhonebookModel::ReadRange(int first, int last, std::vector<PhonebookEntry>* out) const {
    const Phonebook& book = Selected();
    if (first < 1 || last < first || last > book.capacity)
        return pbe::kInvalidIndex;
    out->clear();
    for (auto it = book.entries.lower_bound(first); it != book.entries.end() && it->first <= last;
         ++it)
        out->push_back(it->second);
    return 0;
}

int PhonebookModel::NormaliseNumber(std::string_view number, int type, int max_length,
                                    std::string* out) {
    bool plus = !number.empty() && number[0] == '+';
    const std::string_view digits = plus ? number.substr(1) : number;
    if (digits.empty())
        return pbe::kInvalidNumber;
    for (char c : digits) {
        if (!((c >= '0' && c <= '9') || c == '*' || c == '#'))
            return pbe::kInvalidNumber;
    }
    if (static_cast<int>(digits.size()) > max_length)
        return pbe::kNumberTooLong;
    plus = plus || type == 145;
    *out = (plus ? "+" : "") + std::string(digits);
    return 0;
}

int PhonebookModel::Store(Phonebook& book, int index, std::string_view number, int type,
                          std::string_view text, int* written) {
    if (index < 0 || index > book.capacity)
        return pbe::kInvalidIndex;
    std::string stored;
    if (int error = NormaliseNumber(number, type, book.number_length, &stored))
        return error;
    const std::u16string wide = Utf8ToUtf16(text);
    if (wide.find(u'\uFFFD') != std::u16string::npos)
        return pbe::kInvalidText;
    if (static_cast<int>(wide.size()) > book.text_length)
        return pbe::kTextTooLong;
    if (index == 0) {
        index = book.FreeIndex();
        if (index == 0)
            return pbe::kMemoryFull;
    }
    book.entries[index] = PhonebookEntry{index, stored, std::string(text)};
    if (written)
        *written = index;
    return 0;
}

int PhonebookModel::Write(int index, std::string_view number, int type, std::string_view text,
                          int* written) {
    Phonebook& book = *Find(selected_);
    if (book.read_only)
        return pbe::kNotAllowed;
    return Store(book, index, number, type, text, written);
}

int PhonebookModel::Erase(int index) {
    Phonebook& book = *Find(selected_);
    if (book.read_only)
        return pbe::kNotAllowed;
    if (index < 1 || index > book.capacity)
        return pbe::kInvalidIndex;
    book.entries.erase(index);  // deleting an empty index is no error
    return 0;
}

int PhonebookModel::Add(std::string_view name, std::string_view number, std::string_view text,
                        int* written) {
    Phonebook* book = Find(name);
    if (!book)
        return pbe::kNotAllowed;
    return Store(*book, 0, number, 129, text, written);
}

bool PhonebookModel::Clear(std::string_view name) {
    Phonebook* book = Find(name);
    if (!book)
        return false;
    book->entries.clear();
    return true;
}

bool PhonebookModel::SetCapacity(std::string_view name, int capacity, std::string* error) {
    Phonebook* book = Find(name);
    if (!book) {
        *error = "unknown phonebook " + std::string(name) + " (ME, SM or EN)";
        return false;
    }
    if (capacity < 1 || capacity > 1000) {
        *error = "capacity must be 1 to 1000";
        return false;
    }
    if (!book->entries.empty() && book->entries.rbegin()->first > capacity) {
        *error = "index " + std::to_string(book->entries.rbegin()->first) + " is in use";
        return false;
    }
    book->capacity = capacity;
    return true;
}

}  // namespace dedevev::sim
