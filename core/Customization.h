#pragma once
// The product's fixed choices: default files, default dial-up account fields and feature
// switches. Code reads them here instead of hard-coding them. Slot order is part of the
// interface: new entries go into a free Reserved slot, never in between.
//
// CCustomizationBase holds the base product's values; CCustomizationOtp, the product that
// ships, changes three of them: the web address (the operator's page), the default preferred
// radio system (automatic instead of CDMA only) and the automatic account choice at start
// (on). Customization() is the process-wide CCustomizationOtp.

#include <string>
#include <vector>

#include "settings/ServiceCodes.h"

namespace dedevev {

class ICustomization {
public:
    // 0: language file, relative to the resource folder.
    virtual std::u16string DefaultLanguageFile() const = 0;
    // 1: skin file, relative to the resource folder.
    virtual std::u16string DefaultSkinFile() const = 0;
    // 2: the product's web address ("Options" "URL").
    virtual std::u16string DefaultWebAddress() const = 0;
    // 3: the help document the Help menu opens.
    virtual std::u16string HelpDocument() const = 0;
    // 4, 5, 6: default dial string, user and password of the dial-up account.
    virtual std::u16string DefaultDialNumber() const = 0;
    virtual std::u16string DefaultUser() const = 0;
    virtual std::u16string DefaultPassword() const = 0;
    // 7: further switch no code reads.
    virtual bool Reserved7() const { return false; }
    // 8, 9, 10: default APN, profile name and network code (MCC and MNC).
    virtual std::u16string DefaultApn() const = 0;
    virtual std::u16string DefaultProfileName() const = 0;
    virtual std::u16string DefaultMccMnc() const = 0;
    // 11, 12: further switches no code reads.
    virtual bool Reserved11() const { return false; }
    virtual bool Reserved12() const { return false; }
    // 13: texts with bytes above 0x80 are sent in 70-character parts as 16-bit text.
    virtual bool UnicodeForExtendedText() const = 0;
    // 14, 15: further switches no code reads.
    virtual bool Reserved14() const { return false; }
    virtual bool Reserved15() const { return false; }
    // 16: a waiting call is offered during a call.
    virtual bool CallWaitingAllowed() const = 0;
    // 17: default of "Options" "Enable3WayCall".
    virtual bool ThreeWayCallDefault() const = 0;
    // 18: flash text sent before joining a three-way call; empty sends none.
    virtual std::u16string ThreeWayJoinText() const = 0;
    // 19: numbers must match exactly (or by their last ten digits) to show a contact name.
    virtual bool ExactNumberMatch() const = 0;
    // 20: further switch no code reads.
    virtual bool Reserved20() const { return false; }
    // 21: the phonebook view exists.
    virtual bool PhonebookViewEnabled() const = 0;
    // 22, 23, 24: further switches no code reads.
    virtual bool Reserved22() const { return false; }
    virtual bool Reserved23() const { return false; }
    virtual bool Reserved24() const { return false; }
    // 25: the call key with an empty number calls the last call back.
    virtual bool CallBackLastAllowed() const = 0;
    // 26: the modem library is told before and after a batch of several messages.
    virtual bool MultiSendNotice() const = 0;
    // 27..40: further switches no code reads.
    virtual bool Reserved27() const { return false; }
    virtual bool Reserved28() const { return false; }
    virtual bool Reserved29() const { return false; }
    virtual bool Reserved30() const { return false; }
    virtual bool Reserved31() const { return false; }
    virtual bool Reserved32() const { return false; }
    virtual bool Reserved33() const { return false; }
    virtual bool Reserved34() const { return false; }
    virtual bool Reserved35() const { return false; }
    virtual bool Reserved36() const { return false; }
    virtual bool Reserved37() const { return false; }
    virtual bool Reserved38() const { return false; }
    virtual bool Reserved39() const { return false; }
    virtual bool Reserved40() const { return false; }
    // 41: the internet connection can be used.
    virtual bool ConnectionEnabled() const = 0;
    // 42: dial progress is shown by the dial-up state's name rather than "Connecting".
    virtual bool ShowDialStateNames() const = 0;
    // 43: further switch no code reads.
    virtual bool Reserved43() const { return false; }
    // 44, 45: rows of the service-code table; the second table holds the same rows.
    virtual const std::vector<ServiceCodeRow>& ServiceCodeRows() const = 0;
    virtual const std::vector<ServiceCodeRow>& ServiceCodeRowsAlt() const = 0;
    // 46: "Options" "EnableEM" is forced on.
    virtual bool ForceEnableEM() const = 0;
    // 47, 48: default of "DialSetting" "PAP" and "CHAP".
    virtual bool DefaultPap() const = 0;
    virtual bool DefaultChap() const = 0;
    // 49: further switch no code reads.
    virtual bool Reserved49() const { return false; }
    // 50: default of "Options" "NeedSendSMSReport".
    virtual bool DefaultNeedSendSmsReport() const = 0;
    // 51: the service codes can be edited.
    virtual bool ServiceCodeEditable() const = 0;
    // 52: "+" in a dialled number is replaced by the configured international code.
    virtual bool InternationalPrefixRule() const = 0;
    // 53: web page `index` (0..kWebPageCount-1) of the main window's web buttons; empty
    // for any other index.
    virtual std::u16string WebPageAddress(int index) const = 0;
    // 54: shortcut `index` (0..kShortcutCount-1) of the link page; empty for any other index.
    virtual std::u16string ShortcutAddress(int index) const = 0;
    // 55: name of the program that may hold the card's port and is asked to let go of it.
    virtual std::u16string CompetingProgramName() const = 0;
    // 56..62: further switches no code reads.
    virtual bool Reserved56() const { return false; }
    virtual bool Reserved57() const { return false; }
    virtual bool Reserved58() const { return false; }
    virtual bool Reserved59() const { return false; }
    virtual bool Reserved60() const { return false; }
    virtual bool Reserved61() const { return false; }
    virtual bool Reserved62() const { return false; }
    // 63: the send summary says "all sent" or "all failed" when that is so.
    virtual bool SendSummaryAllOrNone() const = 0;
    // 64: the link page shows the companion-service text.
    virtual bool CompanionService() const = 0;
    // 65: default of "DialSetting" "NetSel" (preferred radio system).
    virtual int DefaultNetSel() const = 0;
    // 66: further switch no code reads.
    virtual bool Reserved66() const { return false; }
    // 67: the dial-up account is chosen from the card's network code at start.
    virtual bool AutoAccountChoice() const = 0;

protected:
    ~ICustomization() = default;
};

constexpr int kWebPageCount = 3;
constexpr int kShortcutCount = 7;

// Preferred radio system values ("NetSel").
constexpr int kNetSelGprsOnly = 1;
constexpr int kNetSelUmtsOnly = 2;
constexpr int kNetSelAuto = 4;
constexpr int kNetSelLteOnly = 6;
constexpr int kNetSelCdmaOnly = 10;
constexpr int kNetSelEvdoOnly = 11;

class CCustomizationBase : public ICustomization {
public:
    CCustomizationBase() = default;
    virtual ~CCustomizationBase() = default;

    std::u16string DefaultLanguageFile() const override;
    std::u16string DefaultSkinFile() const override;
    std::u16string DefaultWebAddress() const override;
    std::u16string HelpDocument() const override;
    std::u16string DefaultDialNumber() const override { return {}; }
    std::u16string DefaultUser() const override { return {}; }
    std::u16string DefaultPassword() const override { return {}; }
    std::u16string DefaultApn() const override { return {}; }
    std::u16string DefaultProfileName() const override { return {}; }
    std::u16string DefaultMccMnc() const override { return {}; }
    bool UnicodeForExtendedText() const override { return false; }
    bool CallWaitingAllowed() const override { return true; }
    bool ThreeWayCallDefault() const override { return false; }
    std::u16string ThreeWayJoinText() const override { return {}; }
    bool ExactNumberMatch() const override { return false; }
    bool PhonebookViewEnabled() const override { return true; }
    bool CallBackLastAllowed() const override { return true; }
    bool MultiSendNotice() const override { return false; }
    bool ConnectionEnabled() const override { return true; }
    bool ShowDialStateNames() const override { return true; }
    const std::vector<ServiceCodeRow>& ServiceCodeRows() const override;
    const std::vector<ServiceCodeRow>& ServiceCodeRowsAlt() const override;
    bool ForceEnableEM() const override { return false; }
    bool DefaultPap() const override { return false; }
    bool DefaultChap() const override { return false; }
    bool DefaultNeedSendSmsReport() const override { return true; }
    bool ServiceCodeEditable() const override { return false; }
    bool InternationalPrefixRule() const override { return false; }
    std::u16string WebPageAddress(int index) const override;
    std::u16string ShortcutAddress(int index) const override;
    std::u16string CompetingProgramName() const override;
    bool SendSummaryAllOrNone() const override { return false; }
    bool CompanionService() const override { return false; }
    int DefaultNetSel() const override { return kNetSelCdmaOnly; }
    bool AutoAccountChoice() const override { return false; }
};

class CCustomizationOtp : public CCustomizationBase {
public:
    std::u16string DefaultWebAddress() const override;
    int DefaultNetSel() const override { return kNetSelAuto; }
    bool AutoAccountChoice() const override { return true; }
};

// The process-wide customization, created on first use.
const ICustomization& Customization();

}  // namespace dedevev
