#pragma once
// The application settings record and Set.dat.

#include <string>
#include <vector>

#include "settings/ServiceCodes.h"

namespace dedevev {

// The default dial-up account.
struct DialSetting {
    std::u16string mcc_mnc;
    std::u16string number;
    std::u16string user;
    std::u16string pass;
    std::u16string apn;
    int net_sel = 4;
    std::u16string dns_main;
    std::u16string dns_minor;
    std::u16string ip_address;
    bool redial = false;
    bool auto_run = false;
    bool chap = false;
    bool pap = false;
    bool pc_account = true;
    bool uim_chap = false;
    bool uim_pap = false;
    bool set = false;
    std::u16string name;
    int mode = 8;
};

struct Options {
    std::u16string url;
    std::u16string skin;
    std::u16string local;
    std::u16string skin_local;
    bool confirm_delete = true;
    bool enable_3way_call = false;
    bool confirm_power_off = true;
    std::u16string notify_message;
    bool enable_log = false;
    bool show_wave = false;
    bool voice_loop = false;
    int loop_second = 2;
    bool enable_em = false;
    bool need_send_sms_report = true;
    bool hide_nv_sms = false;
    int work_mode = 0;
    // Whether the voice view is offered; read only, set by hand in the file.
    bool enable_voice = false;
};

struct RingSetting {
    std::u16string call_comming;
    std::u16string call_connected;
    std::u16string call_disconnected;
    std::u16string new_message;
    std::u16string call_waiting;
    bool international_call = false;
    std::u16string international_code;
};

struct SmsSetting {
    int priority = 0;
};

// Call-waiting and call-forwarding codes, one fixed row each; the two code strings come
// from the "ServiceCode" section ("first,second"; what follows a second comma is left out).
class CServiceCodes {
public:
    struct Entry {
        ServiceCodeRow row;
        std::u16string first;
        std::u16string second;
    };
    CServiceCodes();
    // Fills the code strings of the rows named in `value_of` (section "ServiceCode").
    void Set(std::u16string_view name, std::u16string_view value);
    const Entry* Find(std::u16string_view name) const;
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

struct SecuritySetting {
    bool enable_pass = false;
    std::u16string password;
};

class AppSettings {
public:
    // The built-in defaults (dial defaults from the customization table).
    AppSettings();

    std::u16string file_path;
    DialSetting dial;
    Options options;
    RingSetting ring;
    SmsSetting sms;
    SecuritySetting security;
    CServiceCodes service_codes;

    // Reads `path` (a missing file leaves the defaults): dial, options, ring, security,
    // service codes, SMS.
    void LoadSettings(const std::u16string& path);
    // Writes dial, options, ring and SMS, key by key, to file_path. Security and service
    // codes are never written. False when the file could not be written.
    bool SaveSettings() const;

    // Absolute language file path: "Local" as it stands when absolute, else relative to
    // the program folder.
    std::u16string LanguageFilePath() const;
    // Absolute skin file path by the same rule; Skin\Skin.txt in the program folder when
    // the named file does not exist.
    std::u16string SkinFilePath() const;
};

AppSettings& CurrentSettings();
const AppSettings& DefaultSettings();

// The per-user data folder with a trailing '/', created 0700 on first use; the program
// folder when it cannot be created.
const std::u16string& DataFolder();
// For tests: forget the cached folder so the next call looks again.
void ResetDataFolderForTesting();

// Reading and writing rules of single values, shared with other settings files.
std::u16string EscapePassword(std::u16string_view value);
std::u16string UnescapePassword(std::u16string_view value);
// Keeps `value` from the first occurrence of `folder` (e.g. "Localize\"), comparing without
// case and with '/' equal to '\'; empty when `folder` does not occur.
std::u16string NormaliseResourcePath(std::u16string_view value, std::u16string_view folder);
// The C "%d" reading: leading blanks, optional sign, digits; 0 when nothing parses.
int ParseInt(std::u16string_view value);

}  // namespace dedevev
