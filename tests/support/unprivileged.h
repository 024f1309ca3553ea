#pragma once
// Tests of permissions run as root in CI, where a read-only file or directory is writable all
// the same: for the life of this object the process takes an ordinary user's identity as its
// effective one (the saved one lets it return). Outside root it changes nothing.
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>

namespace kinelab::test {

class unprivileged {
 public:
  unprivileged() {
    if (::geteuid() != 0) return;
    constexpr uid_t nobody = 65534;
    active_ = ::setegid(nobody) == 0 && ::seteuid(nobody) == 0;
  }
  ~unprivileged() {
    if (active_) {
      [[maybe_unused]] const int u = ::seteuid(0);
      [[maybe_unused]] const int g = ::setegid(0);
    }
  }
  // Checked with the effective identity, the one that opens files.
  bool denied_writing(const std::filesystem::path& dir) const {
    return ::faccessat(AT_FDCWD, dir.c_str(), W_OK, AT_EACCESS) != 0;
  }

 private:
  bool active_ = false;
};

}  // namespace kinelab::test
