// The modem library's phonebooks on the simulated card, as a GSM and as a CDMA card: loading,
// adding, editing, deleting, capacities, a full book, UCS2 names and numbers, the read-only
// emergency numbers, and a reopened port.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimCardFixture.h"
#include "device/DeviceStatus.h"
#include "device/IModemAgent.h"
#include "device/at/features/CardPhonebook.h"

namespace dedevev {
namespace {

class Notices : public IPhonebook::ObserverType {
public:
    void OnAdded(IPhonebook*, int position) override { seen.push_back("added " + Str(position)); }
    void OnRemoved(IPhonebook*, int position) override {
        seen.push_back("removed " + Str(position));
    }
    void OnChanged(IPhonebook*, int position) override {
        seen.push_back("changed " + Str(position));
    }
    void OnCleared(IPhonebook*) override { seen.push_back("cleared"); }
    std::vector<std::string> Take() {
        std::vector<std::string> taken;
        taken.swap(seen);
        return taken;
    }
    std::vector<std::string> seen;

private:
    static std::string Str(int value) { return std::to_string(value); }
};

class PhonebookOnCard : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        store_ = agent->GetPhonebookStore();
    }
    void TearDown() override {
        if (store_) {
            for (IPhonebook* book : {store_->GetModemPhonebook(), store_->GetUimPhonebook(),
                                     store_->GetEmergencyPhonebook()})
                book->RemoveObserver(&notices_);
        }
        AgentFixture::TearDown();
    }
    void UseUcs2() {
        int status = kStatusUntouched;
        agent->GetDeviceControl()->SetCharacterSet("UCS2", &status);
        ASSERT_EQ(status, kStatusOk);
    }
    void Load(IPhonebook* book) {
        int status = kStatusUntouched;
        book->Load(nullptr, &status);
        ASSERT_EQ(status, kStatusOk);
        ASSERT_TRUE(book->IsLoaded());
    }
    static std::vector<std::string> Contacts(IPhonebook* book) {
        std::vector<std::string> contacts;
        for (int i = 0; i < book->GetCount(); ++i)
            contacts.push_back(book->GetAt(i).name + "=" + book->GetAt(i).number);
        return contacts;
    }

    IPhonebookStore* store_ = nullptr;
    Notices notices_;
};

TEST_P(PhonebookOnCard, LoadsBothBooksInIndexOrderWithTheirCapacities) {
    Control("pb-clear SM");
    Control("pb-clear ME");
    Control("pb-add SM +628111 Ayu");
    Control("pb-add SM 0812 Budi Santoso");
    Control("pb-add ME *123# Balance");
    IPhonebook* sm = store_->GetUimPhonebook();
    IPhonebook* me = store_->GetModemPhonebook();
    EXPECT_FALSE(sm->IsLoaded());
    Load(sm);
    Load(me);
    EXPECT_EQ(sm->GetCapacity(), 250);
    EXPECT_EQ(me->GetCapacity(), 100);
    EXPECT_EQ(Contacts(sm), (std::vector<std::string>{"Ayu=+628111", "Budi Santoso=0812"}));
    EXPECT_EQ(Contacts(me), (std::vector<std::string>{"Balance=*123#"}));
}

TEST_P(PhonebookOnCard, AddEditDeleteReachTheCard) {
    UseUcs2();
    Control("pb-clear SM");
    Control("pb-add SM 111 First");
    Control("pb-add SM 222 Gap");
    Control("pb-add SM 333 Third");
    IPhonebook* sm = store_->GetUimPhonebook();
    Load(sm);
    ASSERT_TRUE(sm->RemoveAt(1));  // the card's index 2
    EXPECT_EQ(Control("pb-list SM"), R"(OK (1,"111",129,"First") (3,"333",129,"Third"))");

    sm->AddObserver(&notices_);
    int status = kStatusUntouched;
    ASSERT_TRUE(sm->Add(CardContact{"Ибу Сити", "+6285"}, &status));
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"added 1"}));
    ASSERT_TRUE(sm->Update(0, CardContact{"Пак Ади", "0813"}));
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"changed 0"}));
    ASSERT_TRUE(sm->RemoveAt(2));
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"removed 2"}));
    EXPECT_EQ(Contacts(sm), (std::vector<std::string>{"Пак Ади=0813", "Ибу Сити=+6285"}));

    // What the card holds now reads back the same from a fresh load.
    Load(sm);
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"cleared", "added 0", "added 1"}));
    EXPECT_EQ(Contacts(sm), (std::vector<std::string>{"Пак Ади=0813", "Ибу Сити=+6285"}));
}

TEST_P(PhonebookOnCard, AFullBookRefusesAndStaysAsItWas) {
    Control("pb-clear ME");
    Control("pb-capacity ME 2");
    Control("pb-add ME 1 One");
    IPhonebook* me = store_->GetModemPhonebook();
    Load(me);
    EXPECT_EQ(me->GetCapacity(), 2);
    ASSERT_TRUE(me->Add(CardContact{"Two", "2"}, nullptr));
    int status = kStatusUntouched;
    EXPECT_FALSE(me->Add(CardContact{"Three", "3"}, &status));
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_EQ(Contacts(me), (std::vector<std::string>{"One=1", "Two=2"}));
    EXPECT_EQ(Control("pb-list ME"), R"(OK (1,"1",129,"One") (2,"2",129,"Two"))");
}

TEST_P(PhonebookOnCard, TheCardsRefusalsLeaveTheBookUnchanged) {
    Control("pb-clear SM");
    Control("pb-add SM 1 One");
    IPhonebook* sm = store_->GetUimPhonebook();
    Load(sm);
    sm->AddObserver(&notices_);
    // The card counts 18 characters at most; our check knows, so nothing is sent either way.
    EXPECT_FALSE(sm->Add(CardContact{"A name much too long", "5"}, nullptr));
    EXPECT_FALSE(sm->Update(0, CardContact{"One", std::string(41, '1')}));
    EXPECT_FALSE(sm->Update(0, CardContact{"One", "12a"}));
    EXPECT_TRUE(notices_.Take().empty());
    EXPECT_EQ(Contacts(sm), (std::vector<std::string>{"One=1"}));
    EXPECT_EQ(Control("pb-list SM"), R"(OK (1,"1",129,"One"))");
}

TEST_P(PhonebookOnCard, EmergencyNumbersLoadAndCannotBeChanged) {
    IPhonebook* en = store_->GetEmergencyPhonebook();
    Load(en);
    EXPECT_EQ(en->GetCapacity(), 5);
    ASSERT_GE(en->GetCount(), 1);
    EXPECT_EQ(en->GetAt(0).number, "112");
    const std::vector<std::string> before = Contacts(en);
    EXPECT_FALSE(en->Add(CardContact{"Fire", "113"}, nullptr));
    EXPECT_FALSE(en->Update(0, CardContact{"Fire", "113"}));
    EXPECT_FALSE(en->RemoveAt(0));
    Load(en);
    EXPECT_EQ(Contacts(en), before);
}

TEST_P(PhonebookOnCard, NumbersInUcs2HexAreDecoded) {
    UseUcs2();
    Control("pb-clear SM");
    Control("pb-add SM +62811 Ucs");
    Control("pb-add SM *99# Star");
    Control("pb-ucs2-numbers on");
    IPhonebook* sm = store_->GetUimPhonebook();
    Load(sm);
    EXPECT_EQ(Contacts(sm), (std::vector<std::string>{"Ucs=+62811", "Star=*99#"}));
    // Plain numbers written by us are taken by such a card too.
    ASSERT_TRUE(sm->Add(CardContact{"Plain", "0815"}, nullptr));
    Load(sm);
    EXPECT_EQ(Contacts(sm), (std::vector<std::string>{"Ucs=+62811", "Star=*99#", "Plain=0815"}));
}

TEST_P(PhonebookOnCard, AReopenedPortStartsUnloaded) {
    IPhonebook* sm = store_->GetUimPhonebook();
    Load(sm);
    sm->AddObserver(&notices_);
    int status = kStatusUntouched;
    ASSERT_TRUE(agent->Open(sim->AtPortPath(), 115200, &status));
    EXPECT_EQ(notices_.Take(), (std::vector<std::string>{"cleared"}));
    EXPECT_FALSE(sm->IsLoaded());
    EXPECT_EQ(sm->GetCapacity(), 0);
    Load(sm);
    EXPECT_EQ(sm->GetCapacity(), 250);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PhonebookOnCard,
                         ::testing::Values(sim::CardKind::kGsm, sim::CardKind::kCdma),
                         sim::test::KindName);

}  // namespace
}  // namespace dedevev
