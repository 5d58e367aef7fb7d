// Sending one message to ten recipients on the simulated card (every answer after 20 ms)
// through the sending job with no pause between messages, next to the modem library's own ten
// sends of the same message. Every answer the card gives (the "> " prompt of each send and its
// result) costs the card's latency; the aim for both is at most 1.3 times that latency for the
// card's answers plus the time the PDUs and answers take to cross a 115200 baud line.
//
//   ./build/default/bin/dedevev_bench_sms_send [--kind=gsm|cdma]

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/SimCardBench.h"
#include "device/DeviceStatus.h"
#include "device/at/features/SmsControl.h"
#include "resources/Localizer.h"
#include "sms/SMSBoxPC.h"
#include "sms/SMSSend.h"

namespace {

using namespace dedevev;

constexpr int kRecipients = 10;

// The bytes of one send on the line: the command, the PDU in hex with Ctrl-Z, the prompt and
// the result.
std::size_t SendBytes(const std::string& command, std::size_t pdu_hex) {
    return command.size() + 1 + pdu_hex + 1 + 4 + std::strlen("\r\n+CMGS: 255\r\n\r\nOK\r\n");
}

}  // namespace

int main(int argc, char** argv) {
    bench::SimCardBench harness("smssend", argc, argv);
    if (!harness.Start())
        return 1;
    int status = kStatusUntouched;
    harness.Agent()->GetDeviceControl()->ConfigureA(0, &status);
    ISmsControl* sms = harness.Agent()->GetSmsControl();
    sms->SetMessageFormat(0, &status);
    dynamic_cast<at::SmsControl*>(sms)->Family();  // asked once per port, not per send
    CLocalizer texts;
    texts.LoadBytes("[DlgSMS]\nSending=Sending to\n");

    std::vector<SmsRecipient> recipients;
    for (int i = 0; i < kRecipients; ++i)
        recipients.push_back({u"", u"+62812" + Utf8ToUtf16(std::to_string(100000 + i))});
    const std::u16string text = u"Meeting moved to 3 pm, room 4B. Please bring the report.";
    const std::vector<SMSMessage> parts = MakeSmsParts(text, 0, false);

    harness.SlowCard();
    std::printf("kind: %s\n", harness.KindName());
    bool ok = true;
    for (const char* which : {"library", "job"}) {
        const bool job_send = which[0] == 'j';
        CSMSBoxPC sent;
        CSMSBoxPC unsent;
        int succeeded = 0;
        harness.ClearLog();
        harness.Card().Control("sms-sent clear");
        const bench::Clock::time_point start = bench::Clock::now();
        if (job_send) {
            SendJobSettings settings;
            settings.pause = std::chrono::milliseconds(0);
            CThreadSendSMS job(&recipients, &parts, &texts, sms, &sent, &unsent, settings);
            RunWithoutWindow(job);
            succeeded = job.Succeeded();
        } else {
            for (const SmsRecipient& recipient : recipients) {
                SMSMessage message = parts.front();
                message.number = Utf16ToUtf8(recipient.number);
                status = kStatusUntouched;
                succeeded += sms->Send(message, 0, &status) ? 1 : 0;
            }
        }
        const double took_ms = bench::MillisSince(start);
        const std::string log = harness.Card().Control("log");
        const int commands = bench::CountCommands(log, "\"AT+CMGS=");
        // The card answers each command and each PDU (the card logs it as "<data> <hex>").
        const int answers =
            bench::CountCommands(log, "\"AT") + bench::CountCommands(log, "\"<data> ");
        std::size_t pdu_hex = 0;
        if (const std::size_t at = log.find("\"<data> "); at != std::string::npos)
            pdu_hex = log.find('"', at + 8) - (at + 8);
        const double transfer_ms = bench::TransferMs(static_cast<std::size_t>(commands) *
                                                     SendBytes("AT+CMGS=99", pdu_hex));
        const double card_ms = answers * bench::kLatencyMs + transfer_ms;
        const double bound_ms = 1.3 * card_ms;
        std::printf(
            "%s: %d of %d sent; %d sends, %d card answers x %d ms + transfer %.1f ms = %.1f ms; "
            "took %.1f ms (%.2fx; %.2fx the latency alone); aim <= %.1f ms (%s)\n",
            which, succeeded, kRecipients, commands, answers, bench::kLatencyMs, transfer_ms,
            card_ms, took_ms, took_ms / card_ms, took_ms / (answers * bench::kLatencyMs), bound_ms,
            took_ms <= bound_ms ? "met" : "missed");
        ok = ok && succeeded == kRecipients && commands == kRecipients && took_ms <= bound_ms;
    }
    return harness.Finish() && ok ? 0 : 2;
}
