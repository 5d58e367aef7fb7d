#pragma once
// The main window's icons in the notification area (system tray), by icon number. Mouse
// events on an icon reach the owner as window message 1351. Works, invisibly, when the
// desktop has no tray.

#include <QString>

#include <map>
#include <memory>
#include <string>

#include "core/GlobalService.h"
#include "core/WindowMessage.h"
#include "resources/SkinBitmap.h"

class QSystemTrayIcon;

namespace dedevev {

// wparam: the icon number; lparam: the mouse event, with the classic numbers below.
constexpr unsigned kMsgTrayIcon = 1351;
constexpr std::int64_t kTrayLeftClick = 0x202;
constexpr std::int64_t kTrayLeftDoubleClick = 0x203;
constexpr std::int64_t kTrayRightClick = 0x205;
constexpr std::int64_t kTrayMiddleClick = 0x208;
constexpr std::int64_t kTrayBalloonClick = 0x405;

class CNotifyIcon {
public:
    static constexpr int kMaxTip = 127;
    static constexpr int kMaxBalloonText = 255;
    static constexpr int kMaxBalloonTitle = 63;

    // `owner` receives the mouse events (may be null).
    explicit CNotifyIcon(IMessageTarget* owner);
    virtual ~CNotifyIcon();
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;

    // Adds the icon, or changes the image of an icon already there.
    void AddIcon(int number, const SkinBitmap* image);
    void RemoveIcon(int number);
    bool HasIcon(int number) const;
    void SetTip(int number, const QString& text);
    void ShowBalloon(int number, const QString& text, const QString& title);

    // The tip as set (after cutting); shown as plain text.
    QString Tip(int number) const;
    // The last balloon asked for (after cutting), for the owner's and tests' sake.
    QString LastBalloonText() const { return balloon_text_; }
    QString LastBalloonTitle() const { return balloon_title_; }
    QSystemTrayIcon* TrayIcon(int number) const;

private:
    IMessageTarget* owner_;
    std::map<int, std::unique_ptr<QSystemTrayIcon>> icons_;
    std::map<int, QString> tips_;
    QString balloon_text_;
    QString balloon_title_;
};

// A tray icon whose tip and balloon texts are language keys of one section: it shows
// their texts and sets the tips again when the language is switched.
class CNotifyIconEx : public CNotifyIcon, public CGSEventHandler {
public:
    CNotifyIconEx(IMessageTarget* owner, const char* section,
                  CGlobalService* service = &CGlobalService::Instance());

    void SetTipKey(int number, const char* key);
    void ShowBalloonKeys(int number, const char* text_key, const char* title_key);

    void OnLanguageChanged() override;

private:
    struct Keys {
        std::string tip;
        std::string balloon_text;
        std::string balloon_title;
    };
    std::string section_;
    std::map<int, Keys> keys_;
};

}  // namespace dedevev
