#pragma once
// The clock object the program hands to the dial-up library: the local date and time as a
// DateTimeFields record.

#include "device/DateTimeFields.h"

namespace dedevev {

class ICDMATime {
public:
    // 0: the local date and time now, in a record held inside the object and refilled on every
    // call; it stays valid as long as the object.
    virtual DateTimeFields* GetTime() = 0;

    virtual ~ICDMATime() = default;
};

}  // namespace dedevev
