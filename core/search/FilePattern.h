// A file-name pattern matched as the file system matches one when it lists a folder: "*" is
// any run of characters, "?" any one character, and letters match regardless of case.
#pragma once

#include <QString>

#include <string>

namespace parlaro {

class FilePattern {
  public:
    explicit FilePattern(const QString& pattern);
    bool matches(QStringView name) const;

  private:
    // Case-folded characters; "*" and "?" stand as themselves.
    std::u32string folded_;
};

}  // namespace parlaro
