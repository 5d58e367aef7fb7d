#include "connection/NetProfileList.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>

#include "core/AppSettings.h"
#include "core/Paths.h"
#include "core/ProfileFile.h"
#include "core/TextCodec.h"

namespace dedevev {
namespace {

constexpr std::array<const char16_t*, 11> kKeys = {u"Name:", u"MccMnc:", u"Phone:",  u"User:",
                                                   u"Psw:",  u"Apn:",    u"DNSPre:", u"DNSAlt:",
                                                   u"IP:",   u"UseDNS:", u"UseIP:"};

std::u16string* Field(NetProfile& profile, std::size_t key) {
    switch (key) {
        case 0:
            return &profile.name;
        case 1:
            return &profile.mcc_mnc;
        case 2:
            return &profile.phone;
        case 3:
            return &profile.user;
        case 4:
            return &profile.password;
        case 5:
            return &profile.apn;
        case 6:
            return &profile.dns_primary;
        case 7:
            return &profile.dns_secondary;
        case 8:
            return &profile.ip;
        default:
            return nullptr;
    }
}

// Splits the text into lines at LF; each line is cut at its first CR.
std::vector<std::u16string> Lines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos)
            end = text.size();
        std::u16string line = text.substr(start, end - start);
        if (std::size_t cr = line.find(u'\r'); cr != std::u16string::npos)
            line.resize(cr);
        lines.push_back(std::move(line));
        if (end == text.size())
            break;
        start = end + 1;
    }
    return lines;
}

std::u16string DecodeFile(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        }
        return text;
    }
    return Utf8ToUtf16(bytes);
}

void AppendUtf16Le(std::string& out, std::u16string_view text) {
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
}

// A value never spans lines in the file: a line break inside it would split the block.
std::u16string OneLine(std::u16string_view value) {
    std::u16string line(value);
    std::replace(line.begin(), line.end(), u'\r', u' ');
    std::replace(line.begin(), line.end(), u'\n', u' ');
    return line;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int NetProfileList::FindByName(const std::u16string& name) const {
    for (std::size_t i = 0; i < profiles_.size(); ++i) {
        if (profiles_[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

int NetProfileList::FindByMccMnc(const std::u16string& mcc_mnc) const {
    for (std::size_t i = 0; i < profiles_.size(); ++i) {
        if (profiles_[i].mcc_mnc == mcc_mnc)
            return static_cast<int>(i);
    }
    return -1;
}

bool NetProfileList::Insert(const NetProfile& profile) {
    if (FindByName(profile.name) >= 0)
        return false;
    profiles_.push_back(profile);
    Sort();
    return true;
}

bool NetProfileList::Replace(std::size_t index, const NetProfile& profile) {
    if (index >= profiles_.size())
        return false;
    profiles_[index] = profile;
    return true;
}

bool NetProfileList::Remove(std::size_t index) {
    if (index >= profiles_.size())
        return false;
    profiles_.erase(profiles_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

void NetProfileList::Sort() {
    // Ordinal order of the UTF-16 code units; equal names keep their order.
    std::stable_sort(profiles_.begin(), profiles_.end(),
                     [](const NetProfile& a, const NetProfile& b) { return a.name < b.name; });
}

void NetProfileList::Parse(const std::string& bytes) {
    profiles_.clear();
    const std::vector<std::u16string> lines = Lines(DecodeFile(bytes));
    std::size_t next = 0;
    while (next < lines.size()) {
        NetProfile profile;
        for (std::size_t key = 0; key < kKeys.size() && next < lines.size(); ++key) {
            const std::u16string_view wanted = kKeys[key];
            while (next < lines.size()) {
                const std::u16string& line = lines[next++];
                if (line.empty() || line[0] == u'#')
                    continue;
                const std::size_t at = line.find(wanted);
                if (at == std::u16string::npos)
                    continue;
                std::u16string value = line;
                value.erase(at, wanted.size());
                if (std::u16string* field = Field(profile, key))
                    *field = std::move(value);
                else if (key == 9)
                    profile.use_dns = value == u"1";
                else
                    profile.use_ip = value == u"1";
                break;
            }
        }
        if (!profile.name.empty() || !profile.phone.empty())
            profiles_.push_back(std::move(profile));
    }
    Sort();
}

std::string NetProfileList::Serialise() const {
    std::string out = "\xFF\xFE";
    for (const NetProfile& profile : profiles_) {
        NetProfile copy = profile;
        for (std::size_t key = 0; key < kKeys.size(); ++key) {
            std::u16string value;
            if (const std::u16string* field = Field(copy, key))
                value = OneLine(*field);
            else if (key == 9)
                value = profile.use_dns ? u"1" : u"0";
            else
                value = profile.use_ip ? u"1" : u"0";
            AppendUtf16Le(out, kKeys[key]);
            AppendUtf16Le(out, value);
            AppendUtf16Le(out, u"\r\n");
        }
        AppendUtf16Le(out, u"\r\n");
    }
    return out;
}

void NetProfileList::Load(const std::string& data_file, const std::string& template_file) {
    std::string bytes;
    if ((!ReadWholeFile(data_file, &bytes) || bytes.empty()) &&
        (!FileExists(template_file) || !ReadWholeFile(template_file, &bytes))) {
        bytes.clear();
    }
    Parse(bytes);
}

bool NetProfileList::Save(const std::string& path) const {
    return WriteFileAtomically(path, Serialise(), 0600);
}

namespace {

std::mutex g_profiles_mutex;
std::unique_ptr<NetProfileList> g_profiles;

std::string ProfileFilePath() {
    return NativePath(DataFolder() + u"SetNet.dat");
}

void SaveProfilesAtExit() {
    SaveProfiles();
}

}  // namespace

NetProfileList& Profiles() {
    std::lock_guard<std::mutex> lock(g_profiles_mutex);
    if (!g_profiles) {
        auto list = std::make_unique<NetProfileList>();
        list->Load(ProfileFilePath(),
                   ResolvePathNoCase(NativePath(ProgramFolder() + u"Record\\SetNet.dat")));
        g_profiles = std::move(list);
        // Registered only now, after the data and program folders were first asked for, so
        // that the save at exit runs before those are torn down.
        static const bool registered = std::atexit(SaveProfilesAtExit) == 0;
        (void)registered;
    }
    return *g_profiles;
}

bool SaveProfiles() {
    std::lock_guard<std::mutex> lock(g_profiles_mutex);
    if (!g_profiles)
        return false;
    return g_profiles->Save(ProfileFilePath());
}

void ResetProfilesForTesting() {
    std::lock_guard<std::mutex> lock(g_profiles_mutex);
    g_profiles.reset();
}

}  // namespace dedevev
