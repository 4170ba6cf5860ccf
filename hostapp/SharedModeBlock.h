#pragma once
// The host's shared-memory block: a POSIX shared-memory object whose first bytes are the mode
// tag the module reads at start-up (three bytes; "job" for the main job). It lives as long as
// this object and is unlinked when it goes.
#include <cstddef>
#include <string>

namespace pt::hostapp {

class SharedModeBlock {
 public:
  static constexpr size_t kSize = 4096;

  // Creates the block (or takes over one left behind) and writes the tag's bytes at its start;
  // the rest is zero, so no tag reads as an empty one. Throws std::runtime_error naming the
  // system's reason when the block cannot be made.
  SharedModeBlock(std::string name, const std::string& tag);
  ~SharedModeBlock();
  SharedModeBlock(const SharedModeBlock&) = delete;
  SharedModeBlock& operator=(const SharedModeBlock&) = delete;

  const std::string& name() const { return name_; }
  std::string tag() const;  // the bytes before the first zero, as written

 private:
  std::string name_;
  void* view_ = nullptr;
};

}  // namespace pt::hostapp
