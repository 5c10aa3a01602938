#include "SoundRequest.h"

namespace fxengine {
namespace {

const uint32_t kKnown = snd::kAsync | snd::kNoDefault | snd::kMemory | snd::kLoop | snd::kNoStop | snd::kPurge |
                        snd::kApplication | snd::kNoWait | snd::kAlias | snd::kFileName | snd::kResource |
                        snd::kSentry | snd::kAliasId | snd::kRing | snd::kSystem;
// Sounds looked up for the program by name, shown to the disabled, or
// played by the system's rules: the system keeps them. (The ring bit is
// also half of SND_ALIAS_ID: alone it is a kind the engine does not take.)
const uint32_t kSystemOnly = snd::kApplication | snd::kSentry | snd::kSystem;

const uint32_t kResourceBit = snd::kResource & ~snd::kMemory;
const uint32_t kIdBit = snd::kAliasId & ~snd::kAlias;

}  // namespace

SoundDecision SoundRequest_Decide(uint32_t flags, bool haveSound) {
    const SoundDecision pass = {SoundAction::Pass, SoundKind::None};
    if ((flags & ~kKnown) || (flags & kSystemOnly)) return pass;
    if (!haveSound || (flags & snd::kPurge)) return {SoundAction::Stop, SoundKind::None};
    // A loop must be asynchronous; what the system makes of one that is not is its own.
    if ((flags & snd::kLoop) && !(flags & snd::kAsync)) return pass;
    const bool memory = flags & snd::kMemory, resource = flags & kResourceBit, alias = flags & snd::kAlias,
               id = flags & kIdBit, file = flags & snd::kFileName;
    if ((resource && !memory) || (id && !alias)) return pass;
    SoundKind kind = SoundKind::NameOrFile;
    int kinds = 0;
    if (resource) kind = SoundKind::Resource, ++kinds;
    if (memory && !resource) kind = SoundKind::Memory, ++kinds;
    if (alias) kind = id ? SoundKind::AliasId : SoundKind::Alias, ++kinds;
    if (file) kind = SoundKind::File, ++kinds;
    // Two kinds at once: the system's order of trying them is its own.
    if (kinds > 1) return pass;
    return {SoundAction::Play, kind};
}

uint32_t SoundRequest_FromSnd(uint32_t flags) {
    return flags & (snd::kAsync | snd::kLoop | snd::kMemory | snd::kNoDefault | snd::kNoStop);
}

bool SoundRequest_IsString(SoundKind kind, uintptr_t sound) {
    switch (kind) {
        case SoundKind::File:
        case SoundKind::Alias:
        case SoundKind::NameOrFile: return true;
        case SoundKind::Resource: return (sound >> 16) != 0;  // a name, not a number
        default: return false;
    }
}

const char* SoundRequest_AliasIdName(uintptr_t id) {
    // The ids are two characters: 'S' and one telling the event.
    static const struct {
        char tag;
        const char* name;
    } kIds[] = {{'*', "SystemAsterisk"}, {'D', "SystemDefault"},  {'!', "SystemExclamation"}, {'E', "SystemExit"},
                {'H', "SystemHand"},     {'?', "SystemQuestion"}, {'S', "SystemStart"},       {'W', "SystemWelcome"}};
    if ((id & 0xFF) != 'S' || (id >> 16) != 0) return nullptr;
    for (const auto& k : kIds)
        if (static_cast<uintptr_t>(static_cast<unsigned char>(k.tag)) == (id >> 8)) return k.name;
    return nullptr;
}

}  // namespace fxengine
