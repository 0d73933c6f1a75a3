#pragma once
// A URL scheme whose handler, for the object's life, is a command that writes
// the address it is given into a file, so that what the shell and the
// hyperlink service open can be watched. A scheme the system already knows
// ("mailto") gets its own handler back afterwards; a new one is removed.
#include <optional>
#include <string>

#include "support/scratch_key.h"

namespace pq::testing {

class RecordingScheme {
 public:
  // A scheme of the test's own, unknown to the system.
  RecordingScheme();
  explicit RecordingScheme(std::string scheme);
  ~RecordingScheme();
  RecordingScheme(const RecordingScheme&) = delete;
  RecordingScheme& operator=(const RecordingScheme&) = delete;

  std::string Url(const std::string& rest) const { return scheme_ + ":" + rest; }
  // What the handler was given, once it has run; empty before.
  std::string Opened() const;

 private:
  ScratchDir dir_;
  std::string scheme_;
  std::string out_;
  bool existed_ = false;
  std::optional<std::string> previous_command_;
};

}  // namespace pq::testing
