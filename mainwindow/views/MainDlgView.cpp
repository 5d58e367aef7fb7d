// The main window's buttons, menus, indicators, drawing and mouse handling.

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "core/ExportRegistry.h"
#include "core/LanguageChoice.h"
#include "mainwindow/views/MainDlg.h"
#include "mainwindow/views/MainPanel.h"
#include "mainwindow/views/ModuleWindow.h"
#include "resources/views/NotifyIcon.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {

namespace {

constexpr int kCaptionHeight = 35;
constexpr int kMenuTop = 35;
constexpr int kNavTop = 63;
constexpr int kPanelTop = 135;
constexpr int kBorder = 8;
constexpr int kBottom = 10;
constexpr int kCaptionButtonTop = 6;
constexpr int kIndicatorTop = 38;
constexpr int kNavButtonTop = 67;
constexpr int kNavSpacing = 88;
constexpr QSize kDefaultSize(735, 513);

struct NavButton {
    int command;
    const char* image;
    const char* key;
};

constexpr NavButton kNavButtons[] = {
    {cmd::kLink, "Link", "BtnLink"},    {cmd::kNet, "Net", "BtnNet"},
    {cmd::kVoice, "Voice", "BtnVoice"}, {cmd::kSms, "Sms", "BtnSMS"},
    {cmd::kPhonebook, "PB", "BtnPB"},   {cmd::kLog, "Log", "BtnLog"},
    {cmd::kUssd, "Ussd", "BtnUssd"},    {cmd::kSettings, "Set", "BtnSet"},
};

struct MenuItem {
    int menu;
    int command;
    const char* section;
    const char* key;
};

constexpr MenuItem kMenuItems[] = {
    {cmd::kMenuFile, cmd::kMenuSet, "MenuFile", "Set"},
    {cmd::kMenuFile, cmd::kMenuExit, "MenuFile", "Exit"},
    {cmd::kMenuOperation, cmd::kMenuFlux, "MenuOper", "Flux"},
    {cmd::kMenuOperation, cmd::kMenuVoice, "MenuOper", "Voice"},
    {cmd::kMenuOperation, cmd::kMenuLog, "MenuOper", "Log"},
    {cmd::kMenuOperation, cmd::kMenuUssd, "MenuOper", "Ussd"},
    {cmd::kMenuLanguage, cmd::kEnglish, "MenuLang", "English"},
    {cmd::kMenuLanguage, cmd::kIndonesian, "MenuLang", "Indonesian"},
    {cmd::kMenuHelp, cmd::kMenuHelpDoc, "MenuHelp", "Contents"},
    {cmd::kMenuHelp, cmd::kMenuAbout, "MenuHelp", "About"},
};

struct MenuButton {
    int command;
    const char* key;
};

constexpr MenuButton kMenuButtons[] = {
    {cmd::kMenuFile, "File"},
    {cmd::kMenuOperation, "Operation"},
    {cmd::kMenuLanguage, "Language"},
    {cmd::kMenuHelp, "Help"},
};

struct ModuleDef {
    int command;
    const char* section;
    const char* key;
};

constexpr ModuleDef kModules[] = {
    {cmd::kLink, "DlgNet", "DlgLinkTitle"}, {cmd::kNet, "DlgNet", "Title"},
    {cmd::kLog, "DlgRecord", "Title"},      {cmd::kVoice, "DlgVoice", "Title"},
    {cmd::kPhonebook, "DlgPB", "Title"},    {cmd::kSms, "DlgSMS", "Title"},
    {cmd::kUssd, "DlgUssd", "Title"},       {cmd::kSettings, "DlgSet", "Title"},
};

}  // namespace

void CMainDlg::ApplyWindowShape() {
    ISkin* skin = CGlobalService::Instance().Skin();
    const SkinBitmap* background = skin != nullptr ? skin->GetBitmap(u"Background") : nullptr;
    if (const SkinBitmap* icon = skin != nullptr ? skin->GetIcon(u"MainIcon") : nullptr) {
        const auto* qt_icon = static_cast<const QtSkinBitmap*>(icon);
        setWindowIcon(QIcon(qt_icon->TransparentPixmap(skin->GetTransparentColor())));
    }
    if (maximized_) {
        clearMask();
        return;
    }
    const QSize size = BitmapSize(background);
    resize(size.width() > 0 && size.height() > 0 ? size : kDefaultSize);
    const QRegion region = background != nullptr ? RegionFromBitmap(background, QPoint(0, 0),
                                                                    skin->GetTransparentColor())
                                                 : QRegion();
    if (region.isEmpty())
        clearMask();
    else
        setMask(region);
}

void CMainDlg::CreateModules() {
    for (const ModuleDef& def : kModules) {
        if (def.command == cmd::kVoice && !voice_enabled_)
            continue;
        CModulePage* page = env_.make_module ? env_.make_module(def.command, this) : nullptr;
        if (page == nullptr)
            page = new CModulePage(def.section, def.key, this);
        page->setObjectName(QString("Module%1").arg(def.command));
        page->move(kBorder, kPanelTop);
        page->hide();
        modules_[def.command] = page;
    }
}

void CMainDlg::CreateButtons() {
    struct Caption {
        int command;
        const char* base;
        const char* name;
        const char16_t* glyph;  // shown when the skin lacks the pictures
    };
    static constexpr Caption kCaptions[] = {{cmd::kClose, "Close", "BtnClose", u"\u2715"},
                                            {cmd::kMaximize, "Max", "BtnMax", u"\u25A1"},
                                            {cmd::kRestore, "Restore", "BtnRestore", u"\u2750"},
                                            {cmd::kMinimize, "Min", "BtnMin", u"\u2212"}};
    for (const Caption& caption : kCaptions) {
        auto* button = new CSkinButtonEx(this);
        button->setObjectName(caption.name);
        button->SetTextColor(Qt::white);
        button->SetPlainCaption(ToQString(caption.glyph));
        if (caption.command == cmd::kMinimize)
            button->SetImages("Min_Normal", "Min_Hover", "Min_Down", "MIn_Disable");
        else
            button->SetImageSet(caption.base);
        const int id = caption.command;
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        caption_buttons_[id] = button;
        button->show();
    }
    caption_buttons_[cmd::kRestore]->hide();

    for (const NavButton& nav : kNavButtons) {
        if (nav.command == cmd::kVoice && !voice_enabled_)
            continue;
        auto* button = new CSkinButtonEx(this);
        button->setObjectName(nav.key);
        button->SetImageSet(nav.image);
        button->SetCaption(nav.key, "MainWnd");
        button->SetTextRect(QRect(0, 40, 84, 22));
        button->setCursor(Qt::PointingHandCursor);
        const int id = nav.command;
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        nav_buttons_[id] = button;
        button->show();
    }

    for (const MenuButton& menu : kMenuButtons) {
        auto* button = new CSkinButtonEx(this);
        button->setObjectName(QString("Menu%1").arg(menu.key));
        button->SetImageSet("Menu");
        button->SetCaption(menu.key, "MainWnd");
        const int id = menu.command;
        connect(button, &QAbstractButton::pressed, this, [this, id] { OnCommand(id); });
        menu_buttons_[id] = button;
        button->show();
    }
}

void CMainDlg::CreateIndicators() {
    signal_ = new CSignalButton(this);
    signal_->setObjectName("Signal");
    signal_->SetLevel(0);
    signal_->show();
    signal2_ = new CSignalButton(this);
    signal2_->setObjectName("Signal2");
    signal2_->SetLevel(0);
    signal2_->hide();
    new_sms_ = new CSkinButtonEx(this);
    new_sms_->setObjectName("NewSMS");
    new_sms_->SetImages("NewSMS", "NewSMS", "NewSMS", "NewSMS");
    new_sms_->hide();
    sms_full_ = new CSkinButtonEx(this);
    sms_full_->setObjectName("SMSFull");
    sms_full_->SetImages("SMSFull", "SMSFull", "SMSFull", "SMSFull");
    sms_full_->hide();
    connect(new_sms_, &QAbstractButton::clicked, this, [this] { OnCommand(cmd::kSms); });
    connect(sms_full_, &QAbstractButton::clicked, this, [this] { OnCommand(cmd::kSms); });
    // Missed calls: the skin's missed-call icon with the count beside it, hidden while none
    // is unseen; a click opens the history.
    missed_calls_ = new CSkinButton(this);
    missed_calls_->setObjectName("MissedCalls");
    missed_calls_->SetTextColor(Qt::white);
    missed_calls_->SetTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
    missed_calls_->setCursor(Qt::PointingHandCursor);
    missed_calls_->hide();
    connect(missed_calls_, &QAbstractButton::clicked, this, [this] { OnCommand(cmd::kLog); });
    ApplyMissedCallsIcon();
}

void CMainDlg::ApplyMissedCallsIcon() {
    ISkin* skin = CGlobalService::Instance().Skin();
    const SkinBitmap* icon = skin != nullptr ? skin->GetIcon(u"CallMissed") : nullptr;
    missed_calls_->SetImages(icon, icon, icon, icon,
                             skin != nullptr ? skin->GetTransparentColor() : SkinColor{});
    const QSize size = BitmapSize(icon).isEmpty() ? QSize(16, 16) : BitmapSize(icon);
    missed_calls_->SetTextRect(QRect(size.width() + 3, 0, 26, size.height()));
    missed_calls_->resize(size.width() + 30, size.height());
}

void CMainDlg::UpdateMissedCalls() {
    if (missed_calls_ == nullptr)
        return;
    IVoiceExport* voice = Exports().VoiceExport();
    const int count = voice != nullptr ? voice->UnseenMissedCount() : 0;
    if (count <= 0) {
        missed_calls_->hide();
        return;
    }
    missed_calls_->SetCaption(QString::number(count));
    missed_calls_->setToolTip(
        LocalQText("MissedCalls", "MainWnd").replace("%d", QString::number(count)));
    missed_calls_->show();
}

void CMainDlg::BuildMenus() {
    const QColor back = SkinQColor(u"MenuBkColor", QColor(14, 48, 80));
    const QColor accent = AccentColor();
    const QString style = QString(
                              "QMenu { background: %1; color: white; border: 1px solid %2; "
                              "padding: 4px 0; }"
                              "QMenu::item { padding: 5px 26px 5px 22px; }"
                              "QMenu::item:selected { background: %2; }"
                              "QMenu::separator { height: 1px; background: %2; margin: 3px 8px; }")
                              .arg(back.name(), accent.name());
    for (const MenuButton& button : kMenuButtons) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QString("Menu%1Popup").arg(button.key));
        menu->setStyleSheet(style);
        menus_[button.command] = menu;
    }
    for (const MenuItem& item : kMenuItems) {
        if (item.command == cmd::kMenuVoice && !voice_enabled_)
            continue;
        QMenu* menu = menus_[item.menu];
        if (item.command == cmd::kMenuExit)
            menu->addSeparator();
        QAction* action = menu->addAction(QString());
        action->setData(item.command);
        if (item.menu == cmd::kMenuLanguage)
            action->setCheckable(true);
        const int id = item.command;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        menu_actions_[id] = action;
    }
    RefreshTexts();
}

void CMainDlg::RefreshTexts() {
    setWindowTitle(LocalQText("DEDEVev"));
    const QFont menu_font = LocalFont("Menu");
    const QFont nav_font = LocalFont("Navigation");
    const QColor nav_color = SkinQColor(u"NavigationText", Qt::white);
    for (auto& [id, button] : nav_buttons_) {
        button->SetFont(nav_font);
        button->SetTextColor(nav_color);
    }
    for (auto& [id, button] : menu_buttons_) {
        button->SetFont(menu_font);
        button->SetTextColor(Qt::white);
    }
    for (const MenuItem& item : kMenuItems) {
        const auto it = menu_actions_.find(item.command);
        if (it != menu_actions_.end())
            it->second->setText(LocalQText(item.key, item.section));
    }
    for (auto& [id, menu] : menus_)
        menu->setFont(menu_font);
    const int preset = CurrentPresetIndex();
    if (menu_actions_.count(cmd::kEnglish)) {
        menu_actions_[cmd::kEnglish]->setChecked(preset == 0);
        menu_actions_[cmd::kIndonesian]->setChecked(preset == 1);
    }
    if (panel_ != nullptr) {
        panel_->RefreshTexts();
        panel_->SetConnectCaption(LocalQText(connected_ ? "Disconnect" : "Connect", "MainWnd"));
        if (const char* key = CardTextKey(card_text_))
            panel_->SetStatusText(LocalQText(key, "MainWnd"));
    }
    update();
}

void CMainDlg::Relayout() {
    const int w = width();
    int x = w - 38;
    for (int id : {cmd::kClose, cmd::kMaximize, cmd::kMinimize}) {
        if (CSkinButtonEx* button = caption_buttons_.count(id) ? caption_buttons_[id] : nullptr) {
            button->move(x, kCaptionButtonTop);
            if (id == cmd::kMaximize && caption_buttons_.count(cmd::kRestore))
                caption_buttons_[cmd::kRestore]->move(x, kCaptionButtonTop);
            x -= 32;
        }
    }
    int menu_x = kBorder;
    for (const MenuButton& menu : kMenuButtons) {
        if (CSkinButtonEx* button =
                menu_buttons_.count(menu.command) ? menu_buttons_[menu.command] : nullptr) {
            button->move(menu_x, kIndicatorTop);
            menu_x += button->width() + 2;
        }
    }
    int right = w - 44;
    if (signal_ != nullptr) {
        signal_->move(right, kIndicatorTop);
        signal2_->move(right - 40, kIndicatorTop);
        right -= signal2_->isVisible() ? 72 : 32;
        new_sms_->move(right, kIndicatorTop);
        sms_full_->move(right - 30, kIndicatorTop);
        missed_calls_->move(right - 30 - missed_calls_->width() - 4, kIndicatorTop + 4);
    }
    int nav_x = kBorder + 4;
    for (const NavButton& nav : kNavButtons) {
        if (CSkinButtonEx* button =
                nav_buttons_.count(nav.command) ? nav_buttons_[nav.command] : nullptr) {
            button->move(nav_x, kNavButtonTop);
            nav_x += kNavSpacing;
        }
    }
    const QRect panel(kBorder, kPanelTop, w - 2 * kBorder, height() - kPanelTop - kBottom);
    if (panel_ != nullptr)
        panel_->setGeometry(panel);
}

void CMainDlg::SelectNavigation(int command) {
    selected_nav_ = command;
    for (auto& [id, button] : nav_buttons_)
        button->SetLatched(id == command);
}

void CMainDlg::PopupMenu(int command, QWidget* under) {
    QMenu* menu = Menu(command);
    if (menu == nullptr)
        return;
    const QPoint at = under != nullptr ? under->mapToGlobal(QPoint(0, under->height()))
                                       : mapToGlobal(QPoint(kBorder, kNavTop));
    menu->popup(at);
}

void CMainDlg::ToggleMaximized() {
    if (!maximized_) {
        normal_rect_ = geometry();
        maximized_ = true;
        const QScreen* screen = this->screen();
        const QRect area = screen != nullptr ? screen->availableGeometry() : normal_rect_;
        clearMask();
        setGeometry(area);
    } else {
        maximized_ = false;
        setGeometry(normal_rect_);
        ApplyWindowShape();
    }
    if (caption_buttons_.count(cmd::kMaximize)) {
        caption_buttons_[cmd::kMaximize]->setVisible(!maximized_);
        caption_buttons_[cmd::kRestore]->setVisible(maximized_);
    }
    Relayout();
    update();
}

void CMainDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Relayout();
}

void CMainDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ISkin* skin = CGlobalService::Instance().Skin();
    const SkinBitmap* background = skin != nullptr ? skin->GetBitmap(u"Background") : nullptr;
    const QSize natural = BitmapSize(background);
    if (background != nullptr && size() == natural) {
        DrawAt(painter, background, QPoint(0, 0));
    } else {
        // Any other size (maximised): the frame pieces stretched around the page background.
        painter.fillRect(rect(), SkinQColor(u"NavigationBkColor", QColor(17, 58, 94)));
        auto piece = [&](const char16_t* name, const QRect& into) {
            if (const SkinBitmap* bitmap = skin != nullptr ? skin->GetBitmap(name) : nullptr)
                DrawStretched(painter, bitmap, into);
        };
        const int w = width();
        const int h = height();
        piece(u"back_top", QRect(0, 0, w, kCaptionHeight));
        piece(u"back_menu", QRect(0, kMenuTop, w, kNavTop - kMenuTop));
        piece(u"back_Left", QRect(0, kNavTop, kBorder, h - kNavTop - kBottom));
        piece(u"back_Right", QRect(w - kBorder, kNavTop, kBorder, h - kNavTop - kBottom));
        piece(u"back_bottom", QRect(0, h - kBottom, w, kBottom));
        piece(u"PageBkg1_0", QRect(kBorder, kPanelTop, w - 2 * kBorder, h - kPanelTop - kBottom));
        if (const SkinBitmap* logo = skin != nullptr ? skin->GetIcon(u"CaptionLogo") : nullptr)
            DrawTransparentAt(painter, logo, QPoint(10, 6), skin->GetTransparentColor());
    }
    painter.setPen(Qt::white);
    painter.setFont(LocalFont("Title"));
    painter.drawText(QRect(40, 0, width() / 2, kCaptionHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     windowTitle());
}

void CMainDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().y() < kCaptionHeight &&
        !maximized_) {
        dragging_ = true;
        drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QDialog::mousePressEvent(event);
}

void CMainDlg::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - drag_offset_);
    QDialog::mouseMoveEvent(event);
}

void CMainDlg::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

void CMainDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().y() < kCaptionHeight) {
        dragging_ = false;
        ToggleMaximized();
        return;
    }
    QDialog::mouseDoubleClickEvent(event);
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    // Escape must not end the program; the window closes only through its close paths.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDlg::OnLanguageChanged() {
    RefreshTexts();
}

void CMainDlg::OnSkinChanged() {
    ApplyWindowShape();
    if (tray_->HasIcon(1))
        ShowTrayIcon();
    if (missed_calls_ != nullptr)
        ApplyMissedCallsIcon();
    RefreshTexts();
    Relayout();
}

}  // namespace dedevev
