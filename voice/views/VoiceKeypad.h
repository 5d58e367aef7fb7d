#pragma once
// The voice page's telephone keypad (digits, "*", "#", "+" and the call keys) and the small
// dialog that asks for the number of a second call.

#include <QString>
#include <QWidget>

#include <array>

#include "mainwindow/views/ModuleWindow.h"

namespace dedevev {

class CPhoneNumEdit;
class CSkinButtonEx;

// The keypad's keys in button order: the twelve dial keys, then dial, hang up, redial,
// backspace, plus and save.
inline constexpr char kVoiceKeys[] = "123456789*0#DHPC+S";
inline constexpr int kVoiceKeyCount = 18;

// Eighteen buttons laid out like a phone: a 3 x 4 block of dial keys, a column of backspace,
// plus, redial and save beside it, and wide call and hang-up keys below. Each press is told
// as keyPressed(character).
class CVoiceKeypad : public QWidget {
    Q_OBJECT
public:
    explicit CVoiceKeypad(QWidget* parent = nullptr);

    CSkinButtonEx* Button(char key) const;
    // The call key reads "Answer" while a call rings.
    void SetAnswering(bool answering);
    void Retranslate();

signals:
    void keyPressed(char key);

private:
    void Layout();

    std::array<CSkinButtonEx*, kVoiceKeyCount> buttons_{};
    bool answering_ = false;
};

// Asks for the number of a second party; Number() after Accepted.
class CDlgSecondCall : public CSkinnedDialog {
    Q_OBJECT
public:
    explicit CDlgSecondCall(QWidget* parent = nullptr);
    QString Caption() const override;
    QString Number() const;

private:
    CPhoneNumEdit* number_ = nullptr;
};

}  // namespace dedevev
