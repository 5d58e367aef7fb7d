// Test runner for the window layer: one QApplication (offscreen) for every test.
#include <gtest/gtest.h>

#include <QApplication>

#include "resources/views/QtSkin.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dedevev::InstallQtBitmapLoader();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
