#include "core/LanguageChoice.h"

#include <dirent.h>

#include <algorithm>

#include "core/AppSettings.h"
#include "core/GlobalService.h"
#include "core/Paths.h"
#include "core/TextCodec.h"

namespace dedevev {

namespace {

std::u16string BareName(std::u16string_view path) {
    const std::size_t slash = path.find_last_of(u"/\\");
    return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

void SwitchToCurrentFiles() {
    const AppSettings& settings = CurrentSettings();
    CGlobalService::Instance().SwitchLanguage(
        ResolvePathNoCase(NativePath(settings.LanguageFilePath())));
    CGlobalService::Instance().SwitchSkin(ResolvePathNoCase(NativePath(settings.SkinFilePath())));
}

bool ChooseLanguagePair(const std::u16string& language_file, const std::u16string& skin_file) {
    AppSettings& settings = CurrentSettings();
    if (settings.LanguageFilePath().find(BareName(language_file)) != std::u16string::npos) {
        return false;
    }
    settings.options.local = language_file;
    settings.options.skin = skin_file;
    settings.SaveSettings();
    SwitchToCurrentFiles();
    return true;
}

int CurrentPresetIndex() {
    const std::u16string path = CurrentSettings().LanguageFilePath();
    for (std::size_t i = 0; i < std::size(kLanguagePresets); ++i) {
        if (path.find(BareName(kLanguagePresets[i].language)) != std::u16string::npos) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<std::u16string> InstalledLanguageTitles() {
    std::vector<std::u16string> titles;
    const std::string folder = ResolvePathNoCase(NativePath(ProgramFolder() + u"Localize"));
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return titles;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".txt") != 0)
            continue;
        if (!FileExists(folder + "/" + name))
            continue;  // skips folders
        titles.push_back(Utf8ToUtf16(name.substr(0, name.size() - 4)));
    }
    ::closedir(dir);
    std::sort(titles.begin(), titles.end());
    return titles;
}

int SelectedLanguageIndex(const std::vector<std::u16string>& titles,
                          const std::u16string& language_path) {
    for (std::size_t i = 0; i < titles.size(); ++i) {
        if (language_path.find(titles[i] + u".txt") != std::u16string::npos)
            return static_cast<int>(i);
    }
    return -1;
}

bool ApplyLanguageFromList(const std::u16string& title) {
    const std::u16string file = title + u".txt";
    AppSettings& settings = CurrentSettings();
    if (settings.LanguageFilePath().find(file) != std::u16string::npos)
        return false;
    settings.options.local = u"Localize\\" + file;
    settings.options.skin = u"Skin\\Skin.txt";
    settings.SaveSettings();
    SwitchToCurrentFiles();
    return true;
}

}  // namespace dedevev
