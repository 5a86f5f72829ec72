// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

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
