#include "connection/views/DlgLink.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "connection/NetPageTexts.h"
#include "connection/NetProfileList.h"
#include "connection/views/PageTab.h"
#include "core/AppSettings.h"
#include "core/Customization.h"
#include "core/ExportRegistry.h"
#include "device/IDeviceControl.h"
#include "device/base/Utf.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

namespace {

// The skin's page background has a handle between a left and a right pane (x 374 to 384):
// the logo, the button and the profile go left of it, the totals right, the shortcuts under
// both.
constexpr QPoint kLogoAt(80, 60);
constexpr int kLeftPaneCentre = 190;
constexpr int kButtonY = 148;
constexpr QRect kProfileLabel(24, 214, 86, 24);
constexpr QRect kProfileBox(116, 214, 230, 24);
constexpr QRect kTotalsCard(404, 60, 290, 100);
constexpr int kTotalsRow[] = {71, 121};
constexpr QRect kOperatorRect(404, 176, 290, 22);
constexpr int kShortcutY = 310;
constexpr int kShortcutWidth = 92;
constexpr int kShortcutGap = 6;

}  // namespace

CDlgLink::CDlgLink(LinkPageEnvironment env, QWidget* parent)
    : CModulePage("DlgNet", "DlgLinkTitle", parent), env_(std::move(env)) {
    setObjectName("DlgLink");

    connect_ = new CSkinButtonEx(this);
    connect_->setObjectName("LinkConnect");
    connect_->SetImageSet("BtnBig");
    connect_->SetTextColor(Qt::white);
    connect_->SetCaption(LocalQText("Connect", "DlgNet"));
    connect(connect_, &QAbstractButton::clicked, this, &CDlgLink::OnConnectClicked);
    hold_ = new QTimer(this);
    hold_->setObjectName("LinkHoldTimer");
    hold_->setSingleShot(true);
    connect(hold_, &QTimer::timeout, this, [this] { connect_->setEnabled(true); });

    auto label = [this](const char* name, Qt::Alignment align) {
        auto* l = new CTransparentStatic(QString(), this);
        l->setObjectName(name);
        l->setAlignment(align | Qt::AlignVCenter);
        return l;
    };
    profile_label_ = label("ProfileLabel", Qt::AlignRight);
    profiles_ = new QComboBox(this);
    profiles_->setObjectName("ProfileBox");
    connect(profiles_, &QComboBox::activated, this, &CDlgLink::ApplyProfile);
    sent_caption_ = label("SentCaption", Qt::AlignLeft);
    sent_ = label("SentTotal", Qt::AlignRight);
    received_caption_ = label("ReceivedCaption", Qt::AlignLeft);
    received_ = label("ReceivedTotal", Qt::AlignRight);
    operator_ = label("OperatorText", Qt::AlignHCenter);
    operator_->setVisible(Customization().CompanionService());

    for (int i = 0; i < kShortcutCount; ++i) {
        auto* button = new CSkinButtonEx(this);
        button->setObjectName(QString("Shortcut%1").arg(i));
        button->SetImageSet("Btn");
        button->SetStretch(true);
        button->SetTextColor(Qt::white);
        button->SetCaption(QString("Shortcut%1").arg(i).toLatin1().constData(), "DlgNet");
        connect(button, &QAbstractButton::clicked, this, [this, i] {
            const std::u16string address = Customization().ShortcutAddress(i);
            if (!address.empty() && env_.open_url)
                env_.open_url(ToQString(address));
        });
        shortcuts_[i] = button;
    }
    ShowTraffic(0, 0);
    FillProfiles();
    RefreshTexts();
    Layout();
    Exports().BindLink(this);
}

CDlgLink::~CDlgLink() {
    Exports().BindLink(nullptr);
}

void CDlgLink::Layout() {
    connect_->move(kLeftPaneCentre - connect_->width() / 2, kButtonY);
    profile_label_->setGeometry(kProfileLabel);
    profiles_->setGeometry(kProfileBox);
    // Caption on the left, amount on the right, one row each.
    CTransparentStatic* totals[2][2] = {{sent_caption_, sent_}, {received_caption_, received_}};
    const int half = kTotalsCard.width() / 2 - 16;
    for (int i = 0; i < 2; ++i) {
        totals[i][0]->setGeometry(kTotalsCard.left() + 16, kTotalsRow[i], half, 28);
        totals[i][1]->setGeometry(kTotalsCard.center().x(), kTotalsRow[i], half, 28);
    }
    operator_->setGeometry(kOperatorRect);
    const int row = kShortcutCount * kShortcutWidth + (kShortcutCount - 1) * kShortcutGap;
    int x = (width() - row) / 2;
    for (CSkinButtonEx* button : shortcuts_) {
        button->setGeometry(x, kShortcutY, kShortcutWidth, button->height());
        x += kShortcutWidth + kShortcutGap;
    }
}

void CDlgLink::RefreshTexts() {
    const QFont normal = LocalFont("Normal");
    QFont bold = normal;
    bold.setBold(true);
    const QColor text = DialogFrameColor();
    for (CTransparentStatic* l : {profile_label_, sent_caption_, received_caption_, operator_})
        l->SetTextColor(text);
    profile_label_->setFont(normal);
    sent_caption_->setFont(normal);
    received_caption_->setFont(normal);
    operator_->setFont(normal);
    for (CTransparentStatic* l : {sent_, received_}) {
        l->setFont(bold);
        l->SetTextColor(AccentColor().darker(130));
    }
    profiles_->setFont(normal);
    connect_->SetFont(LocalFont("Status"));
    profile_label_->setText(LocalQText("ProfileName", "DlgNet"));
    sent_caption_->setText(LocalQText("Sent", "DlgNet"));
    received_caption_->setText(LocalQText("Received", "DlgNet"));
    const bool running = Exports().ConnectionExport()->IsRunning();
    connect_->SetCaption(LocalQText(running ? "Disconnect" : "Connect", "DlgNet"));
    update();
}

void CDlgLink::FillProfiles() {
    profiles_->clear();
    const NetProfileList& list = Profiles();
    for (std::size_t i = 0; i < list.Count(); ++i)
        profiles_->addItem(ToQString(list.At(i).name));
    profiles_->setCurrentIndex(list.FindByName(CurrentSettings().dial.name));
}

void CDlgLink::OnConnectClicked() {
    if (IDeviceControl* control = env_.device_control ? env_.device_control() : nullptr) {
        int status = kStatusUntouched;
        control->SetApn(Utf16ToUtf8(CurrentSettings().dial.apn), &status);
    }
    Exports().ConnectionExport()->ToggleConnection();
}

void CDlgLink::ApplyProfile(int index) {
    // By name: the entry's text is what the person saw and chose.
    const NetProfileList& list = Profiles();
    const int found = list.FindByName(FromQString(profiles_->itemText(index)));
    if (found < 0)
        return;
    AppSettings& settings = CurrentSettings();
    ApplyProfileToDial(list.At(static_cast<std::size_t>(found)), &settings.dial);
    settings.SaveSettings();
}

// ---- ILinkExport

void CDlgLink::SetConnectCaption(const std::u16string& caption) {
    connect_->SetCaption(ToQString(caption));
}

void CDlgLink::AddProfileName(const std::u16string& name) {
    // The list keeps its profiles sorted: the entry goes where the profile went, so that the
    // entries and the profiles keep the same indexes.
    const int at = Profiles().FindByName(name);
    const int index = at >= 0 && at <= profiles_->count() ? at : profiles_->count();
    profiles_->insertItem(index, ToQString(name));
    profiles_->setCurrentIndex(index);
}

void CDlgLink::ReplaceProfileName(const std::u16string& name, int index) {
    if (index < 0 || index >= profiles_->count())
        return;
    profiles_->setItemText(index, ToQString(name));
    profiles_->setCurrentIndex(index);
}

void CDlgLink::SelectProfile(int index) {
    if (index >= 0 && index < profiles_->count())
        profiles_->setCurrentIndex(index);
}

void CDlgLink::DeleteProfileName(int index) {
    if (index < 0 || index >= profiles_->count())
        return;
    profiles_->removeItem(index);
    profiles_->setCurrentIndex(profiles_->count() > 0 ? 0 : -1);
}

void CDlgLink::SetOperatorName(const std::u16string& name) {
    operator_->setText(ToQString(name));
}

void CDlgLink::ShowTraffic(double received_kb, double sent_kb) {
    sent_->setText(QString::fromStdString(SizeText(sent_kb)));
    received_->setText(QString::fromStdString(SizeText(received_kb)));
}

void CDlgLink::HoldConnectButton() {
    connect_->setEnabled(false);
    hold_->start(kHoldMs);
}

// ---- window

void CDlgLink::OnLanguageChanged() {
    RefreshTexts();
    CModulePage::OnLanguageChanged();
}

void CDlgLink::OnSkinChanged() {
    RefreshTexts();
    // The buttons take their pictures' sizes when they hear of the new skin, which may be
    // after this page: lay them out once they all have.
    QMetaObject::invokeMethod(
        this, [this] { Layout(); }, Qt::QueuedConnection);
    CModulePage::OnSkinChanged();
}

void CDlgLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();  // Enter does nothing here, and closes nothing
        return;
    }
    CModulePage::keyPressEvent(event);
}

void CDlgLink::paintEvent(QPaintEvent* event) {
    CModulePage::paintEvent(event);
    QPainter painter(this);
    PaintPageTab(painter, Title());
    ISkin* skin = CGlobalService::Instance().Skin();
    DrawTransparentAt(painter, skin->GetBitmapOrDefault(u"BtnBigLogo_Normal"), kLogoAt,
                      skin->GetTransparentColor());
    PaintPageCard(painter, kTotalsCard);
    // A line between the two rows of the totals.
    QColor line = DialogFrameColor();
    line.setAlpha(40);
    painter.setPen(line);
    const int y = kTotalsCard.center().y();
    painter.drawLine(kTotalsCard.left() + 12, y, kTotalsCard.right() - 12, y);
}

}  // namespace dedevev
