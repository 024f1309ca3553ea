#pragma once
// Writing a file the way its target calls for, so that a write never destroys what it should
// not and never reports a success it did not have:
// - a regular file, or none yet: the text goes to a temporary beside it (a short name, so any
//   legal file name works), renamed over it once complete; the old file's mode stays, and a
//   failure at any point leaves the old file as it was;
// - a symbolic link: the file it leads to is replaced the same way; the link stays;
// - a FIFO or a character device: written in place, as a stream; "-" and /dev/stdout (standard
//   output), /dev/stderr and /dev/fd/N: written to the process's descriptor;
// - a read-only file: refused ("result.dat is read-only") and left alone;
// - a writable file in a directory that is not writable: written in place, and note() says so;
// - a directory or anything else: refused.
// SIGINT or SIGTERM during the write removes the temporary before the process ends, in a
// program that called remove_temporaries_on_signals().
#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

#include "app/text/messages.h"

namespace kinelab {

// Receives a text piece by piece (an export streams through it instead of building the whole
// text first).
using text_out = std::function<void(std::string_view)>;

class file_writer {
 public:
  // Opens the target; on failure error() says why, and write() and finish() do nothing.
  explicit file_writer(std::string path);
  // A write not finished is abandoned: the temporary is removed, the target keeps its contents.
  ~file_writer();
  file_writer(const file_writer&) = delete;
  file_writer& operator=(const file_writer&) = delete;

  void write(std::string_view text);
  text_out out() {
    return [this](std::string_view t) { write(t); };
  }
  // Completes the write (renames the temporary into place); true when the whole text arrived.
  bool finish();

  bool failed() const { return problem_ != problem::none; }
  // "cannot write d.csv: No space left…"; empty unless failed().
  std::string error(ui_language lang = ui_language::english) const;
  // The system's error number of the failure (EACCES for a read-only file), 0 where there is
  // none (a target that is not a file).
  int error_number() const;
  // "d.csv was written in place: …"; empty when there is nothing to say.
  std::string note(ui_language lang = ui_language::english) const;

 private:
  enum class mode { none, replace, in_place, descriptor };
  enum class problem { none, system, not_regular, read_only };
  void open_target();
  void fail(int err);
  void flush();
  void write_out(std::string_view text);
  void abandon();

  std::string path_;    // as given, for the messages
  std::string target_;  // the file to replace or write (a link followed)
  std::string temp_;    // the temporary beside it while replacing
  std::string buffer_;
  problem problem_ = problem::none;
  int errno_ = 0;                  // for problem::system
  bool written_in_place_ = false;  // a writable file in a directory that is not writable
  mode mode_ = mode::none;
  int fd_ = -1;
  // Bytes written, and how many of them were handed to the disk (mode::replace).
  off_t written_ = 0, sent_ = 0;
  int slot_ = -1;  // the temporary's entry in the list the signal handler removes
  bool finished_ = false;
};

// Makes SIGINT and SIGTERM remove the temporaries being written before the process ends, where
// the signal still has its default action (a handler of the program's own, or an ignored signal,
// stays). Process-wide, so for programs to call in main(): the library never installs it, and a
// host such as Python keeps its own handling.
void remove_temporaries_on_signals();

// The whole text at once; false with the reason in `error` on failure. `note`, when given,
// receives what the user should know of a write that worked (written in place).
bool write_file(const std::string& path, std::string_view content, std::string& error,
                std::string* note = nullptr, ui_language lang = ui_language::english,
                int* error_number = nullptr);

}  // namespace kinelab
