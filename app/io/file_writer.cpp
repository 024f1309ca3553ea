#include "app/io/file_writer.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>

namespace kinelab {

namespace {

constexpr std::size_t buffer_size = 1 << 16;
constexpr off_t writeback_block = 1 << 20;
constexpr int max_link_hops = 40;  // as the kernel allows (ELOOP beyond)

// Temporaries being written, for the signal handler to remove: fixed storage, since a handler
// may neither allocate nor lock.
constexpr int temp_slots = 16;
struct temp_slot {
  std::atomic<bool> used{false};
  char path[PATH_MAX];
};
temp_slot temps[temp_slots];

extern "C" void remove_temporaries(int sig) {
  for (temp_slot& s : temps)
    if (s.used.load()) ::unlink(s.path);
  // The handler was installed with SA_RESETHAND: the default action now ends the process.
  ::raise(sig);
}

int register_temporary(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int k = 0; k < temp_slots; ++k) {
    bool expected = false;
    // Claimed with the path still being copied: a signal in between may unlink a stale name
    // of our own, which is harmless, since the name is only ever ours.
    if (temps[k].used.compare_exchange_strong(expected, true)) {
      std::memcpy(temps[k].path, path.c_str(), path.size() + 1);
      return k;
    }
  }
  return -1;
}

void release_temporary(int slot) {
  if (slot >= 0) temps[slot].used.store(false);
}

std::string directory_of(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The path a chain of symbolic links leads to (the path itself when it is not a link, or when
// nothing is there yet). False with errno set on a loop or an unreadable link.
bool follow_links(std::string path, std::string& target) {
  for (int hop = 0; hop < max_link_hops; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      target = path;
      return true;
    }
    std::string link(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n < 0) return false;
    link.resize(static_cast<std::size_t>(n));
    path = link.front() == '/' ? link : directory_of(path) + "/" + link;
  }
  errno = ELOOP;
  return false;
}

// Read-only for this process: the superuser may write anything, so a file nobody may write
// counts as read-only for it too.
bool read_only(const std::string& path, const struct stat& st) {
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return errno == EACCES;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// A new file with a short name in `dir` (so that a target name of any legal length works),
// opened exclusively; the process's umask applies, as it would to the file itself.
int open_temporary(const std::string& dir, std::string& temp) {
  static std::mt19937 gen{std::random_device{}()};
  static std::mutex lock;
  static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 32; ++attempt) {
    std::string name = ".kinelab-";
    {
      const std::lock_guard<std::mutex> hold(lock);
      for (int k = 0; k < 6; ++k) name += letters[gen() % (sizeof letters - 1)];
    }
    temp = dir + "/" + name;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The descriptor a name stands for that is not a file of its own: "-" and /dev/stdout (1),
// /dev/stderr (2), /dev/fd/N and /proc/self/fd/N (N); −1 for any other name. Written through
// the descriptor, the text reaches whatever it is open on (a pipe, a terminal, a file at its
// current offset), as a redirection would.
int descriptor_named(const std::string& path) {
  if (path == "-" || path == "/dev/stdout") return STDOUT_FILENO;
  if (path == "/dev/stderr") return STDERR_FILENO;
  for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (path.rfind(prefix, 0) != 0 || path.size() == prefix.size() ||
        path.size() > prefix.size() + 6)
      continue;
    int fd = 0;
    for (std::size_t i = prefix.size(); i < path.size(); ++i) {
      if (path[i] < '0' || path[i] > '9') return -1;
      fd = fd * 10 + (path[i] - '0');
    }
    return fd;
  }
  return -1;
}

}  // namespace

void remove_temporaries_on_signals() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : {SIGINT, SIGTERM}) {
      struct sigaction old {};
      if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
      struct sigaction sa {};
      sa.sa_handler = remove_temporaries;
      sa.sa_flags = SA_RESETHAND;
      sigemptyset(&sa.sa_mask);
      ::sigaction(sig, &sa, nullptr);
    }
  });
}

file_writer::file_writer(std::string path) : path_(std::move(path)) {
  buffer_.reserve(buffer_size);
  open_target();
}

file_writer::~file_writer() {
  abandon();
}

void file_writer::fail(int err) {
  if (failed()) return;
  problem_ = problem::system;
  errno_ = err ? err : EIO;
}

std::string file_writer::error(ui_language lang) const {
  switch (problem_) {
    case problem::none:
      return {};
    case problem::system:
      return message(lang, message_id::file_cannot_write, {path_, system_error(lang, errno_)});
    case problem::not_regular:
      return message(lang, message_id::file_not_regular, {path_});
    case problem::read_only:
      return message(lang, message_id::file_read_only, {path_});
  }
  return {};
}

int file_writer::error_number() const {
  return problem_ == problem::system ? errno_ : problem_ == problem::read_only ? EACCES : 0;
}

std::string file_writer::note(ui_language lang) const {
  return written_in_place_ ? message(lang, message_id::file_written_in_place, {path_}) : "";
}

void file_writer::open_target() {
  if (const int fd = descriptor_named(path_); fd >= 0) {
    if (::fcntl(fd, F_GETFL) < 0) return fail(errno);
    mode_ = mode::descriptor;
    fd_ = fd;
    return;
  }
  if (path_.empty()) return fail(ENOENT);
  if (!follow_links(path_, target_)) return fail(errno);

  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return fail(errno);
  if (exists && S_ISDIR(st.st_mode)) return fail(EISDIR);
  if (exists && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) return fail(errno);
    mode_ = mode::in_place;
    return;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    problem_ = problem::not_regular;
    return;
  }
  if (exists && read_only(target_, st)) {
    problem_ = problem::read_only;
    return;
  }

  fd_ = open_temporary(directory_of(target_), temp_);
  if (fd_ >= 0) {
    mode_ = mode::replace;
    slot_ = register_temporary(temp_);
    if (exists) {
      // The replacement keeps the old file's permissions (and owner, where allowed).
      ::fchmod(fd_, st.st_mode & 07777);
      [[maybe_unused]] const int owned = ::fchown(fd_, st.st_uid, st.st_gid);
    }
    return;
  }
  const int err = errno;
  if (exists && (err == EACCES || err == EPERM)) {
    // The directory takes no new file but the file itself is writable.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) return fail(errno);
    mode_ = mode::in_place;
    written_in_place_ = true;
    return;
  }
  temp_.clear();
  fail(err);
}

void file_writer::write(std::string_view text) {
  if (failed() || finished_) return;
  // A block as large as the buffer goes out as it is, after what the buffer holds.
  if (text.size() >= buffer_size) {
    flush();
    write_out(text);
    return;
  }
  buffer_.append(text);
  if (buffer_.size() >= buffer_size) flush();
}

void file_writer::write_out(std::string_view text) {
  std::size_t done = 0;
  while (done < text.size() && !failed()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      fail(n < 0 ? errno : EIO);
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  written_ += static_cast<off_t>(done);
  // The temporary's pages go to the disk as they are written, while the text after them is
  // still being made: renaming it over a file makes the file system write out whatever is left
  // before the rename returns (ext4), which for a large file took longer than writing it.
  if (mode_ == mode::replace && written_ - sent_ >= writeback_block) {
    ::sync_file_range(fd_, sent_, written_ - sent_, SYNC_FILE_RANGE_WRITE);
    sent_ = written_;
  }
}

void file_writer::flush() {
  write_out(buffer_);
  buffer_.clear();
}

bool file_writer::finish() {
  if (finished_ || failed()) return !failed() && finished_;
  flush();
  finished_ = true;
  if (mode_ != mode::descriptor && fd_ >= 0) {
    if (::close(fd_) != 0) fail(errno);
    fd_ = -1;
  }
  if (mode_ == mode::replace && !failed()) {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
  }
  if (mode_ == mode::replace && failed()) ::unlink(temp_.c_str());
  release_temporary(slot_);
  slot_ = -1;
  return !failed();
}

void file_writer::abandon() {
  if (mode_ != mode::descriptor && fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (mode_ == mode::replace && !finished_) ::unlink(temp_.c_str());
  release_temporary(slot_);
  slot_ = -1;
}

bool write_file(const std::string& path, std::string_view content, std::string& error,
                std::string* note, ui_language lang, int* error_number) {
  file_writer f(path);
  f.write(content);
  const bool ok = f.finish();
  error = f.error(lang);
  if (error_number) *error_number = f.error_number();
  if (note) *note = f.note(lang);
  return ok;
}

}  // namespace kinelab
