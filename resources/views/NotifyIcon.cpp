#include "resources/views/NotifyIcon.h"

#include <QSystemTrayIcon>
#include <QTextDocument>

#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

QIcon ToIcon(const SkinBitmap* image) {
    const auto* bitmap = dynamic_cast<const QtSkinBitmap*>(image);
    if (bitmap == nullptr)
        return QIcon();
    const SkinColor transparent = CGlobalService::Instance().Skin()->GetTransparentColor();
    return QIcon(bitmap->TransparentPixmap(transparent));
}

std::int64_t MouseEventOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return kTrayLeftClick;
        case QSystemTrayIcon::DoubleClick:
            return kTrayLeftDoubleClick;
        case QSystemTrayIcon::Context:
            return kTrayRightClick;
        case QSystemTrayIcon::MiddleClick:
            return kTrayMiddleClick;
        case QSystemTrayIcon::Unknown:
            break;
    }
    return 0;
}

}  // namespace

CNotifyIcon::CNotifyIcon(IMessageTarget* owner) : owner_(owner) {}

CNotifyIcon::~CNotifyIcon() = default;

void CNotifyIcon::AddIcon(int number, const SkinBitmap* image) {
    auto& icon = icons_[number];
    if (!icon) {
        icon = std::make_unique<QSystemTrayIcon>();
        QObject::connect(
            icon.get(), &QSystemTrayIcon::activated,
            [this, number](QSystemTrayIcon::ActivationReason reason) {
                const std::int64_t event = MouseEventOf(reason);
                if (owner_ != nullptr && event != 0)
                    owner_->Post({kMsgTrayIcon, static_cast<std::uint64_t>(number), event, {}, {}});
            });
        QObject::connect(icon.get(), &QSystemTrayIcon::messageClicked, [this, number] {
            if (owner_ != nullptr)
                owner_->Post(
                    {kMsgTrayIcon, static_cast<std::uint64_t>(number), kTrayBalloonClick, {}, {}});
        });
    }
    icon->setIcon(ToIcon(image));
    // Without a tray host this shows nothing; the icon appears when a tray starts.
    icon->show();
}

void CNotifyIcon::RemoveIcon(int number) {
    icons_.erase(number);
    tips_.erase(number);
}

bool CNotifyIcon::HasIcon(int number) const {
    return icons_.count(number) != 0;
}

QSystemTrayIcon* CNotifyIcon::TrayIcon(int number) const {
    auto it = icons_.find(number);
    return it == icons_.end() ? nullptr : it->second.get();
}

void CNotifyIcon::SetTip(int number, const QString& text) {
    QSystemTrayIcon* icon = TrayIcon(number);
    if (icon == nullptr)
        return;
    const QString tip = text.left(kMaxTip);
    tips_[number] = tip;
    // Tool tips render anything that looks like markup; an operator name must not.
    icon->setToolTip(Qt::mightBeRichText(tip) ? "<qt>" + tip.toHtmlEscaped() + "</qt>" : tip);
}

QString CNotifyIcon::Tip(int number) const {
    auto it = tips_.find(number);
    return it == tips_.end() ? QString() : it->second;
}

void CNotifyIcon::ShowBalloon(int number, const QString& text, const QString& title) {
    QSystemTrayIcon* icon = TrayIcon(number);
    if (icon == nullptr)
        return;
    balloon_text_ = text.left(kMaxBalloonText);
    balloon_title_ = title.left(kMaxBalloonTitle);
    if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages())
        icon->showMessage(balloon_title_, balloon_text_, QSystemTrayIcon::Information);
}

// ---------------------------------------------------------------------------------------

CNotifyIconEx::CNotifyIconEx(IMessageTarget* owner, const char* section, CGlobalService* service)
    : CNotifyIcon(owner), CGSEventHandler(service), section_(section ? section : "") {}

void CNotifyIconEx::SetTipKey(int number, const char* key) {
    keys_[number].tip = key != nullptr ? key : "";
    SetTip(number, LocalQText(keys_[number].tip.c_str(), section_.c_str()));
}

void CNotifyIconEx::ShowBalloonKeys(int number, const char* text_key, const char* title_key) {
    Keys& keys = keys_[number];
    keys.balloon_text = text_key != nullptr ? text_key : "";
    keys.balloon_title = title_key != nullptr ? title_key : "";
    ShowBalloon(number, LocalQText(keys.balloon_text.c_str(), section_.c_str()),
                LocalQText(keys.balloon_title.c_str(), section_.c_str()));
}

void CNotifyIconEx::OnLanguageChanged() {
    for (const auto& [number, keys] : keys_) {
        if (!keys.tip.empty())
            SetTip(number, LocalQText(keys.tip.c_str(), section_.c_str()));
    }
}

}  // namespace dedevev
