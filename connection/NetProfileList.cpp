#include "connection/NetProfileList.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "core/AppSettings.h"
#include "core/BlockFile.h"
#include "core/Paths.h"
#include "core/ProfileFile.h"
#include "resources/TextTable.h"

namespace dedevev {
namespace {

constexpr std::array<std::u16string_view, 11> kKeys = {u"Name:", u"MccMnc:", u"Phone:",  u"User:",
                                                       u"Psw:",  u"Apn:",    u"DNSPre:", u"DNSAlt:",
                                                       u"IP:",   u"UseDNS:", u"UseIP:"};
constexpr std::size_t kUseDns = 9;

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
    for (BlockRecord& block : ReadBlockFile(bytes, kKeys)) {
        NetProfile profile;
        for (std::size_t key = 0; key < kKeys.size(); ++key) {
            if (!block[key])
                continue;
            if (std::u16string* field = Field(profile, key))
                *field = std::move(*block[key]);
            else if (key == kUseDns)
                profile.use_dns = *block[key] == u"1";
            else
                profile.use_ip = *block[key] == u"1";
        }
        if (!profile.name.empty() || !profile.phone.empty())
            profiles_.push_back(std::move(profile));
    }
    Sort();
}

std::string NetProfileList::Serialise() const {
    BlockFileWriter out;
    for (const NetProfile& profile : profiles_) {
        NetProfile copy = profile;
        for (std::size_t key = 0; key < kKeys.size(); ++key) {
            if (const std::u16string* field = Field(copy, key))
                out.Field(kKeys[key], *field);
            else
                out.Field(kKeys[key],
                          (key == kUseDns ? profile.use_dns : profile.use_ip) ? u"1" : u"0");
        }
        out.EndRecord();
    }
    return out.Take();
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
