#pragma once
// A card whose network search, registration and preferred system answer what the test sets;
// CheckAlive tells whether it is still there.

#include <string>
#include <vector>

#include "device/DeviceStatus.h"
#include "device/null/NullObjects.h"

namespace dedevev::test {

class NetworkCard : public CNullDeviceControl {
public:
    void SetNetworkMode(int mode, int* status) override {
        modes.push_back(mode);
        SetStatus(status, kStatusOk);
    }
    std::vector<std::string> SearchNetworks(int* status) override {
        if (search_ok)
            SetStatus(status, kStatusOk);
        return networks;
    }
    void SelectNetwork(const std::string& name, int* status) override {
        selected = name;
        if (select_ok)
            SetStatus(status, kStatusOk);
    }
    void CheckAlive(int* status) override {
        if (alive)
            SetStatus(status, kStatusOk);
    }
    std::string GetOperatorName(int* status) override {
        SetStatus(status, kStatusOk);
        return operator_name;
    }

    std::vector<std::string> networks{R"(2,"Test Network","Test","00101",2)",
                                      R"(1,"Test Network 2G","Test2G","00103",0)", "short"};
    bool search_ok = true;
    bool select_ok = true;
    bool alive = true;
    std::string operator_name = "Test Network 2G";
    std::vector<int> modes;
    std::string selected;
};

}  // namespace dedevev::test
