#pragma once
// The list of every picture the skin files name: which entry names point at it, its file name
// and how to draw it.

#include <QImage>
#include <functional>
#include <string>
#include <vector>

namespace skingen {

enum class SkinSection { Bitmaps, Icons };

// Which skin files name a picture: both, or only one of the two language variants.
enum class Variant { Both, English, Indonesian };

struct Picture {
    std::vector<std::string> names;  // entry names, as written in the skin files
    std::string file;                // lower-case file name inside the bitmap folder
    std::function<QImage()> draw;
    SkinSection section = SkinSection::Bitmaps;
    Variant variant = Variant::Both;
};

using Manifest = std::vector<Picture>;

// Main window frame, module page backgrounds, dialog pieces, start-up window, pop-up notice.
void AddFramePictures(Manifest& out);
// Caption, menu, navigation, connect, dialog and big buttons, the logo button.
void AddButtonPictures(Manifest& out);
// Signal levels, message indicators and the small pictures of the "Icons" section.
void AddIconPictures(Manifest& out);

// The product emblem alone on a transparent square of `size` pixels: the program's icon for
// the desktop (menus, launchers), which, unlike the skin's bitmaps, keeps its alpha channel.
QImage ProgramIcon(int size);

// The four state suffixes of a button set, in the order normal, hover, down, disabled.
enum class State { Normal, Hover, Down, Disable };
inline constexpr State kStates[] = {State::Normal, State::Hover, State::Down, State::Disable};
const char* Suffix(State state);  // "Normal", "Hover", "Down", "Disable"

// Adds the four pictures "<base>_<State>" of a button set, files "<lower base>_<state>.bmp".
// "<base>_hover" is named as well when `lowerHover` is set.
void AddButtonSet(Manifest& out, const std::string& base, std::function<QImage(State)> draw,
                  bool lowerHover = false);

std::string Lower(std::string text);

}  // namespace skingen
