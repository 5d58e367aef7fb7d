#pragma once
// The card's phonebooks without I/O: "ME" in the modem, "SM" on the SIM/UIM and the read-only
// emergency numbers "EN", each with its capacity and its entries by index. The storage the
// host selected with +CPBS is kept here too. Everything stays when the card is pulled and
// inserted; power-up only selects "SM" again.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace dedevev::sim {

// +CME ERROR numbers of phonebook operations (3GPP TS 27.007, 9.2).
namespace pbe {
constexpr int kNotAllowed = 3;
constexpr int kMemoryFull = 20;
constexpr int kInvalidIndex = 21;
constexpr int kNotFound = 22;
constexpr int kTextTooLong = 24;
constexpr int kInvalidText = 25;
constexpr int kNumberTooLong = 26;
constexpr int kInvalidNumber = 27;
}  // namespace pbe

struct PhonebookEntry {
    int index = 0;
    std::string number;  // digits, * and #, with an optional leading '+'
    std::string text;    // UTF-8
    int Type() const { return !number.empty() && number[0] == '+' ? 145 : 129; }
};

struct Phonebook {
    std::string name;
    int capacity = 0;
    int number_length = 40;  // <nlength> of +CPBR=?
    int text_length = 18;    // <tlength>, in characters
    bool read_only = false;
    std::map<int, PhonebookEntry> entries;

    int Used() const { return static_cast<int>(entries.size()); }
    int FreeIndex() const;  // the lowest free index, 0 when full
};

class PhonebookModel {
public:
    PhonebookModel();

    void PowerUp() { selected_ = "SM"; }

    const std::vector<Phonebook>& Books() const { return books_; }
    Phonebook* Find(std::string_view name);
    const Phonebook* Find(std::string_view name) const;

    const Phonebook& Selected() const { return *Find(selected_); }
    // 0, or pbe::kNotAllowed for an unknown storage.
    int Select(std::string_view name);

    // The host's operations on the selected storage; 0 or a +CME ERROR number.
    int Read(int index, PhonebookEntry* out) const;
    // The used entries of first..last; kInvalidIndex for a range outside the storage.
    int ReadRange(int first, int last, std::vector<PhonebookEntry>* out) const;
    // Writes (replaces) the entry at `index`, or at the lowest free index when `index` is 0
    // (`written` tells where). `type` 145 makes the number international.
    int Write(int index, std::string_view number, int type, std::string_view text, int* written);
    int Erase(int index);

    // Control: adds an entry at the lowest free index of `book`, read-only books included.
    int Add(std::string_view book, std::string_view number, std::string_view text, int* written);
    bool Clear(std::string_view book);
    // False (with `error`) for an unknown book, a capacity outside 1..1000 or one below the
    // highest index in use.
    bool SetCapacity(std::string_view book, int capacity, std::string* error);

    // Some cards give the number in UCS2 hex too when +CSCS is "UCS2".
    bool Ucs2Numbers() const { return ucs2_numbers_; }
    void SetUcs2Numbers(bool on) { ucs2_numbers_ = on; }

    // Checks a number and gives it its stored form; 0 or kInvalidNumber / kNumberTooLong.
    static int NormaliseNumber(std::string_view number, int type, int max_length, std::string* out);

private:
    int Store(Phonebook& book, int index, std::string_view number, int type, std::string_view text,
              int* written);

    std::vector<Phonebook> books_;
    std::string selected_ = "SM";
    bool ucs2_numbers_ = false;
};

}  // namespace dedevev::sim
