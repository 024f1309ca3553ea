#pragma once

namespace kinelab {

// The program version, "1.1.0", from the project's version in CMake.
const char* program_version();

}  // namespace kinelab
