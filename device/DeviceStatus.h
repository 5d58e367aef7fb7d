#pragma once
// Result convention of every modem-library operation.
//
// An operation that can fail takes a trailing `int* status`. The caller presets it to
// kStatusUntouched; the library sets it to kStatusOk on success. Any other value (the
// untouched 256 included) is a failure. A null status pointer is allowed: the operation then
// runs but cannot report how it went.

namespace dedevev {

constexpr int kStatusUntouched = 256;
constexpr int kStatusOk = 1;
// Answered by SendUssd when the card has no USSD support.
constexpr int kStatusNotSupported = 257;

// Stores `value` through `status` when the caller gave one.
inline void SetStatus(int* status, int value) {
    if (status != nullptr) {
        *status = value;
    }
}

}  // namespace dedevev
