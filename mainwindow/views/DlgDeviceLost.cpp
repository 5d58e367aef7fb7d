#include "mainwindow/views/DlgDeviceLost.h"

#include <QLabel>
#include <QPointer>

#include "mainwindow/views/Unattended.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

namespace {

// The same size and arrangement as the message box, so both read alike.
constexpr char kSection[] = "DlgDeviceLost";
constexpr int kWidth = 300;
constexpr int kHeight = 160;
constexpr int kTextLeft = 70;

}  // namespace

CDlgDeviceLost::CDlgDeviceLost(QWidget* parent) : CSkinnedDialog(parent) {
    setObjectName("DlgDeviceLost");
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    SetEnterAccepts(true);
    setFixedSize(kWidth, kHeight);

    icon_ = new QLabel(this);
    icon_->setObjectName("DeviceLostIcon");
    icon_->setProperty("iconName", QString("MsgWarning"));

    info_ = new CTransparentStatic(QString(), this);
    info_->setObjectName("DeviceLostInfo");
    info_->setWordWrap(true);
    info_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    info_->setGeometry(kTextLeft, 28, kWidth - kTextLeft - 15, 92);

    ok_ = new CSkinButtonEx(this);
    ok_->setObjectName("DeviceLostOK");
    ok_->SetImageSet("Btn");
    ok_->SetCaption("BtnOK", kSection);
    ok_->move((kWidth - ok_->width()) / 2, 125);
    connect(ok_, &QAbstractButton::clicked, this, &QDialog::accept);

    SetIcon();
    OnLanguageChanged();
}

QString CDlgDeviceLost::Caption() const {
    return LocalQText("Title", kSection);
}

void CDlgDeviceLost::OnLanguageChanged() {
    info_->setFont(LocalFont("Normal"));
    info_->setText(LocalQText("Info", kSection));
    CSkinnedDialog::OnLanguageChanged();
}

void CDlgDeviceLost::OnSkinChanged() {
    SetIcon();
    CSkinnedDialog::OnSkinChanged();
}

void CDlgDeviceLost::SetIcon() {
    icon_->setPixmap(SkinIconPixmap(u"MsgWarning", QStyle::SP_MessageBoxWarning));
    icon_->setGeometry(QRect(QPoint(20, 50), icon_->pixmap().deviceIndependentSize().toSize()));
}

void ShowDeviceLost(QWidget* parent) {
    if (UnattendedDialogs()) {
        LogUnattended({"dialog", "DlgDeviceLost", LocalQText("Title", kSection),
                       LocalQText("Info", kSection)});
        return;
    }
    QPointer<CDlgDeviceLost> box = new CDlgDeviceLost(parent);
    box->exec();
    delete box.data();
}

}  // namespace dedevev
