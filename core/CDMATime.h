#pragma once
// The program's clock object: the local date and time as a DateTimeFields record, read from
// the process clock's wall time (so that tests set it). One process-wide instance, made on
// first use; every time stamp of the program comes from it, and the dial-up library gets it
// as its ICDMATime.

#include <mutex>

#include "device/ICDMATime.h"

namespace dedevev {

class CCDMATime final : public ICDMATime {
public:
    // Refills the record inside the object and returns it. The record belongs to the caller
    // until the next call: code on more than one thread uses Now() instead.
    DateTimeFields* GetTime() override;
    // The local date and time now, by value; safe on any thread.
    DateTimeFields Now() const;

private:
    std::mutex mutex_;
    DateTimeFields time_;
};

// The process-wide clock object.
CCDMATime& CdmaTime();

}  // namespace dedevev
