#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <string>

#include "SkinTestSupport.h"
#include "core/Customization.h"
#include "mainwindow/views/DlgAbout.h"
#include "mainwindow/views/DlgDeviceLost.h"
#include "mainwindow/views/ModuleWindow.h"
#include "mainwindow/views/Unattended.h"
#include "resources/views/QtSkin.h"

namespace dedevev {
namespace {

const std::string kBin = DEDEVEV_BIN_DIR;

class MainDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseDefaultSkinAndLanguage();
        saved_version_ = QCoreApplication::applicationVersion();
        QCoreApplication::setApplicationVersion("3.2.1");
    }
    void TearDown() override {
        qunsetenv("DEDEVEV_MESSAGE_LOG");
        QCoreApplication::setApplicationVersion(saved_version_);
        test::UseDefaultSkinAndLanguage();
    }
    static void UseIndonesian() {
        CGlobalService::Instance().SwitchLanguage(kBin + "/Localize/Indonesian.txt");
    }

private:
    QString saved_version_;
};

QString LabelText(QWidget* dialog, const char* name) {
    auto* label = dialog->findChild<QLabel*>(name);
    if (label == nullptr) {
        ADD_FAILURE() << "no label " << name;
        return QString();
    }
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << name;
    return label->text();
}

// How a test ends a modal dialog, and the result that way must give.
struct EndCase {
    const char* how;
    std::function<void(QDialog*)> end;
    int result;
};

std::vector<EndCase> EndCases(const char* ok_name) {
    const QString ok = ok_name;
    const auto key = [](Qt::Key k) {
        return [k](QDialog* d) {
            QKeyEvent event(QEvent::KeyPress, k, Qt::NoModifier);
            QApplication::sendEvent(d, &event);
        };
    };
    return {
        {"ok", [ok](QDialog* d) { d->findChild<QAbstractButton*>(ok)->click(); },
         QDialog::Accepted},
        {"return", key(Qt::Key_Return), QDialog::Accepted},
        {"escape", key(Qt::Key_Escape), QDialog::Rejected},
        {"close", [](QDialog* d) { d->close(); }, QDialog::Rejected},
    };
}

// Ends the dialog `make` builds in each of the ways and checks its result.
void CheckEndings(const std::function<QDialog*()>& make, const char* ok_name) {
    for (const EndCase& c : EndCases(ok_name)) {
        SCOPED_TRACE(c.how);
        QPointer<QDialog> dialog = make();
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = QApplication::activeModalWidget() == dialog.data();
            c.end(dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "still open";
                dialog->done(-1);
            }
        });
        EXPECT_EQ(dialog->exec(), c.result);
        EXPECT_TRUE(ran);
        delete dialog.data();
    }
}

TEST_F(MainDialogsTest, AboutBoxShowsTheLanguagesTextsAndFollowsASwitch) {
    CDlgAbout box;
    EXPECT_EQ(box.objectName(), "DlgAbout");
    EXPECT_EQ(box.windowTitle(), "About DEDEVev");
    EXPECT_EQ(box.Caption(), "About DEDEVev");
    EXPECT_EQ(LabelText(&box, "AboutDescription"), "DEDEVev connection manager for USB modems");
    EXPECT_EQ(LabelText(&box, "AboutVersion"), "Version 3.2.1");
    EXPECT_EQ(LabelText(&box, "AboutWeb"), ToQString(Customization().DefaultWebAddress()));
    auto* ok = box.findChild<QAbstractButton*>("AboutOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");

    UseIndonesian();
    EXPECT_EQ(box.windowTitle(), "Tentang DEDEVev");
    EXPECT_EQ(LabelText(&box, "AboutDescription"), "DEDEVev, pengelola koneksi untuk modem USB");
    EXPECT_EQ(LabelText(&box, "AboutVersion"), "Versi 3.2.1");
    EXPECT_EQ(ok->text(), "OK");
}

TEST_F(MainDialogsTest, AboutBoxLayoutKeepsEverythingInsideAndTheLogoTransparent) {
    CDlgAbout box;
    auto* logo = box.findChild<QLabel*>("AboutLogo");
    ASSERT_NE(logo, nullptr);
    const QImage image = logo->pixmap().toImage();
    ASSERT_FALSE(image.isNull());
    // The skin's logo has the transparent colour in its corners: they must be left out.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_GT(logo->y(), box.CaptionHeight());
    QRect previous = logo->geometry();
    for (const char* name : {"AboutDescription", "AboutVersion", "AboutWeb", "AboutOK"}) {
        SCOPED_TRACE(name);
        auto* child = box.findChild<QWidget*>(name);
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(box.rect().contains(child->geometry()));
        EXPECT_GE(child->y(), previous.bottom());  // top to bottom, nothing overlapping
        previous = child->geometry();
    }
}

TEST_F(MainDialogsTest, AboutBoxEndings) {
    CheckEndings([] { return new CDlgAbout; }, "AboutOK");
}

TEST_F(MainDialogsTest, DeviceLostShowsAWarningAndTheNoticeOnTop) {
    CDlgDeviceLost box;
    EXPECT_EQ(box.objectName(), "DlgDeviceLost");
    EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(box.windowTitle(), "Modem removed");
    EXPECT_EQ(LabelText(&box, "DeviceLostInfo"),
              "The modem was removed.\r\nDEDEVev will now close.");
    EXPECT_TRUE(box.findChild<QLabel*>("DeviceLostInfo")->wordWrap());
    auto* icon = box.findChild<QLabel*>("DeviceLostIcon");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->property("iconName").toString(), "MsgWarning");
    EXPECT_FALSE(icon->pixmap().isNull());
    auto* ok = box.findChild<QAbstractButton*>("DeviceLostOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(box.rect().contains(ok->geometry()));

    UseIndonesian();
    EXPECT_EQ(box.windowTitle(), "Modem dilepas");
    EXPECT_EQ(LabelText(&box, "DeviceLostInfo"), "Modem telah dilepas.\r\nDEDEVev akan ditutup.");
}

TEST_F(MainDialogsTest, DeviceLostEndings) {
    CheckEndings([] { return new CDlgDeviceLost; }, "DeviceLostOK");
}

TEST_F(MainDialogsTest, RunnersOpenTheirDialogModally) {
    struct Case {
        const char* object_name;
        std::function<void()> run;
    } const cases[] = {
        {"DlgAbout", [] { ShowAboutBox(nullptr); }},
        {"DlgDeviceLost", [] { ShowDeviceLost(nullptr); }},
        {"ModuleHost",
         [] {
             CModulePage page("DlgNet", "Title");
             RunModulePage(&page, nullptr);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.object_name);
        QString seen;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            seen = modal->objectName();
            static_cast<QDialog*>(modal)->reject();
        });
        c.run();
        EXPECT_EQ(seen, c.object_name);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST_F(MainDialogsTest, UnattendedRunnersLogAndReturnWithoutAModalLoop) {
    QTemporaryDir dir;
    const QString path = dir.filePath("dialogs.log");
    EXPECT_FALSE(UnattendedDialogs());
    qputenv("DEDEVEV_MESSAGE_LOG", path.toUtf8());
    EXPECT_TRUE(UnattendedDialogs());

    // Should a runner open a modal loop after all, this ends it and fails the test.
    bool modal_seen = false;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            modal_seen = true;
            modal->reject();
        }
    });
    guard.start(50);

    QWidget owner;
    auto* page = new CModulePage("DlgNet", "DlgLinkTitle", &owner);
    page->move(7, 9);
    EXPECT_EQ(RunModulePage(page, &owner), QDialog::Rejected);
    EXPECT_EQ(page->parentWidget(), &owner);  // left where it was
    EXPECT_EQ(page->pos(), QPoint(7, 9));
    EXPECT_FALSE(page->isHidden());
    ShowAboutBox(&owner);
    ShowDeviceLost(&owner);
    UseIndonesian();
    ShowDeviceLost(nullptr);
    guard.stop();
    EXPECT_FALSE(modal_seen);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              "module\tInternet\n"
              "dialog\tDlgAbout\tAbout DEDEVev\tDEDEVev connection manager for USB modems\n"
              "dialog\tDlgDeviceLost\tModem removed\tThe modem was removed.\\nDEDEVev will now "
              "close.\n"
              "dialog\tDlgDeviceLost\tModem dilepas\tModem telah dilepas.\\nDEDEVev akan "
              "ditutup.\n");
}

TEST_F(MainDialogsTest, LogLinesKeepOneEntryPerLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("fields.log");
    struct Case {
        QStringList fields;
        const char* line;
    } const cases[] = {
        {{"a", "b"}, "a\tb"},
        {{"x", "one\ntwo"}, "x\tone\\ntwo"},
        {{"x", "one\r\ntwo\rthree"}, "x\tone\\ntwo\\nthree"},
        {{"x", "tab\there"}, "x\ttab\\there"},
        {{"x", QString::fromUtf8("Telkomsel \xc3\xa9")}, "x\tTelkomsel \xc3\xa9"},
        {{"only"}, "only"},
    };
    LogUnattended({"not", "written"});  // no log file named: nothing happens
    qputenv("DEDEVEV_MESSAGE_LOG", path.toUtf8());
    QString expected;
    for (const Case& c : cases) {
        LogUnattended(c.fields);
        expected += QString::fromUtf8(c.line) + '\n';
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), expected);
}

}  // namespace
}  // namespace dedevev
