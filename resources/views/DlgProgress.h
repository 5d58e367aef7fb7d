#pragma once
// The modal progress window of a long card operation: runs a CThreadProgress worker, shows
// its steps and text, and closes once the worker's thread has ended.

#include <QDialog>
#include <QFont>
#include <QString>
#include <QTimer>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/Thread.h"
#include "resources/views/ThreadWake.h"

class QLabel;
class QProgressBar;

namespace dedevev {

class CSkinButtonEx;

class CDlgProgress : public QDialog, public IProgressSink {
    Q_OBJECT
public:
    // `background` names the skin image stretched over the window ("Dlg_BK", or "InitBK"
    // for the start-up window, which gets its own larger, slightly translucent layout).
    CDlgProgress(CThreadProgress* worker, const QFont* font, QWidget* parent,
                 const QString& background = "Dlg_BK");
    ~CDlgProgress() override;

    void SetCancelText(const QString& text);

    // The worker of the progress window that is open now (null when none), so that the
    // main window can end it when the program must close.
    static CThreadProgress* CurrentWorker();

    // Called on the worker's thread; each is carried over to the window thread.
    void OnProgressStep(int step, int total) override;
    void OnProgressText(const std::u16string& text) override;
    void OnJobEnded() override;

    // The interval of the end-check timer (0 while it is not running).
    int EndTimerInterval() const { return end_timer_.isActive() ? end_timer_.interval() : 0; }

    void reject() override;
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Layout();
    void StartEnding();
    void EndTick();
    // Applies what the worker reported since the last wake-up (window thread).
    void ApplyReports();

    CThreadProgress* worker_;
    QString background_;
    bool init_layout_;
    bool started_ = false;
    bool closing_ = false;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    CSkinButtonEx* cancel_ = nullptr;
    QTimer end_timer_;
    CThreadProgress* previous_worker_ = nullptr;

    // Reports from the worker's thread, handed over under the lock.
    std::mutex report_lock_;
    bool step_pending_ = false;
    int step_ = 0;
    int total_ = 0;
    bool text_pending_ = false;
    std::u16string text_;
    bool ended_pending_ = false;
    CThreadWake wake_{this, [this] { ApplyReports(); }};
};

// Runs `job` behind a progress window over `parent` and returns once the job's thread has
// ended, so that its results are the caller's to read. `cancel_text`, when not empty, is the
// cancel button's caption meanwhile.
void RunBehindProgress(CThreadProgress& job, QWidget* parent,
                       const QString& cancel_text = QString());
// A runner that does so over `parent`.
ProgressRunner ProgressRunnerOver(QWidget* parent);
// Whether no job behind a progress window runs now (the stores such a job changes on its
// thread may be read safely).
bool NoProgressJobRunning();

}  // namespace dedevev
