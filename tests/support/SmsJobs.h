#pragma once
// What the message tests share: the message texts (each its key in lower case, so a text from
// another section shows as its key), a message record in one line, and the progress window
// and scripted message box of the phonebook tests.

#include <string>

#include "device/SMSMessage.h"
#include "resources/Localizer.h"
#include "support/PhonebookJobs.h"

namespace dedevev::test {

inline void LoadSmsTexts(CLocalizer* localizer) {
    localizer->LoadBytes(
        "[DlgSMS]\nLoading=loading\nDeleting=deleting\nDelFail=delfail\nDelete=delete\n"
        "NoSpace=nospace\nCopyFail=copyfail\nLoadFail=loadfail\nSMSRepeated=smsrepeated\n"
        "Success=success\nFailure=failure\nAllSuccess=allsuccess\nAllFailure=allfailure\n"
        "Sending=sending\nRecvNewMsg=recvnewmsg\nCPT=cpt\nFullAlertCard=fullalertcard\n"
        "FullAlertUim=fullalertuim\n"
        "[DlgWriteSMS]\nSMSAlertInLTEMode=lte mode, use "
        "%s\n[SMS]\nSMS=sms\n[text]\nDEDEVev=dedevev\n");
}

// "number|text|status" of a message.
inline std::string Line(const SMSMessage& message) {
    return message.number + "|" + message.text + "|" + std::to_string(message.status);
}

inline SMSMessage Message(const std::string& number, const std::string& text, int second = 0,
                          int status = kSmsUnread) {
    SMSMessage message;
    message.number = number;
    message.text = text;
    message.status = status;
    message.time = DateTimeFields{2024, 3, 5, 9, 0, second};
    return message;
}

}  // namespace dedevev::test
