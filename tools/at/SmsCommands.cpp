// dedevev-at's message commands: list, read, send and delete messages of the card's boxes.

#include <cstdio>
#include <string>

#include "device/IModemAgent.h"
#include "device/ISmsControl.h"
#include "device/at/features/SmsControl.h"
#include "tools/at/AtTool.h"

namespace dedevev::attool {

namespace {

// The box a command names: sm (the SIM/UIM card), me (the modem), sr (status reports).
IMessageBox* BoxNamed(ISmsControl* sms, const std::string& name) {
    if (name == "sm")
        return sms->GetBox2();
    if (name == "me")
        return sms->GetBox1();
    if (name == "sr")
        return sms->GetBox4();
    return nullptr;
}

const char* StatusName(std::int32_t status) {
    switch (status) {
        case kSmsUnread:
            return "unread";
        case kSmsRead:
            return "read";
        case kSmsNotSent:
            return "unsent";
        case kSmsSent:
            return "sent";
        default:
            return "unknown";
    }
}

std::string TimeText(const DateTimeFields& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

void PrintMessage(IMessageBox* box, int position, Output& out) {
    const SMSMessage& m = box->GetAt(position);
    out.Field("message", std::to_string(position + 1));
    if (auto* card_box = dynamic_cast<at::CardMessageBox*>(box)) {
        std::string indexes;
        for (int index : card_box->IndexesAt(position))
            indexes += (indexes.empty() ? "" : ",") + std::to_string(index);
        out.Field("index", indexes);
    }
    out.Field("status", StatusName(m.status));
    out.Field("number", m.number);
    out.Field("time", TimeText(m.time));
    std::string text = m.text;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    out.Field("text", text);
}

// Loads the box; a failure is reported through `out`.
bool LoadBox(IMessageBox* box, Output& out, int* code) {
    int status = kStatusUntouched;
    box->Load(nullptr, &status);
    if (status != kStatusOk) {
        *code = out.Fail(kExitTimeout, "the card did not list its messages");
        return false;
    }
    return true;
}

}  // namespace

int SmsCommand(const Invocation& inv, IModemAgent* agent, Output& out) {
    ISmsControl* sms = agent->GetSmsControl();
    const std::string& action = inv.args[0];
    int format_status = kStatusUntouched;
    sms->SetMessageFormat(0, &format_status);  // PDU mode, whatever the card was left in
    if (action == "send") {
        SMSMessage message;
        message.number = inv.args[1];
        message.text = inv.args[2];
        int status = kStatusUntouched;
        sms->SetSendFlag(0);
        if (!sms->Send(message, 0, &status)) {
            auto* ours = dynamic_cast<at::SmsControl*>(sms);
            const int error = ours != nullptr ? ours->LastSendError() : -1;
            return out.Fail(kExitRefused, error >= 0 ? "the card refused the message (+CMS ERROR " +
                                                           std::to_string(error) + ")"
                                                     : "the message was not sent");
        }
        out.Field("sent", message.number);
        return kExitOk;
    }
    IMessageBox* box = BoxNamed(sms, inv.args[1]);
    if (box == nullptr)
        return out.Fail(kExitUsage, "no such box " + inv.args[1]);
    MessageBoxLock lock(box);
    int code = kExitOk;
    if (!LoadBox(box, out, &code))
        return code;
    if (action == "list") {
        out.Field("capacity", std::to_string(box->GetCapacity()));
        out.Field("count", std::to_string(box->GetCount()));
        for (int position = 0; position < box->GetCount(); ++position)
            PrintMessage(box, position, out);
        return kExitOk;
    }
    const int position = std::stoi(inv.args[2]) - 1;
    if (position < 0 || position >= box->GetCount())
        return out.Fail(kExitUsage, "no message " + inv.args[2] + " in this box");
    if (action == "read") {
        PrintMessage(box, position, out);
        box->SetStatus(position, kSmsRead);
        return kExitOk;
    }
    // delete
    if (!box->RemoveAt(position))
        return out.Fail(kExitRefused, "the card did not delete the message");
    out.Field("deleted", inv.args[2]);
    return kExitOk;
}

}  // namespace dedevev::attool
