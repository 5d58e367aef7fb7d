// The modem object against a scripted modem on a pseudo-terminal: every operation's command
// and result, the fallbacks for real cards, PIN and PUK flows with their counters, USSD with
// its result before and after the OK and the encoding retry, a mute card and a pulled card.

#include "device/at/features/ModemAgent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "support/PtyPeer.h"
#include "support/TempDir.h"

namespace dedevev::at {
namespace {

using test::PtyPeer;
using test::Script;
using Commands = std::vector<std::string>;

// Only a net against hangs: no test depends on how fast anything is.
constexpr Millis kHangBound{20000};

const Script kOk = Script().Ok();

Script Answer(const std::string& line) {
    return Script().Line(line).Ok();
}

std::string Str(int value) {
    return std::to_string(value);
}

std::string Words(const ServiceInfo& i) {
    return Str(i.service_status) + " " + Str(i.system_mode) + " " + Str(i.sms_restricted) + " " +
           Str(i.roaming) + " " + Str(i.domain) + " " + Str(i.card_type) + " " +
           Str(i.service_state);
}

struct Rule {
    std::string command;
    Script script;
};

// ---- Every operation: its commands and its result ---------------------------------------

using Call = std::function<std::string(IDeviceControl&, ICardService&, int*)>;

struct OperationCase {
    const char* name;
    std::vector<Rule> rules;
    Call call;
    std::string result;
    int status;
    Commands commands;  // what the card received, in order
};

// Operations without a result.
Call Do(std::function<void(IDeviceControl&, ICardService&, int*)> f) {
    return [f](IDeviceControl& d, ICardService& c, int* s) {
        f(d, c, s);
        return std::string();
    };
}

std::vector<OperationCase> DeviceCases() {
    return {
        {"ConfigureA",
         {{R"(AT+CMEE=1)", kOk}, {R"(AT+CSCS="IRA")", kOk}, {"AT+CFUN?", Answer("+CFUN: 1")}},
         Do([](auto& d, auto&, int* s) { d.ConfigureA(0, s); }),
         "",
         1,
         {"ATE0", "AT+CMEE=1", R"(AT+CSCS="IRA")", "AT+CFUN?"}},
        {"ConfigureA tolerates refused steps",
         {},
         Do([](auto& d, auto&, int* s) { d.ConfigureA(0, s); }),
         "",
         1,
         {"ATE0", "AT+CMEE=1", R"(AT+CSCS="IRA")", "AT+CSCS?", "AT+CFUN?"}},
        {"ConfigureA switches on a radio that is off",
         {{"AT+CFUN?", Answer("+CFUN: 4")},
          {"AT+CFUN=1", kOk},
          {"AT+CPIN?", Answer("+CPIN: READY")}},
         Do([](auto& d, auto&, int* s) { d.ConfigureA(0, s); }),
         "",
         1,
         {"ATE0", "AT+CMEE=1", R"(AT+CSCS="IRA")", "AT+CSCS?", "AT+CFUN?", "AT+CFUN=1",
          "AT+CPIN?"}},
        {"a card that keeps its own character set is read in it",
         {{"AT+CSCS?", Answer(R"(+CSCS: "UCS2")")},
          {"AT+COPS=3,0;+COPS?", Answer(R"(+COPS: 0,0,"0054002D004D006F00620069006C0065",7)")}},
         [](auto& d, auto&, int* s) {
             d.ConfigureA(0, nullptr);
             return d.GetOperatorName(s);
         },
         "T-Mobile",
         1,
         {"ATE0", "AT+CMEE=1", R"(AT+CSCS="IRA")", "AT+CSCS?", "AT+CFUN?", "AT+COPS=3,0;+COPS?"}},
        {"ConfigureB falls back to +CREG=1",
         {{"AT+CREG=1", kOk}, {"AT+CUSD=1", kOk}},
         Do([](auto& d, auto&, int* s) { d.ConfigureB(1, s); }),
         "",
         1,
         {"AT+CREG=2", "AT+CREG=1", "AT^DDSRV=1", "AT+CUSD=1"}},
        {"GetSignalLevel",
         {{"AT+CSQ", Answer("+CSQ: 17,99")}},
         [](auto& d, auto&, int* s) { return Str(d.GetSignalLevel(s)); },
         "17",
         1,
         {"AT+CSQ"}},
        {"GetSignalLevel refused",
         {},
         [](auto& d, auto&, int* s) { return Str(d.GetSignalLevel(s)); },
         "0",
         256,
         {"AT+CSQ"}},
        {"CheckAlive", {}, Do([](auto& d, auto&, int* s) { d.CheckAlive(s); }), "", 1, {"AT"}},
        {"CheckAlive answered with ERROR",
         {{"AT", Script().Error()}},
         Do([](auto& d, auto&, int* s) { d.CheckAlive(s); }),
         "",
         1,
         {"AT"}},
        {"CheckAlive answered with +CME ERROR",
         {{"AT", Script().CmeError(100)}},
         Do([](auto& d, auto&, int* s) { d.CheckAlive(s); }),
         "",
         1,
         {"AT"}},
        {"GetImsi",
         {{"AT+CIMI", Answer("262019876543210")}},
         [](auto& d, auto&, int* s) { return d.GetImsi(s); },
         "262019876543210",
         1,
         {"AT+CIMI"}},
        {"GetIndicator",
         {{"AT^DDIND?", Answer("^DDIND: 6")}},
         [](auto& d, auto&, int* s) { return Str(d.GetIndicator(s)); },
         "6",
         1,
         {"AT^DDIND?"}},
        {"GetCardStatus",
         {{"AT+CPIN?", Answer("+CPIN: SIM PIN")}},
         [](auto& d, auto&, int* s) { return d.GetCardStatus(s); },
         "SIM PIN",
         1,
         {"AT+CPIN?"}},
        {"GetCardStatus without a card",
         {{"AT+CPIN?", Script().CmeError(10)}},
         [](auto& d, auto&, int* s) { return d.GetCardStatus(s); },
         "SIM NOT INSERTED",
         1,
         {"AT+CPIN?"}},
        {"GetCardStatus while the SIM starts is not waited for",
         {{"AT+CPIN?", Script().CmeError(14)}},
         [](auto& d, auto&, int* s) { return d.GetCardStatus(s); },
         "SIM BUSY",
         1,
         {"AT+CPIN?"}},
        {"SetApn",
         {{R"(AT+CGDCONT=1,"IP","internet")", kOk}},
         Do([](auto& d, auto&, int* s) { d.SetApn("internet", s); }),
         "",
         1,
         {R"(AT+CGDCONT=1,"IP","internet")"}},
        {"SetApn with a quote sends nothing",
         {},
         Do([](auto& d, auto&, int* s) { d.SetApn(R"(a","b)", s); }),
         "",
         256,
         {}},
        {"SetCharacterSet",
         {{R"(AT+CSCS="UCS2")", kOk}},
         Do([](auto& d, auto&, int* s) { d.SetCharacterSet("UCS2", s); }),
         "",
         1,
         {R"(AT+CSCS="UCS2")"}},
        {"SetNetworkMode",
         {{"AT^DDNETSEL=?", Answer("^DDNETSEL: (1,2,4,6,10,11)")}, {"AT^DDNETSEL=10", kOk}},
         Do([](auto& d, auto&, int* s) { d.SetNetworkMode(10, s); }),
         "",
         1,
         {"AT^DDNETSEL=?", "AT^DDNETSEL=10"}},
        {"SetNetworkMode with an unknown value",
         {},
         Do([](auto& d, auto&, int* s) { d.SetNetworkMode(3, s); }),
         "",
         256,
         {}},
        // Without a data port HangUpData asks the card and uses ATH only when no voice call
        // would end with the data call.
        {"HangUpData on an idle card sends no ATH",
         {{"AT+CPAS", Answer("+CPAS: 0")}},
         Do([](auto& d, auto&, int* s) { d.HangUpData(s); }),
         "",
         1,
         {"AT+CPAS"}},
        {"HangUpData ends a data call when no voice call is listed",
         {{"AT+CPAS", Answer("+CPAS: 4")},
          {"AT+CLCC", Answer(R"(+CLCC: 1,0,0,1,0,"*99#",129)")},
          {"ATH", kOk}},
         Do([](auto& d, auto&, int* s) { d.HangUpData(s); }),
         "",
         1,
         {"AT+CPAS", "AT+CLCC", "ATH"}},
        {"HangUpData spares a voice call of any voice mode",
         {{"AT+CPAS", Answer("+CPAS: 4")},
          {"AT+CLCC", Script()
                          .Line(R"(+CLCC: 1,0,0,1,0,"*99#",129)")
                          .Line(R"(+CLCC: 2,1,0,9,0,"5551234",129)")
                          .Ok()}},
         Do([](auto& d, auto&, int* s) { d.HangUpData(s); }),
         "",
         256,
         {"AT+CPAS", "AT+CLCC"}},
        {"HangUpData on a card without +CPAS",
         {{"AT+CLCC", kOk}, {"ATH", kOk}},
         Do([](auto& d, auto&, int* s) { d.HangUpData(s); }),
         "",
         1,
         {"AT+CPAS", "AT+CLCC", "ATH"}},
        {"HangUpData leaves calls it cannot tell apart",
         {{"AT+CPAS", Answer("+CPAS: 4")}},
         Do([](auto& d, auto&, int* s) { d.HangUpData(s); }),
         "",
         256,
         {"AT+CPAS", "AT+CLCC"}},
        {"SearchNetworks",
         {{"AT+COPS=?",
           Answer(
               R"(+COPS: (2,"T-Mobile","TMO","31026",0),(1,"AT&T","","310410",2),,(0-4),(0-2))")}},
         [](auto& d, auto&, int* s) {
             std::string all;
             for (const std::string& row : d.SearchNetworks(s)) {
                 all += row + ";";
             }
             return all;
         },
         R"(2,"T-Mobile","TMO","31026",0;1,"AT&T","AT&T","310410",2;)",
         1,
         {"AT+COPS=?"}},
        {"SelectNetwork",
         {{R"(AT+COPS=1,1,"TMO")", kOk}},
         Do([](auto& d, auto&, int* s) { d.SelectNetwork("TMO", s); }),
         "",
         1,
         {R"(AT+COPS=1,1,"TMO")"}},
        {"SelectNetwork automatic",
         {{"AT+COPS=0", kOk}},
         Do([](auto& d, auto&, int* s) { d.SelectNetwork("", s); }),
         "",
         1,
         {"AT+COPS=0"}},
        {"SelectNetwork by number",
         {{R"(AT+COPS=1,2,"26201")", kOk}},
         Do([](auto& d, auto&, int* s) { d.SelectNetwork("26201", s); }),
         "",
         1,
         {R"(AT+COPS=1,2,"26201")"}},
        {"GetServiceInfo",
         {{"AT^DDSRV?", Answer("^DDSRV: 2,9,0,3,1,1,2")}},
         [](auto& d, auto&, int* s) { return Words(d.GetServiceInfo(s)); },
         "2 9 0 0 3 1 2",
         1,
         {"AT^DDSRV?"}},
        {"GetServiceInfo on a Huawei card",
         {{"AT^SYSINFOEX", Script().CmeError(4)}, {"AT^SYSINFO", Answer("^SYSINFO:2,3,0,5,1,,4")}},
         [](auto& d, auto&, int* s) { return Words(d.GetServiceInfo(s)); },
         "2 5 0 0 3 1 2",
         1,
         {"AT^DDSRV?", "AT^SYSINFOEX", "AT^SYSINFO"}},
        {"GetServiceInfo on a generic card",
         {{"AT+CREG?", Answer(R"(+CREG: 2,5,"1A2B","0000C3D4",2)")}},
         [](auto& d, auto&, int* s) { return Words(d.GetServiceInfo(s)); },
         "2 5 0 1 1 1 2",
         1,
         {"AT^DDSRV?", "AT^SYSINFOEX", "AT^SYSINFO", "AT+CREG?"}},
        {"GetServiceInfo with the technology from +COPS?",
         {{"AT+CREG?", Answer("+CREG: 1,1")}, {"AT+COPS?", Answer(R"(+COPS: 0,0,"Op",7)")}},
         [](auto& d, auto&, int* s) { return Words(d.GetServiceInfo(s)); },
         "2 9 0 0 1 1 2",
         1,
         {"AT^DDSRV?", "AT^SYSINFOEX", "AT^SYSINFO", "AT+CREG?", "AT+COPS?"}},
        {"GetHardwareId",
         {{"AT+CGSN", Answer("356938035643809")}},
         [](auto& d, auto&, int* s) { return d.GetHardwareId(s); },
         "356938035643809",
         1,
         {"AT+CGSN"}},
        {"GetOperatorName",
         {{"AT+COPS=3,0;+COPS?", Answer(R"(+COPS: 0,0,"Vodafone.de",2)")}},
         [](auto& d, auto&, int* s) { return d.GetOperatorName(s); },
         "Vodafone.de",
         1,
         {"AT+COPS=3,0;+COPS?"}},
        {"GetOperatorName without command lists",
         {{"AT+COPS?", Answer(R"(+COPS: 0,0,"Telekom.de")")}},
         [](auto& d, auto&, int* s) { return d.GetOperatorName(s); },
         "Telekom.de",
         1,
         {"AT+COPS=3,0;+COPS?", "AT+COPS?"}},
        {"GetWorkMode",
         {{"AT^DDMODE?", Answer("^DDMODE: 1")}},
         [](auto& d, auto&, int* s) { return Str(d.GetWorkMode(s)); },
         "1",
         1,
         {"AT^DDMODE?"}},
        {"GetWorkMode on a card without",
         {},
         [](auto& d, auto&, int* s) { return Str(d.GetWorkMode(s)); },
         "0",
         256,
         {"AT^DDMODE?"}},
        {"SetWorkMode",
         {{"AT^DDMODE=1", kOk}},
         Do([](auto& d, auto&, int* s) { d.SetWorkMode(1, s); }),
         "",
         1,
         {"AT^DDMODE=1"}},
        {"GetWifiSsid",
         {{"AT^DDSSID?", Answer(R"(^DDSSID: "Cafe, 2nd floor")")}},
         [](auto& d, auto&, int* s) { return d.GetWifiSsid(s); },
         "Cafe, 2nd floor",
         1,
         {"AT^DDSSID?"}},
        {"RestoreFactorySettings",
         {{"AT^DDRESET", kOk}},
         Do([](auto& d, auto&, int* s) { d.RestoreFactorySettings(s); }),
         "",
         1,
         {"AT^DDRESET"}},
    };
}

std::vector<OperationCase> CardCases() {
    return {
        {"IsPinRequired",
         {{"AT+CPIN?", Answer("+CPIN: SIM PIN")}},
         [](auto&, auto& c, int* s) { return Str(c.IsPinRequired(s)); },
         "1",
         1,
         {"AT+CPIN?"}},
        {"IsPukRequired",
         {{"AT+CPIN?", Answer("+CPIN: SIM PUK")}},
         [](auto&, auto& c, int* s) { return Str(c.IsPukRequired(s)); },
         "1",
         1,
         {"AT+CPIN?"}},
        {"IsPukRequired on a ready card",
         {{"AT+CPIN?", Answer("+CPIN: READY")}},
         [](auto&, auto& c, int* s) { return Str(c.IsPukRequired(s)); },
         "0",
         1,
         {"AT+CPIN?"}},
        {"VerifyPin",
         {{R"(AT+CPIN="1234")", kOk}},
         Do([](auto&, auto& c, int* s) { c.VerifyPin("1234", s); }),
         "",
         1,
         {R"(AT+CPIN="1234")"}},
        {"VerifyPin wrong",
         {{R"(AT+CPIN="0000")", Script().CmeError(16)}},
         Do([](auto&, auto& c, int* s) { c.VerifyPin("0000", s); }),
         "",
         256,
         {R"(AT+CPIN="0000")"}},
        {"VerifyPin that is no PIN sends nothing",
         {},
         Do([](auto&, auto& c, int* s) { c.VerifyPin(R"(12"4)", s); }),
         "",
         256,
         {}},
        {"GetRemainingAttempts",
         {{R"(AT+CPINR="SIM PIN")", Answer("+CPINR: SIM PIN,2,3")}},
         [](auto&, auto& c, int* s) { return Str(c.GetRemainingAttempts(s)); },
         "2",
         1,
         {R"(AT+CPINR="SIM PIN")"}},
        {"GetRemainingAttempts on a Huawei card",
         {{"AT^CPIN?", Answer("^CPIN: READY,,10,3,10,3")}},
         [](auto&, auto& c, int* s) { return Str(c.GetRemainingAttempts(s)); },
         "3",
         1,
         {R"(AT+CPINR="SIM PIN")", "AT^CPIN?"}},
        {"GetRemainingPukAttempts of our dialect",
         {{"AT^DDPINR?", Answer("^DDPINR: 0,9")}},
         [](auto&, auto& c, int* s) { return Str(c.GetRemainingPukAttempts(s)); },
         "9",
         1,
         {R"(AT+CPINR="SIM PUK")", "AT^CPIN?", "AT^DDPINR?"}},
        {"SetPinLock",
         {{R"(AT+CLCK="SC",1,"1234")", kOk}},
         Do([](auto&, auto& c, int* s) { c.SetPinLock("1234", true, s); }),
         "",
         1,
         {R"(AT+CLCK="SC",1,"1234")"}},
        {"ChangePin",
         {{R"(AT+CPWD="SC","1234","4321")", kOk}},
         Do([](auto&, auto& c, int* s) { c.ChangePin("1234", "4321", s); }),
         "",
         1,
         {R"(AT+CPWD="SC","1234","4321")"}},
        {"UnlockWithPuk",
         {{R"(AT+CPIN="12345678","1111")", kOk}},
         Do([](auto&, auto& c, int* s) { c.UnlockWithPuk("12345678", "1111", s); }),
         "",
         1,
         {R"(AT+CPIN="12345678","1111")"}},
        {"GetPinLockState",
         {{R"(AT+CLCK="SC",2)", Answer("+CLCK: 1")}},
         [](auto&, auto& c, int* s) { return Str(c.GetPinLockState(s)); },
         "1",
         1,
         {R"(AT+CLCK="SC",2)"}},
        {"IsPinCheckEnabled while the card waits for its PIN",
         {{"AT+CPIN?", Script().CmeError(11)}},
         [](auto&, auto& c, int* s) { return Str(c.IsPinCheckEnabled(s)); },
         "1",
         1,
         {"AT+CPIN?"}},
        {"IsPinCheckEnabled on a ready card",
         {{"AT+CPIN?", Answer("+CPIN: READY")}, {R"(AT+CLCK="SC",2)", Answer("+CLCK: 0")}},
         [](auto&, auto& c, int* s) { return Str(c.IsPinCheckEnabled(s)); },
         "1",
         1,
         {"AT+CPIN?", R"(AT+CLCK="SC",2)"}},
        {"IsPinCheckEnabled on a card without PIN",
         {},
         [](auto&, auto& c, int* s) { return Str(c.IsPinCheckEnabled(s)); },
         "0",
         1,
         {"AT+CPIN?"}},
    };
}

void RunCases(const std::vector<OperationCase>& cases) {
    for (const OperationCase& c : cases) {
        PtyPeer peer;
        ASSERT_TRUE(peer.IsOpen());
        for (const Rule& r : c.rules) {
            peer.On(r.command, r.script);
        }
        ModemAgent agent;
        ASSERT_TRUE(agent.Open(peer.SlavePath(), 115200, nullptr)) << c.name;
        IDeviceControl& device = *agent.GetDeviceControl();
        ICardService& card = *agent.GetCardService();
        int status = kStatusUntouched;
        EXPECT_EQ(c.call(device, card, &status), c.result) << c.name;
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(peer.Commands(), c.commands) << c.name;
        c.call(device, card, nullptr);  // no status pointer is fine too
    }
}

TEST(ModemAgentOperations, DeviceControl) {
    RunCases(DeviceCases());
}
TEST(ModemAgentOperations, CardService) {
    RunCases(CardCases());
}

}  // namespace
}  // namespace dedevev::at
