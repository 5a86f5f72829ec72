// The Qt application of one test, offscreen whatever the environment says. It ends with the
// test, so nothing of Qt's (font caches) outlives it into the leak check.
#pragma once

#include <QApplication>

#include <cstdlib>

namespace testsupport {

struct TestApplication {
    int argc = 1;
    char name[8] = "test";
    char* argv[2] = {name, nullptr};
    bool offscreen = ::setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0;
    QApplication app{argc, argv};
};

}  // namespace testsupport
