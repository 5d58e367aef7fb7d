// dedevev-skingen: draws every bitmap of the default skin and synthesises the event sounds.
//
//   dedevev-skingen --bitmaps DIR    write all .bmp files (both skin variants) into DIR
//   dedevev-skingen --sounds DIR     write the five .wav files into DIR
//   dedevev-skingen --icons DIR      write the program icon as DIR/<n>x<n>/apps/dedevev.png,
//                                    DIR being an icon theme folder (share/icons/hicolor)
//   dedevev-skingen --skin english|indonesian
//                                    print the skin file text for that variant
//   dedevev-skingen --list           print every file name with its entry names

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Manifest.h"
#include "Sounds.h"
#include "Style.h"

namespace {

using skingen::Manifest;
using skingen::Picture;
using skingen::SkinSection;
using skingen::Variant;

Manifest BuildManifest() {
    Manifest manifest;
    skingen::AddFramePictures(manifest);
    skingen::AddButtonPictures(manifest);
    skingen::AddIconPictures(manifest);
    return manifest;
}

bool InVariant(const Picture& picture, Variant variant) {
    return picture.variant == Variant::Both || picture.variant == variant;
}

// Every file name must be unique and lower case, and both skin variants must name the same
// entries.
bool CheckManifest(const Manifest& manifest) {
    bool ok = true;
    std::set<std::string> files;
    std::map<Variant, std::set<std::string>> names;
    for (const Picture& picture : manifest) {
        if (picture.file != skingen::Lower(picture.file) || !files.insert(picture.file).second) {
            std::fprintf(stderr, "bad or repeated file name: %s\n", picture.file.c_str());
            ok = false;
        }
        for (Variant v : {Variant::English, Variant::Indonesian}) {
            if (InVariant(picture, v)) {
                for (const std::string& name : picture.names) {
                    names[v].insert(skingen::Lower(name));
                }
            }
        }
    }
    if (names[Variant::English] != names[Variant::Indonesian]) {
        std::fprintf(stderr, "the two skin variants name different entries\n");
        ok = false;
    }
    return ok;
}

std::string Rgb(const QColor& c) {
    return "RGB(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue()) + ")";
}

void PrintSkin(const Manifest& manifest, Variant variant) {
    for (SkinSection section : {SkinSection::Bitmaps, SkinSection::Icons}) {
        std::printf("[%s]\n", section == SkinSection::Bitmaps ? "Bitmaps" : "Icons");
        for (const Picture& picture : manifest) {
            if (picture.section != section || !InVariant(picture, variant)) {
                continue;
            }
            for (const std::string& name : picture.names) {
                std::printf("%s = bitmaps\\%s\n", name.c_str(), picture.file.c_str());
            }
        }
        std::printf("\n");
    }
    using namespace skingen;
    const std::pair<const char*, QColor> colors[] = {
        {"TransparentColor", kKey},
        {"DlgBkColor", kDlgBody},
        {"DlgTitleBKColor", kDlgTitle},
        {"NavigationText", kNavText},
        {"VoiceEditColor", kVoiceEdit},
        {"CaptionBkColor", kCaption},
        {"MenuBkColor", kMenuBar},
        {"NavigationBkColor", kNavStrip},
        {"PanelBkColor", kPanelTop},
        {"PanelTextColor", QColor(196, 224, 236)},
        {"ConnectingColor", QColor(255, 200, 70)},
        {"AccentColor", kAccent},
    };
    std::printf("[colors]\n");
    for (const auto& [name, color] : colors) {
        std::printf("%s = %s\n", name, Rgb(color).c_str());
    }
}

bool WriteBitmaps(const Manifest& manifest, const QString& dir) {
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
        return false;
    }
    for (const Picture& picture : manifest) {
        const QImage image = picture.draw().convertToFormat(QImage::Format_RGB888);
        const QString path = dir + "/" + QString::fromStdString(picture.file);
        if (image.isNull() || !image.save(path, "BMP")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}

bool WriteSounds(const QString& dir) {
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
        return false;
    }
    for (const skingen::Sound& sound : skingen::MakeSounds()) {
        const std::vector<unsigned char> bytes = skingen::EncodeWav(sound.pcm);
        QFile file(dir + "/" + QString::fromStdString(sound.file));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return false;
        }
    }
    return true;
}

// The sizes desktops look for in the hicolor theme; menus use the small ones, launchers and
// the application switcher the large ones.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

bool WriteIcons(const QString& dir) {
    for (const int size : kIconSizes) {
        const QString folder = QString("%1/%2x%2/apps").arg(dir).arg(size);
        const QString path = folder + "/dedevev.png";
        const QImage image = skingen::ProgramIcon(size).convertToFormat(QImage::Format_ARGB32);
        if (!QDir().mkpath(folder) || image.isNull() || !image.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: dedevev-skingen [--bitmaps DIR] [--sounds DIR] [--icons DIR] "
                 "[--skin english|indonesian] [--list]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);

    QString bitmaps;
    QString sounds;
    QString icons;
    std::string skin;
    bool list = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--bitmaps" && hasValue) {
            bitmaps = args[++i];
        } else if (arg == "--sounds" && hasValue) {
            sounds = args[++i];
        } else if (arg == "--icons" && hasValue) {
            icons = args[++i];
        } else if (arg == "--skin" && hasValue) {
            skin = args[++i].toStdString();
        } else if (arg == "--list") {
            list = true;
        } else {
            return Usage();
        }
    }
    if (bitmaps.isEmpty() && sounds.isEmpty() && icons.isEmpty() && skin.empty() && !list) {
        return Usage();
    }

    const Manifest manifest = BuildManifest();
    if (!CheckManifest(manifest)) {
        return 1;
    }
    if (list) {
        for (const Picture& picture : manifest) {
            std::printf("%s", picture.file.c_str());
            for (const std::string& name : picture.names) {
                std::printf(" %s", name.c_str());
            }
            std::printf("\n");
        }
    }
    if (skin == "english") {
        PrintSkin(manifest, Variant::English);
    } else if (skin == "indonesian") {
        PrintSkin(manifest, Variant::Indonesian);
    } else if (!skin.empty()) {
        return Usage();
    }
    if (!bitmaps.isEmpty() && !WriteBitmaps(manifest, bitmaps)) {
        return 1;
    }
    if (!sounds.isEmpty() && !WriteSounds(sounds)) {
        return 1;
    }
    if (!icons.isEmpty() && !WriteIcons(icons)) {
        return 1;
    }
    return 0;
}
