// The card phonebooks against a scripted modem on a pseudo-terminal: the commands of a load
// and of each change, UCS2 texts, the notices observers get, and refusals that leave the book
// as it was.

#include "device/at/features/CardPhonebook.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "device/at/features/ModemAgent.h"
#include "support/PtyPeer.h"

namespace dedevev::at {
namespace {

using test::PtyPeer;
using test::Script;
using Commands = std::vector<std::string>;

class Notices : public IPhonebook::ObserverType {
public:
    void OnAdded(IPhonebook*, int position) override { Add("added " + std::to_string(position)); }
    void OnRemoved(IPhonebook*, int position) override {
        Add("removed " + std::to_string(position));
    }
    void OnChanged(IPhonebook*, int position) override {
        Add("changed " + std::to_string(position));
    }
    void OnCleared(IPhonebook*) override { Add("cleared"); }
    std::vector<std::string> Take() {
        std::vector<std::string> taken;
        taken.swap(seen_);
        return taken;
    }

private:
    void Add(std::string notice) { seen_.push_back(std::move(notice)); }
    std::vector<std::string> seen_;
};

class Report : public IPhonebook::ILoadingReport {
public:
    void OnLoading(const CardContact& contact, int total, int current) override {
        seen.push_back(std::to_string(current) + "/" + std::to_string(total) + " " + contact.name +
                       " " + contact.number);
    }
    std::vector<std::string> seen;
};

// A UCS2 card whose "SM" book holds indexes 1 and 3 of 1..4; numbers up to 20 digits and
// names up to 10 characters.
class CardPhonebookTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer_.IsOpen());
        peer_.On(R"(AT+CPBS="SM")", Script().Ok());
        peer_.On(R"(AT+CPBS="ME")", Script().Ok());
        peer_.On(R"(AT+CPBS="EN")", Script().Ok());
        peer_.On(R"(AT+CPBS="SM";+CPBR=?)", Script().Line("+CPBR: (1-4),20,10").Ok());
        peer_.On("AT+CPBR=1,4", Script()
                                    .Line(R"(+CPBR: 1,"0812",129,"0041006E006E")")
                                    .Line(R"(+CPBR: 3,"+6281",145,"041C0430043C0430")")
                                    .Ok());
        peer_.OnRegex(R"(AT\+CPBW=.*)", Script().Ok());
        ASSERT_TRUE(agent_.Open(peer_.SlavePath(), 115200, nullptr));
        agent_.Context().SetCharset(Charset::kUcs2);
        book_ = agent_.GetPhonebookStore()->GetUimPhonebook();
        book_->AddObserver(&notices_);
    }
    void TearDown() override { book_->RemoveObserver(&notices_); }

    // The commands the card received since the last call.
    Commands Sent() {
        const Commands all = peer_.Commands();
        Commands fresh(all.begin() + static_cast<long>(seen_), all.end());
        seen_ = all.size();
        return fresh;
    }
    void Load(IPhonebook* book) {
        int status = kStatusUntouched;
        book->Load(nullptr, &status);
        ASSERT_EQ(status, kStatusOk);
    }
    std::vector<std::string> Names(IPhonebook* book) {
        std::vector<std::string> names;
        for (int i = 0; i < book->GetCount(); ++i)
            names.push_back(book->GetAt(i).name + "=" + book->GetAt(i).number);
        return names;
    }

    PtyPeer peer_;
    ModemAgent agent_;
    IPhonebook* book_ = nullptr;
    Notices notices_;
    std::size_t seen_ = 0;
};

TEST_F(CardPhonebookTest, EveryLoadTakesTwoCommands) {
    EXPECT_FALSE(book_->IsLoaded());
    EXPECT_EQ(book_->GetCapacity(), 0);
    Sent();
    Report report;
    int status = kStatusUntouched;
    book_->Load(&report, &status);
    ASSERT_EQ(status, kStatusOk);
    // The first load learns the range and the field lengths in the line that selects the book.
    EXPECT_EQ(Sent(), (Commands{R"(AT+CPBS="SM";+CPBR=?)", "AT+CPBR=1,4"}));
    EXPECT_TRUE(book_->IsLoaded());
    EXPECT_EQ(book_->GetCapacity(), 4);
    EXPECT_EQ(Names(book_), (std::vector<std::string>{"Ann=0812", "Мама=+6281"}));
    EXPECT_EQ(report.seen, (std::vector<std::string>{"1/2 Ann 0812", "2/2 Мама +6281"}));
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"added 0", "added 1"}));
    EXPECT_EQ(book_->GetAt(2), CardContact{});  // a bad position reads empty

    Load(book_);
    EXPECT_EQ(Sent(), (Commands{R"(AT+CPBS="SM")", "AT+CPBR=1,4"}));
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"cleared", "added 0", "added 1"}));
}

TEST_F(CardPhonebookTest, AddTakesTheLowestFreeIndexAndKeepsIndexOrder) {
    Load(book_);
    notices_.Take();
    Sent();
    int status = kStatusUntouched;
    ASSERT_TRUE(book_->Add(CardContact{"Bo", "+4412"}, &status));
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(Sent(), (Commands{R"(AT+CPBS="SM")", R"(AT+CPBW=2,"+4412",145,"0042006F")"}));
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"added 1"}));
    EXPECT_EQ(Names(book_), (std::vector<std::string>{"Ann=0812", "Bo=+4412", "Мама=+6281"}));

    ASSERT_TRUE(book_->Add(CardContact{"Cy", "*100#"}, nullptr));
    EXPECT_EQ(Sent().back(), R"(AT+CPBW=4,"*100#",129,"00430079")");
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"added 3"}));

    // Every index is used now: refused without asking the card.
    status = kStatusUntouched;
    EXPECT_FALSE(book_->Add(CardContact{"Dee", "5"}, &status));
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_EQ(static_cast<CardPhonebook*>(book_)->LastError(), 20);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(book_->GetCount(), 4);
}

TEST_F(CardPhonebookTest, UpdateAndRemoveWriteTheEntrysIndex) {
    Load(book_);
    notices_.Take();
    Sent();
    ASSERT_TRUE(book_->Update(1, CardContact{"Papa", "+6282"}));
    EXPECT_EQ(Sent(), (Commands{R"(AT+CPBS="SM")", R"(AT+CPBW=3,"+6282",145,"0050006100700061")"}));
    EXPECT_EQ(book_->GetAt(1), (CardContact{"Papa", "+6282"}));
    ASSERT_TRUE(book_->RemoveAt(0));
    EXPECT_EQ(Sent(), (Commands{R"(AT+CPBS="SM")", "AT+CPBW=1"}));
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"changed 1", "removed 0"}));
    EXPECT_EQ(Names(book_), (std::vector<std::string>{"Papa=+6282"}));
    EXPECT_FALSE(book_->RemoveAt(1));  // bad positions
    EXPECT_FALSE(book_->Update(-1, CardContact{"X", "1"}));
}

// The card refuses a write: false, status untouched, the book and its observers unchanged.
TEST_F(CardPhonebookTest, RefusedWritesLeaveTheBookUnchanged) {
    Load(book_);
    for (const int code : {20, 24, 26, 27, 3}) {
        peer_.OnRegex(R"(AT\+CPBW=.*)", Script().CmeError(code));
        notices_.Take();
        const std::vector<std::string> before = Names(book_);
        int status = kStatusUntouched;
        EXPECT_FALSE(book_->Add(CardContact{"Eve", "123"}, &status)) << code;
        EXPECT_EQ(status, kStatusUntouched) << code;
        EXPECT_EQ(static_cast<CardPhonebook*>(book_)->LastError(), code);
        EXPECT_FALSE(book_->Update(0, CardContact{"Eve", "123"})) << code;
        EXPECT_FALSE(book_->RemoveAt(1)) << code;
        EXPECT_EQ(Names(book_), before) << code;
        EXPECT_TRUE(notices_.Take().empty()) << code;
    }
}

// What can never be a phonebook entry is refused before anything is sent.
TEST_F(CardPhonebookTest, UnsafeOrOversizedContactsAreNeverSent) {
    Load(book_);
    Sent();
    // Each with the number the card would refuse it with.
    const std::pair<CardContact, int> bad[] = {
        {{"Quo\"te", "123"}, 25},               // a quote would end the field
        {{"Line\rBreak", "123"}, 25},           // a control character ends the command
        {{"Ok", "12\"3"}, 27},                  // quote in the number
        {{"Ok", "12-34"}, 27},                  // not a dial character
        {{"Ok", "1+2"}, 27},                    // '+' only at the start
        {{"Ok", ""}, 27},                       // no number
        {{"Ok", "123456789012345678901"}, 26},  // 21 digits, the card takes 20
        {{"Elevenchars", "1"}, 24},             // 11 characters, the card takes 10
    };
    auto* book = static_cast<CardPhonebook*>(book_);
    for (const auto& [contact, code] : bad) {
        EXPECT_FALSE(book->Add(contact, nullptr)) << contact.name << " " << contact.number;
        EXPECT_EQ(book->LastError(), code) << contact.name << " " << contact.number;
        EXPECT_FALSE(book->Update(0, contact)) << contact.name << " " << contact.number;
        EXPECT_EQ(book->LastError(), code) << contact.name << " " << contact.number;
    }
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Names(book_), (std::vector<std::string>{"Ann=0812", "Мама=+6281"}));
    // Ten characters fit, counted as characters in UCS2, not as bytes.
    EXPECT_TRUE(book_->Add(CardContact{"Ааааааааая", "1"}, nullptr));
}

TEST_F(CardPhonebookTest, EmergencyNumbersAreReadOnly) {
    peer_.On(R"(AT+CPBS="EN";+CPBR=?)", Script().Line("+CPBR: (1-5),40,18").Ok());
    peer_.On("AT+CPBR=1,5", Script().Line(R"(+CPBR: 1,"112",129,"")").Ok());
    IPhonebook* en = agent_.GetPhonebookStore()->GetEmergencyPhonebook();
    Load(en);
    EXPECT_EQ(en->GetCapacity(), 5);
    EXPECT_EQ(Names(en), (std::vector<std::string>{"=112"}));
    Sent();
    EXPECT_FALSE(en->Add(CardContact{"Police", "110"}, nullptr));
    EXPECT_FALSE(en->Update(0, CardContact{"Police", "110"}));
    EXPECT_FALSE(en->RemoveAt(0));
    EXPECT_EQ(static_cast<CardPhonebook*>(en)->LastError(), 3);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Names(en), (std::vector<std::string>{"=112"}));
}

TEST_F(CardPhonebookTest, CardsWithoutChainedCommandsOrRangeAreAskedOneAtATime) {
    // The "ME" book: the card refuses two commands in one line, then gives its range alone.
    peer_.On("AT+CPBR=?", Script().Line("+CPBR: (1-3),20,10").Ok(), 1);
    peer_.On("AT+CPBR=1,3", Script().Line(R"(+CPBR: 2,"5",129,"0042")").Ok());
    IPhonebook* me = agent_.GetPhonebookStore()->GetModemPhonebook();
    Sent();
    Load(me);
    EXPECT_EQ(Sent(),
              (Commands{R"(AT+CPBS="ME";+CPBR=?)", R"(AT+CPBS="ME")", "AT+CPBR=?", "AT+CPBR=1,3"}));
    EXPECT_EQ(me->GetCapacity(), 3);
    EXPECT_EQ(Names(me), (std::vector<std::string>{"B=5"}));

    // Without AT+CPBR=? the size comes from AT+CPBS?; indexes then run from 1.
    static_cast<CardPhonebook*>(me)->Forget();
    peer_.On("AT+CPBS?", Script().Line(R"(+CPBS: "ME",1,3)").Ok(), 1);
    Load(me);
    EXPECT_EQ(Sent(), (Commands{R"(AT+CPBS="ME";+CPBR=?)", R"(AT+CPBS="ME")", "AT+CPBR=?",
                                "AT+CPBS?", "AT+CPBR=1,3"}));
    EXPECT_EQ(me->GetCapacity(), 3);
    EXPECT_EQ(Names(me), (std::vector<std::string>{"B=5"}));

    // A count for another storage is not this book's size.
    static_cast<CardPhonebook*>(me)->Forget();
    peer_.On("AT+CPBS?", Script().Line(R"(+CPBS: "SM",1,3)").Ok(), 1);
    int status = kStatusUntouched;
    me->Load(nullptr, &status);
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_FALSE(me->IsLoaded());
}

TEST_F(CardPhonebookTest, FailedLoadsLeaveTheBookUnloaded) {
    peer_.On(R"(AT+CPBS="SM";+CPBR=?)", Script().CmeError(14), 1);  // SIM busy
    peer_.On(R"(AT+CPBS="SM")", Script().CmeError(14), 1);
    int status = kStatusUntouched;
    book_->Load(nullptr, &status);
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_FALSE(book_->IsLoaded());

    peer_.On("AT+CPBR=1,4", Script().CmeError(13), 1);  // SIM failure during the read
    book_->Load(nullptr, &status);
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_FALSE(book_->IsLoaded());
    EXPECT_TRUE(notices_.Take().empty());

    // A book with no entry: some cards answer the ranged read with "not found".
    peer_.On("AT+CPBR=1,4", Script().CmeError(22), 1);
    Load(book_);
    EXPECT_TRUE(book_->IsLoaded());
    EXPECT_EQ(book_->GetCount(), 0);
}

TEST_F(CardPhonebookTest, AddToAnUnloadedBookReadsItFirst) {
    ASSERT_TRUE(book_->Add(CardContact{"Z", "9"}, nullptr));
    EXPECT_EQ(book_->GetCount(), 3);
    EXPECT_EQ(book_->GetAt(1), (CardContact{"Z", "9"}));
    EXPECT_EQ(peer_.Commands().back(), R"(AT+CPBW=2,"9",129,"005A")");
}

TEST_F(CardPhonebookTest, ClosingThePortEmptiesTheBooks) {
    Load(book_);
    notices_.Take();
    agent_.Close();
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"cleared"}));
    EXPECT_FALSE(book_->IsLoaded());
    EXPECT_EQ(book_->GetCount(), 0);
    EXPECT_EQ(book_->GetCapacity(), 0);
}

TEST_F(CardPhonebookTest, IraCardsTakeAsciiNamesOnly) {
    agent_.Context().SetCharset(Charset::kIra);
    peer_.On("AT+CPBR=1,4", Script().Line(R"(+CPBR: 1,"0812",129,"Ann")").Ok());
    Load(book_);
    Sent();
    EXPECT_FALSE(book_->Add(CardContact{"Мама", "1"}, nullptr));
    EXPECT_TRUE(Sent().empty());
    ASSERT_TRUE(book_->Add(CardContact{"Bob", "1"}, nullptr));
    EXPECT_EQ(Sent().back(), R"(AT+CPBW=2,"1",129,"Bob")");
}

}  // namespace
}  // namespace dedevev::at
