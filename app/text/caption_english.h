#pragma once
// The English of the captions the windows declare in Japanese, for the front ends without Qt's
// catalogue (kinelab-cli, Python). The table is read from the desktop program's English
// catalogue when the build is configured, so the two cannot drift apart.
#include <string>

namespace kinelab {

// The English caption for `caption` as declared; `caption` itself where the catalogue has none
// (the captions declared in English).
std::string english_caption(const std::string& caption);

}  // namespace kinelab
