#include "resources/views/SkinButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPainter>

#include "SkinTestSupport.h"
#include "resources/views/QtSkin.h"

namespace dedevev {
namespace {

using test::kBackdrop;
using test::Render;

// Every pixel of `bitmap` that is not of the transparent colour appears unchanged at the
// same place in `shot`; transparent ones show the backdrop.
::testing::AssertionResult ShowsBitmap(const QImage& shot, const SkinBitmap* bitmap,
                                       SkinColor transparent) {
    if (bitmap == nullptr)
        return ::testing::AssertionFailure() << "no bitmap";
    for (int y = 0; y < bitmap->Height(); ++y) {
        for (int x = 0; x < bitmap->Width(); ++x) {
            const SkinColor c = bitmap->PixelAt(x, y);
            const QRgb expected = c == transparent ? kBackdrop : ToQColor(c).rgb();
            if (shot.pixel(x, y) != expected)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << ": " << std::hex << shot.pixel(x, y)
                       << " != " << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

QtSkinBitmap Solid(int w, int h, QRgb color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return QtSkinBitmap(image);
}

void Hover(QWidget& widget, bool in) {
    if (in) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&widget, &leave);
    }
}

using State = CSkinButton::VisualState;

void Enter(CSkinButton& button, State state) {
    button.setEnabled(state != State::kDisabled);
    button.setDown(state == State::kDown);
    Hover(button, state == State::kHover);
}

TEST(SkinButton, ImageByStateWithFallbacks) {
    const QtSkinBitmap normal = Solid(20, 10, 0xFF0000);
    const QtSkinBitmap hover = Solid(20, 10, 0x00FF00);
    const QtSkinBitmap down = Solid(20, 10, 0x0000FF);
    const QtSkinBitmap disabled = Solid(20, 10, 0x808080);
    struct Case {
        const SkinBitmap* hover;
        const SkinBitmap* disabled;
        bool latched;
        State state;
        const SkinBitmap* shown;
    } const cases[] = {
        {&hover, &disabled, false, State::kNormal, &normal},
        {&hover, &disabled, false, State::kHover, &hover},
        {&hover, &disabled, false, State::kDown, &down},
        {&hover, &disabled, false, State::kDisabled, &disabled},
        {nullptr, &disabled, false, State::kHover, &normal},
        {&hover, nullptr, false, State::kDisabled, &normal},
        {&hover, &disabled, true, State::kHover, &down},
        {&hover, &disabled, true, State::kNormal, &normal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        CSkinButton button;
        button.SetImages(&normal, c.hover, &down, c.disabled, 1);
        button.SetLatched(c.latched);
        EXPECT_EQ(button.size(), QSize(20, 10));
        Enter(button, c.state);
        EXPECT_EQ(button.State(), c.state);
        EXPECT_EQ(button.ImageFor(c.state), c.shown);
        EXPECT_TRUE(ShowsBitmap(Render(button), c.shown, 1));
    }
}

TEST(SkinButton, AbsentImageDrawsNothingAndStretchFillsTheButton) {
    const QtSkinBitmap normal = Solid(4, 4, 0xFF0000);
    CSkinButton button;
    button.SetImages(&normal, nullptr, nullptr, nullptr, 1);
    button.setDown(true);
    const QImage pressed = Render(button);
    EXPECT_EQ(pressed.pixel(0, 0), kBackdrop);
    button.setDown(false);
    button.resize(12, 8);
    EXPECT_EQ(Render(button).pixel(10, 6), kBackdrop);
    button.SetStretch(true);
    EXPECT_EQ(Render(button).pixel(10, 6), 0xFFFF0000);
}

TEST(SkinButton, CaptionIsGreyWhenDisabled) {
    const QtSkinBitmap normal = Solid(60, 20, 0xFFFFFF);
    CSkinButton button;
    button.SetImages(&normal, nullptr, nullptr, nullptr, 1);
    QFont font;
    font.setPixelSize(16);
    button.SetFont(font);
    button.SetTextColor(QColor(0, 0, 0));
    button.SetCaption("WWW");
    auto count = [](const QImage& image, QRgb color) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == color;
        return n;
    };
    EXPECT_GT(count(Render(button), 0xFF000000), 0);
    button.Enable(false);
    const QImage grey = Render(button);
    EXPECT_EQ(count(grey, 0xFF000000), 0);
    EXPECT_GT(count(grey, 0xFFC8C8C8), 0);
}

TEST(SkinButton, NamedButtonDrawsTheSkinImagesAndFollowsTheLanguage) {
    test::UseDefaultSkinAndLanguage();
    CGlobalService& service = CGlobalService::Instance();
    CSkinButtonEx button;
    button.SetImageSet("Btn");
    button.SetCaption("BtnCancel", "DlgMessageBox");
    EXPECT_EQ(button.text(), "Cancel");
    ISkin* skin = service.Skin();
    const SkinColor transparent = skin->GetTransparentColor();
    button.SetCaption(QString());  // compare the images alone
    struct Case {
        State state;
        const char16_t* image;
    } const cases[] = {{State::kNormal, u"Btn_Normal"},
                       {State::kHover, u"Btn_Hover"},
                       {State::kDown, u"Btn_Down"},
                       {State::kDisabled, u"Btn_Disable"}};
    for (const Case& c : cases) {
        Enter(button, c.state);
        EXPECT_TRUE(ShowsBitmap(Render(button), skin->GetBitmap(c.image), transparent));
    }
    button.SetCaption("BtnCancel", "DlgMessageBox");
    const std::string bin = DEDEVEV_BIN_DIR;
    service.SwitchLanguage(bin + "/Localize/Indonesian.txt");
    const QString other = LocalQText("BtnCancel", "DlgMessageBox");
    EXPECT_EQ(button.text(), other);
    service.SwitchLanguage(bin + "/Localize/English.txt");
    EXPECT_EQ(button.text(), "Cancel");
}

TEST(SkinButton, SignalButtonShowsTheImageOfItsLevel) {
    test::UseDefaultSkinAndLanguage();
    ISkin* skin = CGlobalService::Instance().Skin();
    CSignalButton signal;
    EXPECT_EQ(signal.Level(), 0);
    struct Case {
        int set;
        int level;
    } const cases[] = {{3, 3}, {6, 6}, {9, 6}, {-2, 0}, {1, 1}};
    for (const Case& c : cases) {
        signal.SetLevel(c.set);
        EXPECT_EQ(signal.Level(), c.level);
        const std::u16string name = u"Signal" + FromQString(QString::number(c.level));
        EXPECT_TRUE(ShowsBitmap(Render(signal), skin->GetBitmap(name), skin->GetTransparentColor()))
            << c.level;
    }
}

TEST(SkinButton, StateButtonIgnoresUnknownStates) {
    test::UseDefaultSkinAndLanguage();
    ISkin* skin = CGlobalService::Instance().Skin();
    CStateButton button;
    button.AddState(0, "NewSMS");
    button.AddState(1, "SMSFull");
    button.SetState(1);
    button.SetState(7);
    EXPECT_EQ(button.CurrentState(), 1);
    EXPECT_TRUE(
        ShowsBitmap(Render(button), skin->GetBitmap(u"SMSFull"), skin->GetTransparentColor()));
}

}  // namespace
}  // namespace dedevev
