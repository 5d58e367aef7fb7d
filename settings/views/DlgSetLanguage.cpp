#include "settings/views/DlgSetLanguage.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "core/AppSettings.h"
#include "core/LanguageChoice.h"
#include "device/base/Utf.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgSetLanguage";

}  // namespace

CDlgSetLanguage::CDlgSetLanguage(QWidget* parent) : CSettingsPage(parent) {
    setObjectName("DlgSetLanguage");
    label_ = new QLabel(this);
    label_->setObjectName("LanguageLabel");
    label_->setGeometry(40, 40, 120, 24);
    list_ = new QComboBox(this);
    list_->setObjectName("LanguageList");
    list_->setGeometry(160, 40, 200, 24);
    connect(list_, &QComboBox::activated, this, [this] { emit changed(); });
    OnLanguageChanged();
}

void CDlgSetLanguage::Reload() {
    titles_ = InstalledLanguageTitles();
    FillList();
}

void CDlgSetLanguage::FillList() {
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const std::u16string& title : titles_) {
        list_->addItem(ToQString(LocalTextOr(Utf16ToUtf8(title), kSection, title)));
    }
    list_->setCurrentIndex(SelectedLanguageIndex(titles_, CurrentSettings().LanguageFilePath()));
}

bool CDlgSetLanguage::Apply() {
    const int index = list_->currentIndex();
    if (index >= 0 && static_cast<std::size_t>(index) < titles_.size())
        ApplyLanguageFromList(titles_[static_cast<std::size_t>(index)]);
    return true;
}

void CDlgSetLanguage::OnLanguageChanged() {
    label_->setText(LocalQText("Language", kSection));
    label_->setFont(LocalFont("Normal"));
    if (!titles_.empty()) {
        const int chosen = list_->currentIndex();
        FillList();
        list_->setCurrentIndex(chosen);
    }
}

}  // namespace dedevev
