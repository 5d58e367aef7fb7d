// Short messages on the running card, over its AT pty, for a GSM and a CDMA card: storages,
// listing and reading with their status changes, deleting, sending at the prompt, the routing
// of new messages, a full storage, a card without indications, long messages and what
// survives pulling the card. The PDUs are checked with the modem library's codecs.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "SimCardFixture.h"
#include "SimTestSupport.h"
#include "device/at/pdu/GsmCodec.h"
#include "device/at/pdu/SmsPdu.h"
#include "sim/TextCoding.h"

namespace dedevev::sim {
namespace {

using test::Compact;
using test::PtyHost;

bool HasFinal(const std::string& text) {
    if (PtyHost::HasFinal(text))
        return true;
    const std::size_t at = text.find("+CMS ERROR:");
    return at != std::string::npos && text.find("\r\n", at) != std::string::npos;
}

// One entry of a +CMGL answer.
struct Listed {
    int index = 0;
    int stat = 0;
    int length = 0;
    std::string hex;
};

std::vector<Listed> ParseList(const std::string& compact) {
    std::vector<Listed> out;
    static const std::regex kHead(R"(\+CMGL: (\d+),(\d),,(\d+)\|([0-9A-F]+))");
    for (std::sregex_iterator it(compact.begin(), compact.end(), kHead), end; it != end; ++it)
        out.push_back({std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3]), (*it)[4]});
    return out;
}

class SimSmsTest : public test::HostFixture<::testing::TestWithParam<CardKind>> {
protected:
    void SetUp() override {
        final_result = HasFinal;
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        OpenHost();
    }
    bool Gsm() const { return GetParam() == CardKind::kGsm; }

    // Waits until `prefix` and the line after it arrived.
    std::string WaitFor(const std::string& prefix, int lines = 1) {
        return Until(prefix, lines, 3000);
    }

    at::SmsPdu Decode(const std::string& hex) {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(at::HexToBytes(hex, &bytes)) << hex;
        at::SmsPdu pdu;
        std::string error;
        EXPECT_TRUE(Gsm() ? at::DecodeGsmPdu(bytes, &pdu, &error)
                          : at::DecodeCdmaPdu(bytes, &pdu, &error))
            << error << " in " << hex;
        return pdu;
    }
    std::string TextOf(const std::string& hex) { return Utf16ToUtf8(Decode(hex).text); }

    // A submit PDU and the length +CMGS wants.
    std::vector<std::uint8_t> Submit(const std::string& number, const std::string& text,
                                     bool report, int* length) {
        at::SmsSendOptions options;
        options.status_report = report;
        if (Gsm())
            return at::EncodeGsmSubmit(Utf8ToUtf16(number), Utf8ToUtf16(text), options, length);
        std::vector<std::uint8_t> pdu =
            at::EncodeCdmaSubmit(Utf8ToUtf16(number), Utf8ToUtf16(text), options);
        *length = static_cast<int>(pdu.size());
        return pdu;
    }
    // `command` (AT+CMGS=<length>, AT+CMGW=...), the "> " prompt, then `data` and its end byte;
    // the final answer.
    std::string AtPrompt(const std::string& command, const std::string& data, char end = '\x1A') {
        host->Clear();
        host->Write(command + "\r");
        const std::string prompt = host->ReadUntil(
            [](const std::string& text) { return text.find("> ") != std::string::npos; }, 3000);
        EXPECT_NE(prompt.find("\r\n> "), std::string::npos) << Compact(prompt);
        host->Clear();
        host->Write(data + std::string(1, end));
        return Compact(host->ReadUntil(HasFinal, 5000));
    }
    std::string SendAtPrompt(int length, const std::string& data, char end = '\x1A') {
        return AtPrompt("AT+CMGS=" + std::to_string(length), data, end);
    }
};

TEST_P(SimSmsTest, SettingsAndStorages) {
    Steps({
        {"AT+CMGF?", "+CMGF: 0|OK"},
        {"AT+CMGF=0", "OK"},
        {"AT+CMGF=1", "+CMS ERROR: 303"},
        {"AT+CSMS?", "+CSMS: 0,1,1,1|OK"},
        {"AT+CSMS=0", "+CSMS: 1,1,1|OK"},
        {"AT+CSCA?", "+CSCA: \"+6281100000\",145|OK"},
        {"AT+CPMS=?", "+CPMS: (\"SM\",\"ME\",\"SR\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")|OK"},
        {"AT+CPMS?", "+CPMS: \"SM\",0,50,\"SM\",0,50,\"SM\",0,50|OK"},
        {"AT+CPMS=\"ME\",\"SM\",\"ME\"", "+CPMS: 0,100,0,50,0,100|OK"},
        {"AT+CPMS?", "+CPMS: \"ME\",0,100,\"SM\",0,50,\"ME\",0,100|OK"},
        {"AT+CPMS=\"SR\"", "+CPMS: 0,20,0,50,0,100|OK"},
        {"AT+CPMS=\"XX\"", "+CMS ERROR: 302"},
        {"AT+CPMS=\"SM\",\"SR\"", "+CMS ERROR: 302"},
        {"AT+CPMS?", "+CPMS: \"SR\",0,20,\"SM\",0,50,\"ME\",0,100|OK"},  // refused: unchanged
        {"AT+CMGL=?", "+CMGL: (0-4)|OK"},
        {"AT+CNMI=?", "+CNMI: (0-2),(0-3),(0,2),(0-2),(0,1)|OK"},
        {"AT+CNMI=2,1,0,2,0", "OK"},
        {"AT+CNMI?", "+CNMI: 2,1,0,2,0|OK"},
        {"AT+CNMI=2,4", "+CMS ERROR: 303"},
        {"AT+CMMS=?", "+CMMS: (0-2)|OK"},
        {"AT+CMMS=1", "OK"},
        {"AT+CMMS?", "+CMMS: 1|OK"},
    });
    ASSERT_EQ(sim->Control("sms-storage SM 7"), "OK");
    EXPECT_EQ(Cmd("AT+CPMS=\"SM\""), "+CPMS: 0,7,0,7,0,100|OK");  // mem2 is "SM" too
    ASSERT_EQ(sim->Control("card pin"), "OK");
    EXPECT_EQ(Cmd("AT+CMGL=4"), "+CMS ERROR: 311");
}

TEST_P(SimSmsTest, ListReadAndDeleteChangeStatus) {
    const std::string texts[] = {"First one", "Second one", "Third one"};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(sim->Control("sms +6281234567 \"" + texts[i] + "\""),
                  "OK stored SM " + std::to_string(i + 1));
    EXPECT_EQ(Quiet(200), "");  // <mt> 0 by default: stored silently

    // Reading one turns it into REC READ; the next read shows that.
    std::string answer = Cmd("AT+CMGR=2");
    ASSERT_EQ(answer.rfind("+CMGR: 0,,", 0), 0u) << answer;
    EXPECT_EQ(TextOf(answer.substr(answer.find('|') + 1, answer.rfind('|') - answer.find('|') - 1)),
              texts[1]);
    EXPECT_EQ(Cmd("AT+CMGR=2").rfind("+CMGR: 1,,", 0), 0u);
    EXPECT_EQ(Cmd("AT+CMGR=9"), "+CMS ERROR: 321");

    std::vector<Listed> unread = ParseList(Cmd("AT+CMGL=0"));
    ASSERT_EQ(unread.size(), 2u);
    EXPECT_EQ(unread[0].index, 1);
    EXPECT_EQ(unread[1].index, 3);
    for (const Listed& entry : unread) {
        EXPECT_EQ(entry.stat, 0);
        const std::size_t bytes = entry.hex.size() / 2;
        // The length excludes the centre address on a GSM card, and is the whole PDU on CDMA.
        EXPECT_EQ(static_cast<std::size_t>(entry.length),
                  Gsm() ? bytes - 1 - std::stoi(entry.hex.substr(0, 2), nullptr, 16) : bytes);
        EXPECT_EQ(Utf16ToUtf8(Decode(entry.hex).address), "+6281234567");
    }
    EXPECT_EQ(TextOf(unread[1].hex), texts[2]);
    EXPECT_TRUE(ParseList(Cmd("AT+CMGL=0")).empty());  // listing marked them read
    const std::vector<Listed> read = ParseList(Cmd("AT+CMGL=1"));
    ASSERT_EQ(read.size(), 3u);

    EXPECT_EQ(Cmd("AT+CMGD=2"), "OK");
    EXPECT_EQ(Cmd("AT+CMGD=2"), "+CMS ERROR: 321");
    EXPECT_EQ(Cmd("AT+CMGD=?"), "+CMGD: (1,3),(0-4)|OK");
    // The freed index is the lowest free one again.
    EXPECT_EQ(sim->Control("sms 5550100 Again"), "OK stored SM 2");
    EXPECT_EQ(Cmd("AT+CMGD=1,1"), "OK");  // all read ones; the new unread one stays
    const std::vector<Listed> left = ParseList(Cmd("AT+CMGL=4"));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].index, 2);
    EXPECT_EQ(TextOf(left[0].hex), "Again");
}

TEST_P(SimSmsTest, SendAtThePromptAcceptedAndRefused) {
    int length = 0;
    const std::vector<std::uint8_t> pdu = Submit("+62812345", "Hi there", false, &length);
    const std::string hex = at::BytesToHex(pdu);
    EXPECT_EQ(SendAtPrompt(length, hex), "+CMGS: 1|OK");
    EXPECT_EQ(SendAtPrompt(length, hex), "+CMGS: 2|OK");
    EXPECT_EQ(sim->Control("sms-sent"), std::string("OK (\"+62812345\",") +
                                            (Gsm() ? "gsm7" : "ascii") +
                                            ",\"Hi there\",mr=1) (\"+62812345\"," +
                                            (Gsm() ? "gsm7" : "ascii") + ",\"Hi there\",mr=2)");

    ASSERT_EQ(sim->Control("sms-send refuse 38"), "OK");
    EXPECT_EQ(SendAtPrompt(length, hex), "+CMS ERROR: 38");
    ASSERT_EQ(sim->Control("sms-send accept"), "OK");
    EXPECT_EQ(SendAtPrompt(length, "00112233"), "+CMS ERROR: 304");  // not this length
    EXPECT_EQ(SendAtPrompt(length + 1, hex), "+CMS ERROR: 304");     // length does not match
    EXPECT_EQ(SendAtPrompt(length, hex, '\x1B'), "OK");              // ESC: nothing sent
    ASSERT_EQ(sim->Control("service 0 0 0"), "OK");
    EXPECT_EQ(SendAtPrompt(length, hex), "+CMS ERROR: 331");
    EXPECT_NE(sim->Control("state").find(" sms_sent=2 "), std::string::npos);
}

TEST_P(SimSmsTest, WriteThenSendFromStorage) {
    int length = 0;
    const std::string hex = at::BytesToHex(Submit("+62855", "Draft", false, &length));
    ASSERT_EQ(Cmd("AT+CPMS=\"ME\",\"ME\""), "+CPMS: 0,100,0,100,0,50|OK");
    EXPECT_EQ(AtPrompt("AT+CMGW=" + std::to_string(length), hex), "+CMGW: 1|OK");
    EXPECT_EQ(AtPrompt("AT+CMGW=" + std::to_string(length) + ",3", hex), "+CMGW: 2|OK");
    EXPECT_EQ(AtPrompt("AT+CMGW=" + std::to_string(length), "0011"), "+CMS ERROR: 304");
    std::vector<Listed> unsent = ParseList(Cmd("AT+CMGL=2"));
    ASSERT_EQ(unsent.size(), 1u);
    EXPECT_EQ(unsent[0].hex, hex);
    EXPECT_EQ(Cmd("AT+CMSS=1"), "+CMSS: 1|OK");
    EXPECT_EQ(Cmd("AT+CMSS=7"), "+CMS ERROR: 321");
    EXPECT_TRUE(ParseList(Cmd("AT+CMGL=2")).empty());
    EXPECT_EQ(ParseList(Cmd("AT+CMGL=3")).size(), 2u);  // the sent one is STO SENT now
    EXPECT_NE(sim->Control("sms-sent").find("\"Draft\",mr=1"), std::string::npos);
}

TEST_P(SimSmsTest, NewMessageIndications) {
    EXPECT_EQ(Cmd("AT+CNMI=2,1,0,0,0"), "OK");
    ASSERT_EQ(sim->Control("sms +628111 Indicated"), "OK stored SM 1");
    EXPECT_EQ(WaitFor("+CMTI:"), "+CMTI: \"SM\",1");
    EXPECT_EQ(Cmd("AT+CPMS=\"SM\",\"SM\",\"ME\""), "+CPMS: 1,50,1,50,0,100|OK");
    ASSERT_EQ(sim->Control("sms +628111 \"Into the modem\""), "OK stored ME 1");
    EXPECT_EQ(WaitFor("+CMTI:"), "+CMTI: \"ME\",1");

    EXPECT_EQ(Cmd("AT+CNMI=2,2,0,0,0"), "OK");
    ASSERT_EQ(sim->Control("sms-ucs2 +628111 Forwarded"), "OK forwarded");
    const std::string forwarded = WaitFor("+CMT: ,", 2);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(forwarded, m, std::regex(R"(\+CMT: ,(\d+)\|([0-9A-F]+))")))
        << forwarded;
    const at::SmsPdu pdu = Decode(m[2]);
    EXPECT_EQ(Utf16ToUtf8(pdu.text), "Forwarded");
    EXPECT_EQ(pdu.alphabet, at::Alphabet::kUcs2);
    EXPECT_EQ(Cmd("AT+CPMS?"), "+CPMS: \"SM\",1,50,\"SM\",1,50,\"ME\",1,100|OK");  // not stored

    // <mode> 0 holds indications back; entering mode 2 with <bfr> 0 flushes them.
    EXPECT_EQ(Cmd("AT+CNMI=0,1,0,0,0"), "OK");
    ASSERT_EQ(sim->Control("sms +628111 Held"), "OK stored ME 2");
    EXPECT_EQ(Quiet(200), "");
    // The held notice follows the OK; a slow run may read it after the answer.
    const std::string answer = Cmd("AT+CNMI=2,1,0,0,0");
    EXPECT_EQ(answer.rfind("OK", 0), 0u) << answer;
    const std::string notice =
        answer.find("+CMTI:") != std::string::npos ? answer.substr(3) : WaitFor("+CMTI:");
    EXPECT_EQ(notice, "+CMTI: \"ME\",2");
}

TEST_P(SimSmsTest, StatusReportsOfSentMessages) {
    int length = 0;
    const std::string hex = at::BytesToHex(Submit("+62812345", "Report me", true, &length));
    EXPECT_EQ(Cmd("AT+CNMI=2,1,0,2,0"), "OK");
    EXPECT_EQ(SendAtPrompt(length, hex), "+CMGS: 1|OK");
    if (!Gsm()) {
        EXPECT_EQ(Quiet(600), "");  // status reports are a GSM network's
        return;
    }
    EXPECT_EQ(WaitFor("+CDSI:"), "+CDSI: \"SR\",1");
    EXPECT_EQ(Cmd("AT+CPMS=\"SR\""), "+CPMS: 1,20,0,50,0,50|OK");
    const std::vector<Listed> reports = ParseList(Cmd("AT+CMGL=4"));
    ASSERT_EQ(reports.size(), 1u);
    const at::SmsPdu report = Decode(reports[0].hex);
    EXPECT_EQ(report.kind, at::SmsKind::kStatusReport);
    EXPECT_EQ(report.reference, 1);
    EXPECT_EQ(report.report_status, 0);
    EXPECT_EQ(Utf16ToUtf8(report.address), "+62812345");

    EXPECT_EQ(Cmd("AT+CNMI=2,1,0,1,0"), "OK");
    EXPECT_EQ(SendAtPrompt(length, hex), "+CMGS: 2|OK");
    const std::string direct = WaitFor("+CDS: ", 2);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(direct, m, std::regex(R"(\+CDS: (\d+)\|([0-9A-F]+))"))) << direct;
    EXPECT_EQ(Decode(m[2]).reference, 2);
    // A message that asks for no report gets none.
    const std::string plain = at::BytesToHex(Submit("+62812345", "No report", false, &length));
    EXPECT_EQ(SendAtPrompt(length, plain), "+CMGS: 3|OK");
    EXPECT_EQ(Quiet(600), "");
}

TEST_P(SimSmsTest, FullStorageNoticeAndLostMessages) {
    ASSERT_EQ(sim->Control("sms-storage SM 2"), "OK");
    EXPECT_EQ(Cmd("AT+CNMI=2,1,0,0,0"), "OK");
    ASSERT_EQ(sim->Control("sms 1111 one"), "OK stored SM 1");
    EXPECT_EQ(WaitFor("+CMTI:"), "+CMTI: \"SM\",1");
    ASSERT_EQ(sim->Control("sms 1111 two"), "OK stored SM 2");
    EXPECT_EQ(WaitFor("^DDSMSFULL:"), "+CMTI: \"SM\",2|^DDSMSFULL: \"SM\"");
    EXPECT_EQ(sim->Control("sms 1111 three"), "OK lost SM full");
    EXPECT_EQ(Quiet(200), "");
    EXPECT_NE(sim->Control("state").find(" sms_lost=1"), std::string::npos);
    EXPECT_EQ(sim->Control("sms-storage SM 1"), "ERR SM holds a message at index 2");
    EXPECT_EQ(Cmd("AT+CMGD=1"), "OK");
    EXPECT_EQ(sim->Control("sms 1111 four"), "OK stored SM 1");
}

TEST_P(SimSmsTest, CardWithoutIndications) {
    ASSERT_EQ(sim->Control("sms-cnmi off"), "OK");
    EXPECT_EQ(Cmd("AT+CNMI=?"), "+CMS ERROR: 303");
    EXPECT_EQ(Cmd("AT+CNMI=2,2,0,1,0"), "+CMS ERROR: 303");
    ASSERT_EQ(sim->Control("sms-storage SM 1"), "OK");
    EXPECT_EQ(sim->Control("sms 1111 quiet"), "OK stored SM 1");
    EXPECT_EQ(Quiet(300), "");  // neither +CMTI nor the full notice
    EXPECT_EQ(ParseList(Cmd("AT+CMGL=4")).size(), 1u);
    ASSERT_EQ(sim->Control("sms-cnmi on"), "OK");
    EXPECT_EQ(Cmd("AT+CNMI=?"), "+CNMI: (0-2),(0-3),(0,2),(0-2),(0,1)|OK");
}

TEST_P(SimSmsTest, LongMessageOutOfOrder) {
    std::string text;
    for (int i = 0; text.size() < 320; ++i)
        text += "Word" + std::to_string(i) + " ";
    const at::SmsPlan plan =
        at::PlanSms(Gsm() ? at::SmsFamily::kGsm : at::SmsFamily::kCdma, Utf8ToUtf16(text), false);
    ASSERT_EQ(plan.parts.size(), 3u);
    EXPECT_EQ(sim->Control("sms-long +628999 3,1 \"" + text + "\""),
              "OK parts=3 \"3: stored SM 1\" \"1: stored SM 2\"");
    EXPECT_EQ(sim->Control("sms-long +628999 4 \"" + text + "\""), "ERR the text has only 3 parts");
    const std::vector<Listed> listed = ParseList(Cmd("AT+CMGL=4"));
    ASSERT_EQ(listed.size(), 2u);
    const at::SmsPdu third = Decode(listed[0].hex);
    const at::SmsPdu first = Decode(listed[1].hex);
    EXPECT_EQ(third.concat.sequence, 3);
    EXPECT_EQ(first.concat.sequence, 1);
    EXPECT_EQ(third.concat.total, 3);
    EXPECT_EQ(third.concat.reference, first.concat.reference);
    EXPECT_EQ(first.text, plan.parts[0]);
    EXPECT_EQ(third.text, plan.parts[2]);
}

TEST_P(SimSmsTest, MessagesSurvivePullingTheCard) {
    ASSERT_EQ(sim->Control("sms +628111 Kept"), "OK stored SM 1");
    ASSERT_EQ(Cmd("AT+CPMS=\"ME\",\"ME\",\"ME\""), "+CPMS: 0,100,0,100,0,100|OK");
    ASSERT_EQ(sim->Control("sms +628111 \"In the modem\""), "OK stored ME 1");
    ASSERT_EQ(Cmd("AT+CMGR=1").rfind("+CMGR: 0,,", 0), 0u);
    ASSERT_EQ(Cmd("AT+CNMI=2,1,0,0,0"), "OK");
    ASSERT_EQ(sim->Control("pull"), "OK");
    EXPECT_EQ(sim->Control("sms +628111 Nobody"), "ERR the card is not inserted");
    host.reset();
    ASSERT_EQ(sim->Control("insert").rfind("OK ", 0), 0u);
    OpenHost();
    // Power-up settings are back to their defaults; the messages and their status are not.
    EXPECT_EQ(Cmd("AT+CNMI?"), "+CNMI: 0,0,0,0,0|OK");
    EXPECT_EQ(Cmd("AT+CPMS?"), "+CPMS: \"SM\",1,50,\"SM\",1,50,\"SM\",1,50|OK");
    std::vector<Listed> listed = ParseList(Cmd("AT+CMGL=4"));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(TextOf(listed[0].hex), "Kept");
    EXPECT_EQ(listed[0].stat, 0);
    ASSERT_EQ(Cmd("AT+CPMS=\"ME\""), "+CPMS: 1,100,1,50,1,50|OK");
    listed = ParseList(Cmd("AT+CMGL=4"));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].stat, 1);  // it was read before the card was pulled
}

TEST_P(SimSmsTest, ControlChannelChecksItsInput) {
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"sms +628111", "ERR usage: sms <from> <text...>"},
        {"sms-pdu XYZ", Gsm() ? "ERR usage: sms-pdu <hex: centre address, then the TPDU>"
                              : "ERR usage: sms-pdu <hex transport-layer message>"},
        {"sms-long +62 3,x text", "ERR usage: sms-long <from> <order like 3,1,2> <text...>"},
        {"sms-send maybe", "ERR usage: sms-send accept|refuse [cms-error 1-511]"},
        {"sms-storage XX 5", "ERR unknown storage XX"},
        {"sms-storage SM 0", "ERR capacity must be 1 to 1000"},
        {"sms-list XX", "ERR usage: sms-list SM|ME|SR"},
        {"sms-list SM", "OK"},
    };
    for (const auto& [command, answer] : steps)
        EXPECT_EQ(sim->Control(command), answer) << command;
    EXPECT_EQ(sim->Control("sms Telkomsel Hello").rfind(Gsm() ? "OK stored" : "ERR sender", 0), 0u);
    // A PDU that does not decode is still delivered as it is, for hosts' robustness tests.
    const std::string broken =
        Gsm() ? "0791261801000000040B912618214365F700006270301215000008C8" : "0000021002";
    const std::string answer = sim->Control("sms-pdu " + broken);
    EXPECT_EQ(
        answer.rfind(std::string("OK stored SM ") + (Gsm() ? "2" : "1") + " \"does not decode:", 0),
        0u)
        << answer;
    const std::string listing = sim->Control("sms-list SM");
    EXPECT_NE(listing.find("<does not decode:"), std::string::npos) << listing;
}

INSTANTIATE_TEST_SUITE_P(BothKinds, SimSmsTest, ::testing::Values(CardKind::kGsm, CardKind::kCdma),
                         test::KindName);

// ---- The storage rules on their own.

TEST(SimSmsModel, DeleteFlagsKeepTheRightMessages) {
    struct Case {
        int flag;
        std::vector<int> kept;  // the statuses left of 0, 1, 2, 3
    };
    const Case cases[] = {{1, {0, 2, 3}}, {2, {0, 2}}, {3, {0}}, {4, {}}};
    for (const Case& c : cases) {
        SmsModel sms(true);
        for (int stat = 0; stat <= 3; ++stat) {
            int index = 0;
            ASSERT_EQ(sms.Write({0x00, 0x01}, stat, &index), 0);
            ASSERT_EQ(index, stat + 1);
        }
        ASSERT_EQ(sms.Delete(99, c.flag), 0) << "the index does not matter with a flag";
        std::vector<StoredSms> left;
        ASSERT_EQ(sms.List(kStatAll, &left), 0);
        std::vector<int> stats;
        for (const StoredSms& m : left)
            stats.push_back(m.stat);
        EXPECT_EQ(stats, c.kept) << "flag " << c.flag;
    }
}

TEST(SimSmsModel, BufferedIndicationsAreDroppedWithBfr1) {
    SmsModel sms(false);
    sms.SetRouting({0, 1, 0, 0, 0});
    sms.DeliverMessage({0x00, 0x00, 0x02});
    EXPECT_FALSE(sms.HasNotices());
    sms.SetRouting({1, 1, 0, 0, 1});
    EXPECT_FALSE(sms.HasNotices());
    sms.DeliverMessage({0x00, 0x00, 0x02});
    EXPECT_EQ(sms.TakeNotices(), std::vector<std::string>{"+CMTI: \"SM\",2"});
}

TEST(SimSmsModel, TpduLengthNeverOverrunsTheCentreAddress) {
    const SmsModel gsm(true);
    EXPECT_EQ(gsm.TpduLength({0x00, 0x04, 0x01}), 2);
    EXPECT_EQ(gsm.TpduLength({0x07, 0x91, 0x26}), -1);
    EXPECT_EQ(gsm.TpduLength({}), -1);
    EXPECT_EQ(SmsModel(false).TpduLength({0x07, 0x91, 0x26}), 3);
}

}  // namespace
}  // namespace dedevev::sim
