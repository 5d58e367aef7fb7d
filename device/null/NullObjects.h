#pragma once
// Do-nothing implementations of the device interfaces. Every operation leaves the status
// untouched (a failure) and answers 0, false, empty or null. They stand in where no card is
// reachable, and an implementation may hand them out for features its card lacks.

#include "device/IHardwareInfo.h"
#include "device/IModemAgent.h"

namespace dedevev {

class CNullDeviceControl : public IDeviceControl {
public:
    void ConfigureA(int, int*) override {}
    int GetSignalLevel(int*) override { return 0; }
    void CheckAlive(int*) override {}
    std::string GetImsi(int*) override { return {}; }
    std::uint8_t GetIndicator(int*) override { return 0; }
    std::string GetCardStatus(int*) override { return {}; }
    void ConfigureB(int, int*) override {}
    void SetApn(const std::string&, int*) override {}
    void SetCharacterSet(const std::string&, int*) override {}
    void SetNetworkMode(int, int*) override {}
    void HangUpData(int*) override {}
    std::vector<std::string> SearchNetworks(int*) override { return {}; }
    void SelectNetwork(const std::string&, int*) override {}
    ServiceInfo GetServiceInfo(int*) override { return {}; }
    std::string GetHardwareId(int*) override { return {}; }
    std::string GetOperatorName(int*) override { return {}; }
    std::uint8_t GetWorkMode(int*) override { return 0; }
    void SetWorkMode(std::uint8_t, int*) override {}
    std::string GetWifiSsid(int*) override { return {}; }
    void RestoreFactorySettings(int*) override {}
};

class CNullVoiceControl final : public IVoiceControl {
public:
    void VoiceDial(const std::string&, int*) override {}
    void VoiceOpen(int*) override {}
    void VoiceAnswer(int*) override {}
    void VoiceHangUp(int*) override {}
    void VoiceSendFlash(const std::string&, int*) override {}
    void VoiceJoin(int*) override {}
    void VoiceEndSecond(int*) override {}
    void VoiceAcceptWaiting(int*) override {}
    void VoiceSwapWaiting(int*) override {}
    void VoiceSendDtmf(int, char, int*) override {}
    void VoicePlayTone(std::uint16_t, int, int*) override {}
    void SetVolume(int, int*) override {}
    int GetCallState(int*) override { return 0; }
    void SetVoiceEventHandler(IVoiceEventHandler*) override {}
};

// An empty phonebook that never loads and refuses every change.
class CNullPhonebook final : public IPhonebook {
public:
    void AddObserver(ObserverType*) override {}
    void RemoveObserver(ObserverType*) override {}
    int GetCapacity() override { return 0; }
    int GetCount() override { return 0; }
    const CardContact& GetAt(int) override;
    bool RemoveAt(int) override { return false; }
    bool Update(int, const CardContact&) override { return false; }
    bool Add(const CardContact&, int*) override { return false; }
    void Load(ILoadingReport*, int*) override {}
    bool IsLoaded() override { return false; }
};

class CNullPhonebookStore final : public IPhonebookStore {
public:
    IPhonebook* GetModemPhonebook() override { return &modem_; }
    IPhonebook* GetUimPhonebook() override { return &uim_; }
    IPhonebook* GetEmergencyPhonebook() override { return &emergency_; }

private:
    CNullPhonebook modem_;
    CNullPhonebook uim_;
    CNullPhonebook emergency_;
};

// No card boxes: every box getter answers null.
class CNullSmsControl : public ISmsControl {
public:
    bool Send(const SMSMessage&, int, int*) override { return false; }
    IMessageBox* GetBox1() override { return nullptr; }
    IMessageBox* GetBox2() override { return nullptr; }
    IMessageBox* GetBox4() override { return nullptr; }
    void SetSendFlag(std::uint8_t) override {}
    void BeginMultiSend(int*) override {}
    void EndMultiSend(int*) override {}
    void SetMessageFormat(int, int*) override {}
    void SetNewMessageIndication(int, int, int, int, int, int*) override {}
    void SetStorage(const std::string&, const std::string&, const std::string&, int*) override {}
};

class CNullCardService : public ICardService {
public:
    bool IsPinRequired(int*) override { return false; }
    bool IsPukRequired(int*) override { return false; }
    void VerifyPin(const std::string&, int*) override {}
    int GetRemainingAttempts(int*) override { return 0; }
    int GetRemainingPukAttempts(int*) override { return 0; }
    void SetPinLock(const std::string&, bool, int*) override {}
    void ChangePin(const std::string&, const std::string&, int*) override {}
    void UnlockWithPuk(const std::string&, const std::string&, int*) override {}
    int GetPinLockState(int*) override { return 0; }
    bool IsPinCheckEnabled(int*) override { return false; }
    void SendUssd(const std::string&, int*) override {}
    void SetUssdListener(IUssdEventHandler*) override {}
};

// A hardware query that never finds a card.
class CNullHardwareInfo final : public IHardwareInfo {
public:
    std::string GetPort0() override { return {}; }
    std::string GetPort1() override { return {}; }
    std::string GetAtPort() override { return {}; }
    std::string GetVoicePort() override { return {}; }
    void ResetDevice() override {}
    bool IsDevicePresent() override { return false; }
    bool CheckDriver(int*) override { return false; }
    void ProbeStart() override {}
    bool Refresh() override { return false; }
};

}  // namespace dedevev
