// The file writer where a write breaks off: a write error (a full disk, a file size limit) and
// a signal that ends the process both leave the old file as it was and no temporary behind.
// The kinds of target are in tests/cli/output_targets_test.cpp.
#include "app/io/file_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/file_text.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

namespace fs = std::filesystem;

const std::string old_text = "GOOD OLD RESULT\r\n";

using test::file_text;

int entries_in(const fs::path& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
  return n;
}

// Runs `child` in a child process and returns its wait status.
template <class F>
int in_child(F child) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    child();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

TEST(file_writer, write_error_keeps_the_old_file) {
  test::temp_working_dir dir;
  std::ofstream("result.dat", std::ios::binary) << old_text;
  // A file size limit makes the write fail part-way, as a full disk would.
  const int status = in_child([] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string error;
    const bool ok = write_file("result.dat", std::string(1 << 20, 'x'), error);
    ::_exit(!ok && error.find("result.dat") != std::string::npos ? 0 : 1);
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not report its failure";
  EXPECT_EQ(file_text("result.dat"), old_text);
  EXPECT_EQ(entries_in(dir.path()), 1);
}

// As in kinelab-cli and the desktop program, which ask for the handler in main().
TEST(file_writer, termination_removes_the_temporary) {
  test::temp_working_dir dir;
  std::ofstream("result.dat", std::ios::binary) << old_text;
  for (int sig : {SIGTERM, SIGINT}) {
    const int status = in_child([sig] {
      remove_temporaries_on_signals();
      file_writer f("result.dat");
      f.write(std::string(1 << 20, 'x'));  // well past the buffer: the temporary has content
      ::raise(sig);
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << sig;
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(file_text("result.dat"), old_text);
    EXPECT_EQ(entries_in(dir.path()), 1) << "signal " << sig;
  }
}

// A library inside a host (Python) leaves the host's signal handling alone.
TEST(file_writer, writing_installs_no_signal_handler) {
  test::temp_working_dir dir;
  const int status = in_child([] {
    std::string error;
    write_file("result.dat", old_text, error);
    for (int sig : {SIGTERM, SIGINT}) {
      struct sigaction now {};
      ::sigaction(sig, nullptr, &now);
      if (now.sa_handler != SIG_DFL) ::_exit(1);
    }
    ::_exit(0);
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a write changed a signal's handling";
}

// /dev/fd/N and /proc/self/fd/N (and so /dev/stdout, a link to /proc/self/fd/1) name a
// descriptor open on a pipe: the text goes down the pipe, nothing is created.
TEST(file_writer, descriptor_names_write_to_the_descriptor) {
  test::temp_working_dir dir;
  for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::string error;
    EXPECT_TRUE(write_file(prefix + std::to_string(ends[1]), "through the pipe", error)) << error;
    ::close(ends[1]);
    char buf[64];
    const ssize_t n = ::read(ends[0], buf, sizeof buf);
    ::close(ends[0]);
    EXPECT_EQ(std::string(buf, static_cast<std::size_t>(std::max<ssize_t>(n, 0))),
              "through the pipe")
        << prefix;
  }
  std::string error;
  EXPECT_FALSE(write_file("/dev/fd/999", "x", error));
  EXPECT_EQ(error, "cannot write /dev/fd/999: Bad file descriptor");
  EXPECT_EQ(entries_in(dir.path()), 0);
}

TEST(file_writer, missing_directory_is_reported) {
  test::temp_working_dir dir;
  std::string error;
  EXPECT_FALSE(write_file("absent/result.dat", "x", error));
  EXPECT_EQ(error, "cannot write absent/result.dat: No such file or directory");
  EXPECT_EQ(entries_in(dir.path()), 0);
}

}  // namespace
}  // namespace kinelab
