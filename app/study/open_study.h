#pragma once
// Opening a study into a simulation window: the whole study is checked against the window
// before anything is set, then every control is set as its user would set it, and the window
// computes the static pose of the result.
#include "app/study/study_file.h"

namespace kinelab {

class sim_window;

// Checks everything the study would set: that it is a study of this window, N and T as the
// settings window checks them, the profile, and every control (it exists, a field holds a
// number, a slider's value lies within its range, a disabled control keeps its value, a start
// pose has as many finite values as the window's). Throws
// study_error naming the file, the line and the key; the window is not touched.
void check_study(const study& s, const sim_window& w);

// Checks the study, then sets the window up from it through the user's edits:
//   the study's N and T become the window's settings (used from the next Run on), the view
//   turns to its angles, Option1 takes its profile, every field takes its text;
//   each pose slider that stands elsewhere is moved, in index order, each move computing the
//   static pose with the study's fields as a user's move does (the last static pose is thus
//   that of the whole study; a window whose sliders all stand right computes it once);
//   a field whose text that static pose replaced (a start typed after the last slider move) is
//   typed again, and the readouts show the static pose;
//   a study with a start pose (a Newton–Raphson window's) computes its static pose from that pose
//   instead and leaves it as the start of the next Run, so that the Run is the saved window's.
// The time slider and the step readout stay as they are: they show a Run, which a study
// does not hold. Throws study_error, and then nothing has changed.
void open_study(const study& s, sim_window& w);

// The Option1 choice of a profile named as study files name it ("quintic", "cubic", "constant
// velocity"); −1 when the window has none of that name.
int profile_option(const sim_window& w, const std::string& profile);

}  // namespace kinelab
