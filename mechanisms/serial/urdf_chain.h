#pragma once
// A serial arm read from a URDF robot description (Debian's liburdfdom): the joints on the path
// from a base link to a tip link, as a joint_chain.
//
// Fixed joints merge into the fixed transform of the next moving joint (or of the tool); a
// continuous joint is a revolute joint without limits. A joint turning about or sliding along
// an axis u other than z becomes one about z between the fixed rotations U and Uᵀ (U·e_z = u),
// so the chain's joints all move about their own z. Floating, planar and mimic joints have no
// place in such a chain and are refused.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/text/messages.h"
#include "mechanisms/serial/joint_chain.h"

namespace kinelab {

// A URDF that cannot be read as an arm; what() says why, naming the joint or link.
class urdf_error : public std::runtime_error {
 public:
  // What the problem is about: the URDF, or a link the caller named that it lacks.
  enum class subject { urdf, base_link, tip_link };
  explicit urdf_error(const std::string& problem, int line = 0, subject about = subject::urdf)
      : std::runtime_error(problem), line(line), about(about) {}
  int line;  // of the element at fault in the URDF text, 1-based; 0 where none is
  subject about;
};

struct joint_limit {
  bool limited = false;  // a continuous joint has none
  double lower = 0, upper = 0;
};

struct urdf_arm {
  joint_chain chain;
  std::vector<std::string> joint_names;  // the moving joints, base outward
  std::vector<joint_limit> limits;       // one per moving joint
  std::string base, tip;                 // the links the chain runs between
};

// The arm from `base` to `tip` of the URDF text `xml`. An empty base is the root link; an empty
// tip is the one leaf below the base (a URDF with several leaves must name its tip). Throws
// urdf_error, in `lang` (what the parser itself refuses in its own words).
urdf_arm read_urdf_arm(const std::string& xml, const std::string& base = "",
                       const std::string& tip = "", ui_language lang = ui_language::english);

}  // namespace kinelab
