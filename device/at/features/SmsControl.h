#pragma once
// ISmsControl over AT commands (3GPP TS 27.005, PDU mode) for GSM/UMTS/LTE and CDMA cards:
// the three card boxes, sending with the "> " prompt, the card's message settings, and the
// new-message notices (+CMTI, +CMT, +CDSI, +CDS, the storage-full notice) turned into
// ISMSEventHandler calls. A card that offers no new-message indication is polled instead.

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "device/ISmsControl.h"
#include "device/at/features/CardMessageBox.h"

namespace dedevev::at {

class ModemContext;

class SmsControl final : public ISmsControl, public SmsCardAccess {
public:
    explicit SmsControl(ModemContext& context);
    ~SmsControl();
    SmsControl(const SmsControl&) = delete;
    SmsControl& operator=(const SmsControl&) = delete;

    bool Send(const SMSMessage& message, int flags, int* status) override;
    IMessageBox* GetBox1() override { return &modem_box_; }   // "ME"
    IMessageBox* GetBox2() override { return &card_box_; }    // "SM"
    IMessageBox* GetBox4() override { return &report_box_; }  // "SR", status reports
    void SetSendFlag(std::uint8_t flag) override { send_flag_.store(flag); }
    void BeginMultiSend(int* status) override;
    void EndMultiSend(int* status) override;
    void SetMessageFormat(int format, int* status) override;
    void SetNewMessageIndication(int mode, int mt, int bm, int ds, int bfr, int* status) override;
    void SetStorage(const std::string& read_delete, const std::string& write_send,
                    const std::string& receive, int* status) override;

    // SmsCardAccess
    SmsFamily Family() override;
    std::recursive_mutex& StorageLock() override { return storage_lock_; }
    bool SelectReadStorage(const std::string& storage, StorageCounts* counts) override;
    Response RunCommand(const std::string& text) override;

    // The +CMS ERROR number of the last refused send (-1: none, or no number given).
    int LastSendError() const { return last_send_error_.load(); }
    // Whether new messages are found by polling the card (it offers no indication).
    bool Polling() const { return polling_.load(); }
    // How often the poll looks (tests shorten it).
    void SetPollInterval(std::chrono::milliseconds interval);
    // A new port was opened, or the card went away: forget the card's state.
    void Reset();

private:
    CardMessageBox& BoxOf(const std::string& storage);
    void OnStoredNotice(const std::string& line);
    void OnDeliveredNotice(const std::string& text, bool report);
    void OnStorageFullNotice(const std::string& line);
    void OnCardNotice(const std::string& line);
    void StartPolling();
    void PollLoop();
    void PollOnce();
    bool SendPart(const std::u16string& number, const std::u16string& text,
                  const SmsSendOptions& options);

    ModemContext& context_;
    CardMessageBox modem_box_;
    CardMessageBox card_box_;
    CardMessageBox report_box_;
    std::recursive_mutex storage_lock_;
    std::string read_storage_;   // guarded by storage_lock_; empty: not known
    bool cpms_in_full_ = false;  // guarded by storage_lock_: the card takes AT+CPMS only in full
    std::string receive_storage_ = "SM";
    std::atomic<std::uint8_t> send_flag_{0};
    std::atomic<int> last_send_error_{-1};
    std::atomic<int> next_reference_{1};
    std::vector<int> listener_ids_;

    std::atomic<bool> polling_{false};
    std::mutex poll_mutex_;
    std::condition_variable poll_wake_;
    bool poll_stop_ = false;
    std::chrono::milliseconds poll_interval_{10000};
    std::map<std::string, int> poll_used_;  // last seen count per storage
    std::thread poll_thread_;
};

}  // namespace dedevev::at
