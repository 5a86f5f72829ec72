#include <gtest/gtest.h>

#include "mover/FileMove.h"
#include "tests/support/TempDir.h"

#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;
using mover::MoveOutcome;

TEST(FileMove, RenamesWithinAFileSystemAndRefusesToReplace) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("a"), "A");
    testsupport::writeFile(dir.file("b"), "B");
    EXPECT_EQ(mover::moveFile(QString::fromStdString(dir.file("a")),
                              QString::fromStdString(dir.file("b")))
                  .outcome,
              MoveOutcome::Failed);
    EXPECT_EQ(testsupport::readFile(dir.file("a")), "A");
    EXPECT_EQ(testsupport::readFile(dir.file("b")), "B");
    EXPECT_EQ(mover::moveFile(QString::fromStdString(dir.file("a")),
                              QString::fromStdString(dir.file("c")))
                  .outcome,
              MoveOutcome::Moved);
    EXPECT_EQ(testsupport::readFile(dir.file("c")), "A");
    EXPECT_FALSE(fs::exists(dir.file("a")));
    EXPECT_EQ(mover::moveFile(QString::fromStdString(dir.file("gone")),
                              QString::fromStdString(dir.file("d")))
                  .outcome,
              MoveOutcome::Failed);
}

TEST(FileMove, AcrossFileSystemsAnExistingDestinationIsKeptAndTheCopyCleanedUp) {
    const std::string shm = "/dev/shm/parlaro-filemove-" + std::to_string(::getpid());
    fs::create_directories(shm);
    testsupport::TempDir dir;
    if (fs::status(shm).type() != fs::file_type::directory) GTEST_SKIP();
    testsupport::writeFile(shm + "/x.wav", "source");
    testsupport::writeFile(dir.file("x.wav"), "destination");
    const auto r = mover::moveFile(QString::fromStdString(shm + "/x.wav"),
                                   QString::fromStdString(dir.file("x.wav")));
    EXPECT_EQ(r.outcome, MoveOutcome::Failed);
    EXPECT_EQ(testsupport::readFile(shm + "/x.wav"), "source");
    EXPECT_EQ(testsupport::readFile(dir.file("x.wav")), "destination");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
    fs::remove_all(shm);
}
