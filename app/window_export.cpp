#include "app/window_export.h"

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

const char* program_version() {
  return KINELAB_VERSION;
}

std::string window_csv(sim_window& w) {
  std::string out = "# kinelab " + std::string(program_version()) + "\n";
  out += "# window: " + w.name() + " (" + w.title() + ")\n";
  out += "# N = " + std::to_string(w.N()) + ", T = " + format_number(w.T()) +
         ", profile: " + to_string(w.profile()) +
         " (Option1 = " + std::to_string(w.ctl.option_selected) + ")\n";
  describe_controls(w.ctl, out);
  const singularity_history& h = w.singularity();
  return out + w.logic().arrays.csv({{"sigma_min", &h.sigma_min}, {"condition", &h.condition}});
}

std::string window_svg(sim_window& w) {
  recording_surface* p = w.picture();
  svg_surface s(p->ScaleWidth(), p->ScaleHeight());
  p->replay(s);
  return s.document();
}

}  // namespace kinelab
