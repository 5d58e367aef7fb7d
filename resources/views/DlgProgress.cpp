#include "resources/views/DlgProgress.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>

#include <algorithm>
#include <chrono>

#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {

namespace {

constexpr int kEndTickMs = 30;
constexpr std::chrono::milliseconds kEndWait{10};

CThreadProgress*& CurrentWorkerSlot() {
    static CThreadProgress* worker = nullptr;
    return worker;
}

}  // namespace

CDlgProgress::CDlgProgress(CThreadProgress* worker, const QFont* font, QWidget* parent,
                           const QString& background)
    : QDialog(parent),
      worker_(worker),
      background_(background),
      init_layout_(background.compare("InitBK", Qt::CaseInsensitive) == 0) {
    setObjectName("DlgProgress");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    previous_worker_ = CurrentWorkerSlot();
    CurrentWorkerSlot() = worker_;

    label_ = new QLabel(this);
    label_->setObjectName("ProgressText");
    label_->setTextFormat(Qt::PlainText);
    label_->setFont(font != nullptr ? *font : LocalFont("Normal"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName("ProgressBar");
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);

    const bool cancelable = worker_ != nullptr && worker_->IsCancelable();
    if (init_layout_) {
        setWindowOpacity(230.0 / 255.0);
        setFixedSize(465, 239);
    } else {
        setFixedSize(400, cancelable ? 82 : 70);
    }
    cancel_ = new CSkinButtonEx(this);
    cancel_->setObjectName("BtnCancel");
    cancel_->SetImageSet("Btn");
    cancel_->SetCaption("BtnCancel", "DlgWriteSMS");
    cancel_->setVisible(cancelable && !init_layout_);
    connect(cancel_, &QAbstractButton::clicked, this, &CDlgProgress::StartEnding);
    end_timer_.setInterval(kEndTickMs);
    connect(&end_timer_, &QTimer::timeout, this, &CDlgProgress::EndTick);
    Layout();
}

CDlgProgress::~CDlgProgress() {
    // The window never closes while the worker runs; a window destroyed unopened leaves a
    // worker that never started.
    if (worker_ != nullptr && !worker_->IsRunning())
        worker_->SetProgressWindow(nullptr);
    if (CurrentWorkerSlot() == worker_)
        CurrentWorkerSlot() = previous_worker_;
}

CThreadProgress* CDlgProgress::CurrentWorker() {
    return CurrentWorkerSlot();
}

void CDlgProgress::Layout() {
    const int w = width();
    const int h = height();
    if (init_layout_) {
        label_->setGeometry(30, h - 60, w - 60, 20);
        bar_->setGeometry(30, h - 40, w - 60, 16);
        return;
    }
    label_->setGeometry(7, 7, w - 14 - 7, 24);
    bar_->setGeometry(7, label_->geometry().bottom() + 1 + 4, w - 14 - 7, 16);
    cancel_->move(w / 2 - 40, bar_->geometry().bottom() + 1 + 4);
}

void CDlgProgress::SetCancelText(const QString& text) {
    cancel_->SetCaption(text);
}

void CDlgProgress::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_)
        return;
    started_ = true;
    if (worker_ == nullptr) {
        StartEnding();
        return;
    }
    worker_->SetProgressWindow(this);
    if (!worker_->Start())
        StartEnding();  // refused to start: nothing will report its end
}

void CDlgProgress::OnProgressStep(int step, int total) {
    {
        std::lock_guard<std::mutex> lock(report_lock_);
        step_pending_ = true;
        step_ = step;
        total_ = total;
    }
    wake_.Wake();
}

void CDlgProgress::OnProgressText(const std::u16string& text) {
    {
        std::lock_guard<std::mutex> lock(report_lock_);
        text_pending_ = true;
        text_ = text;
    }
    wake_.Wake();
}

void CDlgProgress::OnJobEnded() {
    {
        std::lock_guard<std::mutex> lock(report_lock_);
        ended_pending_ = true;
    }
    wake_.Wake();
}

void CDlgProgress::ApplyReports() {
    bool step_pending = false, text_pending = false, ended = false;
    int step = 0, total = 0;
    std::u16string text;
    {
        std::lock_guard<std::mutex> lock(report_lock_);
        std::swap(step_pending, step_pending_);
        std::swap(text_pending, text_pending_);
        std::swap(ended, ended_pending_);
        step = step_;
        total = total_;
        text = text_;
    }
    if (step_pending) {
        bar_->setRange(0, total);
        bar_->setValue(step);
    }
    if (text_pending)
        label_->setText(ToQString(text));
    // The worker's thread is about to end: look once now (it has usually ended by the time
    // this runs), then at every tick of the end timer.
    if (ended && !closing_)
        StartEnding();
}

void CDlgProgress::StartEnding() {
    EndTick();
    if (!closing_)
        end_timer_.start();
}

void CDlgProgress::EndTick() {
    if (closing_)
        return;
    if (worker_ != nullptr) {
        worker_->Cancel();
        if (!worker_->Wait(kEndWait))
            return;
    }
    closing_ = true;
    end_timer_.stop();
    // The thread has ended: nothing reports to this window any more.
    if (worker_ != nullptr)
        worker_->SetProgressWindow(nullptr);
    QDialog::accept();
}

void CDlgProgress::reject() {
    // Escape and the window's close ask the worker to stop, like the Cancel button.
    StartEnding();
}

void CDlgProgress::accept() {
    // Enter closes only a window whose worker has finished.
    if (worker_ == nullptr || !worker_->IsRunning())
        StartEnding();
}

void CDlgProgress::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CDlgProgress::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const std::u16string background = FromQString(background_);
    DrawPictureOrFill(painter, background, rect(), DialogBodyColor());
    ISkin* skin = CGlobalService::Instance().Skin();
    if (init_layout_ && !HasPicture(skin->GetBitmap(background))) {
        // The start-up window without its picture: the product's name on the dark band the
        // picture would show, above the light strip that holds the text and the bar.
        const QRect band(0, 0, width(), height() - 70);
        painter.fillRect(band, DialogFrameColor());
        QFont font = LocalFont("Title");
        font.setPointSizeF(std::max(font.pointSizeF(), 9.0) * 2);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(band, Qt::AlignCenter, ToQString(LocalTextOr("DEDEVev", "", u"DEDEVev")));
        painter.fillRect(QRect(0, band.bottom() + 1, width(), 2), AccentColor());
    }
    painter.setPen(DialogFrameColor());
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i)
        painter.drawRect(rect().adjusted(i, i, -i - 1, -i - 1));
}

void RunBehindProgress(CThreadProgress& job, QWidget* parent, const QString& cancel_text) {
    const QFont font = LocalFont("Normal");
    CDlgProgress progress(&job, &font, parent, "Dlg_BK");
    if (!cancel_text.isEmpty())
        progress.SetCancelText(cancel_text);
    progress.exec();
    // The window closes only once the worker's thread has ended; this makes its results ours.
    job.Wait(std::chrono::hours(24));
}

ProgressRunner ProgressRunnerOver(QWidget* parent) {
    return [parent](CThreadProgress& job) { RunBehindProgress(job, parent); };
}

bool NoProgressJobRunning() {
    CThreadProgress* worker = CDlgProgress::CurrentWorker();
    return worker == nullptr || !worker->IsRunning();
}

}  // namespace dedevev
