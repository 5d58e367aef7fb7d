#pragma once
// The process-wide owner of the PC message boxes: inbox, sent, unsent and drafts, each read
// from its file in the data folder when the registry is made and written back at the program's
// normal end. The card boxes are asked anew of the current modem object on every call.

#include <functional>
#include <memory>
#include <string>

#include "device/ISmsControl.h"
#include "sms/SMSBoxPC.h"

namespace dedevev {

struct SMSBoxRegistryEnvironment {
    // The folder of BoxIn.dat, BoxSend.dat, BoxNotSend.dat and BoxDraft.dat (UTF-8 path);
    // empty: nothing is read or written.
    std::string folder;
    // The current modem object's message control; may return null.
    std::function<ISmsControl*()> sms_control;
};

// The program's own: the data folder, the current modem object's message control.
SMSBoxRegistryEnvironment DefaultSMSBoxRegistryEnvironment();

class SMSBoxRegistry {
public:
    enum PCBox { kInbox, kSent, kUnsent, kDrafts, kPCBoxCount };

    // Reads the four files in the order inbox, sent, unsent, drafts (a missing or unreadable
    // file gives an empty box).
    explicit SMSBoxRegistry(SMSBoxRegistryEnvironment env);
    // Saves the boxes (Save()).
    ~SMSBoxRegistry();
    SMSBoxRegistry(const SMSBoxRegistry&) = delete;
    SMSBoxRegistry& operator=(const SMSBoxRegistry&) = delete;

    // The process-wide registry, made on first use with the default environment.
    static SMSBoxRegistry& Instance();
    // Ends the process-wide registry (saving the boxes), if it was made. Called at the
    // program's normal end.
    static void ShutdownInstance();
    // Whether the process-wide registry exists now.
    static bool HasInstance();

    CSMSBoxPC* Inbox() { return box(kInbox); }
    CSMSBoxPC* Sent() { return box(kSent); }
    CSMSBoxPC* Unsent() { return box(kUnsent); }
    CSMSBoxPC* Drafts() { return box(kDrafts); }
    CSMSBoxPC* box(PCBox which) { return boxes_[which].get(); }
    // The file name of a box ("BoxIn.dat", ...).
    static const char* FileName(PCBox which);

    // The card boxes of the current modem object (null without one).
    ISmsControl* SmsControl();
    IMessageBox* CardBox1();
    IMessageBox* CardBox2();
    IMessageBox* CardBox4();

    // Writes the four files now (atomically), in the order inbox, sent, unsent, drafts. False
    // when one was not written. A file that was there but could not be read is never written
    // over: it may hold messages this run never saw.
    bool Save();

private:
    SMSBoxRegistryEnvironment env_;
    std::unique_ptr<CSMSBoxPC> boxes_[kPCBoxCount];
    bool unreadable_[kPCBoxCount] = {};
};

}  // namespace dedevev
