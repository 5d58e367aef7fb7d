// The modem object against cards that answer differently from the standard, with answers of
// real cards: a SIM that takes seconds to start, a card family told only by identity, service
// or serial number, message storages that must be named in full, empty storages whose
// listing fails.

#include <gtest/gtest.h>

#include <algorithm>

#include "device/at/features/ModemAgent.h"
#include "device/base/Clock.h"
#include "support/PtyPeer.h"

namespace dedevev::at {
namespace {

using test::PtyPeer;
using test::Script;
using Commands = std::vector<std::string>;

Script Answer(const std::string& line) {
    return Script().Line(line).Ok();
}

// A scripted card with the modem object open on it.
struct Card {
    Card() { open = peer.IsOpen() && agent.Open(peer.SlavePath(), 115200, nullptr); }
    // Rules for one command in the order the card answers: each answer once, the last for good.
    void Answers(const std::string& command, const std::vector<Script>& scripts) {
        peer.On(command, scripts.back());
        for (std::size_t i = scripts.size() - 1; i-- > 0;)
            peer.On(command, scripts[i], 1);
    }
    std::size_t Count(const std::string& command) const {
        const Commands all = peer.Commands();
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), command));
    }

    PtyPeer peer;
    ModemAgent agent;
    bool open = false;
};

// Waits run on a test clock.
class QuirkyCardTest : public ::testing::Test {
protected:
    void SetUp() override { SetProcessClock(&clock_); }
    void TearDown() override { SetProcessClock(nullptr); }

    TestClock clock_;
};

// ---- A SIM that takes its time to start ---------------------------------------------------

struct StartCase {
    const char* name;
    bool radio_was_off;  // the card answered +CFUN: 4, ConfigureA switched it on
    bool cmee;           // the card takes AT+CMEE=1
    std::vector<Script> cpin;
    bool pin_check;     // IsPinCheckEnabled
    std::size_t asked;  // AT+CPIN? sent
    IClock::Duration slept;
};

TEST_F(QuirkyCardTest, StartingSimIsWaitedForWithinItsTime) {
    const Script busy = Script().CmeError(14);
    const Script absent = Script().CmeError(10);
    const std::vector<StartCase> cases = {
        // name, radio was off, CMEE taken, AT+CPIN? answers, PIN check, asked, slept
        {"busy twice, then asking for its PIN",
         false,
         true,
         {busy, busy, Answer("+CPIN: SIM PIN")},
         true,
         3,
         std::chrono::seconds(1)},
        // Set-up waits for a SIM that starts with the radio; the PIN check asks once more.
        {"after the radio came on: busy, briefly not found",
         true,
         true,
         {busy, absent, Answer("+CPIN: SIM PIN")},
         true,
         4,
         std::chrono::seconds(1)},
        {"after the radio came on without numeric errors",
         true,
         false,
         {Script().Error(), Answer("+CPIN: SIM PIN")},
         true,
         3,
         std::chrono::milliseconds(500)},
        {"a plain ERROR from a card with numeric errors is an answer",
         true,
         true,
         {Script().Error()},
         false,
         2,
         {}},
        {"no SIM and the radio was on all along", false, true, {absent}, false, 1, {}},
        {"a SIM that never starts gives up after 10 s",
         false,
         true,
         {busy},
         false,
         20,
         std::chrono::milliseconds(9500)},
    };
    for (const StartCase& c : cases) {
        Card card;
        ASSERT_TRUE(card.open) << c.name;
        card.peer.On("AT+CFUN?", Answer(c.radio_was_off ? "+CFUN: 4" : "+CFUN: 1"));
        card.peer.On("AT+CFUN=1", Script().Ok());
        card.peer.On("AT+CMEE=1", c.cmee ? Script().Ok() : Script().Error());
        card.Answers("AT+CPIN?", c.cpin);
        const IClock::Duration before = clock_.Slept();
        card.agent.GetDeviceControl()->ConfigureA(0, nullptr);
        EXPECT_EQ(card.Count("AT+CFUN=1"), c.radio_was_off ? 1u : 0u) << c.name;
        int status = kStatusUntouched;
        EXPECT_EQ(card.agent.GetCardService()->IsPinCheckEnabled(&status), c.pin_check) << c.name;
        EXPECT_EQ(status, kStatusOk) << c.name;
        EXPECT_EQ(card.Count("AT+CPIN?"), c.asked) << c.name;
        EXPECT_EQ(clock_.Slept() - before, c.slept) << c.name;
    }
}

// ---- The card's family from what it answers -----------------------------------------------

struct FamilyCase {
    const char* name;
    std::vector<std::pair<std::string, Script>> rules;  // anything else: ERROR
    bool cdma;
    Commands asked;
};

TEST_F(QuirkyCardTest, FamilyComesFromWhatTheCardAnswers) {
    const Commands identity = {"AT+GCAP", "ATI", "AT+CGMM", "AT+GMM", "AT+CGMI"};
    const Commands service = {"AT^DDSRV?", "AT^SYSINFOEX", "AT^SYSINFO"};
    const auto all = [&](Commands tail) {
        Commands asked = identity;
        asked.insert(asked.end(), service.begin(), service.end());
        asked.insert(asked.end(), tail.begin(), tail.end());
        return asked;
    };
    const std::string multimode =
        "+GCAP: +CIS707-A, CIS-856, CIS-856-A, +CGSM, +CLTE2, +MS, +ES, +DS, +FCLASS";
    const std::vector<FamilyCase> cases = {
        {"+GCAP of a CDMA card",
         {{"AT+GCAP", Answer("+GCAP: +CIS707-A, CIS-856, +MS, +ES, +DS, +FCLASS")}},
         true,
         {"AT+GCAP"}},
        {"Huawei EC121 without +GCAP: its ATI",
         {{"ATI", Script()
                      .Line("Manufacturer: HUAWEI INCORPORATED")
                      .Line("Model: EC121")
                      .Line("ESN: +GSN:12de4fa6")
                      .Line("+CIS707-A, +MS, +ES, +DS, +FCLASS")
                      .Ok()}},
         true,
         {"AT+GCAP", "ATI"}},
        {"Motorola without +GCAP, ATI of a number: its model",
         {{"ATI", Answer("144")},
          {"AT+CGMM", Answer(R"("GSM900","GSM1800","GSM1900","GSM850","MODEL=I250-000")")}},
         false,
         {"AT+GCAP", "ATI", "AT+CGMM"}},
        {"a multi-mode card in a WCDMA network: its service record",
         {{"AT+GCAP", Answer(multimode)}, {"AT^SYSINFO", Answer("^SYSINFO:2,3,0,5,1,,4")}},
         false,
         all({})},
        {"only the serial number tells: an ESN",
         {{"AT+CGSN", Answer("0x9235EB52")}},
         true,
         all({"AT+CGSN"})},
        {"a multi-mode card nothing else places keeps to CDMA",
         {{"AT+GCAP", Answer(multimode)}},
         true,
         all({"AT+CGSN"})},
    };
    for (const FamilyCase& c : cases) {
        Card card;
        ASSERT_TRUE(card.open) << c.name;
        for (const auto& [command, script] : c.rules)
            card.peer.On(command, script);
        EXPECT_EQ(card.agent.Context().IsCdma(), c.cdma) << c.name;
        EXPECT_EQ(card.agent.Context().IsCdma(), c.cdma) << c.name;  // learned, not asked again
        EXPECT_EQ(card.peer.Commands(), c.asked) << c.name;
    }
}

// ---- Message and phonebook storages ---------------------------------------------------------

TEST_F(QuirkyCardTest, StorageNamedInFullWhenTheCardRefusesOne) {
    Card card;
    ASSERT_TRUE(card.open);
    card.peer.On("AT+GCAP", Answer("+GCAP: +CGSM,+DS,+ES"));
    card.peer.On("AT+CPMS?", Answer(R"(+CPMS: "ME",0,100,"ME",0,100,"SM",1,50)"));
    card.peer.On(R"(AT+CPMS="SM","ME","SM")", Answer("+CPMS: 0,50,0,100,1,50"));
    card.peer.On("AT+CMGL=4", Script().CmsError(321));
    IMessageBox* box = card.agent.GetSmsControl()->GetBox2();
    for (int round = 0; round < 2; ++round) {
        int status = kStatusUntouched;
        box->Load(nullptr, &status);
        EXPECT_EQ(status, kStatusOk) << round;
        EXPECT_EQ(box->GetCount(), 0) << round;
        EXPECT_EQ(box->GetCapacity(), 50) << round;
    }
    EXPECT_EQ(card.Count(R"(AT+CPMS="SM")"), 1u);  // learned: the full form from then on
    EXPECT_EQ(card.Count(R"(AT+CPMS="SM","ME","SM")"), 2u);
}

struct EmptyCase {
    const char* name;
    Script listing;
    std::string counts;  // the answer to AT+CPMS="SM" (or AT+CPBS?)
    bool loaded;
};

TEST_F(QuirkyCardTest, EmptyStorageIsEmptyNotAFailure) {
    const std::vector<EmptyCase> messages = {
        {"+CMS ERROR: 321 for an empty box", Script().CmsError(321), "+CPMS: 0,50,0,50,0,50", true},
        {"a plain ERROR for an empty box", Script().Error(), "+CPMS: 0,50,0,50,0,50", true},
        {"321 without counts", Script().CmsError(321), "", true},
        {"a plain ERROR for a box with messages", Script().Error(), "+CPMS: 2,50,2,50,2,50", false},
        {"321 for a box with messages", Script().CmsError(321), "+CPMS: 3,50,3,50,3,50", false},
        {"ERROR without counts", Script().Error(), "", false},
    };
    for (const EmptyCase& c : messages) {
        Card card;
        ASSERT_TRUE(card.open) << c.name;
        card.peer.On("AT+GCAP", Answer("+GCAP: +CGSM"));
        card.peer.On(R"(AT+CPMS="SM")", c.counts.empty() ? Script().Ok() : Answer(c.counts));
        card.peer.On("AT+CMGL=4", c.listing);
        int status = kStatusUntouched;
        card.agent.GetSmsControl()->GetBox2()->Load(nullptr, &status);
        EXPECT_EQ(status == kStatusOk, c.loaded) << c.name;
    }
    const std::vector<EmptyCase> books = {
        {"a plain ERROR for an empty book", Script().Error(), R"(+CPBS: "SM",0,250)", true},
        {"+CME ERROR: 22 for an empty book", Script().CmeError(22), "", true},
        {"a plain ERROR for a book with entries", Script().Error(), R"(+CPBS: "SM",3,250)", false},
        {"a plain ERROR and counts of another book", Script().Error(), R"(+CPBS: "ME",0,100)",
         false},
    };
    for (const EmptyCase& c : books) {
        Card card;
        ASSERT_TRUE(card.open) << c.name;
        card.peer.On(R"(AT+CPBS="SM";+CPBR=?)", Answer("+CPBR: (1-250),40,16"));
        card.peer.On("AT+CPBR=1,250", c.listing);
        card.peer.On("AT+CPBS?", c.counts.empty() ? Script().Error() : Answer(c.counts));
        IPhonebook* book = card.agent.GetPhonebookStore()->GetUimPhonebook();
        int status = kStatusUntouched;
        book->Load(nullptr, &status);
        EXPECT_EQ(status == kStatusOk, c.loaded) << c.name;
        EXPECT_EQ(book->GetCount(), 0) << c.name;
    }
}

}  // namespace
}  // namespace dedevev::at
