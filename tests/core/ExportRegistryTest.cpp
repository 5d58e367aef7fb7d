// The export registry: bound forwarding objects reach their window with the same arguments and
// hand back its answer; unbound ones answer 0, false or empty and reach nobody.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/ExportRegistry.h"
#include "tests/device/VirtualSlot.h"

namespace dedevev {
namespace {

// The forwarding objects only pass the listener pointer on, so any address will do.
IConnectionListener* SomeListener() {
    static int storage = 0;
    return reinterpret_cast<IConnectionListener*>(&storage);
}

using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::Return;
using ::testing::StrictMock;

class MockPhonebook : public IPhonebookExport {
public:
    MOCK_METHOD(void, AddNumber, (const std::u16string&), (override));
    MOCK_METHOD(void, LoadCardPhonebooks, (), (override));
};

class MockVoice : public IVoiceExport {
public:
    MOCK_METHOD(void, DialNumber, (const std::u16string&, const std::u16string&), (override));
    MOCK_METHOD(void, PressHangUp, (), (override));
    MOCK_METHOD(void, PressDial, (), (override));
    MOCK_METHOD(int, UnseenMissedCount, (), (override));
    MOCK_METHOD(bool, IsOutgoingCallCurrent, (), (override));
    MOCK_METHOD(void, AfterDialKey, (), (override));
};

class MockSms : public ISMSExport {
public:
    MOCK_METHOD(void, Reserved0, (int, int), (override));
    MOCK_METHOD(int, GetUnreadCount, (), (override));
    MOCK_METHOD(int, GetBox4UnreadCount, (), (override));
    MOCK_METHOD(bool, IsCardFull, (), (override));
    MOCK_METHOD(void, ShowUimInbox, (int, int), (override));
};

class MockMain : public IMainExport {
public:
    MOCK_METHOD(void, StopStatusPolling, (), (override));
    MOCK_METHOD(void, StartStatusPolling, (), (override));
    MOCK_METHOD(void, ShowStatusText, (const std::u16string&), (override));
    MOCK_METHOD(void, ShowConnectionText, (bool, const std::u16string&), (override));
    MOCK_METHOD(bool, IsNetworkWorkerRunning, (), (override));
    MOCK_METHOD(bool, IsVoiceEnabled, (), (override));
    MOCK_METHOD(bool, FeatureFlagB, (), (override));
    MOCK_METHOD(void, RecheckCard, (), (override));
};

class MockConnection : public IConnectionExport {
public:
    MOCK_METHOD(bool, IsRunning, (), (override));
    MOCK_METHOD(void, AddListener, (IConnectionListener*), (override));
    MOCK_METHOD(void, StopAndWait, (), (override));
    MOCK_METHOD(bool, ToggleConnection, (), (override));
    MOCK_METHOD(std::u16string, GetInfoText, (), (override));
};

class MockLink : public ILinkExport {
public:
    MOCK_METHOD(void, SetConnectCaption, (const std::u16string&), (override));
    MOCK_METHOD(void, AddProfileName, (const std::u16string&), (override));
    MOCK_METHOD(void, ReplaceProfileName, (const std::u16string&, int), (override));
    MOCK_METHOD(void, SelectProfile, (int), (override));
    MOCK_METHOD(void, DeleteProfileName, (int), (override));
    MOCK_METHOD(void, SetOperatorName, (const std::u16string&), (override));
    MOCK_METHOD(void, ShowTraffic, (double, double), (override));
    MOCK_METHOD(void, Reserved7, (), (override));
    MOCK_METHOD(void, HoldConnectButton, (), (override));
};

// The forwarding objects, reached through a registry whose every window is bound.
struct BoundRegistry {
    BoundRegistry() {
        registry.BindPhonebook(&phonebook);
        registry.BindVoice(&voice);
        registry.BindSms(&sms);
        registry.BindMain(&main);
        registry.BindConnection(&connection);
        registry.BindLink(&link);
    }
    void UnbindAll() {
        registry.BindPhonebook(nullptr);
        registry.BindVoice(nullptr);
        registry.BindSms(nullptr);
        registry.BindMain(nullptr);
        registry.BindConnection(nullptr);
        registry.BindLink(nullptr);
    }

    StrictMock<MockPhonebook> phonebook;
    StrictMock<MockVoice> voice;
    StrictMock<MockSms> sms;
    StrictMock<MockMain> main;
    StrictMock<MockConnection> connection;
    StrictMock<MockLink> link;
    ExportRegistry registry;
};

TEST(ExportRegistry, OptionalExportsAreNullUntilBound) {
    ExportRegistry registry;
    EXPECT_EQ(registry.PhonebookExport(), nullptr);
    EXPECT_EQ(registry.VoiceExport(), nullptr);
    EXPECT_EQ(registry.SmsExport(), nullptr);

    MockPhonebook phonebook;
    MockVoice voice;
    MockSms sms;
    registry.BindPhonebook(&phonebook);
    registry.BindVoice(&voice);
    registry.BindSms(&sms);
    // The registry hands out its forwarding objects, never the windows themselves.
    EXPECT_NE(registry.PhonebookExport(), nullptr);
    EXPECT_NE(registry.PhonebookExport(), &phonebook);
    EXPECT_NE(registry.VoiceExport(), nullptr);
    EXPECT_NE(registry.VoiceExport(), &voice);
    EXPECT_NE(registry.SmsExport(), nullptr);
    EXPECT_NE(registry.SmsExport(), &sms);

    registry.BindVoice(nullptr);
    EXPECT_EQ(registry.VoiceExport(), nullptr);
    EXPECT_NE(registry.PhonebookExport(), nullptr);
    EXPECT_NE(registry.SmsExport(), nullptr);
}

TEST(ExportRegistry, MainConnectionAndLinkExportsAlwaysExist) {
    ExportRegistry registry;
    IMainExport* main = registry.MainExport();
    IConnectionExport* connection = registry.ConnectionExport();
    ILinkExport* link = registry.LinkExport();
    ASSERT_NE(main, nullptr);
    ASSERT_NE(connection, nullptr);
    ASSERT_NE(link, nullptr);
    MockMain target;
    registry.BindMain(&target);
    EXPECT_EQ(registry.MainExport(), main);
    EXPECT_EQ(registry.ConnectionExport(), connection);
    EXPECT_EQ(registry.LinkExport(), link);
}

TEST(ExportRegistry, ProcessRegistryIsOneObject) {
    EXPECT_EQ(&Exports(), &Exports());
}

TEST(ExportRegistry, BoundCallsReachTheWindowWithTheirArguments) {
    BoundRegistry b;
    ExportRegistry& r = b.registry;
    IConnectionListener* listener = SomeListener();

    EXPECT_CALL(b.phonebook, AddNumber(std::u16string(u"+62 812")));
    EXPECT_CALL(b.phonebook, LoadCardPhonebooks());
    r.PhonebookExport()->AddNumber(u"+62 812");
    r.PhonebookExport()->LoadCardPhonebooks();

    EXPECT_CALL(b.sms, Reserved0(3, -4));
    EXPECT_CALL(b.sms, GetUnreadCount()).WillOnce(Return(17));
    EXPECT_CALL(b.sms, GetBox4UnreadCount()).WillOnce(Return(5));
    EXPECT_CALL(b.sms, IsCardFull()).WillOnce(Return(true));
    EXPECT_CALL(b.sms, ShowUimInbox(0, 1));
    r.SmsExport()->Reserved0(3, -4);
    EXPECT_EQ(r.SmsExport()->GetUnreadCount(), 17);
    EXPECT_EQ(r.SmsExport()->GetBox4UnreadCount(), 5);
    EXPECT_TRUE(r.SmsExport()->IsCardFull());
    r.SmsExport()->ShowUimInbox(0, 1);

    EXPECT_CALL(b.voice, PressHangUp());
    EXPECT_CALL(b.voice, UnseenMissedCount()).WillOnce(Return(3));
    EXPECT_CALL(b.voice, IsOutgoingCallCurrent()).WillOnce(Return(true));
    EXPECT_CALL(b.voice, AfterDialKey());
    r.VoiceExport()->PressHangUp();
    EXPECT_EQ(r.VoiceExport()->UnseenMissedCount(), 3);
    EXPECT_TRUE(r.VoiceExport()->IsOutgoingCallCurrent());
    r.VoiceExport()->AfterDialKey();

    EXPECT_CALL(b.main, StopStatusPolling());
    EXPECT_CALL(b.main, StartStatusPolling());
    EXPECT_CALL(b.main, ShowStatusText(std::u16string(u"Connected")));
    EXPECT_CALL(b.main, ShowConnectionText(false, std::u16string(u"Error 619")));
    EXPECT_CALL(b.main, IsNetworkWorkerRunning()).WillOnce(Return(true));
    EXPECT_CALL(b.main, IsVoiceEnabled()).WillOnce(Return(true));
    EXPECT_CALL(b.main, FeatureFlagB()).WillOnce(Return(true));
    EXPECT_CALL(b.main, RecheckCard());
    r.MainExport()->StopStatusPolling();
    r.MainExport()->StartStatusPolling();
    r.MainExport()->ShowStatusText(u"Connected");
    r.MainExport()->ShowConnectionText(false, u"Error 619");
    EXPECT_TRUE(r.MainExport()->IsNetworkWorkerRunning());
    EXPECT_TRUE(r.MainExport()->IsVoiceEnabled());
    EXPECT_TRUE(r.MainExport()->FeatureFlagB());
    r.MainExport()->RecheckCard();

    EXPECT_CALL(b.connection, IsRunning()).WillOnce(Return(true));
    EXPECT_CALL(b.connection, AddListener(listener));
    EXPECT_CALL(b.connection, StopAndWait());
    EXPECT_CALL(b.connection, ToggleConnection()).WillOnce(Return(true));
    EXPECT_CALL(b.connection, GetInfoText()).WillOnce(Return(u"ppp0 10.0.0.2"));
    EXPECT_TRUE(r.ConnectionExport()->IsRunning());
    r.ConnectionExport()->AddListener(listener);
    r.ConnectionExport()->StopAndWait();
    EXPECT_TRUE(r.ConnectionExport()->ToggleConnection());
    EXPECT_EQ(r.ConnectionExport()->GetInfoText(), u"ppp0 10.0.0.2");

    EXPECT_CALL(b.link, SetConnectCaption(std::u16string(u"Disconnect")));
    EXPECT_CALL(b.link, AddProfileName(std::u16string(u"Home")));
    EXPECT_CALL(b.link, ReplaceProfileName(std::u16string(u"Work"), 2));
    EXPECT_CALL(b.link, SelectProfile(1));
    EXPECT_CALL(b.link, DeleteProfileName(0));
    EXPECT_CALL(b.link, SetOperatorName(std::u16string(u"Operator")));
    EXPECT_CALL(b.link, ShowTraffic(1536.5, 12.25));
    EXPECT_CALL(b.link, Reserved7());
    EXPECT_CALL(b.link, HoldConnectButton());
    r.LinkExport()->SetConnectCaption(u"Disconnect");
    r.LinkExport()->AddProfileName(u"Home");
    r.LinkExport()->ReplaceProfileName(u"Work", 2);
    r.LinkExport()->SelectProfile(1);
    r.LinkExport()->DeleteProfileName(0);
    r.LinkExport()->SetOperatorName(u"Operator");
    r.LinkExport()->ShowTraffic(1536.5, 12.25);
    r.LinkExport()->Reserved7();
    r.LinkExport()->HoldConnectButton();
}

// Calls every operation of every forwarding object and checks the answers are all empty.
void ExpectEveryCallAnswersNothing(CPBExp& pb, CVoiceExp& voice, CSMSExp& sms, CMainExp& main,
                                   CConnectionExp& connection, CLinkExp& link) {
    pb.AddNumber(u"123");
    pb.LoadCardPhonebooks();

    voice.DialNumber(u"123", u"Name");
    voice.PressHangUp();
    voice.PressDial();
    EXPECT_EQ(voice.UnseenMissedCount(), 0);
    EXPECT_FALSE(voice.IsOutgoingCallCurrent());
    voice.AfterDialKey();

    sms.Reserved0(1, 2);
    EXPECT_EQ(sms.GetUnreadCount(), 0);
    EXPECT_EQ(sms.GetBox4UnreadCount(), 0);
    EXPECT_FALSE(sms.IsCardFull());
    sms.ShowUimInbox(0, 1);

    main.StopStatusPolling();
    main.StartStatusPolling();
    main.ShowStatusText(u"x");
    main.ShowConnectionText(true, u"x");
    EXPECT_FALSE(main.IsNetworkWorkerRunning());
    EXPECT_FALSE(main.IsVoiceEnabled());
    EXPECT_FALSE(main.FeatureFlagB());
    main.RecheckCard();

    EXPECT_FALSE(connection.IsRunning());
    connection.AddListener(SomeListener());
    connection.StopAndWait();
    EXPECT_FALSE(connection.ToggleConnection());
    EXPECT_TRUE(connection.GetInfoText().empty());

    link.SetConnectCaption(u"x");
    link.AddProfileName(u"x");
    link.ReplaceProfileName(u"x", 1);
    link.SelectProfile(1);
    link.DeleteProfileName(1);
    link.SetOperatorName(u"x");
    link.ShowTraffic(1.0, 2.0);
    link.Reserved7();
    link.HoldConnectButton();
}

TEST(ExportRegistry, NeverBoundForwardersAnswerNothing) {
    CPBExp pb;
    CVoiceExp voice;
    CSMSExp sms;
    CMainExp main;
    CConnectionExp connection;
    CLinkExp link;
    int commands = 0;
    voice.SetMainCommandSink([&](int) { ++commands; });
    ExpectEveryCallAnswersNothing(pb, voice, sms, main, connection, link);
    EXPECT_EQ(commands, 0);
}

TEST(ExportRegistry, UnboundForwardersNoLongerReachTheirWindow) {
    // Strict mocks fail the test on any call that reaches them after unbinding.
    CPBExp pb;
    CVoiceExp voice;
    CSMSExp sms;
    CMainExp main;
    CConnectionExp connection;
    CLinkExp link;
    StrictMock<MockPhonebook> pb_target;
    StrictMock<MockVoice> voice_target;
    StrictMock<MockSms> sms_target;
    StrictMock<MockMain> main_target;
    StrictMock<MockConnection> connection_target;
    StrictMock<MockLink> link_target;
    pb.Bind(&pb_target);
    voice.Bind(&voice_target);
    sms.Bind(&sms_target);
    main.Bind(&main_target);
    connection.Bind(&connection_target);
    link.Bind(&link_target);
    for (bool bound : {pb.IsBound(), voice.IsBound(), sms.IsBound(), main.IsBound(),
                       connection.IsBound(), link.IsBound()}) {
        EXPECT_TRUE(bound);
    }
    pb.Bind(nullptr);
    voice.Bind(nullptr);
    sms.Bind(nullptr);
    main.Bind(nullptr);
    connection.Bind(nullptr);
    link.Bind(nullptr);
    ExpectEveryCallAnswersNothing(pb, voice, sms, main, connection, link);
}

TEST(ExportRegistry, RegistryUnbindStopsForwarding) {
    BoundRegistry b;
    EXPECT_CALL(b.main, IsVoiceEnabled()).WillOnce(Return(true));
    EXPECT_TRUE(b.registry.MainExport()->IsVoiceEnabled());
    b.UnbindAll();
    EXPECT_FALSE(b.registry.MainExport()->IsVoiceEnabled());
    EXPECT_FALSE(b.registry.ConnectionExport()->ToggleConnection());
    b.registry.LinkExport()->SetConnectCaption(u"Connect");
    EXPECT_EQ(b.registry.SmsExport(), nullptr);
}

TEST(ExportRegistry, VoiceDialSendsTheVoiceCommandFirst) {
    BoundRegistry b;
    std::vector<std::string> events;
    b.registry.SetMainCommandSink(
        [&](int command) { events.push_back("command " + std::to_string(command)); });
    EXPECT_CALL(b.voice, DialNumber(std::u16string(u"112"), std::u16string(u"")))
        .WillOnce(Invoke(
            [&](const std::u16string&, const std::u16string&) { events.push_back("dial"); }));
    b.registry.VoiceExport()->DialNumber(u"112", u"");
    EXPECT_EQ(events, (std::vector<std::string>{"command 209", "dial"}));
}

TEST(ExportRegistry, VoiceDialWithoutCommandSinkStillDials) {
    BoundRegistry b;
    EXPECT_CALL(b.voice, DialNumber(std::u16string(u"123"), std::u16string(u"Ann")));
    b.registry.VoiceExport()->DialNumber(u"123", u"Ann");
}

TEST(ExportRegistry, VoiceDialKeyRunsTheFollowUpOperation) {
    BoundRegistry b;
    {
        InSequence order;
        EXPECT_CALL(b.voice, PressDial());
        EXPECT_CALL(b.voice, AfterDialKey());
    }
    b.registry.VoiceExport()->PressDial();
}

TEST(ExportRegistry, StatusThreadReadsWhileTheWindowBindsAndUnbinds) {
    ExportRegistry registry;
    MockSms sms;
    EXPECT_CALL(sms, GetUnreadCount()).WillRepeatedly(Return(7));
    std::atomic<bool> stop{false};
    std::atomic<int> bad_answers{0};
    std::thread status([&] {
        while (!stop.load()) {
            ISMSExport* exp = registry.SmsExport();
            if (exp == nullptr) {
                continue;
            }
            const int unread = exp->GetUnreadCount();  // may have been unbound meanwhile
            if (unread != 0 && unread != 7) {
                ++bad_answers;
            }
        }
    });
    for (int i = 0; i < 5000; ++i) {
        registry.BindSms(&sms);
        registry.BindSms(nullptr);
    }
    stop = true;
    status.join();
    EXPECT_EQ(bad_answers.load(), 0);
}

TEST(ExportRegistry, SlotOrder) {
    DEDEVEV_REQUIRE_VIRTUAL_SLOTS();
    using testing::SlotCase;
    using testing::VirtualSlot;
#define SLOT(Class, Method, Expected)                              \
    SlotCase {                                                     \
#Class "::" #Method, VirtualSlot(&Class::Method), Expected \
    }
    const std::vector<SlotCase> cases = {
        SLOT(IMainExport, StopStatusPolling, 0),
        SLOT(IMainExport, StartStatusPolling, 1),
        SLOT(IMainExport, ShowStatusText, 2),
        SLOT(IMainExport, ShowConnectionText, 3),
        SLOT(IMainExport, IsNetworkWorkerRunning, 4),
        SLOT(IMainExport, IsVoiceEnabled, 5),
        SLOT(IMainExport, FeatureFlagB, 6),
        SLOT(IMainExport, RecheckCard, 7),
        SLOT(IPhonebookExport, AddNumber, 0),
        SLOT(IPhonebookExport, LoadCardPhonebooks, 1),
        SLOT(ISMSExport, Reserved0, 0),
        SLOT(ISMSExport, GetUnreadCount, 1),
        SLOT(ISMSExport, GetBox4UnreadCount, 2),
        SLOT(ISMSExport, IsCardFull, 3),
        SLOT(ISMSExport, ShowUimInbox, 4),
        SLOT(IVoiceExport, DialNumber, 0),
        SLOT(IVoiceExport, PressHangUp, 1),
        SLOT(IVoiceExport, PressDial, 2),
        SLOT(IVoiceExport, UnseenMissedCount, 3),
        SLOT(IVoiceExport, IsOutgoingCallCurrent, 4),
        SLOT(IVoiceExport, AfterDialKey, 5),
        SLOT(IConnectionExport, IsRunning, 0),
        SLOT(IConnectionExport, AddListener, 1),
        SLOT(IConnectionExport, StopAndWait, 2),
        SLOT(IConnectionExport, ToggleConnection, 3),
        SLOT(IConnectionExport, GetInfoText, 4),
        SLOT(ILinkExport, SetConnectCaption, 0),
        SLOT(ILinkExport, AddProfileName, 1),
        SLOT(ILinkExport, ReplaceProfileName, 2),
        SLOT(ILinkExport, SelectProfile, 3),
        SLOT(ILinkExport, DeleteProfileName, 4),
        SLOT(ILinkExport, SetOperatorName, 5),
        SLOT(ILinkExport, ShowTraffic, 6),
        SLOT(ILinkExport, Reserved7, 7),
        SLOT(ILinkExport, HoldConnectButton, 8),
    };
#undef SLOT
    for (const SlotCase& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace dedevev
