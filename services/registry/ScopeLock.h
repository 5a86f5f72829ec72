// The inter-process lock that every writer of a scope file holds while it reads, changes and
// replaces the file (FILE.lock, made by QLockFile). Writers wait their turn in short steps, so
// that many at once all get one, and a lock left by a writer that died is taken over.
#pragma once

#include "services/registry/StoreFile.h"

#include <QLockFile>

#include <chrono>

namespace parlaro::registry {

class ScopeLock {
  public:
    explicit ScopeLock(const QString& file);

    // Nothing once the lock is held (until this object ends), else why it could not be taken.
    std::optional<FileProblem> acquire(std::chrono::milliseconds patience);

  private:
    QLockFile lock_;
};

}  // namespace parlaro::registry
