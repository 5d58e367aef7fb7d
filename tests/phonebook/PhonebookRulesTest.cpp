// The entry dialogs' rules and flows, the card's conflict classification and the search,
// with a scripted entry dialog, a scripted message box and a card book in memory.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "phonebook/PhonebookRules.h"
#include "phonebook/PhonebookTransfer.h"
#include "phonebook/PhonebookWorkers.h"
#include "support/PhonebookJobs.h"

namespace dedevev {
namespace {

// A card book in memory that stores or refuses as told, and can go away after some reads.
class MemoryBook : public IPhonebook {
public:
    explicit MemoryBook(std::vector<CardContact> held) : contacts(std::move(held)) {}
    void AddObserver(ObserverType*) override {}
    void RemoveObserver(ObserverType*) override {}
    int GetCapacity() override { return 250; }
    int GetCount() override { return static_cast<int>(contacts.size()); }
    const CardContact& GetAt(int position) override {
        loaded = loaded && --reads_left != 0;
        return contacts.at(static_cast<std::size_t>(position));
    }
    bool RemoveAt(int position) override {
        removed.push_back(position);
        return !refuse;
    }
    bool Update(int, const CardContact&) override { return !refuse; }
    bool Add(const CardContact&, int*) override { return !refuse; }
    void Load(ILoadingReport*, int*) override {}
    bool IsLoaded() override { return loaded; }

    std::vector<CardContact> contacts;
    bool refuse = false;
    bool loaded = true;
    int reads_left = -1;  // the card goes away with the read that brings this to 0
    std::vector<int> removed;
};

PCContact Contact(std::u16string name, std::u16string mobile, std::u16string email = u"") {
    PCContact c;
    c.name = std::move(name);
    c.mobile = std::move(mobile);
    c.email = std::move(email);
    return c;
}

// An entry dialog that writes down what it was shown, then takes the next scripted entry;
// past the script it cancels.
template <typename Entry>
struct ScriptedDialog {
    std::vector<Entry> takes;
    std::vector<Entry> shown;
    std::function<bool(Entry*, bool)> Dialog() {
        return [this](Entry* entry, bool) {
            shown.push_back(*entry);
            if (shown.size() > takes.size())
                return false;
            *entry = takes[shown.size() - 1];
            return true;
        };
    }
};

class PhonebookRules : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadPhonebookTexts(&texts_);
        bool existed = false;
        pc_.Add(Contact(u"Ani", u"0811"), &existed);
    }
    CLocalizer texts_;
    CPhonebookPC pc_;
    test::ScriptedBox box_;
};

TEST_F(PhonebookRules, EntryProblems) {
    const struct {
        PCContact entry;
        std::u16string problem;
    } cases[] = {
        {Contact(u"", u"0811"), u"NameRequired"},
        {Contact(u"Ani", u"", u"ani@example.org"), u"NumberRequired"},
        {Contact(u"Ani", u"0811"), u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PCEntryProblem(c.entry), c.problem) << Utf16ToUtf8(c.entry.name);
}

TEST_F(PhonebookRules, CardConflicts) {
    MemoryBook book(std::vector<CardContact>{{"Ani", "0811"}, {"Budi", "0812"}, {"Cita", ""}});
    const struct {
        CardContact candidate;
        int skip;
        int conflict;
    } cases[] = {
        {{"Ani", "0811"}, 3, kConflictRecordExists},
        {{"Ani", "0811"}, 0, kConflictNone},  // the contact being edited
        {{"Ani", "0812"}, 3, kConflictNameExists},
        {{"Dewi", "0812"}, 3, kConflictNumberExists},
        {{"Dewi", ""}, 3, kConflictNumberExists},  // empty numbers are the same number
        {{"Dewi", "0813"}, 3, kConflictNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckCardConflict(book, c.candidate, c.skip), c.conflict)
            << c.candidate.name << "," << c.candidate.number << " skip " << c.skip;
}

TEST_F(PhonebookRules, SameNameAsksAndCancelReopensWithTheEntryKept) {
    ScriptedDialog<PCContact> dialog;
    dialog.takes = {Contact(u"Ani", u"0899"), Contact(u"Ani", u"0899")};
    box_.answers = {kMsgSecond, kMsgFirst};
    EXPECT_TRUE(AddPCContact(pc_, u"", dialog.Dialog(), &texts_));
    EXPECT_EQ(box_.shown, (std::vector<std::string>(2, "hint|nameexist|121")));
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[1], Contact(u"Ani", u"0899"));
    EXPECT_EQ(pc_.GetCount(), 2);
}

TEST_F(PhonebookRules, TheSameContactIsRefusedAndTheDialogShownAgain) {
    ScriptedDialog<PCContact> dialog;
    dialog.takes = {Contact(u"Ani", u"0811", u"other@example.org")};
    EXPECT_FALSE(AddPCContact(pc_, u"", dialog.Dialog(), &texts_));
    EXPECT_EQ(box_.shown, (std::vector<std::string>{"hint|recordexist|30"}));
    EXPECT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(pc_.GetCount(), 1);
}

TEST_F(PhonebookRules, AddingAKnownNumberStartsFromItsContact) {
    ScriptedDialog<PCContact> dialog;
    EXPECT_FALSE(AddPCContact(pc_, u"0811", dialog.Dialog(), &texts_));
    EXPECT_FALSE(AddPCContact(pc_, u"0822", dialog.Dialog(), &texts_));
    EXPECT_EQ(dialog.shown,
              (std::vector<PCContact>{Contact(u"Ani", u"0811"), Contact(u"", u"0822")}));
}

TEST_F(PhonebookRules, EditingWithoutChangeRaisesNoConflict) {
    ScriptedDialog<PCContact> dialog;
    dialog.takes = {Contact(u"Ani", u"0811")};
    EXPECT_TRUE(EditPCContact(pc_, 0, dialog.Dialog(), &texts_));
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(PhonebookRules, TheCardsRefusalIsShown) {
    MemoryBook book(std::vector<CardContact>{{"Ani", "0811"}});
    book.refuse = true;
    ScriptedDialog<CardContact> dialog;
    dialog.takes = {CardContact{"Budi", "0812"}, CardContact{"Ani", "0813"}};
    EXPECT_FALSE(EditCardContact(book, -1, dialog.Dialog(), &texts_));
    EXPECT_FALSE(EditCardContact(book, 0, dialog.Dialog(), &texts_));
    EXPECT_EQ(box_.shown,
              (std::vector<std::string>{"addpbdlgtitle|addfail|40", "editpbdlgtitle|editfail|40"}));
}

TEST_F(PhonebookRules, Search) {
    bool existed = false;
    pc_.Add(Contact(u"Abudi", u"0812"), &existed);
    pc_.Add(Contact(u"Ибу Сити", u"555"), &existed);
    MemoryBook modem(std::vector<CardContact>{{"budiman", "999"}, {"Sari", "0812"}});
    MemoryBook uim(std::vector<CardContact>{{"Ибу Рина", "777"}});
    using K = PhonebookKind;
    const struct {
        std::u16string text;
        std::vector<std::pair<K, int>> hits;
    } cases[] = {
        {u"bu", {{K::kModem, 0}}},                 // names by prefix, a-z upper-cased
        {u"0812", {{K::kPC, 1}, {K::kModem, 1}}},  // numbers anywhere
        {u"Ибу", {{K::kPC, 2}, {K::kUim, 0}}},     // wider text: names anywhere
        {u"Сити", {{K::kPC, 2}}},
        {u"ибу", {}},  // only a-z change case
        {u"", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<K, int>> hits;
        for (const PhonebookHit& hit : SearchPhonebooks(c.text, &pc_, &modem, nullptr, &uim))
            hits.emplace_back(hit.book, hit.position);
        EXPECT_EQ(hits, c.hits) << Utf16ToUtf8(c.text);
    }
}

TEST_F(PhonebookRules, AMoveCutShortDeletesOnlyWhatReachedThePC) {
    MemoryBook book(std::vector<CardContact>{{"Budi", "0812"}, {"Cita", "0813"}, {"Dewi", "0814"}});
    book.reads_left = 2;
    const TransferOutcome moved =
        TransferCardContacts(pc_, book, {0, 1, 2}, true, &texts_, RunWithoutWindow);
    EXPECT_TRUE(moved.interrupted);
    EXPECT_EQ(book.removed, (std::vector<int>{0}));
}

TEST_F(PhonebookRules, PCContactsAreDeletedHighestFirst) {
    bool existed = false;
    pc_.Add(Contact(u"Budi", u"0812"), &existed);
    pc_.Add(Contact(u"Cita", u"0813"), &existed);
    EXPECT_EQ(DeletePCContacts(pc_, {0, 2, 7}, &texts_, RunWithoutWindow), 2);
    ASSERT_EQ(pc_.GetCount(), 1);
    EXPECT_EQ(pc_.GetAt(0).name, u"Budi");
}

TEST_F(PhonebookRules, AContactWithoutNameOrNumberLoadsWithThePlainText) {
    EXPECT_EQ(LoadingText(&texts_, CardContact{}), u"loading");
}

}  // namespace
}  // namespace dedevev
