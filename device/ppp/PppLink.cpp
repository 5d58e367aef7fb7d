// The dial-up library's object: keeps what the program sets before a dial and hands each dial
// to the driver the card calls for, the simulated link when the data port belongs to a
// simulated card and pppd otherwise.

#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>

#include "device/at/transport/DataPort.h"
#include "device/base/Utf.h"
#include "device/ppp/IPppClient.h"
#include "device/ppp/PppdClient.h"
#include "device/ppp/SimulatedLink.h"
#include "device/probe/SimulatedCards.h"

namespace dedevev {
namespace {

// Whether `device` is a port of a simulated card announced in the simulated-device folder:
// of any card there, not only the first, and by the device it names (a link to it counts).
bool IsSimulatedPort(const std::string& device) {
    if (device.empty())
        return false;
    for (const probe::Announcement& card :
         probe::FindSimulatedCards(probe::DefaultDeviceFolder(), ::geteuid())) {
        for (const std::string* port : {&card.data, &card.at}) {
            if (!port->empty() && at::IsSameDevice(*port, device))
                return true;
        }
    }
    return false;
}

class PppLinkClient final : public IPppClient {
public:
    explicit PppLinkClient(ICDMATime* time) : time_(time) {}

    void SetPort(const std::u16string& port) override {
        std::lock_guard lock(mutex_);
        port_ = port;
        if (driver_)
            driver_->SetPort(port);
    }
    void SetOperatorText(const std::string& text) override {
        std::lock_guard lock(mutex_);
        operator_text_ = text;
        if (driver_)
            driver_->SetOperatorText(text);
    }
    void SetAuthProtocols(std::uint8_t chap, std::uint8_t pap) override {
        std::lock_guard lock(mutex_);
        chap_ = chap;
        pap_ = pap;
        if (driver_)
            driver_->SetAuthProtocols(chap, pap);
    }
    bool Dial(const DialParams& params) override {
        const bool simulated = IsSimulatedPort(Utf16ToUtf8(params.device));
        std::shared_ptr<IPppClient> driver;
        std::shared_ptr<IPppClient> replaced;
        {
            std::lock_guard lock(mutex_);
            if (!driver_ || simulated != simulated_) {
                replaced = std::move(driver_);
                driver_ = simulated ? ppp::MakeSimulatedLink(time_) : ppp::MakePppdClient(time_);
                simulated_ = simulated;
                if (driver_) {
                    driver_->SetPort(port_);
                    if (!operator_text_.empty())
                        driver_->SetOperatorText(operator_text_);
                    driver_->SetAuthProtocols(chap_, pap_);
                    driver_->SetListener(listener_);
                }
            }
            driver = driver_;
        }
        if (replaced)
            replaced->HangUp();  // the other driver's link ends before this one dials
        if (!driver) {
            errno = kDialErrorFatal;
            return false;
        }
        return driver->Dial(params);
    }
    void HangUp() override {
        if (std::shared_ptr<IPppClient> driver = Driver())
            driver->HangUp();
    }
    int GetState(int* error) override {
        if (std::shared_ptr<IPppClient> driver = Driver())
            return driver->GetState(error);
        return kDialStateDisconnected;
    }
    std::u16string GetErrorText(int error) override { return DialErrorText(error); }
    bool GetByteCounters(std::uint64_t* sent, std::uint64_t* received) override {
        std::shared_ptr<IPppClient> driver = Driver();
        return driver != nullptr && driver->GetByteCounters(sent, received);
    }
    bool GetStatistics(SessionStats* stats) override {
        std::shared_ptr<IPppClient> driver = Driver();
        return driver != nullptr && driver->GetStatistics(stats);
    }
    std::u16string GetInfoText() override {
        std::shared_ptr<IPppClient> driver = Driver();
        return driver != nullptr ? driver->GetInfoText() : std::u16string();
    }
    void SetListener(IRasListener* listener) override {
        std::lock_guard lock(mutex_);
        listener_ = listener;
        if (driver_)
            driver_->SetListener(listener);
    }

private:
    // Dial() may replace the driver while another thread reads the statistics or the info
    // text: each call holds the driver it uses until it returns.
    std::shared_ptr<IPppClient> Driver() {
        std::lock_guard lock(mutex_);
        return driver_;
    }

    ICDMATime* const time_;
    std::mutex mutex_;
    std::shared_ptr<IPppClient> driver_;
    bool simulated_ = false;
    std::u16string port_;
    std::string operator_text_;
    std::uint8_t chap_ = 0;
    std::uint8_t pap_ = 0;
    IRasListener* listener_ = nullptr;
};

}  // namespace

IPppClient* CreatePppClient(ICDMATime* time) {
    return new PppLinkClient(time);
}

void ReleasePppClient(IPppClient* client) {
    if (client != nullptr)
        client->HangUp();
    delete client;
}

}  // namespace dedevev
