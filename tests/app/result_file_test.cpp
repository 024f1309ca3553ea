#include "app/result_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kinelab {
namespace {

namespace fs = std::filesystem;

TEST(ResultText, PrintZonesByteForByte) {
  struct Case {
    const char* name;
    void (*write)(result_text&);
    const char* expected;
  };
  const Case cases[] = {
      {"header then a row",
       [](result_text& r) {
         r.text("i, deg(the1(i)), p4(i).x");
         r.end_line();
         r.integer(0).number(30).number(-2.5);
         r.end_line();
       },
       "i, deg(the1(i)), p4(i).x\r\n"
       " 0             30           -2.5 \r\n"},
      {"a negative 15-digit value pushes the rest one zone on",
       [](result_text& r) {
         r.integer(7).number(-0.123456789012345).number(1);
         r.end_line();
       },
       " 7            -0.123456789012345           1 \r\n"},
      {"13 characters fill a zone, 14 spill into the next",
       [](result_text& r) {
         r.number(-0.1234567891).number(2).number(0.12345678901).number(-1E-05).integer(-12);
         r.end_line();
       },
       "-0.1234567891  2             0.12345678901              -1E-05        -12 \r\n"},
      {"pieces continue one line",
       [](result_text& r) {
         r.integer(50).number(0);
         r.number(123456789012345.0);
         r.number(-0.0);
         r.end_line();
       },
       " 50            0             123456789012345             0 \r\n"},
  };
  for (const Case& c : cases) {
    result_text r;
    c.write(r);
    EXPECT_EQ(r.str(), c.expected) << c.name;
  }
}

class WriteFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kinelab_result_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Names in the directory other than `keep`: a temporary file left behind shows up here.
  int stray_files(const std::string& keep) const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename() != keep) ++n;
    return n;
  }
  fs::path dir_;
};

TEST_F(WriteFile, ReplacesThePreviousContent) {
  const std::string path = (dir_ / "result.dat").string();
  std::string error;
  ASSERT_TRUE(write_file_atomically(path, "first run\r\nlonger content\r\n", error)) << error;
  ASSERT_TRUE(write_file_atomically(path, "second\r\n", error)) << error;
  EXPECT_EQ(read(path), "second\r\n");
  EXPECT_EQ(stray_files("result.dat"), 0);
}

TEST_F(WriteFile, ReadOnlyDirectoryFailsAndKeepsTheOldFile) {
  const fs::path target = dir_ / "result.dat";
  std::string error;
  ASSERT_TRUE(write_file_atomically(target.string(), "old", error)) << error;
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(dir_.c_str(), W_OK) == 0) GTEST_SKIP() << "the directory stays writable (root)";
  EXPECT_FALSE(write_file_atomically(target.string(), "new", error));
  EXPECT_NE(error.find(target.string()), std::string::npos) << error;
  EXPECT_NE(error.find("ermission"), std::string::npos) << error;
  EXPECT_EQ(read(target), "old");
  EXPECT_EQ(stray_files("result.dat"), 0);
}

TEST_F(WriteFile, MissingDirectoryFails) {
  const std::string path = (dir_ / "absent" / "result.dat").string();
  std::string error;
  EXPECT_FALSE(write_file_atomically(path, "x", error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST_F(WriteFile, TargetThatIsADirectoryFailsCleanly) {
  const fs::path target = dir_ / "result.dat";
  fs::create_directory(target);
  std::ofstream(target / "inside.txt") << "previous";
  std::string error;
  EXPECT_FALSE(write_file_atomically(target.string(), "new", error));
  EXPECT_NE(error.find(target.string()), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_EQ(read(target / "inside.txt"), "previous");
  EXPECT_EQ(stray_files("result.dat"), 0);
}

}  // namespace
}  // namespace kinelab
