#pragma once
// Shared set-up of the window-layer tests: the English texts and the default skin.

#include <string>

#include "core/GlobalService.h"

namespace dedevev::test {

inline void UseDefaultSkinAndLanguage() {
    const std::string bin = DEDEVEV_BIN_DIR;
    CGlobalService& service = CGlobalService::Instance();
    service.SwitchLanguage(bin + "/Localize/English.txt");
    service.SwitchSkin(bin + "/Skin/Skin.txt");
}

}  // namespace dedevev::test
