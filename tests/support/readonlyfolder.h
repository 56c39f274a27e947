// A folder in which nothing can be made, not even by root: its write
// permission taken away and, for root, its immutable attribute set (as
// `chattr +i` does). Both are undone when the guard goes.
#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace orvella::test {

class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::string host) : host_(std::move(host)) {
    struct stat st;
    if (::stat(host_.c_str(), &st) != 0) return;
    mode_ = st.st_mode & 07777;
    ::chmod(host_.c_str(), 0555);
    if (::geteuid() != 0) {
      active_ = true;
      return;
    }
    const int fd = ::open(host_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags |= FS_IMMUTABLE_FL;
      active_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) ::close(fd);
  }
  ~ReadOnlyFolder() {
    if (::geteuid() == 0) {
      const int fd = ::open(host_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      int flags = 0;
      if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL)) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
      }
      if (fd >= 0) ::close(fd);
    }
    ::chmod(host_.c_str(), mode_);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  // Whether the folder now refuses new entries.
  bool active() const { return active_; }

 private:
  std::string host_;
  mode_t mode_ = 0755;
  bool active_ = false;
};

}  // namespace orvella::test
#endif
