#include "settings/views/DlgSetUssd.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <limits>

#include "core/MessageBox.h"
#include "device/DeviceHolder.h"
#include "device/IModemAgent.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"
#include "resources/views/WindowMessageQueue.h"
#include "settings/UssdExchange.h"
#include "settings/views/DlgUssd.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgUssd";
constexpr int kTickMs = 1000;

void ShowReplyDialog(QWidget* over, const QString& reply,
                     std::function<void(const QString&)> send) {
    CDlgUssd dialog(reply, std::move(send), over);
    dialog.exec();
}

}  // namespace

UssdPageEnvironment DefaultUssdPageEnvironment() {
    UssdPageEnvironment env;
    if (IModemAgent* agent = Devices().ModemAgent())
        env.card = agent->GetCardService();
    env.show_reply = ShowReplyDialog;
    return env;
}

CDlgSetUssd::CDlgSetUssd(UssdPageEnvironment environment, QWidget* parent)
    : CModulePage(kSection, "Title", parent), env_(std::move(environment)) {
    setObjectName("DlgSetUssd");
    if (!env_.show_reply)
        env_.show_reply = ShowReplyDialog;

    // The page background's tab carries the page's name.
    QLabel* tab = captions_.AddLabel(this, "Title", kSection, QRect(8, 4, 110, 28));
    tab->setObjectName("UssdTabName");
    tab->setAlignment(Qt::AlignCenter);
    tab->setFont(LocalFont("Navigation"));
    text1_ = captions_.AddLabel(this, "StaticText1", kSection, QRect());
    text2_ = captions_.AddLabel(this, "StaticText2", kSection, QRect());
    request_label_ = captions_.AddLabel(this, "StaticUssd", kSection, QRect());
    request_ = AddEdit(this, "UssdRequest", QRect());
    request_->setFont(LocalFont("Normal"));
    request_->setMaxLength(std::numeric_limits<int>::max());
    send_ = AddButton(this, "UssdSend", "BtnSend", kSection);
    connect(send_, &QAbstractButton::clicked, this, &CDlgSetUssd::Send);
    connect(request_, &QLineEdit::returnPressed, this, &CDlgSetUssd::Send);

    queue_ = std::make_unique<CWindowMessageQueue>(
        this, [this](const WindowMessage& message) { HandleMessage(message); });
    exchange_ = std::make_unique<CUssdExchange>(
        env_.card, queue_.get(), env_.clock != nullptr ? *env_.clock : ProcessClock());

    timer_ = new QTimer(this);
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &CDlgSetUssd::CheckAnswerTime);
    timer_->start();
    Layout();
}

CDlgSetUssd::~CDlgSetUssd() {
    // The listener goes first, so that nothing posts to a queue that is gone.
    exchange_.reset();
    queue_->Shutdown();
}

void CDlgSetUssd::OnLanguageChanged() {
    captions_.Refresh();
    request_->setFont(LocalFont("Normal"));
    CModulePage::OnLanguageChanged();
}

void CDlgSetUssd::Send() {
    exchange_->Send(request_->text().toStdString());
}

void CDlgSetUssd::CheckAnswerTime() {
    Show(exchange_->Tick());
}

void CDlgSetUssd::HandleMessage(const WindowMessage& message) {
    Show(exchange_->Handle(message));
}

void CDlgSetUssd::Show(const UssdAction& action) {
    if (action.kind == UssdAction::kNone)
        return;
    // Out of the current handler: both are modal and run an event loop of their own, in which
    // the next reply may open its dialog on top.
    QPointer<CDlgSetUssd> self = this;
    QMetaObject::invokeMethod(
        this,
        [self, action] {
            if (self == nullptr)
                return;
            if (action.kind == UssdAction::kShowNotice) {
                ShowMessage(action.text, LocalText("Title", kSection), kMbOk | kMbIconInformation);
                return;
            }
            QWidget* over = QApplication::activeModalWidget();
            if (over == nullptr)
                over = self->window();
            self->env_.show_reply(over, ToQString(action.text), [self](const QString& answer) {
                // What the network makes of an answer comes as its next reply; a refused
                // answer is not reported.
                if (self != nullptr)
                    self->exchange_->Send(answer.toStdString(), false);
            });
        },
        Qt::QueuedConnection);
}

void CDlgSetUssd::resizeEvent(QResizeEvent* event) {
    CModulePage::resizeEvent(event);
    Layout();
}

void CDlgSetUssd::Layout() {
    const int label_width = std::max(width() - 10 - 100, 0);
    text1_->setGeometry(100, 50, label_width, 20);
    text2_->setGeometry(100, 70, label_width, 20);
    request_label_->setGeometry(100, 130, label_width, 20);
    request_->setGeometry(100, 150, 300, 20);
    send_->move(405, 150);
}

}  // namespace dedevev
