#pragma once
// What the PIN, change-PIN and PUK dialogs share (the "Pin" title strip, digit-only masked
// fields, the attempts label), and the window layer's implementation of the PIN flows'
// dialogs, callable from any thread.

#include <QString>

#include "connection/views/FormRows.h"
#include "mainwindow/views/ModuleWindow.h"
#include "settings/PinFlows.h"

class QLabel;

namespace dedevev {

class CGenEdit;

class CPinDialogBase : public CSkinnedDialog {
    Q_OBJECT
public:
    QString Caption() const override;
    void OnLanguageChanged() override;

protected:
    // `window_key`: the window text ("Security" section).
    CPinDialogBase(const char* window_key, QWidget* parent);

    // A field for a PIN or PUK: digits only, shown as bullets, at most 8 characters.
    CGenEdit* AddCodeField(const char* name, const QRect& at);
    // Row `row` of the form: the label `key` of "Security" and a code field called `key`.
    CGenEdit* AddCodeRow(int row, const char* key);
    // A label showing `key` of "Security" with its "%d" replaced by `count`.
    QLabel* AddCountLabel(const char* name, const char* key, int count, const QRect& at);
    // Shows the "Security" message `key` (information icon) and focuses `field`.
    void Refuse(const std::string& key, QWidget* field);
    static std::string Code(const CGenEdit* field);

    CCaptionList captions_;

private:
    struct CountLabel {
        QLabel* label;
        const char* key;
        int count;
    };
    void RefreshCounts();

    const char* window_key_;
    std::vector<CountLabel> counts_;
};

// The label's rows and sizes, shared by the three dialogs.
QRect PinLabelAt(int row);
QRect PinFieldAt(int row);

// Installs the skinned dialogs as the PIN flows' dialogs (once per process). Unattended
// (DEDEVEV_MESSAGE_LOG set) each dialog is logged and cancelled.
void InstallPinDialogs();

}  // namespace dedevev
