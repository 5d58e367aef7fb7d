#include "settings/views/DlgUssd.h"

#include <QPlainTextEdit>

#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

namespace {
constexpr char kSection[] = "DlgUssd";
}

CDlgUssd::CDlgUssd(const QString& reply, std::function<void(const QString&)> send, QWidget* parent)
    : CSkinnedDialog(parent), send_(std::move(send)) {
    setObjectName("DlgUssd");
    setFixedSize(kWidth, kHeight);

    // Plain text: a reply holding "<b>" or "&amp;" shows those characters as they came.
    reply_ = new QPlainTextEdit(this);
    reply_->setObjectName("UssdReplyText");
    reply_->setReadOnly(true);
    reply_->setFont(LocalFont("Normal"));
    reply_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    reply_->setGeometry(30, 30, 340, 180);
    reply_->setPlainText(reply);

    captions_.AddLabel(this, "StaticUssd", kSection, QRect(20, 220, 360, 18));
    answer_ = AddEdit(this, "UssdAnswer", QRect(50, 240, 250, 23));
    answer_->setFont(LocalFont("Normal"));
    send_button_ = AddButton(this, "UssdReplySend", "BtnSend", kSection);
    send_button_->move(310, 240);

    close_ = new CSkinButtonEx(this);
    close_->setObjectName("UssdReplyClose");
    close_->SetImageSet("Dlg_Close");
    close_->setFocusPolicy(Qt::NoFocus);
    close_->move(width() - 25 - close_->width(),
                 std::max((CaptionHeight() - close_->height()) / 2, 0));

    connect(send_button_, &QAbstractButton::clicked, this, &CDlgUssd::Send);
    connect(answer_, &QLineEdit::returnPressed, this, &CDlgUssd::Send);
    connect(close_, &QAbstractButton::clicked, this, &QDialog::reject);
    reply_->setFocus();
    OnLanguageChanged();
}

QString CDlgUssd::Caption() const {
    return LocalQText("Title", kSection);
}

QString CDlgUssd::ReplyText() const {
    return reply_->toPlainText();
}

void CDlgUssd::OnLanguageChanged() {
    captions_.Refresh();
    setWindowTitle(Caption());
    CSkinnedDialog::OnLanguageChanged();
}

void CDlgUssd::Send() {
    if (send_)
        send_(answer_->text());
    accept();
}

}  // namespace dedevev
