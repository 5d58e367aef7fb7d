#include "phonebook/NameRedrawBatcher.h"

#include <utility>

namespace dedevev {

NameRedrawBatcher::NameRedrawBatcher(INameMapping* mapping, Hooks hooks)
    : mapping_(mapping), hooks_(std::move(hooks)) {
    if (mapping_ != nullptr)
        mapping_->AddListener(this);
}

NameRedrawBatcher::~NameRedrawBatcher() {
    if (mapping_ != nullptr)
        mapping_->RemoveListener(this);
}

void NameRedrawBatcher::OnNameMappingChanged() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = true;
        quiet_ = false;
    }
    if (hooks_.restart_timer)
        hooks_.restart_timer();
}

void NameRedrawBatcher::OnTick() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!running_)
            return;  // a tick the timer had queued before it was stopped
        if (!quiet_) {
            quiet_ = true;
            return;
        }
        running_ = false;
    }
    if (hooks_.stop_timer)
        hooks_.stop_timer();
    if (hooks_.redraw)
        hooks_.redraw();
}

bool NameRedrawBatcher::Pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

}  // namespace dedevev
