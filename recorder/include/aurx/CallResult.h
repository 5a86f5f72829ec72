// How a property setter (or a method missing a mandatory out-parameter) refuses: the call
// fails with an error record whose description is a fixed message and whose source is the
// control's programmatic identifier. Never mixed with error codes.
#pragma once

#include <string>
#include <utility>

#include "aurx/Identity.h"

namespace aurx {

struct ErrorRecord {
    std::string description;
    std::string source;
};

class CallResult {
  public:
    CallResult() = default;  // success
    static CallResult refused(std::string description) {
        CallResult r;
        r.refused_ = true;
        r.error_ = ErrorRecord{std::move(description), std::string(kProgId)};
        return r;
    }
    bool ok() const { return !refused_; }
    explicit operator bool() const { return ok(); }
    const ErrorRecord& error() const { return error_; }

  private:
    bool refused_ = false;
    ErrorRecord error_;
};

}  // namespace aurx
