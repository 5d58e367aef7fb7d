#include "mainwindow/views/ModuleWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <string>

#include "SkinTestSupport.h"
#include "resources/views/QtSkin.h"

namespace dedevev {
namespace {

const std::string kBin = DEDEVEV_BIN_DIR;

class ModuleWindowTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }
    void TearDown() override { test::UseDefaultSkinAndLanguage(); }
};

void UseIndonesian() {
    CGlobalService::Instance().SwitchLanguage(kBin + "/Localize/Indonesian.txt");
}

// Runs `while_open` on the wrapper once RunModulePage has entered its modal loop; the
// callback must end the wrapper. A wrapper still open after it ran is closed (and counted as
// a failure by the caller seeing `ran` stay false only when the loop never started).
int RunWith(CModulePage* page, QWidget* parent, std::function<void(CModuleHost*)> while_open,
            bool* ran) {
    *ran = false;
    QTimer::singleShot(0, [&] {
        auto* host = qobject_cast<CModuleHost*>(QApplication::activeModalWidget());
        if (host == nullptr)
            return;
        *ran = true;
        while_open(host);
        if (host->isVisible()) {
            ADD_FAILURE() << "the wrapper was still open";
            host->reject();
        }
    });
    return RunModulePage(page, parent);
}

TEST_F(ModuleWindowTest, CaptionIsThePageTitleAndFollowsTheLanguage) {
    struct Case {
        const char* section;
        const char* key;
        const char* english;
        const char* indonesian;
    } const cases[] = {
        {"DlgNet", "Title", "Traffic", "Trafik"},
        {"DlgNet", "DlgLinkTitle", "Internet", "Internet"},
        {"DlgRecord", "Title", "History", "Riwayat"},
        {"DlgSMS", "Title", "Messages", "Pesan"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        test::UseDefaultSkinAndLanguage();
        QWidget owner;
        auto* page = new CModulePage(c.section, c.key, &owner);
        EXPECT_EQ(page->TitleSection(), c.section);
        EXPECT_EQ(page->TitleKey(), c.key);
        CModuleHost host(page, nullptr);
        EXPECT_EQ(host.Caption(), c.english);
        EXPECT_EQ(host.windowTitle(), c.english);

        int title_signals = 0;
        QObject::connect(page, &CModulePage::titleChanged, [&] { ++title_signals; });
        UseIndonesian();
        EXPECT_EQ(page->Title(), c.indonesian);
        EXPECT_EQ(host.Caption(), c.indonesian);
        EXPECT_EQ(host.windowTitle(), c.indonesian);
        EXPECT_EQ(title_signals, 1);
    }
}

TEST_F(ModuleWindowTest, PageIsLentAndGivenBackHiddenAtItsPlaceEveryTime) {
    struct Case {
        const char* how;
        std::function<void(CModuleHost*)> end;
        int result;
    } const cases[] = {
        {"close button",
         [](CModuleHost* h) { h->findChild<QAbstractButton*>("ModuleClose")->click(); },
         QDialog::Rejected},
        {"escape",
         [](CModuleHost* h) {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(h->Page(), &escape);  // from the page's focus
         },
         QDialog::Rejected},
        {"reject", [](CModuleHost* h) { h->reject(); }, QDialog::Rejected},
        {"window close", [](CModuleHost* h) { h->close(); }, QDialog::Rejected},
        {"accept", [](CModuleHost* h) { h->accept(); }, QDialog::Accepted},
    };
    QWidget owner;
    owner.resize(900, 600);
    // One page for every case: it must survive being opened again and again.
    auto* page = new CModulePage("DlgUssd", "Title", &owner);
    page->move(13, 17);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        bool ran = false;
        const int result = RunWith(
            page, &owner,
            [&](CModuleHost* host) {
                EXPECT_EQ(host->Page(), page);
                EXPECT_EQ(page->parentWidget(), host);
                EXPECT_TRUE(page->isVisible());
                EXPECT_EQ(page->geometry(), QRect(4, host->CaptionHeight(), CModulePage::kWidth,
                                                  CModulePage::kHeight));
                EXPECT_TRUE(host->rect().contains(page->geometry()));
                EXPECT_EQ(host->Caption(), "USSD service");
                c.end(host);
            },
            &ran);
        EXPECT_TRUE(ran);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(page->parentWidget(), &owner);
        EXPECT_TRUE(page->isHidden());
        EXPECT_FALSE(page->isWindow());
        EXPECT_EQ(page->pos(), QPoint(13, 17));
    }
}

TEST_F(ModuleWindowTest, DestroyingTheWrapperGivesThePageBack) {
    QWidget owner;
    auto* page = new CModulePage("DlgPB", "Title", &owner);
    page->move(5, 6);
    auto* host = new CModuleHost(page, &owner);
    host->show();
    ASSERT_EQ(page->parentWidget(), host);
    delete host;
    EXPECT_EQ(page->parentWidget(), &owner);
    EXPECT_TRUE(page->isHidden());
    EXPECT_EQ(page->pos(), QPoint(5, 6));

    // A page without a parent goes back to being a hidden window of its own.
    CModulePage loose("DlgPB", "Title");
    {
        CModuleHost second(&loose, nullptr);
        EXPECT_EQ(second.Page(), &loose);
        EXPECT_FALSE(loose.isWindow());
    }
    EXPECT_EQ(loose.parentWidget(), nullptr);
    EXPECT_TRUE(loose.isWindow());
    EXPECT_TRUE(loose.isHidden());
}

TEST_F(ModuleWindowTest, LosingThePageOrItsOwnerWhileOpenIsSafe) {
    // The owner goes away while the page is lent: the page goes with it, not to the desktop.
    auto* owner = new QWidget;
    QPointer<CModulePage> page = new CModulePage("DlgNet", "Title", owner);
    {
        CModuleHost host(page, nullptr);
        delete owner;
        host.reject();
        EXPECT_EQ(host.Page(), nullptr);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(page.isNull());

    // The page itself is deleted while shown: the wrapper closes and is destroyed cleanly.
    QWidget keeper;
    auto* doomed = new CModulePage("DlgNet", "Title", &keeper);
    CModuleHost host(doomed, nullptr);
    delete doomed;
    EXPECT_EQ(host.Page(), nullptr);
    host.reject();
}

TEST_F(ModuleWindowTest, CloseButtonSitsInTheCaptionAndOnlyTheCaptionDrags) {
    QWidget owner;
    auto* page = new CModulePage("DlgNet", "Title", &owner);
    CModuleHost host(page, nullptr);
    const int caption = host.CaptionHeight();
    EXPECT_EQ(host.size(), QSize(CModulePage::kWidth + 8, caption + CModulePage::kHeight + 4));
    auto* close = host.findChild<QAbstractButton*>("ModuleClose");
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(close->size().isEmpty());
    EXPECT_GT(close->x(), host.width() / 2);
    EXPECT_LE(close->geometry().right(), host.width() - 4);
    EXPECT_LE(close->geometry().bottom(), caption);
    EXPECT_TRUE(close->isVisibleTo(&host));

    const struct {
        int y;
        bool moves;
    } cases[] = {{2, true}, {caption - 1, true}, {caption, false}, {200, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y);
        host.move(100, 100);
        host.show();
        const QPoint start = host.pos();
        const QPointF local(150, c.y);
        const QPointF global = QPointF(start) + local;
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&host, &press);
        QMouseEvent move(QEvent::MouseMove, local + QPointF(25, 15), global + QPointF(25, 15),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&host, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, local + QPointF(25, 15),
                            global + QPointF(25, 15), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&host, &release);
        EXPECT_EQ(host.pos(), c.moves ? start + QPoint(25, 15) : start);
    }
}

// Counts pixels of `color` in the middle band of the page's picture.
int AccentPixels(const QImage& image, QRgb color) {
    int count = 0;
    for (int y = image.height() / 3; y < image.height() * 2 / 3; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF))
                ++count;
        }
    }
    return count;
}

TEST_F(ModuleWindowTest, EmptyPageShowsItsTitleWithAnAccentLineUntilItHasControls) {
    CModulePage page("DlgNet", "Title");
    EXPECT_EQ(page.size(), QSize(719, 368));
    const QRgb accent =
        ToQColor(CGlobalService::Instance().Skin()->GetColor(u"DlgTitleBKColor")).rgb();
    EXPECT_TRUE(page.ShowsPlaceholder());
    const QImage empty = page.grab().toImage();
    // The line alone is at least 2 pixels high and wider than the title text.
    EXPECT_GT(AccentPixels(empty, accent), 2 * 60);
    // The page background fills the corners.
    const QImage background = dynamic_cast<const QtSkinBitmap*>(
                                  CGlobalService::Instance().Skin()->GetBitmap(u"PageBkg1_0"))
                                  ->Image();
    EXPECT_EQ(empty.pixel(360, 350) & 0xFFFFFF, background.pixel(360, 350) & 0xFFFFFF);

    auto* control = new QWidget(&page);
    control->setGeometry(0, 0, 1, 1);
    EXPECT_FALSE(page.ShowsPlaceholder());
    EXPECT_EQ(AccentPixels(page.grab().toImage(), accent), 0);
}

}  // namespace
}  // namespace dedevev
