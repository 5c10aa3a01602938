#include "tests/engine_e2e/player/DsFeed.h"

namespace dsfeed {

Style StyleOf(const std::string& name) {
    if (name == "notify") return kNotify;
    if (name == "pieces") return kPieces;
    if (name == "cursor") return kCursor;
    if (name == "fromwrite") return kFromWrite;
    if (name == "whole") return kWhole;
    return kNone;
}

bool Plan(Style style, const Cursor& at, unsigned long long written, DWORD ringBytes, DWORD block, DWORD rate,
          Piece* out) {
    const DWORD ringFrames = ringBytes / block;
    switch (style) {
        case kPieces: {
            if (written - at.played >= ringFrames / 2) return false;
            *out = {static_cast<DWORD>(written % ringFrames) * block, rate / 10 * block, written};
            return true;
        }
        case kCursor:
        case kFromWrite: {
            // From the write cursor to half a ring past the play cursor, again each time.
            const unsigned long long to = at.played + ringFrames / 2;
            if (at.write >= to) return false;
            *out = {static_cast<DWORD>(at.write % ringFrames) * block, static_cast<DWORD>(to - at.write) * block,
                    at.write};
            return true;
        }
        case kWhole:
            // Every place of the ring, with what it plays next: from the play cursor on.
            *out = {at.play, ringBytes, at.played};
            return true;
        case kNotify:
        case kNone: break;
    }
    return false;
}

}  // namespace dsfeed
