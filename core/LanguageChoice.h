#pragma once
// Choosing the language (and the skin that goes with it) at run time: the two presets of
// the main window's Language menu and the list of installed language files.

#include <string>
#include <vector>

namespace dedevev {

struct LanguagePreset {
    const char16_t* menu_key;  // key in section "MenuLang"
    const char16_t* language;  // stored language path
    const char16_t* skin;      // stored skin path
};

inline constexpr LanguagePreset kLanguagePresets[] = {
    {u"English", u"Localize\\English.txt", u"Skin\\Skin.txt"},
    {u"Indonesian", u"Localize\\Indonesian.txt", u"Skin\\SkinIndonesian.txt"},
};

// Switches the language, then the skin, to the files the settings name now, so that every
// view reloads its texts and pictures.
void SwitchToCurrentFiles();

// Stores the pair in the settings, saves them, switches language then skin. Does nothing
// (and returns false) when the current language path already names that file.
bool ChooseLanguagePair(const std::u16string& language_file, const std::u16string& skin_file);

// The preset whose language file the current language path names, or -1.
int CurrentPresetIndex();

// Titles (file names without ".txt") of the language files in the program's Localize
// folder, sorted by name.
std::vector<std::u16string> InstalledLanguageTitles();
// Index of the title whose file name occurs in `language_path`, or -1.
int SelectedLanguageIndex(const std::vector<std::u16string>& titles,
                          const std::u16string& language_path);
// Applies a title chosen from the list: its language file with the default skin.
bool ApplyLanguageFromList(const std::u16string& title);

}  // namespace dedevev
