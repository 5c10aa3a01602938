// What the engine does with one PlaySound or sndPlaySound call: play it
// itself, stop what plays, or hand it to the system's own entry unchanged
// (anything it cannot do exactly as the system would). No Windows calls:
// the flags are the system's values, given here.
#pragma once

#include <stdint.h>

namespace fxengine {

namespace snd {
const uint32_t kAsync = 0x0001;
const uint32_t kNoDefault = 0x0002;
const uint32_t kMemory = 0x0004;
const uint32_t kLoop = 0x0008;
const uint32_t kNoStop = 0x0010;
const uint32_t kPurge = 0x0040;
const uint32_t kApplication = 0x0080;
const uint32_t kNoWait = 0x2000;
const uint32_t kAlias = 0x10000;
const uint32_t kFileName = 0x20000;
const uint32_t kResource = 0x40004;
const uint32_t kSentry = 0x80000;
const uint32_t kAliasId = 0x110000;
const uint32_t kRing = 0x100000;
const uint32_t kSystem = 0x200000;
}  // namespace snd

enum class SoundAction { Pass, Stop, Play };
// Where the sound comes from; NameOrFile: no kind given (an alias first,
// then a file, as the system looks).
enum class SoundKind { None, File, Alias, AliasId, Resource, Memory, NameOrFile };

struct SoundDecision {
    SoundAction action;
    SoundKind kind;
};

// flags as PlaySound got them; haveSound: its first argument is not null.
SoundDecision SoundRequest_Decide(uint32_t flags, bool haveSound);
// The flags sndPlaySound keeps before it does what PlaySound does.
uint32_t SoundRequest_FromSnd(uint32_t flags);
// The first argument is a string (not an id, a resource number or memory).
bool SoundRequest_IsString(SoundKind kind, uintptr_t sound);
// The event name of a SND_ALIAS_ID value; null for one the system does not know.
const char* SoundRequest_AliasIdName(uintptr_t id);

}  // namespace fxengine
