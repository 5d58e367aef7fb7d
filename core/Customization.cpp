#include "core/Customization.h"

namespace dedevev {

namespace {

constexpr const char16_t* kOperatorHomePage = u"https://operator.example.net/";

const std::vector<ServiceCodeRow>& FixedServiceCodeRows() {
    static const std::vector<ServiceCodeRow> kRows = {
        {kActvWaiting, u"ActvWaiting", false},      {kDeactvWaiting, u"DeactvWaiting", false},
        {kActvUncondForw, u"ActvUncondForw", true}, {kDeactvUncondForw, u"DeactvUncondForw", false},
        {kActvBusyForw, u"ActvBusyForw", true},     {kDeactvBusyForw, u"DeactvBusyForw", false},
        {kActvNoAnswForw, u"ActvNoAnswForw", true}, {kDeactvNoAnswForw, u"DeactvNoAnswForw", false},
        {kDeactvAll, u"DeactvAll", false},
    };
    return kRows;
}

}  // namespace

std::u16string CCustomizationBase::DefaultLanguageFile() const {
    return u"Localize\\English.txt";
}

std::u16string CCustomizationBase::DefaultSkinFile() const {
    return u"Skin\\Skin.txt";
}

std::u16string CCustomizationBase::DefaultWebAddress() const {
    return u"https://dedevev.example.org/";
}

std::u16string CCustomizationBase::HelpDocument() const {
    return u"https://dedevev.example.org/help/";
}

const std::vector<ServiceCodeRow>& CCustomizationBase::ServiceCodeRows() const {
    return FixedServiceCodeRows();
}

const std::vector<ServiceCodeRow>& CCustomizationBase::ServiceCodeRowsAlt() const {
    return FixedServiceCodeRows();
}

std::u16string CCustomizationBase::WebPageAddress(int index) const {
    switch (index) {
        case 0:
            return u"https://dedevev.example.org/";
        case 1:
            return u"https://dedevev.example.org/support/";
        case 2:
            return u"https://dedevev.example.org/download/";
        default:
            return {};
    }
}

std::u16string CCustomizationBase::ShortcutAddress(int index) const {
    // The operator's home page first, then six public sites.
    switch (index) {
        case 0:
            return kOperatorHomePage;
        case 1:
            return u"https://www.wikipedia.org/";
        case 2:
            return u"https://www.openstreetmap.org/";
        case 3:
            return u"https://www.wikivoyage.org/";
        case 4:
            return u"https://archive.org/";
        case 5:
            return u"https://www.gutenberg.org/";
        case 6:
            return u"https://www.debian.org/";
        default:
            return {};
    }
}

std::u16string CCustomizationBase::CompetingProgramName() const {
    return u"PortKeeper";
}

std::u16string CCustomizationOtp::DefaultWebAddress() const {
    return kOperatorHomePage;
}

const ICustomization& Customization() {
    static const CCustomizationOtp instance{};
    return instance;
}

}  // namespace dedevev
