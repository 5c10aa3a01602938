#include "tests/engine_e2e/player/DsFeed.h"

namespace dsfeed {

Style StyleOf(const std::string& name) {
    if (name == "pieces" || name == "cocreate" || name == "ds8") return kPieces;
    if (name == "cursor") return kCursor;
    if (name == "whole") return kWhole;
    return kBehind;
}

int Plan(Style style, const Cursor& at, unsigned long long written, DWORD ringBytes, DWORD block, DWORD rate,
         Piece out[2]) {
    const DWORD ringFrames = ringBytes / block;
    switch (style) {
        case kPieces: {
            const DWORD piece = rate / 10;
            if (written - at.played >= ringFrames / 2) return 0;
            out[0] = {static_cast<DWORD>(written % ringFrames) * block, piece * block, written};
            return 1;
        }
        case kCursor: {
            // From the write cursor to an eighth of the ring past it, again each time.
            const unsigned long long from = at.write, to = at.write + ringFrames / 8;
            out[0] = {static_cast<DWORD>(from % ringFrames) * block, static_cast<DWORD>(to - from) * block, from};
            return 1;
        }
        case kWhole:
            // Every place of the ring, with what it plays next: from the play cursor on.
            out[0] = {at.play, ringBytes, at.played};
            return 1;
        case kBehind: break;
    }
    return 0;
}

}  // namespace dsfeed
