#pragma once
// The sliding notice in the bottom right corner of the desktop (new messages, incoming
// calls): slides in, holds, slides out; clicks go to the shower's click action.

#include <QString>
#include <QTimer>
#include <QWidget>

#include <mutex>
#include <string>

#include "resources/views/ThreadWake.h"

namespace dedevev {

class CPopupWnd : public QWidget {
    Q_OBJECT
public:
    class IClickAction {
    public:
        virtual void OnPopupClick(bool left) = 0;

    protected:
        ~IClickAction() = default;
    };

    // Milliseconds per one-pixel step in and out, the hold time, and the step of a Close.
    struct Timing {
        int slide_ms = 20;
        int hold_ms = 5000;
        int close_slide_ms = 1;
    };

    // The one notice of the process; made on the window thread on first use.
    static CPopupWnd& Instance();

    // May be called from any thread: the action is swapped at once (it must outlive its
    // use or be replaced), the rest is carried over to the window thread. `action` may be
    // null. Title and body are shown as plain text.
    void Show(const QString& title, const QString& body, IClickAction* action);
    // Slides out at once.
    void Close();
    // Slides out at once when the notice now shown carries `action` (another notice stays).
    void CloseFor(IClickAction* action);

    void SetTiming(const Timing& timing) { timing_ = timing; }
    int VisibleHeight() const { return visible_height_; }
    int FullHeight() const;
    QString Title() const { return title_; }
    QString Body() const { return body_; }
    const QTimer& SlideInTimer() const { return slide_in_; }
    const QTimer& HoldTimer() const { return hold_; }
    const QTimer& SlideOutTimer() const { return slide_out_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CPopupWnd();
    void ShowOnWindowThread(const QString& title, const QString& body);
    // Runs the Show and Close requests made on other threads (window thread).
    void ApplyRequests();
    void CloseOnWindowThread();
    void Place();
    void SlideInTick();
    void HoldEnded();
    void SlideOutTick();

    Timing timing_;
    QString title_;
    QString body_;
    int visible_height_ = 0;
    QTimer slide_in_;   // the classic timer 10
    QTimer slide_out_;  // timer 11
    QTimer hold_;       // timer 12
    std::recursive_mutex action_lock_;
    IClickAction* action_ = nullptr;
    // Requests from other threads, under action_lock_.
    bool show_pending_ = false;
    bool close_pending_ = false;
    std::u16string pending_title_;
    std::u16string pending_body_;
    CThreadWake wake_{this, [this] { ApplyRequests(); }};
};

}  // namespace dedevev
