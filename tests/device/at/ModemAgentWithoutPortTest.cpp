// The modem library's modem object before it has a port: opening a port that is not there
// fails, and every operation of every sub-interface fails without touching the status,
// answers nothing and sends nothing.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "device/DeviceStatus.h"
#include "device/IModemAgent.h"
#include "support/TempDir.h"

namespace dedevev {
namespace {

TEST(ModemAgentWithoutPort, OpenOfAMissingPortFailsAndLeavesStatusUntouched) {
    const test::TempDir folder;
    const std::string port = folder.File("ttyUSB0");  // never created
    IModemAgent* agent = CreateModemAgent();
    ASSERT_NE(agent, nullptr);
    int status = kStatusUntouched;
    EXPECT_FALSE(agent->Open(port, 115200, &status));
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_NE(status, kStatusOk);
    EXPECT_FALSE(agent->Open(port, 115200, nullptr));
    agent->EnableLog(true);
    agent->Close();
    ReleaseModemAgent(agent);
    ReleaseModemAgent(nullptr);
}

// Every operation of every sub-interface: the status stays 256 and the answer is empty.
struct StatusCase {
    const char* name;
    std::function<bool(IModemAgent&, int*)> call;  // true when the answer is 0/false/empty
};

TEST(ModemAgentWithoutPort, SubInterfacesFailEveryOperation) {
    const std::vector<StatusCase> cases = {
        {"ConfigureA",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->ConfigureA(0, s);
             return true;
         }},
        {"GetSignalLevel",
         [](IModemAgent& a, int* s) { return a.GetDeviceControl()->GetSignalLevel(s) == 0; }},
        {"CheckAlive",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->CheckAlive(s);
             return true;
         }},
        {"GetImsi",
         [](IModemAgent& a, int* s) { return a.GetDeviceControl()->GetImsi(s).empty(); }},
        {"GetIndicator",
         [](IModemAgent& a, int* s) { return a.GetDeviceControl()->GetIndicator(s) == 0; }},
        {"GetCardStatus",
         [](IModemAgent& a, int* s) { return a.GetDeviceControl()->GetCardStatus(s).empty(); }},
        {"ConfigureB",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->ConfigureB(1, s);
             return true;
         }},
        {"SetApn",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->SetApn("internet", s);
             return true;
         }},
        {"SetCharacterSet",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->SetCharacterSet("UCS2", s);
             return true;
         }},
        {"SetNetworkMode",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->SetNetworkMode(4, s);
             return true;
         }},
        {"HangUpData",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->HangUpData(s);
             return true;
         }},
        {"SearchNetworks",
         [](IModemAgent& a, int* s) { return a.GetDeviceControl()->SearchNetworks(s).empty(); }},
        {"SelectNetwork",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->SelectNetwork("x", s);
             return true;
         }},
        {"GetServiceInfo",
         [](IModemAgent& a, int* s) {
             return a.GetDeviceControl()->GetServiceInfo(s) == ServiceInfo{};
         }},
        {"GetHardwareId",
         [](IModemAgent& a, int* s) { return a.GetDeviceControl()->GetHardwareId(s).empty(); }},
        {"GetOperatorName",
         [](IModemAgent& a, int* s) { return a.GetDeviceControl()->GetOperatorName(s).empty(); }},
        {"GetWorkMode",
         [](IModemAgent& a, int* s) { return a.GetDeviceControl()->GetWorkMode(s) == 0; }},
        {"SetWorkMode",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->SetWorkMode(1, s);
             return true;
         }},
        {"GetWifiSsid",
         [](IModemAgent& a, int* s) { return a.GetDeviceControl()->GetWifiSsid(s).empty(); }},
        {"RestoreFactorySettings",
         [](IModemAgent& a, int* s) {
             a.GetDeviceControl()->RestoreFactorySettings(s);
             return true;
         }},
        {"Send",
         [](IModemAgent& a, int* s) { return !a.GetSmsControl()->Send(SMSMessage{}, 0, s); }},
        {"BeginMultiSend",
         [](IModemAgent& a, int* s) {
             a.GetSmsControl()->BeginMultiSend(s);
             return true;
         }},
        {"EndMultiSend",
         [](IModemAgent& a, int* s) {
             a.GetSmsControl()->EndMultiSend(s);
             return true;
         }},
        {"SetMessageFormat",
         [](IModemAgent& a, int* s) {
             a.GetSmsControl()->SetMessageFormat(0, s);
             return true;
         }},
        {"SetNewMessageIndication",
         [](IModemAgent& a, int* s) {
             a.GetSmsControl()->SetNewMessageIndication(2, 1, 0, 2, 1, s);
             return true;
         }},
        {"SetStorage",
         [](IModemAgent& a, int* s) {
             a.GetSmsControl()->SetStorage("SM", "MT", "SM", s);
             return true;
         }},
        {"IsPinRequired",
         [](IModemAgent& a, int* s) { return !a.GetCardService()->IsPinRequired(s); }},
        {"IsPukRequired",
         [](IModemAgent& a, int* s) { return !a.GetCardService()->IsPukRequired(s); }},
        {"VerifyPin",
         [](IModemAgent& a, int* s) {
             a.GetCardService()->VerifyPin("1234", s);
             return true;
         }},
        {"GetRemainingAttempts",
         [](IModemAgent& a, int* s) { return a.GetCardService()->GetRemainingAttempts(s) == 0; }},
        {"GetRemainingPukAttempts",
         [](IModemAgent& a, int* s) {
             return a.GetCardService()->GetRemainingPukAttempts(s) == 0;
         }},
        {"SetPinLock",
         [](IModemAgent& a, int* s) {
             a.GetCardService()->SetPinLock("1234", true, s);
             return true;
         }},
        {"ChangePin",
         [](IModemAgent& a, int* s) {
             a.GetCardService()->ChangePin("1234", "5678", s);
             return true;
         }},
        {"UnlockWithPuk",
         [](IModemAgent& a, int* s) {
             a.GetCardService()->UnlockWithPuk("12345678", "1234", s);
             return true;
         }},
        {"GetPinLockState",
         [](IModemAgent& a, int* s) { return a.GetCardService()->GetPinLockState(s) == 0; }},
        {"IsPinCheckEnabled",
         [](IModemAgent& a, int* s) { return !a.GetCardService()->IsPinCheckEnabled(s); }},
        {"SendUssd",
         [](IModemAgent& a, int* s) {
             a.GetCardService()->SendUssd("*100#", s);
             return true;
         }},
        {"VoiceDial",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceDial("123", s);
             return true;
         }},
        {"VoiceOpen",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceOpen(s);
             return true;
         }},
        {"VoiceAnswer",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceAnswer(s);
             return true;
         }},
        {"VoiceHangUp",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceHangUp(s);
             return true;
         }},
        {"VoiceSendFlash",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceSendFlash("123", s);
             return true;
         }},
        {"VoiceJoin",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceJoin(s);
             return true;
         }},
        {"VoiceEndSecond",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceEndSecond(s);
             return true;
         }},
        {"VoiceAcceptWaiting",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceAcceptWaiting(s);
             return true;
         }},
        {"VoiceSwapWaiting",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceSwapWaiting(s);
             return true;
         }},
        {"VoiceSendDtmf",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoiceSendDtmf(1, '5', s);
             return true;
         }},
        {"VoicePlayTone",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->VoicePlayTone(440, 200, s);
             return true;
         }},
        {"SetVolume",
         [](IModemAgent& a, int* s) {
             a.GetVoiceControl()->SetVolume(4, s);
             return true;
         }},
        {"GetCallState",
         [](IModemAgent& a, int* s) { return a.GetVoiceControl()->GetCallState(s) == 0; }},
        {"PhonebookAdd",
         [](IModemAgent& a, int* s) {
             return !a.GetPhonebookStore()->GetUimPhonebook()->Add({"A", "1"}, s);
         }},
        {"PhonebookLoad",
         [](IModemAgent& a, int* s) {
             a.GetPhonebookStore()->GetModemPhonebook()->Load(nullptr, s);
             return true;
         }},
    };

    IModemAgent* agent = CreateModemAgent();
    ASSERT_NE(agent, nullptr);
    for (const StatusCase& c : cases) {
        int status = kStatusUntouched;
        EXPECT_TRUE(c.call(*agent, &status)) << c.name << " answered something";
        EXPECT_EQ(status, kStatusUntouched) << c.name;
        // A caller that passes no status must not crash either.
        EXPECT_TRUE(c.call(*agent, nullptr)) << c.name;
    }
    ReleaseModemAgent(agent);
}

TEST(ModemAgentWithoutPort, BoxesAndPhonebooksAreThereAndEmpty) {
    IModemAgent* agent = CreateModemAgent();
    ASSERT_NE(agent, nullptr);
    // The modem library's boxes exist before any card is there, empty and unloaded.
    ISmsControl* sms = agent->GetSmsControl();
    for (IMessageBox* box : {sms->GetBox1(), sms->GetBox2(), sms->GetBox4()}) {
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->IsLoaded());
        EXPECT_EQ(box->GetCount(), 0);
        EXPECT_EQ(box->GetCapacity(), 0);
        EXPECT_FALSE(box->RemoveAt(0));
        int status = kStatusUntouched;
        box->Load(nullptr, &status);  // no port: nothing to read
        EXPECT_EQ(status, kStatusUntouched);
    }

    IPhonebookStore* store = agent->GetPhonebookStore();
    for (IPhonebook* book :
         {store->GetModemPhonebook(), store->GetUimPhonebook(), store->GetEmergencyPhonebook()}) {
        ASSERT_NE(book, nullptr);
        EXPECT_FALSE(book->IsLoaded());
        EXPECT_EQ(book->GetCount(), 0);
        EXPECT_EQ(book->GetCapacity(), 0);
        EXPECT_EQ(book->GetAt(0), CardContact{});
        EXPECT_EQ(book->GetAt(-1), CardContact{});
        EXPECT_FALSE(book->RemoveAt(0));
        EXPECT_FALSE(book->Update(0, {"A", "1"}));
        book->AddObserver(nullptr);
        book->RemoveObserver(nullptr);
    }
    // The three books are distinct objects.
    EXPECT_NE(store->GetModemPhonebook(), store->GetUimPhonebook());
    EXPECT_NE(store->GetUimPhonebook(), store->GetEmergencyPhonebook());

    agent->GetCardService()->SetUssdListener(nullptr);
    agent->GetVoiceControl()->SetVoiceEventHandler(nullptr);
    ReleaseModemAgent(agent);
}

}  // namespace
}  // namespace dedevev
