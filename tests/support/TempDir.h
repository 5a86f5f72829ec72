// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

namespace testsupport {

class TempDir {
  public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The process's umask, set for the life of the object (and of the programs started meanwhile).
class Umask {
  public:
    explicit Umask(mode_t mask) : saved_(::umask(mask)) {}
    Umask(const Umask&) = delete;
    Umask& operator=(const Umask&) = delete;
    ~Umask() { ::umask(saved_); }

  private:
    mode_t saved_;
};

// Runs a program with arguments (no shell) and returns its exit status; its output goes to
// `output` when given.
int run(const std::string& program, const std::string& arguments_in_shell_words,
        std::string* output = nullptr);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);
// The names in a folder, in no particular order.
std::vector<std::string> filesIn(const std::string& dir);

}  // namespace testsupport
