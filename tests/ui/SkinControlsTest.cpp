#include "resources/views/SkinControls.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QTimer>

#include "SkinTestSupport.h"
#include "resources/views/QtSkin.h"

namespace dedevev {
namespace {

class SkinControlsTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }
};

TEST_F(SkinControlsTest, BorderEditIsFramedInTheTitleColour) {
    CBorderEdit edit;
    edit.resize(100, 24);
    QImage image(edit.size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    edit.render(&image);
    const QRgb frame =
        ToQColor(CGlobalService::Instance().Skin()->GetColor(u"DlgTitleBKColor")).rgb();
    EXPECT_EQ(image.pixel(0, 0), frame);
    EXPECT_EQ(image.pixel(99, 23), frame);
    EXPECT_EQ(image.pixel(50, 12) == frame, false);
}

TEST_F(SkinControlsTest, TransparentStaticShowsPlainText) {
    CTransparentStatic label("<i>Operator</i>");
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.text(), "<i>Operator</i>");
    EXPECT_FALSE(label.autoFillBackground());
}

TEST_F(SkinControlsTest, SliderFollowsClicksAndReportsThem) {
    CSpSilderCtrl slider;
    slider.setRange(0, 100);
    slider.resize(108, 20);
    int reported = -1;
    QObject::connect(&slider, &QSlider::valueChanged, [&](int v) { reported = v; });
    struct Case {
        int x;
        int value;
    } const cases[] = {{4, 0}, {54, 50}, {104, 100}, {500, 100}, {-20, 0}, {29, 25}};
    for (const Case& c : cases) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(c.x, 10), QPointF(c.x, 10),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&slider, &press);
        EXPECT_EQ(slider.value(), c.value) << c.x;
        EXPECT_EQ(slider.HandleRect().center().x(), c.value + 3) << c.x;
    }
    EXPECT_EQ(reported, 25);
}

TEST_F(SkinControlsTest, SelectionDialogReturnsThePickedRow) {
    CDlgSel dialog("Choose", {"One", "<b>Two</b>", "Three"}, 1);
    auto* list = dialog.findChild<QListWidget*>("SelList");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item(1)->text(), "<b>Two</b>");
    EXPECT_EQ(dialog.Selected(), 1);
    QTimer::singleShot(0, &dialog, [&] {
        list->setCurrentRow(2);
        dialog.findChild<QAbstractButton*>("BtnOK")->click();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.Selected(), 2);

    CDlgSel cancelled("Choose", {"One"}, 0);
    QTimer::singleShot(0, &cancelled,
                       [&] { cancelled.findChild<QAbstractButton*>("BtnCancel")->click(); });
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
}

}  // namespace
}  // namespace dedevev
