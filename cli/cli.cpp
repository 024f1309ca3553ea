#include "cli/cli.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <memory>
#include <optional>
#include <variant>

#include "app/io/file_writer.h"
#include "app/service/atlas_export.h"
#include "app/service/profile_comparison.h"
#include "app/service/window_atlas.h"
#include "app/service/window_export.h"
#include "app/service/window_service.h"
#include "app/study/open_study.h"
#include "app/study/study_file.h"
#include "app/text/messages.h"
#include "app/window/graph_derivative_check.h"
#include "app/window/settings.h"
#include "app/window/sim_window.h"
#include "cli/about.h"
#include "core/number_text.h"
#include "mechanisms/mechanism_file.h"
#include "mechanisms/registry.h"

namespace kinelab {

namespace {

constexpr int exit_ok = 0, exit_reported = 1, exit_usage = 2, exit_unconverged = 3;

const char* usage_text =
    "usage: kinelab-cli list\n"
    "       kinelab-cli WINDOW [--N n] [--T t] [ACTION]...\n"
    "       kinelab-cli --load FILE [ACTION]...\n"
    "       kinelab-cli --sweep FILE [--out CSV] [--scheduler ADDRESS] [--workers K]\n"
    "                   [--resume CSV]\n"
    "       kinelab-cli --mechanism FILE [forward|inverse] [--N n] [--T t] [ACTION]...\n"
    "actions: --set CONTROL=VALUE  --press BUTTON  --tick K  --print CONTROL\n"
    "         --svg FILE  --dump FILE  --load FILE  --save FILE\n"
    "         --check-derivatives  --compare-profiles\n"
    "         --workspace [--mode position|posture] [--plane xy|xz|yz] [--offset V]\n"
    "                     [--cells K] [--depth D] [--limits LO:HI,...] [--samples N] [--locus F]\n";

struct usage_error {
  std::string message;
  bool show_usage = true;  // false when the arguments were right and a file was not
};

// A study that cannot be opened: the actions after it would run on another setup.
usage_error bad_study(const study_error& e) {
  return {e.what(), false};
}

// --workspace's options, read into the typed options of the atlas:
//   --workspace [--mode position|posture] [--plane xy|xz|yz] [--offset V] [--cells K]
//               [--depth D] [--limits LO:HI[,LO:HI]...] [--samples N] [--locus F]
std::optional<long long> whole(const std::string& s) {
  long long v = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

std::optional<atlas_limit> range_of(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto lo = parse_number(text.substr(0, colon)), hi = parse_number(text.substr(colon + 1));
  if (!lo || !hi) return std::nullopt;
  return atlas_limit{*lo, *hi};
}

bool is_workspace_option(const std::string& name) {
  for (const char* o :
       {"--mode", "--plane", "--offset", "--cells", "--depth", "--limits", "--samples", "--locus"})
    if (name == o) return true;
  return false;
}

std::optional<std::string> read_workspace_option(const std::string& name, const std::string& value,
                                                 workspace_options& o) {
  atlas_request& r = o.request;
  if (name == "--mode") {
    const auto m = atlas_mode_from(value);
    if (!m) return "--mode takes position or posture";
    r.mode = *m;
    o.mode_given = true;
  } else if (name == "--plane") {
    const auto p = atlas_plane_from(value);
    if (!p) return "--plane takes xy, xz or yz";
    r.plane = *p;
  } else if (name == "--offset") {
    const auto v = parse_number(value);
    if (!v) return "--offset takes a number";
    r.offset = *v;
  } else if (name == "--cells" || name == "--depth") {
    const auto v = whole(value);
    if (!v || *v < 1 || *v > 1'000'000) return name + " takes a whole number from 1 to 1000000";
    (name == "--cells" ? r.cells : r.depth) = static_cast<int>(*v);
  } else if (name == "--samples") {
    const auto v = whole(value);
    if (!v || *v < 1) return "--samples takes a positive whole number";
    r.samples = *v;
  } else if (name == "--locus") {
    const auto v = parse_number(value);
    if (!v || *v < 0 || *v > 1) return "--locus takes a fraction from 0 to 1";
    r.singular_fraction = *v;
  } else if (name == "--limits") {
    o.limits.clear();
    std::size_t start = 0;
    while (start <= value.size()) {
      const auto comma = value.find(',', start);
      const auto l = range_of(value.substr(start, comma - start));
      if (!l) return "--limits takes LO:HI ranges separated by commas: " + value;
      o.limits.push_back(*l);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  } else {
    return "unknown option of --workspace: " + name;
  }
  return std::nullopt;
}

// Drives one window through the actions, printing its status reports as they appear.
class session {
 public:
  session(window_model& w, std::ostream& out, std::ostream& err) : w_(w), out_(out), err_(err) {}

  void report_status() {
    if (w_.status != last_status_ && !w_.status.empty())
      err_ << w_.name() << ": " << w_.status << "\n";
    if (w_.status_is_error && !w_.status.empty()) failed_ = true;
    last_status_ = w_.status;
  }
  bool failed() const { return failed_; }

  void set(const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos) throw usage_error{"--set needs CONTROL=VALUE: " + assignment};
    try {
      w_.set_value(assignment.substr(0, eq), assignment.substr(eq + 1));
    } catch (const edit_error& e) {
      throw usage_error{e.what()};
    }
  }

  void print(const std::string& target) {
    if (const sim_window* sim = simulation_of(w_)) {
      if (target == "step_no") return void(out_ << sim->step_no << "\n");
      if (target == "figure_no") return void(out_ << sim->figure_no << "\n");
      if (target == "caption") {
        const label* l = w_.ctl.find_label(sim->decl().style.caption_label);
        return void(out_ << (l ? l->caption : "") << "\n");
      }
    }
    if (target == "status") return void(out_ << w_.status << "\n");
    // A whole indexed group: every element, one a line.
    if (const auto a = parse_address(target); a && !a->has_index) {
      if (const text_group* g = w_.ctl.find_texts(a->name); g && g->indexed) {
        for (std::size_t i = 0; i < g->fields.size(); ++i)
          out_ << address_text(g->name, static_cast<int>(i), true) << "=" << g->fields[i].text
               << "\n";
        return;
      }
      if (const slider_group* g = w_.ctl.find_sliders(a->name); g && g->indexed) {
        for (std::size_t i = 0; i < g->sliders.size(); ++i)
          out_ << address_text(g->name, static_cast<int>(i), true) << "=" << g->sliders[i].value
               << "\n";
        return;
      }
    }
    try {
      std::visit([&](const auto& v) { out_ << v << "\n"; }, w_.value_of(target));
    } catch (const edit_error& e) {
      throw usage_error{e.what()};
    }
  }

  void svg(const std::string& path) {
    sim_window& sim = simulation("drawing surface");
    save(path, [&](const text_out& put) { write_window_svg(sim, put); });
  }

  // The trajectory arrays, or the atlas while the picture shows one.
  void dump(const std::string& path) {
    if (atlas_)
      return save(path,
                  [&](const text_out& put) { put(atlas_csv(*atlas_->source, *atlas_->grid)); });
    sim_window& sim = simulation("trajectory arrays");
    if (const std::string refusal = csv_refusal(sim); !refusal.empty())
      return fail(path + " was not written: " + refusal);
    save(path, [&](const text_out& put) { write_window_csv(sim, put); });
  }

  // The workspace atlas: its summary on stdout, its picture on the drawing surface.
  void workspace(const workspace_options& o) {
    atlas_.reset();
    workspace_outcome r = run_workspace(simulation("workspace atlas"), o, out_);
    if (r.usage) throw usage_error{r.problem};
    if (!r.grid) {
      err_ << w_.name() << ": no workspace atlas: " << r.problem << "\n";
      failed_ = true;
      return;
    }
    atlas_ = std::move(r);
  }
  // An action that changes the window ends the atlas.
  void forget_atlas() { atlas_.reset(); }

  // Opens a study (a .kinelab file or an exported CSV) into the window.
  void load(const study& st) {
    sim_window& sim = simulation("study");
    try {
      open_study(st, sim);
    } catch (const study_error& e) {
      throw bad_study(e);
    }
    for (const std::string& note : st.notes) err_ << "kinelab-cli: " << note << "\n";
  }

  // Written as the exports are: "-" is standard output, and a file written in place says so.
  void save_study(const std::string& path) {
    std::string document;
    try {
      document = study_document(simulation("study"));
    } catch (const study_error& e) {
      return fail(path + " was not written: " + e.what());
    }
    save(path, [&](const text_out& put) { put(document); });
  }

  // The derivative check of every graph's quantity, over the last Run (computed first, without
  // result.dat, when the window has not run).
  void check_derivatives() {
    if (const auto checks = check_graph_derivatives(simulation("graphs")))
      out_ << derivative_check_text(*checks);
  }

  void compare_profiles() {
    const profile_comparison c = kinelab::compare_profiles(simulation("profiles"));
    if (!c.problem.empty()) return fail("the profiles were not compared: " + c.problem);
    out_ << profile_table_text(c);
  }

 private:
  sim_window& simulation(const char* what) {
    sim_window* sim = simulation_of(w_);
    if (!sim) throw usage_error{w_.name() + " has no " + what};
    return *sim;
  }

  // "-" is standard output, here the session's own output stream.
  void save(const std::string& path, const std::function<void(const text_out&)>& produce) {
    if (path == "-") {
      produce([this](std::string_view t) { out_.write(t.data(), std::streamsize(t.size())); });
      // A full disk or a closed pipe is told at the flush at the latest.
      if (!out_.flush()) fail("standard output was not written");
      return;
    }
    // What the session printed goes first, should the file be the process's own output.
    out_.flush();
    err_.flush();
    file_writer file(path);
    produce(file.out());
    if (!file.finish()) return fail(path + " was not written: " + file.error());
    if (!file.note().empty()) err_ << w_.name() << ": " << file.note() << "\n";
  }

  void fail(const std::string& message) {
    err_ << w_.name() << ": " << message << "\n";
    failed_ = true;
  }

  window_model& w_;
  std::ostream& out_;
  std::ostream& err_;
  std::string last_status_;
  bool failed_ = false;
  std::optional<workspace_outcome> atlas_;
};

int list_windows(std::ostream& out) {
  for (const auto& e : window_registry())
    out << e.name << "\t" << e.title << "\t" << e.menu_item << "\t" << e.menu_caption << "\n";
  return exit_ok;
}

study read_study_file(const std::string& path) {
  try {
    return read_study(path);
  } catch (const study_error& e) {
    throw bad_study(e);
  }
}

// --T and --N as the settings window reads its two texts: T first, each message as it words it;
// the settings take numbers.
void read_settings(const std::optional<std::string>& T_text,
                   const std::optional<std::string>& N_text, run_settings& settings) {
  const ui_language lang = ui_language::english;
  double T = settings.T, N = settings.N;
  if (T_text) {
    const auto v = parse_number(*T_text);
    if (!v)
      throw usage_error{
          message(lang, message_id::cycle_time_not_a_number, {quoted_text(lang, *T_text)})};
    T = *v;
  }
  if (N_text) {
    const auto v = parse_number(*N_text);
    if (!v) {
      run_settings probe;  // a T out of range is said before an N that is not a number
      if (auto problem = apply_settings(T, 1, probe)) throw usage_error{*problem};
      throw usage_error{
          message(lang, message_id::divisions_not_a_number, {quoted_text(lang, *N_text)})};
    }
    N = *v;
  }
  if (auto problem = apply_settings(T, N, settings)) throw usage_error{*problem};
}

// `current` follows the argument being acted on, for the messages of failures no check foresaw.
int run_actions(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                run_settings settings, std::string& current) {
  // "--load FILE" in the window's place: the study names the window and its N and T.
  std::optional<study> opening;
  // "--mechanism FILE [forward|inverse]": a window of an arm read from a mechanism file.
  std::optional<mechanism_file> mechanism;
  arm_window_kind mechanism_kind = arm_window_kind::forward;
  std::size_t k = 1;
  const window_entry* entry = nullptr;
  if (args[0] == "--mechanism") {
    if (args.size() < 2) throw usage_error{"missing value after --mechanism"};
    current = "--mechanism " + args[1];
    try {
      mechanism = read_mechanism_file(args[1]);
    } catch (const arm_file_error& e) {
      throw usage_error{e.what(), false};
    }
    k = 2;
    if (k < args.size())
      if (const auto kind = arm_window_kind_from(args[k])) mechanism_kind = *kind, ++k;
  } else {
    if (args[0] == "--load") {
      if (args.size() < 2) throw usage_error{"missing value after --load"};
      current = "--load " + args[1];
      opening = read_study_file(args[1]);
    }
    const std::string& name = opening ? opening->window : args[0];
    if (opening && !opening->mechanism_path.empty()) {
      // A study of a file window opens its file again; a file changed since is said.
      const auto kind = arm_window_kind_from(name.substr(name.find('_') + 1));
      if (!kind || name.rfind("mechanism_", 0) != 0)
        throw bad_study(study_error(opening->message(opening->window_at, "no window " + name)));
      try {
        mechanism = read_mechanism_file(opening->mechanism_path);
      } catch (const arm_file_error& e) {
        throw bad_study(study_error(opening->message(opening->mechanism_at, e.what())));
      }
      mechanism_kind = *kind;
      if (mechanism->content_hash() != opening->mechanism_hash)
        opening->notes.push_back(opening->message(
            opening->mechanism_at, message_id::arm_file_changed, {opening->mechanism_path}));
    }
    entry = mechanism ? nullptr : find_window(name);
    if (!entry && !mechanism && opening)
      throw bad_study(study_error(opening->message(opening->window_at, "no window " + name)));
    if (entry && opening && !entry->simulation)
      throw bad_study(study_error(opening->message(opening->window_at, name + " has no study")));
    if (!entry && !mechanism)
      throw usage_error{"unknown window: " + name + " (kinelab-cli list shows them)"};
    k = opening ? 2 : 1;
  }

  std::optional<std::string> N_text, T_text;
  for (; !opening && k + 1 < args.size() && (args[k] == "--N" || args[k] == "--T"); k += 2)
    (args[k] == "--N" ? N_text : T_text) = args[k + 1];
  read_settings(T_text, N_text, settings);
  if (opening) {
    settings.N = opening->N;
    settings.T = opening->T;
  }

  const std::vector<std::string>& actions = cli_actions();
  const std::size_t first_action = k;
  std::unique_ptr<window_model> w =
      mechanism ? make_mechanism_window(*mechanism, mechanism_kind, settings)
                : entry->make(settings);
  session s(*w, out, err);
  // A dump after a Run needs the singularity history: found while the Run writes result.dat.
  if (sim_window* sim = simulation_of(*w))
    sim->singularity_with_run = std::find(args.begin() + static_cast<std::ptrdiff_t>(k), args.end(),
                                          "--dump") != args.end();
  w->open();
  s.report_status();
  if (opening) {
    s.load(*opening);
    s.report_status();
  }
  for (; k < args.size(); ++k) {
    const std::string& a = args[k];
    current = a;
    if (a == "--N" || a == "--T")
      throw usage_error{k + 1 == args.size() && k == first_action
                            ? "missing value after " + a
                            : a + " must come before the actions"};
    if (std::find(actions.begin(), actions.end(), a) == actions.end())
      throw usage_error{"unknown action: " + a};
    if (a == "--check-derivatives" || a == "--compare-profiles") {
      if (a == "--check-derivatives")
        s.check_derivatives();
      else
        s.compare_profiles();
      s.report_status();
      continue;
    }
    if (a == "--workspace") {
      workspace_options o;
      for (; k + 1 < args.size() && is_workspace_option(args[k + 1]); k += 2) {
        if (k + 2 >= args.size()) throw usage_error{"missing value after " + args[k + 1]};
        current = args[k + 1] + " " + args[k + 2];
        if (auto problem = read_workspace_option(args[k + 1], args[k + 2], o))
          throw usage_error{*problem};
      }
      current = a;
      s.workspace(o);
      s.report_status();
      continue;
    }
    if (a != "--svg" && a != "--dump" && a != "--print" && a != "--save") s.forget_atlas();
    if (k + 1 >= args.size()) throw usage_error{"missing value after " + a};
    const std::string& v = args[++k];
    current = a + " " + v;
    if (a == "--set") {
      s.set(v);
    } else if (a == "--press") {
      if (!w->press(v)) throw usage_error{w->name() + " has no button " + v};
    } else if (a == "--tick") {
      const auto n = parse_whole(v);
      if (!n || *n < 0) throw usage_error{"--tick takes a whole number: " + v};
      w->advance_ticks(*n);
    } else if (a == "--print") {
      s.print(v);
    } else if (a == "--svg") {
      s.svg(v);
    } else if (a == "--load") {
      s.load(read_study_file(v));
    } else if (a == "--save") {
      s.save_study(v);
    } else {
      s.dump(v);
    }
    s.report_status();
  }
  if (s.failed()) return exit_reported;
  // A Run whose every step was computed but not every solve reached the tolerance: the status
  // line has said how many and the first.
  return last_run_unconverged(*w) ? exit_unconverged : exit_ok;
}

int run_window(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const run_settings& settings) {
  std::string current = args[0];
  try {
    return run_actions(args, out, err, settings, current);
  } catch (const usage_error&) {
    throw;
  } catch (const std::exception& e) {
    // Whatever a library throws (memory that cannot be had, a value it cannot convert) is
    // refused like a bad argument, naming the one being acted on.
    throw usage_error{current + ": " + e.what(), false};
  }
}

}  // namespace

const std::vector<std::string>& cli_actions() {
  static const std::vector<std::string> actions = {"--set",
                                                   "--press",
                                                   "--tick",
                                                   "--print",
                                                   "--svg",
                                                   "--dump",
                                                   "--load",
                                                   "--save",
                                                   "--check-derivatives",
                                                   "--compare-profiles",
                                                   "--workspace"};
  return actions;
}

int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const run_settings& defaults) {
  try {
    if (auto status = about_cli(args, out, usage_text)) return *status;
    if (args.empty()) {
      err << usage_text;
      return exit_usage;
    }
    if (args[0] == "list") return list_windows(out);
    // main() hands --sweep over to Python before this: a library call never replaces its
    // process.
    if (args[0] == "--sweep") throw usage_error{"--sweep runs from the kinelab-cli program only"};
    return run_window(args, out, err, defaults);
  } catch (const usage_error& e) {
    err << "kinelab-cli: " << e.message << "\n";
    if (e.show_usage) err << usage_text;
    return exit_usage;
  } catch (const std::exception& e) {
    err << "kinelab-cli: " << e.what() << "\n";
    return exit_usage;
  }
}

}  // namespace kinelab
