#pragma once
// One call as the call manager times it and the call history keeps it.

#include <cstdint>
#include <string>

#include "device/DateTimeFields.h"

namespace dedevev {

struct CallRecord {
    std::u16string number;      // empty when the caller withheld it
    std::u16string name;        // empty here: views look names up by number
    DateTimeFields start;       // when the call's parties were set
    std::int32_t duration = 0;  // talk time in whole seconds
    bool seen = false;
    std::int32_t reserved = 0;

    friend bool operator==(const CallRecord&, const CallRecord&) = default;
};

}  // namespace dedevev
