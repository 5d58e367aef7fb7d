// The card's AT interpreter, command by command, for every card state, and the PIN and PUK
// flows with their counters.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimTestSupport.h"

namespace dedevev::sim {
namespace {

using test::Bench;
using test::Compact;

struct Exchange {
    std::string command;
    std::string answer;  // compacted
};

void RunAll(Bench& bench, const std::vector<Exchange>& steps, const std::string& label) {
    for (const Exchange& step : steps)
        EXPECT_EQ(bench.Run(step.command), step.answer) << label << ": " << step.command;
}

TEST(SimInterpreter, IdentificationOfBothKinds) {
    Bench gsm(CardKind::kGsm);
    RunAll(gsm,
           {
               {"AT", "OK"},
               {"AT+CGMI", "DEDEVev|OK"},
               {"AT+GMI", "DEDEVev|OK"},
               {"AT+CGMM", "CardSim GSM/UMTS|OK"},
               {"AT+CGMR", "DDV-CS 1.0.0|OK"},
               {"AT+CGSN", "356938035643809|OK"},
               {"AT+CIMI", "001010123456789|OK"},
               {"AT+GCAP", "+GCAP: +CGSM,+DS,+ES|OK"},
               {"ATI",
                "Manufacturer: DEDEVev|Model: CardSim GSM/UMTS|Revision: DDV-CS 1.0.0|"
                "IMEI: 356938035643809|+GCAP: +CGSM,+DS,+ES|OK"},
               {"AT+CGMI=?", "OK"},
               {"AT+CGMI?", "ERROR"},
           },
           "gsm");
    Bench cdma(CardKind::kCdma);
    RunAll(cdma,
           {
               {"AT+CGMM", "CardSim CDMA/EV-DO|OK"},
               {"AT+CGSN", "A1000049D2C3B8|OK"},
               {"AT+CIMI", "001020123456789|OK"},
               {"AT^DDSRV?", "^DDSRV: 2,4,0,3,1,2,2|OK"},
               {"AT+CGDCONT?", "+CGDCONT: 1,\"IP\",\"#777\",\"0.0.0.0\",0,0|OK"},
           },
           "cdma");
}

TEST(SimInterpreter, SessionCommands) {
    Bench bench;
    RunAll(bench,
           {
               {"AT+FOO", "ERROR"},
               {"AT+CSQ;+FOO", "+CSQ: 20,99|ERROR"},
               {"ATE0V1", "OK"},
               {"ATV0", "ERROR"},
               {"ATQ1", "ERROR"},
               {"AT&F", "OK"},
               {"ATE0", "OK"},
               {"AT+CMEE?", "+CMEE: 0|OK"},
               {"AT+CMEE=3", "ERROR"},
               {"AT+CMEE=1", "OK"},
               {"AT+CMEE=?", "+CMEE: (0-2)|OK"},
               {"AT+CSCS=?", "+CSCS: (\"IRA\",\"GSM\",\"UCS2\")|OK"},
               {"AT+CSCS?", "+CSCS: \"IRA\"|OK"},
               {"AT+CSCS=\"UTF-8\"", "+CME ERROR: 4"},
               {"AT+CSCS=\"UCS2\"", "OK"},
               {"AT+CSCS?", "+CSCS: \"UCS2\"|OK"},
               {"AT+CSCS=\"00470053004D\"", "OK"},  // the name itself in UCS2
               {"AT+CSCS?", "+CSCS: \"GSM\"|OK"},
               {"AT+CFUN?", "+CFUN: 1|OK"},
               {"AT+CFUN=1", "OK"},
               {"AT+CFUN=7", "+CME ERROR: 50"},
               {"AT+CSQ", "+CSQ: 20,99|OK"},
               {"AT+CSQ=?", "+CSQ: (0-31,99),(99)|OK"},
               {"AT+COPS=3,0;+COPS?", "+COPS: 0,0,\"DEDEVev Mobile\",2|OK"},
               {"AT+COPS=3,2;+COPS?", "+COPS: 0,2,\"001010\",2|OK"},
               {"AT+CGATT?", "+CGATT: 1|OK"},
               {"ATH", "OK"},
               {"AT^DDIND?", "^DDIND: 0|OK"},
           },
           "session");
}

TEST(SimInterpreter, ErrorReportingFollowsCmee) {
    Bench bench;
    bench.card.ForceState(CardState::kAbsent);
    RunAll(bench,
           {
               {"AT+CMEE=0", "OK"},
               {"AT+CIMI", "ERROR"},
               {"AT+CMEE=1", "OK"},
               {"AT+CIMI", "+CME ERROR: 10"},
               {"AT+CMEE=2", "OK"},
               {"AT+CIMI", "+CME ERROR: SIM not inserted"},
           },
           "cmee");
}

TEST(SimInterpreter, EchoAndLineHandling) {
    Bench bench;
    bench.session.Settings().echo = true;
    bench.session.Receive("AT+CGMI\r");
    ASSERT_TRUE(bench.session.Next(&bench.last));
    EXPECT_EQ(bench.last.echo, "AT+CGMI\r");
    EXPECT_EQ(bench.last.body, "\r\nDEDEVev\r\n\r\nOK\r\n");
    // ESC leaves whatever came before it (hosts send it to leave a forgotten prompt);
    // backspace erases; a lower-case "at" is a command too.
    EXPECT_EQ(bench.Run("garbage\x1b"
                        "at+cgmi"),
              "DEDEVev|OK");
    EXPECT_EQ(bench.Run("AT+CSX\bQ"), "+CSQ: 20,99|OK");
    // A line that is not a command is echoed and otherwise ignored.
    bench.session.Receive("hello\r");
    ASSERT_TRUE(bench.session.Next(&bench.last));
    EXPECT_EQ(bench.last.echo, "hello\r");
    EXPECT_TRUE(bench.last.body.empty());
    // Empty lines and a lone LF after CR give nothing at all.
    bench.session.Receive("\r\n\r\n");
    EXPECT_FALSE(bench.session.Next(&bench.last));
    // Two commands in one write come out one at a time.
    bench.session.Receive("ATE0\rAT+CGMI\r");
    ASSERT_TRUE(bench.session.Next(&bench.last));
    EXPECT_EQ(Compact(bench.last.body), "OK");
    ASSERT_TRUE(bench.session.Next(&bench.last));
    EXPECT_TRUE(bench.last.echo.empty());
    EXPECT_EQ(Compact(bench.last.body), "DEDEVev|OK");
}

// Every state of the card, as the commands that depend on it see it.
TEST(SimInterpreter, AnswersInEveryCardState) {
    struct Case {
        CardState state;
        std::vector<Exchange> exchanges;
    };
    const Case cases[] = {
        {CardState::kReady,
         {{"AT+CPIN?", "+CPIN: READY|OK"},
          {"AT+CIMI", "001010123456789|OK"},
          {"AT+CPINR=\"SIM PIN\"", "+CPINR: SIM PIN,3,3|OK"},
          {"AT+CPINR", "+CPINR: SIM PIN,3,3|+CPINR: SIM PUK,10,10|OK"},
          {"AT^CPIN?", "^CPIN: READY,,10,3,10,3|OK"},
          {"AT^DDPINR?", "^DDPINR: 3,10|OK"},
          {"AT+CLCK=\"SC\",2", "+CLCK: 0|OK"},
          {"AT^DDSRV?", "^DDSRV: 2,5,0,3,1,1,2|OK"},
          {"AT+CREG?", "+CREG: 0,1|OK"},
          {"AT+COPS?", "+COPS: 0,0,\"DEDEVev Mobile\",2|OK"},
          {"AT+CPIN=\"1234\"", "+CME ERROR: 3"}}},
        {CardState::kPinRequired,
         {{"AT+CPIN?", "+CPIN: SIM PIN|OK"},
          {"AT+CIMI", "+CME ERROR: 11"},
          {"AT+CPINR=\"SIM*\"", "+CPINR: SIM PIN,3,3|+CPINR: SIM PUK,10,10|OK"},
          {"AT^CPIN?", "^CPIN: SIM PIN,3,10,3,10,3|OK"},
          {"AT+CLCK=\"SC\",2", "+CME ERROR: 11"},
          {"AT^DDSRV?", "^DDSRV: 1,5,0,0,0,1,1|OK"},
          {"AT+CREG?", "+CREG: 0,3|OK"},
          {"AT+COPS?", "+COPS: 0|OK"},
          {"AT+COPS=?", "+CME ERROR: 11"},
          {"AT+CUSD=1,\"*123#\",15", "+CME ERROR: 11"},
          {"AT+CSQ", "+CSQ: 20,99|OK"}}},
        {CardState::kPukRequired,
         {{"AT+CPIN?", "+CPIN: SIM PUK|OK"},
          {"AT+CIMI", "+CME ERROR: 12"},
          {"AT+CPINR=\"SIM PUK\"", "+CPINR: SIM PUK,10,10|OK"},
          {"AT^CPIN?", "^CPIN: SIM PUK,10,10,0,10,3|OK"},
          {"AT^DDPINR?", "^DDPINR: 0,10|OK"},
          {"AT+CPIN=\"1234\"", "+CME ERROR: 12"}}},
        {CardState::kBlocked,
         {{"AT+CPIN?", "+CPIN: SIM PUK|OK"},
          {"AT+CIMI", "+CME ERROR: 13"},
          {"AT+CPINR=\"SIM PUK\"", "+CPINR: SIM PUK,0,10|OK"},
          {"AT^CPIN?", "^CPIN: SIM PUK,0,0,0,10,3|OK"},
          {"AT+CPIN=\"12345678\",\"1234\"", "+CME ERROR: 13"},
          {"AT^DDSRV?", "^DDSRV: 1,5,0,0,0,1,1|OK"}}},
        {CardState::kAbsent,
         {{"AT+CPIN?", "+CME ERROR: 10"},
          {"AT+CIMI", "+CME ERROR: 10"},
          {"AT+CPINR=\"SIM PIN\"", "+CME ERROR: 10"},
          {"AT^CPIN?", "+CME ERROR: 10"},
          {"AT^DDPINR?", "+CME ERROR: 10"},
          {"AT^DDSRV?", "^DDSRV: 1,5,0,0,255,0,1|OK"},
          {"AT+CGMI", "DEDEVev|OK"}}},
    };
    for (const Case& c : cases) {
        Bench bench;
        bench.card.ForceState(c.state);
        RunAll(bench, c.exchanges, CardStateName(c.state));
    }
}

TEST(SimInterpreter, PinThenPukFlowCountsAttempts) {
    Bench bench;
    bench.card.ForceState(CardState::kPinRequired);
    RunAll(bench,
           {
               {"AT+CPIN=\"0000\"", "+CME ERROR: 16"},
               {"AT+CPINR=\"SIM PIN\"", "+CPINR: SIM PIN,2,3|OK"},
               {"AT+CPIN=\"1111\"", "+CME ERROR: 16"},
               {"AT^DDPINR?", "^DDPINR: 1,10|OK"},
               {"AT+CPIN=\"2222\"", "+CME ERROR: 16"},
               {"AT+CPIN?", "+CPIN: SIM PUK|OK"},
               {"AT+CPIN=\"1234\"", "+CME ERROR: 12"},  // the right PIN is too late now
               {"AT+CPIN=\"87654321\",\"4321\"", "+CME ERROR: 16"},
               {"AT+CPINR=\"SIM PUK\"", "+CPINR: SIM PUK,9,10|OK"},
               // A new PIN that is no PIN costs no PUK attempt.
               {"AT+CPIN=\"12345678\",\"12\"", "+CME ERROR: 50"},
               {"AT+CPIN=\"12345678\",\"12a4\"", "+CME ERROR: 50"},
               {"AT+CPINR=\"SIM PUK\"", "+CPINR: SIM PUK,9,10|OK"},
               {"AT+CPIN=\"12345678\",\"4321\"", "OK"},
               {"AT+CPIN?", "+CPIN: READY|OK"},
               {"AT^DDPINR?", "^DDPINR: 3,10|OK"},
               {"AT+CLCK=\"SC\",2", "+CLCK: 1|OK"},
           },
           "pin-puk");
    // The new PIN is the one the card asks for from now on.
    bench.card.PowerUp();
    RunAll(bench, {{"AT+CPIN=\"1234\"", "+CME ERROR: 16"}, {"AT+CPIN=\"4321\"", "OK"}}, "new pin");
}

TEST(SimInterpreter, TenWrongPuksBlockTheCard) {
    Bench bench;
    bench.card.ForceState(CardState::kPukRequired);
    for (int left = 9; left >= 0; --left) {
        EXPECT_EQ(bench.Run("AT+CPIN=\"00000000\",\"1234\""), "+CME ERROR: 16");
        EXPECT_EQ(bench.Run("AT+CPINR=\"SIM PUK\""),
                  "+CPINR: SIM PUK," + std::to_string(left) + ",10|OK");
    }
    EXPECT_EQ(bench.card.State(), CardState::kBlocked);
    EXPECT_EQ(bench.Run("AT+CPIN=\"12345678\",\"1234\""), "+CME ERROR: 13");
    EXPECT_EQ(bench.card.State(), CardState::kBlocked);
}

TEST(SimInterpreter, PinLockAndChange) {
    Bench bench;
    RunAll(bench,
           {
               {"AT+CPWD=\"SC\",\"1234\",\"5678\"", "+CME ERROR: 3"},  // the PIN is off
               {"AT+CLCK=\"SC\",1,\"9999\"", "+CME ERROR: 16"},
               {"AT+CPINR=\"SIM PIN\"", "+CPINR: SIM PIN,2,3|OK"},
               {"AT+CLCK=\"SC\",1,\"1234\"", "OK"},
               {"AT+CPINR=\"SIM PIN\"", "+CPINR: SIM PIN,3,3|OK"},
               {"AT+CLCK=\"SC\",2", "+CLCK: 1|OK"},
               {"AT+CLCK=\"SC\",1", "+CME ERROR: 50"},
               {"AT+CLCK=\"AO\",2", "+CME ERROR: 4"},
               {"AT+CLCK=?", "+CLCK: (\"SC\")|OK"},
               {"AT+CPWD=\"SC\",\"1234\",\"56\"", "+CME ERROR: 50"},
               {"AT+CPWD=\"SC\",\"0000\",\"5678\"", "+CME ERROR: 16"},
               {"AT+CPWD=\"SC\",\"1234\",\"5678\"", "OK"},
               {"AT+CPINR=\"SIM PIN\"", "+CPINR: SIM PIN,3,3|OK"},
               {"AT+CLCK=\"SC\",0,\"1234\"", "+CME ERROR: 16"},
               {"AT+CLCK=\"SC\",0,\"5678\"", "OK"},
               {"AT+CLCK=\"SC\",2", "+CLCK: 0|OK"},
           },
           "lock");
    // A card whose PIN request is on asks for the PIN when it powers up again.
    RunAll(bench, {{"AT+CLCK=\"SC\",1,\"5678\"", "OK"}}, "lock on");
    bench.card.PowerUp();
    EXPECT_EQ(bench.Run("AT+CPIN?"), "+CPIN: SIM PIN|OK");
}

TEST(SimInterpreter, WrongPinsInLockCommandsLeadToPuk) {
    Bench bench;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(bench.Run("AT+CLCK=\"SC\",1,\"0000\""), "+CME ERROR: 16");
    EXPECT_EQ(bench.Run("AT+CPIN?"), "+CPIN: SIM PUK|OK");
    EXPECT_EQ(bench.Run("AT+CIMI"), "+CME ERROR: 12");
}

TEST(SimInterpreter, NetworkListAndSelection) {
    Bench bench;
    const std::string list =
        "+COPS: (2,\"DEDEVev Mobile\",\"DEDEVev\",\"001010\",2),"
        "(1,\"Test Network 2G\",\"Test2G\",\"00103\",0),"
        "(1,\"Other Mobile 3G\",\"Other3G\",\"00105\",2),"
        "(3,\"Forbidden Net\",\"Forbid\",\"00199\",2),,(0,1,2,3,4),(0,1,2)|OK";
    EXPECT_EQ(bench.Run("AT+COPS=?"), list);
    EXPECT_EQ(bench.last.delay.count(), bench.card.SearchDelayMs());  // a search takes time
    RunAll(bench,
           {
               {"AT+COPS=1,1,\"Other3G\"", "OK"},
               {"AT+COPS?",
                "+COPS: 1,1,\"Other3G\",2"
                "|OK"},
               {"AT+COPS=3,0", "OK"},
               {"AT+COPS?", "+COPS: 1,0,\"Other Mobile 3G\",2|OK"},
               {"AT+COPS=1,1,\"Forbid\"", "+CME ERROR: 32"},
               {"AT+COPS=1,1,\"Nowhere\"", "+CME ERROR: 30"},
               {"AT+COPS=1,2,\"00103\"", "OK"},
               {"AT+COPS=1,0,\"Test Network 2G\"", "OK"},
               {"AT+COPS?", "+COPS: 1,0,\"Test Network 2G\",0|OK"},
               {"AT+COPS=4,1,\"Nowhere\"", "OK"},  // manual, falling back to automatic
               {"AT+COPS?", "+COPS: 0,1,\"DEDEVev\",2|OK"},
               {"AT+COPS=2", "OK"},
               {"AT+COPS?", "+COPS: 2|OK"},
               {"AT+CREG?", "+CREG: 0,0|OK"},
               {"AT^DDSRV?", "^DDSRV: 0,0,0,0,1,1,0|OK"},
               {"AT+COPS=0", "OK"},
               {"AT+COPS=9", "+CME ERROR: 50"},
           },
           "selection");
    // The list shows where the card is registered.
    bench.Run("AT+COPS=1,1,\"Test2G\"");
    const std::string after = bench.Run("AT+COPS=?");
    EXPECT_NE(after.find("(1,\"DEDEVev Mobile\""), std::string::npos);
    EXPECT_NE(after.find("(2,\"Test Network 2G\""), std::string::npos);
}

TEST(SimInterpreter, NetworkListEveryGroupHasTheFiveFields) {
    Bench bench(CardKind::kCdma);
    const std::string answer = bench.Run("AT+COPS=?");
    std::vector<std::string> groups;
    for (std::size_t open = answer.find('('); open != std::string::npos;
         open = answer.find('(', open + 1)) {
        groups.push_back(answer.substr(open + 1, answer.find(')', open) - open - 1));
    }
    // Four networks, then the two groups of supported modes and formats.
    ASSERT_EQ(groups.size(), 6u);
    for (std::size_t i = 0; i < 4; ++i) {
        const std::vector<Arg> fields = SplitArgs(groups[i]);
        ASSERT_EQ(fields.size(), 5u) << groups[i];
        EXPECT_FALSE(fields[0].quoted);
        EXPECT_TRUE(fields[1].quoted && fields[2].quoted && fields[3].quoted) << groups[i];
        EXPECT_FALSE(fields[4].quoted);
        EXPECT_GE(groups[i].size(), 12u);  // hosts stop at the first shorter group
    }
    EXPECT_LT(groups[4].size(), 12u);
    EXPECT_NE(groups[0].find("\"001020\""), std::string::npos);  // the CDMA home network
}

TEST(SimInterpreter, NamesInUcs2) {
    Bench bench;
    const std::string test2g = "0054006500730074003200470";  // deliberately cut: not UCS2
    RunAll(bench,
           {
               {"AT+CSCS=\"UCS2\"", "OK"},
               {"AT+COPS=1,1,\"00540065007300740032004700\"", "+CME ERROR: 30"},
               {"AT+COPS=1,1,\"005400650073007400320047\"", "OK"},
               {"AT+COPS=1,1,\"" + test2g + "\"", "+CME ERROR: 30"},
               {"AT+COPS=1,1,\"Other3G\"", "OK"},  // a plain name is understood too
               {"AT+COPS=3,1;+COPS?", "+COPS: 1,1,\"004F007400680065007200330047\",2|OK"},
           },
           "ucs2");
}

TEST(SimInterpreter, RegistrationAndServiceReports) {
    Bench bench;
    RunAll(bench, {{"AT+CREG=2", "OK"}, {"AT+CGREG=1", "OK"}, {"AT^DDSRV=1", "OK"}}, "set-up");
    EXPECT_TRUE(bench.session.Unsolicited(bench.card.TakeEvents()).empty());
    EXPECT_EQ(bench.Run("AT+CREG?"), "+CREG: 2,1,\"1A2B\",\"0000C3D4\",2|OK");
    ASSERT_TRUE(bench.card.SetService(2, 5, 1));
    EXPECT_EQ(bench.session.Unsolicited(bench.card.TakeEvents()),
              (std::vector<std::string>{"^DDSRV: 2,5,1,3,1,1,2", "+CREG: 5,\"1A2B\",\"0000C3D4\",2",
                                        "+CGREG: 5"}));
    EXPECT_EQ(bench.Run("AT^DDIND?"), "^DDIND: 2|OK");  // roaming bit
    // Another network: the cell's access technology changes, the stat does not.
    EXPECT_EQ(bench.Run("AT+COPS=1,1,\"Test2G\""), "OK");
    EXPECT_EQ(bench.session.Unsolicited(bench.card.TakeEvents()),
              (std::vector<std::string>{"+CREG: 5,\"1A2B\",\"0000C3D4\",0"}));
    // A change that is not one: nothing to report.
    ASSERT_TRUE(bench.card.SetService(2, 5, 1));
    EXPECT_TRUE(bench.session.Unsolicited(bench.card.TakeEvents()).empty());
    ASSERT_TRUE(bench.card.SetService(0, 0, 0));
    EXPECT_EQ(bench.session.Unsolicited(bench.card.TakeEvents()),
              (std::vector<std::string>{"^DDSRV: 0,0,0,0,1,1,0", "+CREG: 0", "+CGREG: 0"}));
    EXPECT_EQ(bench.Run("AT+CGATT=1"), "+CME ERROR: 30");
    // The data port carries no unsolicited results.
    AtSession data(bench.card, bench.table, false);
    ASSERT_TRUE(bench.card.SetService(2, 5, 0));
    EXPECT_TRUE(data.Unsolicited(kEventService | kEventWorkMode).empty());
}

TEST(SimInterpreter, PreferredSystemAndApn) {
    Bench bench;
    RunAll(bench,
           {
               {"AT^DDNETSEL?", "^DDNETSEL: 4|OK"},
               {"AT^DDNETSEL=?", "^DDNETSEL: (1,2,4,6,10,11)|OK"},
               {"AT^DDNETSEL=1", "OK"},
               {"AT^DDSRV?", "^DDSRV: 2,3,0,3,1,1,2|OK"},
               {"AT^DDNETSEL=6", "OK"},
               {"AT^DDSRV?", "^DDSRV: 2,9,0,3,1,1,2|OK"},
               {"AT^DDNETSEL=10", "OK"},
               {"AT^DDNETSEL=11", "OK"},
               {"AT^DDNETSEL=2", "OK"},
               {"AT^DDNETSEL?", "^DDNETSEL: 2|OK"},
               {"AT^DDNETSEL=3", "+CME ERROR: 50"},
               {"AT^DDNETSEL=4", "OK"},
               {"AT^DDSRV?", "^DDSRV: 2,5,0,3,1,1,2|OK"},
               {"AT+CGDCONT?", "+CGDCONT: 1,\"IP\",\"internet\",\"0.0.0.0\",0,0|OK"},
               {"AT+CGDCONT=1,\"IP\",\"web.example\"", "OK"},
               {"AT+CGDCONT=2,\"IPV6\",\"v6\"", "OK"},
               {"AT+CGDCONT?",
                "+CGDCONT: 1,\"IP\",\"web.example\",\"0.0.0.0\",0,0|"
                "+CGDCONT: 2,\"IPV6\",\"v6\",\"0.0.0.0\",0,0|OK"},
               {"AT+CGDCONT=2", "OK"},
               {"AT+CGDCONT=17,\"IP\",\"x\"", "+CME ERROR: 50"},
               {"AT+CGDCONT=1,\"X25\",\"x\"", "+CME ERROR: 50"},
               {"AT+CGDCONT?", "+CGDCONT: 1,\"IP\",\"web.example\",\"0.0.0.0\",0,0|OK"},
           },
           "netsel-apn");
}

TEST(SimInterpreter, WorkModeAndWifiName) {
    Bench bench;
    RunAll(bench,
           {
               {"AT^DDMODE?", "^DDMODE: 0|OK"},
               {"AT^DDSSID?", "+CME ERROR: 3"},
               {"AT^DDMODE=2", "+CME ERROR: 50"},
               {"AT^DDMODE=1", "OK"},
               {"AT^DDMODE?", "^DDMODE: 1|OK"},
               {"AT^DDSSID?", "^DDSSID: \"DEDEVev-3809\"|OK"},
           },
           "workmode");
    EXPECT_EQ(bench.session.Unsolicited(bench.card.TakeEvents()),
              (std::vector<std::string>{"^DDMODE: 1"}));
    bench.card.SetSsid("Caf\xC3\xA9 Net");
    EXPECT_EQ(bench.Run("AT^DDSSID?"), "^DDSSID: \"Caf? Net\"|OK");
    EXPECT_EQ(bench.Run("AT+CSCS=\"UCS2\";^DDSSID?"),
              "^DDSSID: \"00430061006600E90020004E00650074\"|OK");
}

TEST(SimInterpreter, FactoryResetRestoresSettingsAndDropsServiceForAMoment) {
    Bench bench;
    RunAll(bench,
           {
               {"AT^DDSRV=1", "OK"},
               {"AT+CGDCONT=1,\"IP\",\"custom\"", "OK"},
               {"AT^DDNETSEL=2", "OK"},
               {"AT^DDMODE=1", "OK"},
               {"AT+COPS=1,1,\"Other3G\"", "OK"},
               {"AT+CLCK=\"SC\",1,\"1234\"", "OK"},
           },
           "before");
    bench.card.SetSsid("Mine");
    bench.session.Unsolicited(bench.card.TakeEvents());
    EXPECT_EQ(bench.Run("AT^DDRESET"), "OK");
    ASSERT_EQ(bench.last.later.size(), 1u);
    EXPECT_GT(bench.last.later[0].delay.count(), 0);
    const Later service_back = bench.last.later[0];
    EXPECT_EQ(bench.session.Unsolicited(bench.card.TakeEvents()),
              (std::vector<std::string>{"^DDSRV: 0,0,0,0,1,1,0", "^DDMODE: 0"}));
    EXPECT_EQ(bench.Run("AT+COPS?"), "+COPS: 0|OK");
    ASSERT_TRUE(service_back.action);
    service_back.action(bench.card);
    EXPECT_EQ(bench.session.Unsolicited(bench.card.TakeEvents()),
              (std::vector<std::string>{"^DDSRV: 2,5,0,3,1,1,2"}));
    RunAll(bench,
           {
               {"AT+CGDCONT?", "+CGDCONT: 1,\"IP\",\"internet\",\"0.0.0.0\",0,0|OK"},
               {"AT^DDNETSEL?", "^DDNETSEL: 4|OK"},
               {"AT^DDMODE?", "^DDMODE: 0|OK"},
               {"AT+COPS=3,0;+COPS?", "+COPS: 0,0,\"DEDEVev Mobile\",2|OK"},
               // What the SIM holds is not a setting of the card.
               {"AT+CLCK=\"SC\",2", "+CLCK: 1|OK"},
           },
           "after");
    EXPECT_EQ(bench.card.Ssid(), "DEDEVev-3809");
}

TEST(SimInterpreter, RadioOffMeansNoSignalAndNoService) {
    Bench bench;
    RunAll(bench,
           {
               {"AT+CFUN=4", "OK"},
               {"AT+CSQ", "+CSQ: 99,99|OK"},
               {"AT^DDSRV?", "^DDSRV: 0,0,0,0,1,1,0|OK"},
               {"AT+COPS=?", "+CME ERROR: 30"},
               {"AT+CFUN=1", "OK"},
               {"AT+CSQ", "+CSQ: 20,99|OK"},
           },
           "cfun");
}

// A later module (messages) registers a command that prompts for data.
TEST(SimInterpreter, CommandTableTakesModulesWithDataPrompts) {
    Bench bench;
    std::string got;
    bench.table.Add("+CMGS", [&got](Context&, const Call& call) {
        Result result;
        const std::string length = call.args;
        result.on_data = [&got, length](const std::string& data, bool cancelled) {
            if (cancelled)
                return Result::Cme(cme::kUnknown);
            got = length + ":" + data;
            return Result::Line("+CMGS: 7");
        };
        return result;
    });
    bench.session.Receive("AT+CMGS=12\r");
    ASSERT_TRUE(bench.session.Next(&bench.last));
    EXPECT_EQ(bench.last.body, "\r\n> ");
    EXPECT_TRUE(bench.session.WaitingForData());
    bench.session.Receive("0011000B91");
    EXPECT_FALSE(bench.session.Next(&bench.last));  // no Ctrl-Z yet
    bench.session.Receive("\x1a");
    ASSERT_TRUE(bench.session.Next(&bench.last));
    EXPECT_EQ(Compact(bench.last.body), "+CMGS: 7|OK");
    EXPECT_EQ(got, "12:0011000B91");
    // ESC cancels the data.
    bench.Run("AT+CMGS=3");
    bench.session.Receive("abc\x1b");
    ASSERT_TRUE(bench.session.Next(&bench.last));
    EXPECT_EQ(Compact(bench.last.body), "+CME ERROR: 100");
    EXPECT_EQ(bench.Run("AT"), "OK");  // back to commands
}

}  // namespace
}  // namespace dedevev::sim
