#include "hostapp/SharedModeBlock.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace pt::hostapp {

namespace {

std::runtime_error SystemError(const std::string& what, const std::string& name) {
  return std::runtime_error(what + " " + name + ": " + std::strerror(errno));
}

}  // namespace

SharedModeBlock::SharedModeBlock(std::string name, const std::string& tag) : name_(std::move(name)) {
  if (tag.size() >= kSize) throw std::runtime_error("mode tag too long for the shared-memory block");
  int fd = shm_open(name_.c_str(), O_CREAT | O_RDWR, 0600);
  if (fd < 0) throw SystemError("cannot create shared memory", name_);
  if (ftruncate(fd, static_cast<off_t>(kSize)) != 0) {
    auto e = SystemError("cannot size shared memory", name_);
    close(fd);
    shm_unlink(name_.c_str());
    throw e;
  }
  void* view = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (view == MAP_FAILED) {
    auto e = SystemError("cannot map shared memory", name_);
    shm_unlink(name_.c_str());
    throw e;
  }
  view_ = view;
  std::memset(view_, 0, kSize);
  std::memcpy(view_, tag.data(), tag.size());
}

SharedModeBlock::~SharedModeBlock() {
  if (view_) munmap(view_, kSize);
  shm_unlink(name_.c_str());
}

std::string SharedModeBlock::tag() const {
  const char* bytes = static_cast<const char*>(view_);
  return std::string(bytes, strnlen(bytes, kSize));
}

}  // namespace pt::hostapp
