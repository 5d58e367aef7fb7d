#pragma once
// The name mappings of the phonebooks: a contact's name for a number, by the rules of
// NumbersMatch. Walking a phonebook in its order, every number that matches makes its contact
// the candidate, and a match of the query's own length ends the walk; so the first
// same-length match wins, and else the last match.
//
// Each mapping keeps its own copy of the phonebook's names and numbers, kept current by the
// phonebook's notices (which may come on any thread), and an index over it that gives the same
// answer as that walk without visiting every contact. Lookups run on any thread.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/IPhonebook.h"
#include "phonebook/NameMapping.h"
#include "phonebook/PhonebookPC.h"

namespace dedevev {

// A phonebook's names and numbers in phonebook order, and the walk over them. Shared by the
// two mappings; exposed so that tests can hold the index against the plain walk.
class NumberIndex {
public:
    struct Entry {
        std::u16string name;
        std::vector<std::u16string> numbers;  // PC: mobile, office, home; card: the number
    };

    explicit NumberIndex(bool exact);
    ~NumberIndex();
    NumberIndex(const NumberIndex&) = delete;
    NumberIndex& operator=(const NumberIndex&) = delete;

    void Insert(int position, Entry entry);
    void Erase(int position);
    void Replace(int position, Entry entry);
    void Clear();
    int Count() const;

    // The answer of the walk, found through the index.
    void Lookup(const std::u16string& query, std::u16string* name, std::u16string* matched);
    // The answer of the plain walk over every entry.
    void Scan(const std::u16string& query, std::u16string* name, std::u16string* matched) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

class CNameMappingPCPB : public CNameMappingBase, private CPhonebookPC::ObserverType {
public:
    // Observes `phonebook` until destroyed. `exact`: the ExactNumberMatch rule.
    CNameMappingPCPB(CPhonebookPC& phonebook, bool exact);
    ~CNameMappingPCPB() override;

    void Lookup(std::u16string& name, const std::u16string& number,
                std::u16string& matched) override;

private:
    void OnAdded(CPhonebookPC* source, int position) override;
    void OnRemoved(CPhonebookPC* source, int position) override;
    void OnChanged(CPhonebookPC* source, int position) override;
    void OnCleared(CPhonebookPC* source) override;
    void Apply(CPhonebookPC* source, int notice, int position);

    CPhonebookPC& phonebook_;
    std::mutex mutex_;  // index_, refresh_
    NumberIndex index_;
    bool refresh_ = true;  // the copy may be torn: read the phonebook again at the next notice
};

class CNameMappingEmbedPB : public CNameMappingBase, private IPhonebook::ObserverType {
public:
    // Observes `phonebook` (may be null: no names) until destroyed or rebound.
    CNameMappingEmbedPB(IPhonebook* phonebook, bool exact);
    ~CNameMappingEmbedPB() override;

    // Follows another phonebook (null: none) from now on: the modem object was replaced or
    // released. The old phonebook must still exist when this is called, or be null. Called on
    // one thread at a time.
    void Rebind(IPhonebook* phonebook);
    IPhonebook* Phonebook() const;

    void Lookup(std::u16string& name, const std::u16string& number,
                std::u16string& matched) override;

private:
    void OnAdded(IPhonebook* source, int position) override;
    void OnRemoved(IPhonebook* source, int position) override;
    void OnChanged(IPhonebook* source, int position) override;
    void OnCleared(IPhonebook* source) override;
    void Apply(IPhonebook* source, int notice, int position);

    IPhonebook* phonebook_ = nullptr;
    mutable std::mutex mutex_;  // index_, phonebook_, refresh_
    NumberIndex index_;
    bool refresh_ = false;  // the copy may be torn: read the phonebook again at the next notice
};

}  // namespace dedevev
