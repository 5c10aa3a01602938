// korvfx's commands, apart from main so that the tests run them as a user
// does and see what a user sees.
//   korvfx render IN OUT [--match-loudness] [EFFECTS]   IN through the effects into OUT (.wav, .flac)
//   korvfx plot IN OUT [--match-loudness] [EFFECTS]     what the effects do to IN (.png, .svg)
//   korvfx demo OUT                                     a synthesised demo clip (.wav, .flac)
// IN: anything libsndfile reads (WAV of any layout, FLAC, Ogg, MP3 ...).
// EFFECTS: --3d N --vibe N --soundfields N (knob positions 0..11),
// --headphones, --master DB (-20..0), or --journal FILE (the state a
// simulated engine's journal leaves). No options: every knob at 0.
#pragma once

#include <string>
#include <vector>

namespace korvfx {

// args without the program's name. Returns the exit code; out and err get
// what goes to standard output and standard error (an error is one line).
int RunKorvfx(const std::vector<std::string>& args, std::string* out, std::string* err);

}  // namespace korvfx
