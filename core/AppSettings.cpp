#include "core/AppSettings.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "core/Customization.h"
#include "core/Paths.h"
#include "core/ProfileFile.h"
#include "core/TextCodec.h"
#include "resources/TextTable.h"

namespace dedevev {

namespace {

const std::u16string kDial = u"DialSetting";
const std::u16string kOptions = u"Options";
const std::u16string kRing = u"RingSetting";
const std::u16string kSms = u"SMS";
const std::u16string kSecurity = u"Security";
const std::u16string kServiceCode = u"ServiceCode";

std::u16string ToText(int value) {
    return Utf8ToUtf16(std::to_string(value));
}
std::u16string ToText(bool value) {
    return value ? u"1" : u"0";
}

// Reads one section's keys with the rules of the settings file: "cond." keys only when
// present, "always" keys whatever the file says.
class SectionReader {
public:
    SectionReader(const TextTable& table, std::u16string_view section)
        : table_(table), section_(section) {}
    std::u16string Raw(std::u16string_view key) const { return table_.Value(section_, key); }
    bool Present(std::u16string_view key) const { return table_.Has(section_, key); }
    void TextIfPresent(std::u16string_view key, std::u16string& into) const {
        if (Present(key))
            into = Raw(key);
    }
    void BoolIfPresent(std::u16string_view key, bool& into) const {
        if (Present(key))
            into = Raw(key) == u"1";
    }
    void IntIfPresent(std::u16string_view key, int& into) const {
        if (Present(key))
            into = ParseInt(Raw(key));
    }
    bool BoolAlways(std::u16string_view key) const { return Raw(key) == u"1"; }
    int IntAlways(std::u16string_view key) const { return ParseInt(Raw(key)); }

private:
    const TextTable& table_;
    std::u16string section_;
};

std::u16string MusicDefault(const char16_t* file) {
    return ProgramFolder() + u"Music\\" + file;
}

}  // namespace

int ParseInt(std::u16string_view value) {
    std::size_t i = 0;
    while (i < value.size() && IsSpace(value[i]))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == u'-' || value[i] == u'+')) {
        negative = value[i] == u'-';
        ++i;
    }
    long long result = 0;
    for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
        result = result * 10 + (value[i] - u'0');
        if (result > 0x7FFFFFFFLL)
            result = 0x80000000LL;  // saturate like a 32-bit scan
    }
    if (negative)
        result = -result;
    if (result > 0x7FFFFFFF)
        result = 0x7FFFFFFF;
    if (result < -0x7FFFFFFFLL - 1)
        result = -0x7FFFFFFFLL - 1;
    return static_cast<int>(result);
}

std::u16string EscapePassword(std::u16string_view value) {
    return ReplaceAll(value, u" ", u"% ^");
}

std::u16string UnescapePassword(std::u16string_view value) {
    std::u16string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size();) {
        if (value[i] == u'%' && i + 2 < value.size() && value[i + 2] == u'^') {
            out.push_back(value[i + 1]);
            i += 3;
        } else {
            out.push_back(value[i]);
            ++i;
        }
    }
    return out;
}

std::u16string NormaliseResourcePath(std::u16string_view value, std::u16string_view folder) {
    auto fold = [](std::u16string_view text) {
        std::u16string out = ToLower(text);
        for (auto& c : out) {
            if (c == u'/')
                c = u'\\';
        }
        return out;
    };
    const std::size_t at = fold(value).find(fold(folder));
    return at == std::u16string::npos ? std::u16string() : std::u16string(value.substr(at));
}

CServiceCodes::CServiceCodes() {
    for (const ServiceCodeRow& row : Customization().ServiceCodeRows()) {
        entries_.push_back(Entry{row, {}, {}});
    }
}

void CServiceCodes::Set(std::u16string_view name, std::u16string_view value) {
    for (Entry& entry : entries_) {
        if (!EqualsNoCase(entry.row.name, name) || value.empty())
            continue;
        // "code,number": a forwarding number never holds a comma, so anything after a second
        // comma is not part of it and is left out.
        const std::size_t comma = value.find(u',');
        entry.first = std::u16string(value.substr(0, comma));
        entry.second.clear();
        if (comma != std::u16string_view::npos) {
            const std::u16string_view rest = value.substr(comma + 1);
            entry.second = std::u16string(rest.substr(0, rest.find(u',')));
        }
    }
}

const CServiceCodes::Entry* CServiceCodes::Find(std::u16string_view name) const {
    for (const Entry& entry : entries_) {
        if (EqualsNoCase(entry.row.name, name))
            return &entry;
    }
    return nullptr;
}

AppSettings::AppSettings() {
    const ICustomization& c = Customization();
    file_path = DataFolder() + u"Set.dat";
    dial.mcc_mnc = c.DefaultMccMnc();
    dial.number = c.DefaultDialNumber();
    dial.user = c.DefaultUser();
    dial.pass = c.DefaultPassword();
    dial.apn = c.DefaultApn();
    dial.net_sel = c.DefaultNetSel();
    dial.chap = c.DefaultChap();
    dial.pap = c.DefaultPap();
    dial.name = c.DefaultProfileName();
    options.url = c.DefaultWebAddress();
    options.skin = c.DefaultSkinFile();
    options.local = c.DefaultLanguageFile();
    options.enable_3way_call = c.ThreeWayCallDefault();
    options.need_send_sms_report = c.DefaultNeedSendSmsReport();
    options.enable_em = c.ForceEnableEM();
    ring.call_comming = MusicDefault(u"ring.wav");
    ring.call_connected = MusicDefault(u"call-connect.wav");
    ring.call_disconnected = MusicDefault(u"call-disconnect.wav");
    ring.new_message = MusicDefault(u"sms.wav");
    ring.call_waiting = MusicDefault(u"callWaiting.wav");
}

void AppSettings::LoadSettings(const std::u16string& path) {
    file_path = path;
    const TextTable table(NativePath(path));

    const SectionReader d(table, kDial);
    d.TextIfPresent(u"MccMnc", dial.mcc_mnc);
    d.TextIfPresent(u"Number", dial.number);
    d.TextIfPresent(u"User", dial.user);
    if (d.Present(u"Pass"))
        dial.pass = UnescapePassword(d.Raw(u"Pass"));
    d.TextIfPresent(u"Apn", dial.apn);
    d.IntIfPresent(u"NetSel", dial.net_sel);
    d.TextIfPresent(u"DNSMain", dial.dns_main);
    d.TextIfPresent(u"DNSMinor", dial.dns_minor);
    d.TextIfPresent(u"IPAddress", dial.ip_address);
    d.BoolIfPresent(u"Redial", dial.redial);
    d.BoolIfPresent(u"AutoRun", dial.auto_run);
    d.BoolIfPresent(u"CHAP", dial.chap);
    d.BoolIfPresent(u"PAP", dial.pap);
    d.BoolIfPresent(u"PCAccount", dial.pc_account);
    d.BoolIfPresent(u"UIMCHAP", dial.uim_chap);
    d.BoolIfPresent(u"UIMPAP", dial.uim_pap);
    d.BoolIfPresent(u"Set", dial.set);
    d.TextIfPresent(u"Name", dial.name);
    d.IntIfPresent(u"Mode", dial.mode);

    const SectionReader o(table, kOptions);
    o.TextIfPresent(u"URL", options.url);
    o.TextIfPresent(u"Skin", options.skin);
    if (o.Present(u"Local"))
        options.local = NormaliseResourcePath(o.Raw(u"Local"), u"Localize\\");
    if (o.Present(u"SkinLocal")) {
        options.skin_local = NormaliseResourcePath(o.Raw(u"SkinLocal"), u"Skin\\");
    }
    // An empty (or missing) value counts as on.
    options.confirm_delete = o.Raw(u"ConfirmDelete").empty() || o.Raw(u"ConfirmDelete") == u"1";
    o.BoolIfPresent(u"Enable3WayCall", options.enable_3way_call);
    o.BoolIfPresent(u"ConfirmPowerOff", options.confirm_power_off);
    options.notify_message = o.Raw(u"NotifyMessage");
    options.enable_log = o.BoolAlways(u"EnableLog");
    options.show_wave = o.BoolAlways(u"ShowWave");
    options.voice_loop = o.BoolAlways(u"Voiceloop");
    options.loop_second = std::clamp(o.IntAlways(u"LoopSecond"), 2, 10);
    options.enable_em = Customization().ForceEnableEM() ? true : o.BoolAlways(u"EnableEM");
    o.BoolIfPresent(u"NeedSendSMSReport", options.need_send_sms_report);
    options.hide_nv_sms = o.BoolAlways(u"HideNVSMS");
    options.work_mode = o.IntAlways(u"WorkMode");
    options.enable_voice = o.BoolAlways(u"EnableVoice");

    const SectionReader r(table, kRing);
    r.TextIfPresent(u"CallComming", ring.call_comming);
    r.TextIfPresent(u"CallConnected", ring.call_connected);
    r.TextIfPresent(u"CallDisconnected", ring.call_disconnected);
    r.TextIfPresent(u"NewMessage", ring.new_message);
    r.TextIfPresent(u"CallWaiting", ring.call_waiting);
    r.BoolIfPresent(u"InternationalCall", ring.international_call);
    r.TextIfPresent(u"InternationalCode", ring.international_code);

    const SectionReader s(table, kSecurity);
    security.enable_pass = s.BoolAlways(u"EnablePass");
    if (s.Present(u"password"))
        security.password = UnescapePassword(s.Raw(u"password"));

    if (const TextTable::Section* codes = table.Find(kServiceCode)) {
        for (const auto& [name, value] : *codes)
            service_codes.Set(name, value);
    }

    const SectionReader m(table, kSms);
    m.IntIfPresent(u"Priority", sms.priority);
}

bool AppSettings::SaveSettings() const {
    ProfileFile file(NativePath(file_path));
    file.Set(kDial, u"MccMnc", dial.mcc_mnc);
    file.Set(kDial, u"Number", dial.number);
    file.Set(kDial, u"User", dial.user);
    file.Set(kDial, u"Pass", EscapePassword(dial.pass));
    file.Set(kDial, u"Apn", dial.apn);
    file.Set(kDial, u"NetSel", ToText(dial.net_sel));
    file.Set(kDial, u"DNSMain", dial.dns_main);
    file.Set(kDial, u"DNSMinor", dial.dns_minor);
    file.Set(kDial, u"IPAddress", dial.ip_address);
    file.Set(kDial, u"Redial", ToText(dial.redial));
    file.Set(kDial, u"Set", ToText(dial.set));
    file.Set(kDial, u"Name", dial.name);
    file.Set(kDial, u"Mode", ToText(dial.mode));

    file.Set(kOptions, u"Skin", NormaliseResourcePath(options.skin, u"Skin\\"));
    file.Set(kOptions, u"Local", NormaliseResourcePath(options.local, u"Localize\\"));
    file.Set(kOptions, u"SkinLocal", options.skin_local);
    file.Set(kOptions, u"ConfirmPowerOff", ToText(options.confirm_power_off));
    file.Set(kOptions, u"NeedSendSMSReport", ToText(options.need_send_sms_report));
    file.Set(kOptions, u"WorkMode", ToText(options.work_mode));

    file.Set(kRing, u"CallComming", ring.call_comming);
    file.Set(kRing, u"CallConnected", ring.call_connected);
    file.Set(kRing, u"CallDisconnected", ring.call_disconnected);
    file.Set(kRing, u"NewMessage", ring.new_message);
    file.Set(kRing, u"CallWaiting", ring.call_waiting);
    file.Set(kRing, u"InternationalCall", ToText(ring.international_call));
    file.Set(kRing, u"InternationalCode", ring.international_code);

    file.Set(kSms, u"Priority", ToText(sms.priority));
    return file.Save(0600);
}

std::u16string AppSettings::LanguageFilePath() const {
    return ResolveStoredPath(options.local);
}

std::u16string AppSettings::SkinFilePath() const {
    std::u16string path = ResolveStoredPath(options.skin);
    if (!FileExists(ResolvePathNoCase(NativePath(path))))
        path = ProgramFolder() + u"Skin\\Skin.txt";
    return path;
}

AppSettings& CurrentSettings() {
    static AppSettings settings;
    return settings;
}

const AppSettings& DefaultSettings() {
    static const AppSettings settings;
    return settings;
}

namespace {

std::mutex g_data_folder_mutex;
std::u16string& DataFolderStorage() {
    static std::u16string folder;
    return folder;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

}  // namespace

const std::u16string& DataFolder() {
    std::lock_guard<std::mutex> lock(g_data_folder_mutex);
    std::u16string& folder = DataFolderStorage();
    if (!folder.empty())
        return folder;
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else if (const std::string home = HomeFolder(); !home.empty()) {
        base = home + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (!base.empty()) {
        const std::string path = base + "/Dataline";
        // Parents get the usual 0755 ... the folder itself holds passwords: 0700.
        if (MakeDirectories(base, 0755) && MakeDirectories(path, 0700)) {
            ::chmod(path.c_str(), 0700);
            folder = Utf8ToUtf16(path + "/");
            return folder;
        }
    }
    folder = ProgramFolder();
    return folder;
}

void ResetDataFolderForTesting() {
    std::lock_guard<std::mutex> lock(g_data_folder_mutex);
    DataFolderStorage().clear();
}

}  // namespace dedevev
