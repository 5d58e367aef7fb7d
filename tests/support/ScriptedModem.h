#pragma once
// A modem object whose card answers what the test sets, for the threads and windows that poll it.

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "device/IModemAgent.h"
#include "device/null/NullObjects.h"

namespace dedevev::test {

// A card whose answers the test sets; every call counts. The commands no test asks about do
// nothing, as on a card without them.
class ScriptedControl : public CNullDeviceControl {
public:
    int GetSignalLevel(int* s) override { return Answer(signal_ok, s, signal); }
    std::string GetImsi(int* s) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++imsi_reads;
        if (imsi_answers.empty())
            return {};
        auto [ok, text] = imsi_answers.front();
        if (imsi_answers.size() > 1)
            imsi_answers.erase(imsi_answers.begin());
        if (ok)
            SetStatus(s, kStatusOk);
        return text;
    }
    std::uint8_t GetIndicator(int* s) override { return Answer(indicator_ok, s, indicator); }
    std::string GetCardStatus(int* s) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++card_reads;
        SetStatus(s, kStatusOk);
        return card;
    }
    ServiceInfo GetServiceInfo(int* s) override { return Answer(service_ok, s, service); }
    std::string GetOperatorName(int* s) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++operator_reads;
        if (!operator_ok)
            return {};
        SetStatus(s, kStatusOk);
        return operator_name;
    }
    std::uint8_t GetWorkMode(int* s) override { return Answer(workmode_ok, s, workmode); }
    std::string GetWifiSsid(int* s) override { return Answer(ssid_ok, s, ssid); }

    template <typename T>
    T Answer(bool ok, int* s, const T& value) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!ok)
            return T{};
        SetStatus(s, kStatusOk);
        return value;
    }

    std::mutex mutex;
    bool signal_ok = true;
    int signal = 17;
    bool indicator_ok = true;
    std::uint8_t indicator = 3;
    std::string card = "READY";
    bool service_ok = true;
    ServiceInfo service{0, kSystemModeWcdma, 0, 0, 0, kCardTypeUsim, kServiceAvailable};
    bool workmode_ok = false;
    std::uint8_t workmode = kWorkModeDongle;
    bool ssid_ok = true;
    std::string ssid;
    std::vector<std::pair<bool, std::string>> imsi_answers{{true, "510010123456789"}};
    int imsi_reads = 0;
    int card_reads = 0;
    bool operator_ok = true;
    std::string operator_name = "DEDEVev Mobile";
    int operator_reads = 0;
};

// Records the storages asked for; no card boxes.
class StorageRecorder : public CNullSmsControl {
public:
    void SetStorage(const std::string& a, const std::string& b, const std::string& c,
                    int* s) override {
        calls.push_back(a + "," + b + "," + c);
        if (succeed)
            SetStatus(s, kStatusOk);
    }
    std::vector<std::string> calls;
    bool succeed = true;
};

class ScriptedAgent : public IModemAgent {
public:
    IDeviceControl* GetDeviceControl() override { return &control; }
    IVoiceControl* GetVoiceControl() override { return &voice; }
    IPhonebookStore* GetPhonebookStore() override { return &phonebooks; }
    ISmsControl* GetSmsControl() override { return &sms; }
    ICardService* GetCardService() override { return &card; }
    bool Open(const std::string&, int, int*) override { return true; }
    void Close() override {}
    void EnableLog(bool) override {}

    ScriptedControl control;
    StorageRecorder sms;
    CNullVoiceControl voice;
    CNullPhonebookStore phonebooks;
    CNullCardService card;
};

}  // namespace dedevev::test
