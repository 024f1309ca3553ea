// Every kind of target a file name can stand for, for each of kinelab-cli's outputs (result.dat,
// --dump, --svg): what was there is replaced, written to or left alone as its kind calls for,
// the exit status and the message say which, and no temporary is left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/file_text.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace kinelab {
namespace {

namespace fs = std::filesystem;

const std::string old_text = "OLD CONTENT\n";

using test::file_text;

void put(const fs::path& path, const std::string& text, fs::perms mode) {
  std::ofstream(path, std::ios::binary) << text;
  fs::permissions(path, mode);
}

fs::perms mode_of(const fs::path& path) {
  return fs::status(path).permissions() & fs::perms::mask;
}

// The temporaries the writer makes beside a target.
int temporaries_left() {
  int n = 0;
  for (const auto& e : fs::directory_iterator(fs::current_path()))
    if (e.path().filename().string().rfind(".kinelab-", 0) == 0) ++n;
  return n;
}

struct output {
  const char* name;
  bool fixed_name;  // result.dat: the target is always "result.dat"
  std::vector<std::string> (*args)(const std::string& path);
  const char* begins;  // how the new text starts
};

const output outputs[] = {
    {"result_dat", true,
     [](const std::string&) -> std::vector<std::string> {
       return {"form_3r_jun", "--N", "4", "--press", "run"};
     },
     "i, deg(the1(i))"},
    {"dump", false,
     [](const std::string& path) -> std::vector<std::string> {
       return {"form_3r_jun", "--N", "4", "--press", "run", "--dump", path};
     },
     "# kinelab"},
    {"svg", false,
     [](const std::string& path) -> std::vector<std::string> {
       return {"form_3r_jun", "--N", "4", "--svg", path};
     },
     "<svg"},
    {"study", false,
     [](const std::string& path) -> std::vector<std::string> {
       return {"form_3r_jun", "--N", "4", "--save", path};
     },
     "{\n  \"format\": \"kinelab study\""},
};

struct run_result {
  int exit_code;
  std::string out, err;
};

run_result run(const output& o, const std::string& path) {
  std::ostringstream out, err;
  const int code = run_cli(o.args(path), out, err);
  return {code, out.str(), err.str()};
}

// The FIFO case's open descriptor, from make to check.
int& fifo_fd() {
  static int fd = -1;
  return fd;
}

// One kind of target: `make` builds it at `path` (or returns why this process cannot), `check`
// looks at the outcome.
struct target_case {
  const char* kind;
  std::string (*make)(const std::string& path);
  void (*check)(const output& o, const std::string& path, const run_result& r);
  bool needs_a_free_name = false;  // not for result.dat
};

void expect_new(const output& o, const std::string& text, const run_result& r) {
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(text.rfind(o.begins, 0), 0u) << text.substr(0, 80);
}

const target_case targets[] = {
    {"regular_file_keeps_its_mode",
     [](const std::string& path) {
       put(path, old_text, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
       return std::string();
     },
     [](const output& o, const std::string& path, const run_result& r) {
       expect_new(o, file_text(path), r);
       EXPECT_EQ(mode_of(path),
                 fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
     }},
    {"missing_file", [](const std::string&) { return std::string(); },
     [](const output& o, const std::string& path, const run_result& r) {
       expect_new(o, file_text(path), r);
     }},
    {"symlink_is_followed_and_stays",
     [](const std::string& path) {
       put("real.txt", old_text, fs::perms::owner_read | fs::perms::owner_write);
       fs::create_symlink("real.txt", path);
       return std::string();
     },
     [](const output& o, const std::string& path, const run_result& r) {
       EXPECT_TRUE(fs::is_symlink(path));
       expect_new(o, file_text("real.txt"), r);
     }},
    {"fifo_is_written_as_a_stream",
     [](const std::string& path) {
       if (::mkfifo(path.c_str(), 0644) != 0) return std::string("mkfifo failed");
       // Opened for reading and writing, the FIFO has a reader (so the writer's open does not
       // wait) and never reports an end: the text stays in its buffer for the check.
       const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
       if (fd < 0) return std::string("the FIFO cannot be opened");
       fifo_fd() = fd;
       return std::string();
     },
     [](const output& o, const std::string& path, const run_result& r) {
       std::string text;
       char buf[4096];
       for (ssize_t n; (n = ::read(fifo_fd(), buf, sizeof buf)) > 0;)
         text.append(buf, static_cast<std::size_t>(n));
       ::close(fifo_fd());
       EXPECT_TRUE(fs::is_fifo(path));
       expect_new(o, text, r);
     }},
    {"character_device_is_written_in_place",
     [](const std::string& path) {
       // A device node of /dev/null's numbers, made here: a write that replaced it would show
       // as a regular file, and the real /dev/null stays out of reach.
       if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
         return std::string("mknod is not allowed here (not root)");
       const int fd = ::open(path.c_str(), O_WRONLY);
       if (fd < 0) return std::string("devices cannot be opened on this file system (nodev)");
       ::close(fd);
       return std::string();
     },
     [](const output&, const std::string& path, const run_result& r) {
       EXPECT_EQ(r.exit_code, 0) << r.err;
       EXPECT_TRUE(fs::is_character_file(path));
     }},
    {"read_only_file_is_refused_and_left_alone",
     [](const std::string& path) {
       put(path, old_text, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       return std::string();
     },
     [](const output&, const std::string& path, const run_result& r) {
       EXPECT_EQ(r.exit_code, 1);
       EXPECT_NE(r.err.find(path + " is read-only"), std::string::npos) << r.err;
       EXPECT_EQ(file_text(path), old_text);
       EXPECT_EQ(mode_of(path),
                 fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
     }},
    {"directory_is_refused",
     [](const std::string& path) {
       fs::create_directory(path);
       std::ofstream(fs::path(path) / "inside.txt") << old_text;
       return std::string();
     },
     [](const output&, const std::string& path, const run_result& r) {
       EXPECT_EQ(r.exit_code, 1);
       EXPECT_NE(r.err.find("Is a directory"), std::string::npos) << r.err;
       EXPECT_EQ(file_text(fs::path(path) / "inside.txt"), old_text);
     }},
    {"name_of_250_characters", [](const std::string&) { return std::string(); },
     [](const output& o, const std::string& path, const run_result& r) {
       expect_new(o, file_text(path), r);
     },
     true},
};

class output_targets
    : public testing::TestWithParam<std::tuple<const output*, const target_case*>> {
 protected:
  test::temp_working_dir dir_;
};

TEST_P(output_targets, outcome) {
  const auto [o, t] = GetParam();
  if (t->needs_a_free_name && o->fixed_name) GTEST_SKIP() << "result.dat's name is fixed";
  const std::string path = o->fixed_name          ? "result.dat"
                           : t->needs_a_free_name ? std::string(250, 'n')
                                                  : "target.out";
  if (const std::string why = t->make(path); !why.empty()) GTEST_SKIP() << why;
  const run_result r = run(*o, path);
  t->check(*o, path, r);
  EXPECT_EQ(temporaries_left(), 0);
}

std::vector<std::tuple<const output*, const target_case*>> all_pairs() {
  std::vector<std::tuple<const output*, const target_case*>> v;
  for (const output& o : outputs)
    for (const target_case& t : targets) v.emplace_back(&o, &t);
  return v;
}

INSTANTIATE_TEST_SUITE_P(all, output_targets, testing::ValuesIn(all_pairs()), [](const auto& info) {
  return std::string(std::get<0>(info.param)->name) + "_" + std::get<1>(info.param)->kind;
});

// "-" is standard output: the text goes there, and no file of that name appears.
TEST(output_targets_stdout, dash_writes_to_standard_output) {
  test::temp_working_dir dir;
  for (const output& o : outputs) {
    if (o.fixed_name) continue;
    const run_result r = run(o, "-");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find(o.begins), std::string::npos) << o.name;
    EXPECT_FALSE(fs::exists("-"));
  }
}

// A writable file in a directory that takes no new file: written in place, and said so. Root
// writes into any directory, so the test takes an ordinary user's identity where it can.
TEST(output_targets_in_place, read_only_directory_with_a_writable_file_is_written_in_place) {
  test::temp_working_dir dir;
  for (const output& o : outputs) {
    SCOPED_TRACE(o.name);
    const std::string path = o.fixed_name ? "result.dat" : "target.out";
    put(path, old_text, fs::perms::all);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    bool denied = false;
    run_result r{};
    {
      test::unprivileged user;
      denied = user.denied_writing(dir.path());
      if (denied) r = run(o, path);
    }
    fs::permissions(dir.path(), fs::perms::owner_all);
    if (!denied) GTEST_SKIP() << "the directory stays writable for this process";
    expect_new(o, file_text(path), r);
    EXPECT_NE(r.err.find(path + " was written in place: its directory is not writable"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(temporaries_left(), 0);
  }
}

}  // namespace
}  // namespace kinelab
