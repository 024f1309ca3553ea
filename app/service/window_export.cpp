#include "app/service/window_export.h"

#include <stdexcept>

#include "core/number_text.h"
#include "draw/svg_surface.h"

namespace kinelab {

namespace {

// A field's text on one comment line: a line break typed into a field would end the comment.
std::string one_line(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

void describe_controls(const controls& c, std::string& out) {
  for (const text_group& g : c.texts) {
    out += "# " + g.name + ":";
    for (std::size_t k = 0; k < g.fields.size(); ++k) {
      out += k ? ", " : " ";
      if (g.indexed) out += "(" + std::to_string(k) + ") ";
      out += one_line(g.fields[k].text);
    }
    out += "\n";
  }
  for (const slider_group& g : c.sliders) {
    out += "# " + g.name + ":";
    for (std::size_t k = 0; k < g.sliders.size(); ++k) {
      out += k ? ", " : " ";
      if (g.indexed) out += "(" + std::to_string(k) + ") ";
      out += std::to_string(g.sliders[k].value);
    }
    out += "\n";
  }
}

std::string csv_refusal(const sim_window& w) {
  return w.last_run() ? "" : message(w.language, message_id::no_run_to_export);
}

void write_window_csv(sim_window& w, const text_out& put) {
  const run_record* run = w.last_run();
  if (!run) throw std::logic_error(csv_refusal(w));
  std::string out = "# kinelab " + std::string(program_version()) + "\n";
  out += "# window: " + w.name() + " (" + w.title() + ")\n";
  const int option = run->fields.option_selected;
  out += "# N = " + std::to_string(run->N) + ", T = " + format_number(run->T) +
         ", profile: " + to_string(profile_from_option(option)) +
         " (Option1 = " + std::to_string(option) + ")\n";
  describe_controls(run->fields, out);
  put(out);
  const sim_window::run_view run_arrays(w);
  const singularity_history& h = w.singularity();
  std::vector<trajectory_arrays::extra_column> extra;
  if (!w.near_singular_steps().empty())
    extra.push_back({"nr_near_singular", &w.near_singular_steps()});
  extra.push_back({"sigma_min", &h.sigma_min});
  extra.push_back({"condition", &h.condition});
  w.logic().arrays.write_csv(put, extra);
}

std::string window_csv(sim_window& w) {
  std::string out;
  write_window_csv(w, [&](std::string_view t) { out.append(t); });
  return out;
}

void write_window_svg(sim_window& w, const text_out& out) {
  recording_surface* p = w.picture();
  svg_surface s(p->ScaleWidth(), p->ScaleHeight());
  s.stream_to(out);
  p->replay(s);
  s.finish();
}

std::string window_svg(sim_window& w) {
  std::string out;
  write_window_svg(w, [&](std::string_view t) { out.append(t); });
  return out;
}

bool save_window_csv(sim_window& w, const std::string& path, std::string& error,
                     int& error_number) {
  file_writer file(path);
  write_window_csv(w, file.out());
  file.finish();
  error = file.error();
  error_number = file.error_number();
  return error.empty();
}

}  // namespace kinelab
