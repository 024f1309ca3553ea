#pragma once
// The platform windows' pose rows: x, y, z in length units, then α, β, γ in degrees.
#include "app/window/controls.h"
#include "app/window/start_stop_fields.h"
#include "core/kin_state.h"

namespace kinelab {

// Writes the start fields from their sliders: field k = slider k / units_per_length for the
// three position rows, slider k in whole degrees for the three angle rows.
void start_pose_from_sliders(controls& c, const start_stop_fields& table, double units_per_length);

// Reads the six start fields into the value fields of a position and a posture (radians);
// their rate fields are left as they are. Throws field_error.
void read_pose_values(const controls& c, const start_stop_fields& table, kin_state& position,
                      kin_state& posture);

}  // namespace kinelab
