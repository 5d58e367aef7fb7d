#pragma once
// Sending messages and reaching the card's message boxes.

#include <cstdint>
#include <string>

#include "device/DeviceStatus.h"
#include "device/IMessageBox.h"
#include "device/SMSMessage.h"

namespace dedevev {

class ISmsControl {
public:
    // 0: sends `message` to message.number; true when the card accepted it. `flags` is 0 in
    // this program.
    virtual bool Send(const SMSMessage& message, int flags, int* status) = 0;
    // 1: the inbox in the modem's own memory (null when the library has none).
    virtual IMessageBox* GetBox1() = 0;
    // 2: the inbox on the UIM card, storage "SM" (may be null).
    virtual IMessageBox* GetBox2() = 0;
    // 3: a further box, not used by the program.
    virtual IMessageBox* GetBox3() { return nullptr; }
    // 4: a further box whose unread count the program shows (may be null).
    virtual IMessageBox* GetBox4() = 0;
    // 5: not used by the program.
    virtual void Reserved5() {}
    // 6: set before each Send: 1 sends the next message in 16-bit characters, 0 lets the
    // library choose the alphabet.
    virtual void SetSendFlag(std::uint8_t flag) = 0;
    // 7, 8: a batch of several messages starts / has ended.
    virtual void BeginMultiSend(int* status) = 0;
    virtual void EndMultiSend(int* status) = 0;
    // 9: message format (0 = PDU, 1 = text).
    virtual void SetMessageFormat(int format, int* status) = 0;
    // 10: how the card reports new messages (mode, mt, bm, ds, bfr, as for +CNMI).
    virtual void SetNewMessageIndication(int mode, int mt, int bm, int ds, int bfr,
                                         int* status) = 0;
    // 11: the storages for reading and deleting, for writing and sending, and for receiving.
    virtual void SetStorage(const std::string& read_delete, const std::string& write_send,
                            const std::string& receive, int* status) = 0;

protected:
    ~ISmsControl() = default;
};

}  // namespace dedevev
