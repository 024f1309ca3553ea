#pragma once
// The language the windows report in. The desktop program speaks Japanese unless asked for
// English; kinelab-cli keeps English, for scripts.
namespace kinelab {

enum class ui_language { english, japanese };

}  // namespace kinelab
