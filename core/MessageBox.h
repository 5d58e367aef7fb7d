#pragma once
// The program's message box as the model sees it. Flows ask the user through ShowMessage;
// the window layer installs the skinned box with SetMessageBoxUi. Without one (tests of
// the model, a run without a screen) every question is answered with the second button,
// the answer that changes nothing.

#include <string>

namespace dedevev {

// Button and icon flags, with the values of the classic message-box API.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbIconError = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr unsigned kMbIconInformation = 0x40;
// The second button is the default (answered by Enter, and by an unattended run).
inline constexpr unsigned kMbDefButton2 = 0x100;

// Results: the first button, or the second button / the box closed otherwise.
inline constexpr int kMsgFirst = 1;
inline constexpr int kMsgSecond = 2;

enum class MessageButtons { kOk, kOkCancel, kYesNo };
enum class MessageBoxIcon { kInformation, kQuestion, kExclamation, kError };

inline MessageButtons ButtonsOf(unsigned flags) {
    if (flags & kMbYesNo)
        return MessageButtons::kYesNo;
    if (flags & kMbOkCancel)
        return MessageButtons::kOkCancel;
    return MessageButtons::kOk;
}

// The icon is read from the whole flag word without the OK/Cancel bit, so a value with
// other bits set (Yes/No, a default-button bit) falls back to the information icon.
inline MessageBoxIcon IconOf(unsigned flags) {
    switch (flags & ~kMbOkCancel) {
        case kMbIconError:
            return MessageBoxIcon::kError;
        case kMbIconQuestion:
            return MessageBoxIcon::kQuestion;
        case kMbIconExclamation:
            return MessageBoxIcon::kExclamation;
        default:
            return MessageBoxIcon::kInformation;
    }
}

// The button Enter answers (1 or 2); with one button always 1.
inline int DefaultResultOf(unsigned flags) {
    if (ButtonsOf(flags) == MessageButtons::kOk)
        return kMsgFirst;
    return (flags & kMbDefButton2) ? kMsgSecond : kMsgFirst;
}

class IMessageBoxUi {
public:
    // Shows `text` modally and returns kMsgFirst or kMsgSecond. `caption` names the
    // asking part of the program; the box itself always carries the program's title.
    virtual int ShowMessage(const std::u16string& text, const std::u16string& caption,
                            unsigned flags) = 0;

protected:
    ~IMessageBoxUi() = default;
};

namespace detail {
inline IMessageBoxUi*& MessageBoxUiSlot() {
    static IMessageBoxUi* ui = nullptr;
    return ui;
}
}  // namespace detail

// Installs (or with null removes) the window layer's box; returns the previous one.
inline IMessageBoxUi* SetMessageBoxUi(IMessageBoxUi* ui) {
    IMessageBoxUi* previous = detail::MessageBoxUiSlot();
    detail::MessageBoxUiSlot() = ui;
    return previous;
}

inline int ShowMessage(const std::u16string& text, const std::u16string& caption = u"",
                       unsigned flags = kMbOk) {
    IMessageBoxUi* ui = detail::MessageBoxUiSlot();
    if (ui == nullptr)
        return ButtonsOf(flags) == MessageButtons::kOk ? kMsgFirst : kMsgSecond;
    return ui->ShowMessage(text, caption, flags);
}

}  // namespace dedevev
