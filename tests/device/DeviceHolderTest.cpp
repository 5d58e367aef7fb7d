// The do-nothing device objects (no card is ever found, no message box exists), the
// process-wide holder of the hardware query and the modem object, and the device-change
// notice.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/DeviceHolder.h"
#include "device/null/NullObjects.h"

namespace dedevev {
namespace {

TEST(NullObjects, HardwareFindsNoCard) {
    CNullHardwareInfo null_hardware;
    IHardwareInfo* hw = &null_hardware;
    EXPECT_FALSE(hw->IsDevicePresent());
    EXPECT_FALSE(hw->Refresh());
    int code = 12345;
    EXPECT_FALSE(hw->CheckDriver(&code));
    EXPECT_FALSE(hw->CheckDriver(nullptr));
    for (const std::string& port :
         {hw->GetPort0(), hw->GetPort1(), hw->GetAtPort(), hw->GetVoicePort()}) {
        EXPECT_TRUE(port.empty());
    }
    hw->ProbeStart();
    hw->ResetDevice();
    EXPECT_FALSE(hw->IsDevicePresent());
}

TEST(NullObjects, SmsControlHasNoBoxes) {
    CNullSmsControl null_sms;
    EXPECT_EQ(null_sms.GetBox1(), nullptr);
    EXPECT_EQ(null_sms.GetBox2(), nullptr);
    EXPECT_EQ(null_sms.GetBox4(), nullptr);
    null_sms.SetSendFlag(1);
}

TEST(DeviceHolder, StartsWithoutModemObject) {
    DeviceHolder holder;
    EXPECT_EQ(holder.ModemAgent(), nullptr);
    holder.ReleaseModemAgent();  // releasing nothing is harmless
    EXPECT_EQ(holder.ModemAgent(), nullptr);
}

TEST(DeviceHolder, ResetReplacesAndReleaseClearsTheModemObject) {
    DeviceHolder holder;
    IModemAgent* first = holder.ResetModemAgent();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(holder.ModemAgent(), first);
    IModemAgent* second = holder.ResetModemAgent();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(holder.ModemAgent(), second);
    holder.ReleaseModemAgent();
    EXPECT_EQ(holder.ModemAgent(), nullptr);
    // The holder's destructor releases a live object too (checked by the sanitizer builds).
    holder.ResetModemAgent();
}

TEST(DeviceHolder, BeforeReleaseHandlersRunWhileAnObjectGoes) {
    DeviceHolder holder;
    std::vector<IModemAgent*> seen;
    const int id = holder.AddBeforeReleaseHandler([&] { seen.push_back(holder.ModemAgent()); });
    holder.ResetModemAgent();  // nothing to release yet
    holder.ResetModemAgent();
    holder.ReleaseModemAgent();
    holder.ReleaseModemAgent();  // nothing left
    holder.ResetModemAgent();
    holder.RemoveBeforeReleaseHandler(id);
    holder.ReleaseModemAgent();
    EXPECT_EQ(seen, (std::vector<IModemAgent*>{nullptr, nullptr}));
}

TEST(DeviceHolder, ProcessHolderIsOneObject) {
    EXPECT_EQ(&Devices(), &Devices());
    EXPECT_NE(Devices().Hardware(), nullptr);
}

TEST(DeviceStatus, DeviceChangeReachesTheCurrentHandlerOnly) {
    CDeviceStatus status;
    status.NotifyDeviceChanged();  // no handler yet: nothing happens

    int first = 0;
    int second = 0;
    status.SetDeviceChangedHandler([&] { ++first; });
    status.NotifyDeviceChanged();
    status.SetDeviceChangedHandler([&] { ++second; });
    status.NotifyDeviceChanged();
    status.NotifyDeviceChanged();
    status.SetDeviceChangedHandler(nullptr);
    status.NotifyDeviceChanged();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
}

TEST(DeviceStatus, HandlerMayReplaceItselfWhileRunning) {
    CDeviceStatus status;
    int calls = 0;
    status.SetDeviceChangedHandler([&] {
        ++calls;
        status.SetDeviceChangedHandler(nullptr);  // must not deadlock
    });
    status.NotifyDeviceChanged();
    status.NotifyDeviceChanged();
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace dedevev
