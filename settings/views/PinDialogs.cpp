#include "settings/views/PinDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QThread>

#include "core/MessageBox.h"
#include "mainwindow/views/Unattended.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinControls.h"
#include "settings/PinEntry.h"
#include "settings/views/DlgChangePin.h"
#include "settings/views/DlgInputPin.h"
#include "settings/views/DlgUnlockPUK.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "Security";
constexpr int kLeft = 16;
constexpr int kLabelWidth = 110;
constexpr int kFieldLeft = 130;
constexpr int kFieldWidth = 150;
constexpr int kTop = 40;
constexpr int kRow = 28;
constexpr int kFieldHeight = 22;

// Runs `work` on the window thread and waits for it: the start-up entry asks from the
// initialisation thread, whose window (the progress dialog) keeps the window thread's
// event loop running meanwhile.
template <typename Work>
auto OnWindowThread(Work work) {
    if (QThread::currentThread() == qApp->thread())
        return work();
    decltype(work()) result{};
    QMetaObject::invokeMethod(
        qApp, [&] { result = work(); }, Qt::BlockingQueuedConnection);
    return result;
}

// Shows `Dialog` modally; its Result() when accepted. Unattended: logged and cancelled.
template <typename Dialog>
auto RunDialog(const char* name, int count) -> std::optional<decltype(Dialog(0).Result())> {
    return OnWindowThread([&]() -> std::optional<decltype(Dialog(0).Result())> {
        if (UnattendedDialogs()) {
            LogUnattended({"dialog", name, QString::number(count)});
            return std::nullopt;
        }
        QWidget* parent = QApplication::activeModalWidget();
        if (parent == nullptr)
            parent = QApplication::activeWindow();
        QPointer<Dialog> dialog = new Dialog(count, parent);
        std::optional<decltype(Dialog(0).Result())> result;
        if (dialog->exec() == QDialog::Accepted && dialog != nullptr)
            result = dialog->Result();
        delete dialog.data();
        return result;
    });
}

class CQtPinDialogs final : public IPinDialogs {
public:
    std::optional<std::string> AskPin(int attempts) override {
        return RunDialog<CDlgInputPin>("DlgInputPin", attempts);
    }
    std::optional<PinChange> AskChangePin(int attempts) override {
        return RunDialog<CDlgChangePin>("DlgChangePin", attempts);
    }
    std::optional<PukEntry> AskPuk(int puk_attempts) override {
        return RunDialog<CDlgUnlockPUK>("DlgUnlockPUK", puk_attempts);
    }
    void Message(const std::u16string& text, unsigned flags) override {
        OnWindowThread([&] { return ShowMessage(text, u"", flags); });
    }
    void RequestClose() override {
        QMetaObject::invokeMethod(
            qApp,
            [] {
                for (QWidget* window : QApplication::topLevelWidgets()) {
                    if (window->objectName() == QLatin1String("MainDlg")) {
                        window->close();
                        return;
                    }
                }
                QApplication::quit();  // no main window yet: nothing else to close
            },
            Qt::QueuedConnection);
    }
};

}  // namespace

QRect PinLabelAt(int row) {
    return QRect(kLeft, kTop + row * kRow, kLabelWidth, kFieldHeight);
}

QRect PinFieldAt(int row) {
    return QRect(kFieldLeft, kTop + row * kRow, kFieldWidth, kFieldHeight);
}

CPinDialogBase::CPinDialogBase(const char* window_key, QWidget* parent)
    : CSkinnedDialog(parent), window_key_(window_key) {
    SetEnterAccepts(true);
    setWindowTitle(LocalQText(window_key_, kSection));
}

QString CPinDialogBase::Caption() const {
    return LocalQText("Pin", kSection);
}

void CPinDialogBase::OnLanguageChanged() {
    captions_.Refresh();
    RefreshCounts();
    setWindowTitle(LocalQText(window_key_, kSection));
    CSkinnedDialog::OnLanguageChanged();
}

CGenEdit* CPinDialogBase::AddCodeField(const char* name, const QRect& at) {
    CGenEdit* edit = AddEdit(this, name, at);
    static const QRegularExpression kDigits("^[0-9]*$");
    edit->setValidator(new QRegularExpressionValidator(kDigits, edit));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(kPinMaxLength);
    edit->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    return edit;
}

CGenEdit* CPinDialogBase::AddCodeRow(int row, const char* key) {
    captions_.AddLabel(this, key, kSection, PinLabelAt(row));
    return AddCodeField(key, PinFieldAt(row));
}

QLabel* CPinDialogBase::AddCountLabel(const char* name, const char* key, int count,
                                      const QRect& at) {
    auto* label = new CTransparentStatic(QString(), this);
    label->setObjectName(name);
    label->setFont(LocalFont("Normal"));
    label->setGeometry(at);
    counts_.push_back({label, key, count});
    RefreshCounts();
    return label;
}

void CPinDialogBase::RefreshCounts() {
    for (const CountLabel& entry : counts_)
        entry.label->setText(ToQString(FormatCount(LocalText(entry.key, kSection), entry.count)));
}

void CPinDialogBase::Refuse(const std::string& key, QWidget* field) {
    ShowMessage(LocalText(key, kSection), u"", kMbOk | kMbIconInformation);
    field->setFocus();
}

std::string CPinDialogBase::Code(const CGenEdit* field) {
    return field->text().toStdString();
}

void InstallPinDialogs() {
    static CQtPinDialogs dialogs;
    SetPinDialogs(&dialogs);
}

}  // namespace dedevev
