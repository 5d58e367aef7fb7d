#include "voice/views/VoiceKeypad.h"

#include <QLabel>

#include "connection/views/FormRows.h"
#include "resources/views/PhoneNumEdit.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgVoice";
constexpr int kKeyWidth = 72;
constexpr int kKeyHeight = 44;
constexpr int kGap = 8;
constexpr int kCallHeight = 48;

struct KeyDef {
    char key;
    const char* name;
    const char* caption_key;  // null: the character itself
};

constexpr KeyDef kKeys[kVoiceKeyCount] = {
    {'1', "Key1", nullptr},      {'2', "Key2", nullptr},          {'3', "Key3", nullptr},
    {'4', "Key4", nullptr},      {'5', "Key5", nullptr},          {'6', "Key6", nullptr},
    {'7', "Key7", nullptr},      {'8', "Key8", nullptr},          {'9', "Key9", nullptr},
    {'*', "KeyStar", nullptr},   {'0', "Key0", nullptr},          {'#', "KeyHash", nullptr},
    {'D', "KeyDial", "BtnDial"}, {'H', "KeyHangUp", "BtnHangup"}, {'P', "KeyRedial", "BtnRedial"},
    {'C', "KeyBack", "BtnBack"}, {'+', "KeyPlus", nullptr},       {'S', "KeySave", "BtnSave"},
};

}  // namespace

CVoiceKeypad::CVoiceKeypad(QWidget* parent) : QWidget(parent) {
    setObjectName("VoiceKeypad");
    for (int i = 0; i < kVoiceKeyCount; ++i) {
        const KeyDef& def = kKeys[i];
        auto* button = new CSkinButtonEx(this);
        button->setObjectName(def.name);
        button->SetImageSet("BtnBig");
        button->SetStretch(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::NoFocus);  // the number field keeps the keyboard
        if (def.caption_key != nullptr)
            button->SetCaption(def.caption_key, kSection);
        else
            button->SetCaption(QString(QChar(def.key)));
        button->SetTextColor(Qt::white);
        const char key = def.key;
        connect(button, &QAbstractButton::clicked, this, [this, key] { emit keyPressed(key); });
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    // Call green, hang up red, as on a handset.
    Button('D')->SetTextColor(QColor(190, 255, 200));
    Button('H')->SetTextColor(QColor(255, 200, 190));
    Retranslate();
    Layout();
}

CSkinButtonEx* CVoiceKeypad::Button(char key) const {
    for (int i = 0; i < kVoiceKeyCount; ++i) {
        if (kKeys[i].key == key)
            return buttons_[static_cast<std::size_t>(i)];
    }
    return nullptr;
}

void CVoiceKeypad::SetAnswering(bool answering) {
    if (answering == answering_)
        return;
    answering_ = answering;
    Retranslate();
}

void CVoiceKeypad::Retranslate() {
    QFont digits = LocalFont("Title");
    digits.setPointSize(digits.pointSize() + 4);
    digits.setBold(true);
    QFont words = LocalFont("Button");
    words.setBold(true);
    for (int i = 0; i < kVoiceKeyCount; ++i)
        buttons_[static_cast<std::size_t>(i)]->SetFont(kKeys[i].caption_key == nullptr ? digits
                                                                                       : words);
    Button('D')->SetCaption(answering_ ? "Accept" : "BtnDial", kSection);
}

void CVoiceKeypad::Layout() {
    for (int i = 0; i < 12; ++i) {
        buttons_[static_cast<std::size_t>(i)]->setGeometry(
            (i % 3) * (kKeyWidth + kGap), (i / 3) * (kKeyHeight + kGap), kKeyWidth, kKeyHeight);
    }
    const int side = 3 * (kKeyWidth + kGap) + 4;
    const char side_keys[] = {'C', '+', 'P', 'S'};
    for (int row = 0; row < 4; ++row)
        Button(side_keys[row])->setGeometry(side, row * (kKeyHeight + kGap), kKeyWidth, kKeyHeight);
    const int bottom = 4 * (kKeyHeight + kGap) + 4;
    const int half = (side + kKeyWidth - kGap) / 2;
    Button('D')->setGeometry(0, bottom, half, kCallHeight);
    Button('H')->setGeometry(half + kGap, bottom, side + kKeyWidth - half - kGap, kCallHeight);
    resize(side + kKeyWidth, bottom + kCallHeight);
}

CDlgSecondCall::CDlgSecondCall(QWidget* parent) : CSkinnedDialog(parent) {
    setObjectName("DlgSecondCall");
    setFixedSize(300, 140);
    auto* label = new QLabel(LocalQText("DialSecondCall", kSection), this);
    label->setObjectName("SecondCallLabel");
    label->setFont(LocalFont("Normal"));
    label->setGeometry(16, CaptionHeight() + 10, 268, 22);
    number_ = new CPhoneNumEdit(this);
    number_->setObjectName("SecondCallNumber");
    number_->setGeometry(16, CaptionHeight() + 36, 268, 24);
    AddOkCancel(this, kSection, "SecondCall");
    SetEnterAccepts(true);
    number_->setFocus();
}

QString CDlgSecondCall::Caption() const {
    return LocalQText("Title", kSection);
}

QString CDlgSecondCall::Number() const {
    return number_->text();
}

}  // namespace dedevev
