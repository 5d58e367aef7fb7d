#include "core/Thread.h"

#include <system_error>

namespace dedevev {

CThread::~CThread() {
    Join();
}

bool CThread::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (thread_.joinable() && ended_ && !ended_->IsSet())
        return true;
    // An earlier run has ended: release it before starting anew.
    if (thread_.joinable())
        thread_.join();
    if (!CanStart())
        return false;
    auto ended = std::make_shared<Event>(Event::Reset::kManual);
    try {
        thread_ = std::thread([this, ended] {
            Body();
            ended->Set();
        });
    } catch (const std::system_error&) {
        return false;
    }
    ended_ = std::move(ended);
    return true;
}

void CThread::Body() {
    Run();
}

bool CThread::IsRunning() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return thread_.joinable() && ended_ && !ended_->IsSet();
}

bool CThread::WasStarted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_ != nullptr;
}

bool CThread::Wait(std::chrono::milliseconds timeout) {
    std::shared_ptr<Event> ended;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended = ended_;
    }
    return ended == nullptr || ended->WaitFor(timeout);
}

void CThread::Join() {
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        thread = std::move(thread_);
    }
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
        thread.join();
    else if (thread.joinable())
        thread.detach();
}

void CThreadProgress::Run() {
    DoJob();
    if (progress_window_ != nullptr)
        progress_window_->OnJobEnded();
}

void CThreadProgress::ReportStep(int step, int total) {
    if (progress_window_ != nullptr)
        progress_window_->OnProgressStep(step, total);
}

void CThreadProgress::ReportText(const std::u16string& text) {
    if (progress_window_ != nullptr)
        progress_window_->OnProgressText(text);
}

void RunWithoutWindow(CThreadProgress& job) {
    job.SetProgressWindow(nullptr);
    if (!job.Start())
        return;
    while (!job.Wait(std::chrono::hours(1))) {
    }
}

}  // namespace dedevev
