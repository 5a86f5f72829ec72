// A stand-in for xdg-email, first on PATH while it lives: it records its arguments (each
// ended by a NUL byte) and then runs a given script.
#pragma once

#include "tests/support/TempDir.h"

#include <QFile>
#include <QStringList>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testsupport {

class FakeXdgEmail {
  public:
    explicit FakeXdgEmail(const std::string& then = "exit 0")
        : program_(dir.file("bin/xdg-email")),
          oldPath_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        std::filesystem::create_directories(dir.file("bin"));
        writeFile(program_,
                  "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + record() + "'\n" + then + "\n");
        ::chmod(program_.c_str(), 0755);
        ::setenv("PATH", (dir.file("bin") + ":" + oldPath_).c_str(), 1);
    }
    ~FakeXdgEmail() { ::setenv("PATH", oldPath_.c_str(), 1); }
    FakeXdgEmail(const FakeXdgEmail&) = delete;
    FakeXdgEmail& operator=(const FakeXdgEmail&) = delete;

    // PATH is left holding only the fake's folder, now empty.
    void remove() {
        std::remove(program_.c_str());
        ::setenv("PATH", dir.file("bin").c_str(), 1);
    }
    QStringList arguments() const {
        QFile f(QString::fromStdString(record()));
        if (!f.open(QIODevice::ReadOnly)) return {"<not run>"};
        QStringList args = QString::fromUtf8(f.readAll()).split(QChar(0));
        args.removeLast();
        return args;
    }

    TempDir dir;

  private:
    std::string record() const { return dir.file("argv"); }
    std::string program_;
    std::string oldPath_;
};

}  // namespace testsupport
