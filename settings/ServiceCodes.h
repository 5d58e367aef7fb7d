#pragma once
// The fixed rows of the call-waiting and call-forwarding service-code table.

#include <string>

namespace dedevev {

// One row: its identifier, its name (also its key in section "ServiceCode" of Set.dat) and
// whether the code is followed by a forwarding number.
struct ServiceCodeRow {
    int id;
    std::u16string name;
    bool takes_number;

    friend bool operator==(const ServiceCodeRow&, const ServiceCodeRow&) = default;
};

// Identifiers of the rows.
enum ServiceCodeId : int {
    kActvWaiting = 0,
    kDeactvWaiting = 1,
    kActvUncondForw = 2,
    kDeactvUncondForw = 3,
    kActvBusyForw = 4,
    kDeactvBusyForw = 5,
    kActvNoAnswForw = 6,
    kDeactvNoAnswForw = 7,
    kDeactvAll = 8,
};

constexpr int kServiceCodeRowCount = 9;

}  // namespace dedevev
