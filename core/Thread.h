#pragma once
// Worker thread bases. CThread owns one std::thread that runs Run(); CThreadProgress is a job
// shown by a progress window (IProgressSink), which it tells of its steps and of its end.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "device/base/Event.h"

namespace dedevev {

class CThread {
public:
    CThread() = default;
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;
    // Waits for a thread still running. A derived class whose Run() uses its own members must
    // end its thread in its own destructor (Join()), before those members go away.
    virtual ~CThread();

    // True when the thread runs already or was started now; false when CanStart() refused or
    // no thread could be made.
    bool Start();
    bool IsRunning() const;
    // Waits up to `timeout` for the thread to end; true when it has ended (or never started).
    bool Wait(std::chrono::milliseconds timeout);
    // Whether a thread was ever started.
    bool WasStarted() const;

protected:
    virtual void Run() = 0;
    virtual bool CanStart() { return true; }
    // Waits until the thread has ended and releases it.
    void Join();

private:
    void Body();

    mutable std::mutex mutex_;
    std::thread thread_;
    std::shared_ptr<Event> ended_;
};

// What a progress window does for a job.
class IProgressSink {
public:
    virtual void OnProgressStep(int step, int total) = 0;
    virtual void OnProgressText(const std::u16string& text) = 0;
    // The job has ended; the window closes itself. Called on the job's thread.
    virtual void OnJobEnded() = 0;

protected:
    ~IProgressSink() = default;
};

class CThreadProgress : public CThread {
public:
    // The progress window (may be null); set before Start().
    void SetProgressWindow(IProgressSink* window) { progress_window_ = window; }
    IProgressSink* ProgressWindow() const { return progress_window_; }

    virtual bool IsCancelable() { return false; }
    virtual void Cancel() {}

    void ReportStep(int step, int total);
    void ReportText(const std::u16string& text);

protected:
    virtual void DoJob() = 0;
    // Runs the job, then tells the progress window that it has ended.
    void Run() override;

private:
    IProgressSink* progress_window_ = nullptr;
};

// How a view runs a job: `job` (its progress window not yet set) is run behind the view's
// progress window, and the call returns once it has ended.
using ProgressRunner = std::function<void(CThreadProgress& job)>;

// Starts `job` on its thread, without a window, and waits for its end.
void RunWithoutWindow(CThreadProgress& job);

}  // namespace dedevev
