#include "settings/views/DlgSetWorkMode.h"

#include <QRadioButton>

#include "core/AppSettings.h"
#include "core/LanguageChoice.h"
#include "core/MessageBox.h"
#include "device/IDeviceControl.h"
#include "resources/views/QtSkin.h"
#include "settings/SettingsWorkers.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgSetMode";

}  // namespace

CDlgSetWorkMode::CDlgSetWorkMode(WorkModePageEnvironment environment, QWidget* parent)
    : CSettingsPage(parent), env_(std::move(environment)) {
    setObjectName("DlgSetWorkMode");
    dongle_ = new QRadioButton(this);
    dongle_->setObjectName("DongleMode");
    dongle_->setGeometry(40, 40, 300, 24);
    wifi_ = new QRadioButton(this);
    wifi_->setObjectName("WifiMode");
    wifi_->setGeometry(40, 70, 300, 24);
    for (QRadioButton* button : {dongle_, wifi_})
        connect(button, &QRadioButton::clicked, this, [this] { emit changed(); });
    OnLanguageChanged();
}

void CDlgSetWorkMode::Reload() {
    const bool wifi = CurrentSettings().options.work_mode == kWorkModeWifi;
    wifi_->setChecked(wifi);
    dongle_->setChecked(!wifi);
}

std::uint8_t CDlgSetWorkMode::CheckedMode() const {
    return wifi_->isChecked() ? kWorkModeWifi : kWorkModeDongle;
}

bool CDlgSetWorkMode::Apply() {
    const std::uint8_t mode = CheckedMode();
    AppSettings& settings = CurrentSettings();
    if (mode == settings.options.work_mode)
        return true;
    if (mode == kWorkModeWifi && env_.connection_up && env_.connection_up()) {
        // The card cannot carry a dial-up link in Wi-Fi mode: offer to disconnect, change
        // nothing now.
        if (ShowMessage(LocalText("DisconnectFirst"), LocalText("DEDEVev"),
                        kMbOkCancel | kMbIconQuestion) == kMsgFirst &&
            env_.disconnect)
            env_.disconnect();
        return true;
    }
    CThreadSetWorkMode job(env_.device ? env_.device() : nullptr, mode);
    if (env_.run_job)
        env_.run_job(job);
    else
        RunWithoutWindow(job);
    if (!job.Succeeded()) {
        ShowMessage(LocalText("SwitchModeFail"), LocalText("DEDEVev"), kMbOk | kMbIconExclamation);
        return true;
    }
    settings.options.work_mode = mode;
    settings.SaveSettings();
    SwitchToCurrentFiles();
    return true;
}

void CDlgSetWorkMode::OnLanguageChanged() {
    dongle_->setText(LocalQText("Dongle_Mode", kSection));
    wifi_->setText(LocalQText("WiFi_Mode", kSection));
    dongle_->setFont(LocalFont("Normal"));
    wifi_->setFont(LocalFont("Normal"));
}

}  // namespace dedevev
