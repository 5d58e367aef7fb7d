#include "settings/views/DlgFactoryDataReset.h"

#include "core/MessageBox.h"
#include "resources/Localizer.h"
#include "resources/views/SkinButton.h"
#include "settings/SettingsWorkers.h"

namespace dedevev {

CDlgFactoryDataReset::CDlgFactoryDataReset(ResetPageEnvironment environment, QWidget* parent)
    : CSettingsPage(parent), env_(std::move(environment)) {
    setObjectName("DlgFactoryDataReset");
    button_ = new CSkinButtonEx(this);
    button_->setObjectName("ResetButton");
    button_->SetImageSet("BtnBig");
    button_->SetCaption("Reset", "DlgReset");
    button_->setGeometry(60, 40, 160, 30);
    connect(button_, &QAbstractButton::clicked, this, &CDlgFactoryDataReset::Reset);
}

void CDlgFactoryDataReset::Reset() {
    // Set on this thread before the job starts: the device check that reads it runs here too.
    if (env_.mark_reset_running)
        env_.mark_reset_running();
    CThreadFactoryReset job(env_.device ? env_.device() : nullptr);
    if (env_.run_job)
        env_.run_job(job);
    else
        RunWithoutWindow(job);
    if (!job.Succeeded())
        ShowMessage(LocalText("ResetFailed"), LocalText("DEDEVev"), kMbOk | kMbIconExclamation);
}

}  // namespace dedevev
