// The device interfaces keep their slot order, and the shared records keep their meaning.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "device/DateTimeFields.h"
#include "device/ICDMATime.h"
#include "device/IHardwareInfo.h"
#include "device/IModemAgent.h"
#include "device/SMSMessage.h"
#include "tests/device/VirtualSlot.h"

namespace dedevev {
namespace {

using testing::SlotCase;
using testing::VirtualSlot;

#define SLOT(Class, Method, Expected)                              \
    SlotCase {                                                     \
#Class "::" #Method, VirtualSlot(&Class::Method), Expected \
    }

void ExpectSlots(const std::vector<SlotCase>& cases) {
    for (const SlotCase& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << c.name;
    }
}

TEST(DeviceInterfaceSlots, ModemAgentAndHardware) {
    DEDEVEV_REQUIRE_VIRTUAL_SLOTS();
    ExpectSlots({
        SLOT(IModemAgent, GetDeviceControl, 0),
        SLOT(IModemAgent, GetVoiceControl, 1),
        SLOT(IModemAgent, GetPhonebookStore, 2),
        SLOT(IModemAgent, GetSmsControl, 3),
        SLOT(IModemAgent, GetCardService, 4),
        SLOT(IModemAgent, Open, 5),
        SLOT(IModemAgent, EnableLog, 7),
        SLOT(IHardwareInfo, GetPort0, 0),
        SLOT(IHardwareInfo, GetPort1, 1),
        SLOT(IHardwareInfo, GetAtPort, 3),
        SLOT(IHardwareInfo, GetVoicePort, 4),
        SLOT(IHardwareInfo, ResetDevice, 6),
        SLOT(IHardwareInfo, IsDevicePresent, 9),
        SLOT(IHardwareInfo, CheckDriver, 10),
        SLOT(IHardwareInfo, ProbeStart, 11),
        SLOT(IHardwareInfo, Refresh, 13),
        SLOT(ICDMATime, GetTime, 0),
    });
}

TEST(DeviceInterfaceSlots, DeviceControl) {
    DEDEVEV_REQUIRE_VIRTUAL_SLOTS();
    ExpectSlots({
        SLOT(IDeviceControl, ConfigureA, 0),       SLOT(IDeviceControl, GetSignalLevel, 1),
        SLOT(IDeviceControl, CheckAlive, 2),       SLOT(IDeviceControl, GetImsi, 3),
        SLOT(IDeviceControl, GetIndicator, 6),     SLOT(IDeviceControl, GetCardStatus, 7),
        SLOT(IDeviceControl, ConfigureB, 11),      SLOT(IDeviceControl, SetApn, 12),
        SLOT(IDeviceControl, SetCharacterSet, 14), SLOT(IDeviceControl, SetNetworkMode, 15),
        SLOT(IDeviceControl, HangUpData, 16),      SLOT(IDeviceControl, SearchNetworks, 17),
        SLOT(IDeviceControl, SelectNetwork, 18),   SLOT(IDeviceControl, GetServiceInfo, 20),
        SLOT(IDeviceControl, GetHardwareId, 23),   SLOT(IDeviceControl, GetOperatorName, 24),
        SLOT(IDeviceControl, GetWorkMode, 26),     SLOT(IDeviceControl, SetWorkMode, 27),
        SLOT(IDeviceControl, GetWifiSsid, 28),     SLOT(IDeviceControl, RestoreFactorySettings, 29),
    });
}

TEST(DeviceInterfaceSlots, MessagesAndCardService) {
    DEDEVEV_REQUIRE_VIRTUAL_SLOTS();
    ExpectSlots({
        SLOT(ISmsControl, Send, 0),
        SLOT(ISmsControl, GetBox1, 1),
        SLOT(ISmsControl, GetBox2, 2),
        SLOT(ISmsControl, GetBox4, 4),
        SLOT(ISmsControl, SetSendFlag, 6),
        SLOT(ISmsControl, BeginMultiSend, 7),
        SLOT(ISmsControl, EndMultiSend, 8),
        SLOT(ISmsControl, SetMessageFormat, 9),
        SLOT(ISmsControl, SetNewMessageIndication, 10),
        SLOT(ISmsControl, SetStorage, 11),
        SLOT(IMessageBoxBase, AddObserver, 0),
        SLOT(IMessageBoxBase, RemoveObserver, 1),
        SLOT(IMessageBoxBase, GetCapacity, 2),
        SLOT(IMessageBoxBase, GetCount, 3),
        SLOT(IMessageBoxBase, GetAt, 4),
        SLOT(IMessageBoxBase, GetByIndex, 5),
        SLOT(IMessageBoxBase, RemoveAt, 6),
        SLOT(IMessageBoxBase, Add, 7),
        SLOT(IMessageBoxBase, SetStatus, 8),
        SLOT(IMessageBoxBase, GetUnreadCount, 9),
        SLOT(IMessageBoxBase, Lock, 10),
        SLOT(IMessageBoxBase, Unlock, 11),
        SLOT(IMessageBox, Load, 12),
        SLOT(IMessageBox, IsLoaded, 13),
        SLOT(IMessageBox, SetEventHandler, 14),
        SLOT(IMessageBox::ILoadingReport, OnLoading, 0),
        SLOT(ISMSEventHandler, OnNewMessage, 0),
        SLOT(ISMSEventHandler, OnStorageFull, 1),
        SLOT(ISMSEventHandler, OnCardNotice, 2),
        SLOT(ICardService, IsPinRequired, 0),
        SLOT(ICardService, IsPukRequired, 1),
        SLOT(ICardService, VerifyPin, 2),
        SLOT(ICardService, GetRemainingAttempts, 3),
        SLOT(ICardService, GetRemainingPukAttempts, 4),
        SLOT(ICardService, SetPinLock, 5),
        SLOT(ICardService, ChangePin, 6),
        SLOT(ICardService, UnlockWithPuk, 7),
        SLOT(ICardService, GetPinLockState, 8),
        SLOT(ICardService, IsPinCheckEnabled, 9),
        SLOT(ICardService, SendUssd, 10),
        SLOT(ICardService, SetUssdListener, 11),
        SLOT(IUssdEventHandler, OnUssdReply, 0),
    });
}

TEST(DeviceInterfaceSlots, VoiceAndPhonebooks) {
    DEDEVEV_REQUIRE_VIRTUAL_SLOTS();
    using PhonebookObserver = IPhonebook::ObserverType;
    ExpectSlots({
        SLOT(IVoiceControl, VoiceDial, 0),
        SLOT(IVoiceControl, VoiceOpen, 1),
        SLOT(IVoiceControl, VoiceAnswer, 2),
        SLOT(IVoiceControl, VoiceHangUp, 3),
        SLOT(IVoiceControl, VoiceSendFlash, 4),
        SLOT(IVoiceControl, VoiceJoin, 5),
        SLOT(IVoiceControl, VoiceEndSecond, 6),
        SLOT(IVoiceControl, VoiceAcceptWaiting, 7),
        SLOT(IVoiceControl, VoiceSwapWaiting, 8),
        SLOT(IVoiceControl, VoiceSendDtmf, 9),
        SLOT(IVoiceControl, VoicePlayTone, 10),
        SLOT(IVoiceControl, SetVolume, 12),
        SLOT(IVoiceControl, GetCallState, 16),
        SLOT(IVoiceControl, SetVoiceEventHandler, 17),
        SLOT(IVoiceEventHandler, OnCallSetup, 0),
        SLOT(IVoiceEventHandler, OnIncomingCall, 1),
        SLOT(IVoiceEventHandler, OnCallWaiting, 2),
        SLOT(IVoiceEventHandler, OnCallConnected, 3),
        SLOT(IVoiceEventHandler, OnCallEnded, 4),
        SLOT(IVoiceEventHandler, OnCallStatus, 5),
        SLOT(IVoiceEventHandler, OnCallInfo, 6),
        SLOT(IPhonebookStore, GetModemPhonebook, 0),
        SLOT(IPhonebookStore, GetUimPhonebook, 1),
        SLOT(IPhonebookStore, GetEmergencyPhonebook, 2),
        SLOT(IPhonebook, AddObserver, 0),
        SLOT(IPhonebook, RemoveObserver, 1),
        SLOT(IPhonebook, GetCapacity, 2),
        SLOT(IPhonebook, GetCount, 3),
        SLOT(IPhonebook, GetAt, 4),
        SLOT(IPhonebook, RemoveAt, 5),
        SLOT(IPhonebook, Update, 6),
        SLOT(IPhonebook, Add, 7),
        SLOT(IPhonebook, Load, 8),
        SLOT(IPhonebook, IsLoaded, 9),
        SLOT(IPhonebook::ILoadingReport, OnLoading, 0),
        SLOT(PhonebookObserver, OnAdded, 0),
        SLOT(PhonebookObserver, OnRemoved, 1),
        SLOT(PhonebookObserver, OnChanged, 2),
        SLOT(PhonebookObserver, OnCleared, 3),
    });
}

#undef SLOT

TEST(DateTimeFields, NewRecordIsTheDefaultTime) {
    const DateTimeFields t;
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second}),
              std::vector<int>({2000, 1, 1, 12, 1, 1}));
}

TEST(DateTimeFields, EarlierFieldDecidesOrder) {
    struct Case {
        DateTimeFields later;
        DateTimeFields earlier;
    };
    const std::vector<Case> cases = {
        {{2010, 1, 1, 0, 0, 0}, {2009, 12, 31, 23, 59, 59}},
        {{2009, 6, 1, 0, 0, 0}, {2009, 5, 31, 23, 59, 59}},
        {{2009, 5, 8, 0, 0, 0}, {2009, 5, 7, 23, 59, 59}},
        {{2009, 5, 7, 14, 0, 0}, {2009, 5, 7, 13, 59, 59}},
        {{2009, 5, 7, 13, 5, 0}, {2009, 5, 7, 13, 4, 59}},
        {{2009, 5, 7, 13, 4, 10}, {2009, 5, 7, 13, 4, 9}},
    };
    for (const Case& c : cases) {
        EXPECT_GT(c.later, c.earlier);
        EXPECT_LT(c.earlier, c.later);
        EXPECT_NE(c.later, c.earlier);
    }
}

TEST(DateTimeFields, DataFileTextWritesPlainDecimalAndReadsTheFirstSixRunsOfDigits) {
    EXPECT_EQ(DateTimeText({2009, 5, 7, 13, 4, 9}), u"2009-5-7,13:4:9");
    EXPECT_EQ(DateTimeText({}), u"2000-1-1,12:1:1");
    const DateTimeFields may{2009, 5, 7, 13, 4, 9};
    struct Case {
        std::u16string text;
        std::optional<DateTimeFields> read;
    };
    const std::vector<Case> cases = {
        {u"2009-5-7,13:4:9", may},
        {u"2009-05-07,13:04:09", may},
        {u"2009/05/07 13.04.09", may},            // other separators
        {u"  2009-5-7,13:4:9 and 42 more", may},  // runs after the sixth are left
        {u"-2009-+5-7,13:4:-9", may},             // a sign only separates
        {u"0000000000002009-5-7,13:4:9", may},    // zeros in front are no overflow
        {u"2147483647-1-1,0:0:0", DateTimeFields{2147483647, 1, 1, 0, 0, 0}},
        {u"2147483648-1-1,0:0:0", std::nullopt},  // beyond 32 bits
        {u"99999999999999999999-5-7,13:4:9", std::nullopt},
        {u"2009-5-7,13:4", std::nullopt},         // five runs
        {u"2009-5-7,13:4:\uFF19", std::nullopt},  // a full-width digit is no digit
        {u"", std::nullopt},
        {u"Time:", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDateTimeText(c.text), c.read) << std::string(c.text.begin(), c.text.end());
    }
}

TEST(SMSMessage, NewRecordDefaults) {
    const SMSMessage m;
    EXPECT_EQ(m.priority, kSmsPriorityNormal);
    EXPECT_EQ(m.status, kSmsNotSent);
    EXPECT_EQ(m.code, 6);
    EXPECT_TRUE(m.text.empty());
    EXPECT_TRUE(m.number.empty());
    EXPECT_EQ(m.time, DateTimeFields{});
}

TEST(SMSMessage, SamenessIgnoresPriorityStatusAndCode) {
    SMSMessage a;
    a.time = {2009, 5, 7, 13, 4, 9};
    a.number = "123";
    a.text = "Hello";

    SMSMessage b = a;
    b.priority = kSmsPriorityUrgent;
    b.status = kSmsRead;
    b.code = 0;
    EXPECT_TRUE(IsSameMessage(a, b));
    EXPECT_FALSE(a == b);

    SMSMessage other_time = a;
    other_time.time.second = 10;
    SMSMessage other_number = a;
    other_number.number = "1234";
    SMSMessage other_text = a;
    other_text.text = "Hello ";
    for (const SMSMessage* m : {&other_time, &other_number, &other_text}) {
        EXPECT_FALSE(IsSameMessage(a, *m));
    }
}

}  // namespace
}  // namespace dedevev
