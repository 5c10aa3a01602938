// What the waveOut test player should sound like: the layout it plays the
// signal in (chunks of buffers, the words that tell it so), and the effects
// library's rendering of each chunk with the engine state it met, the
// periods cut as the engine's stream cuts them.
#pragma once

#include "TestPlayer.h"
#include "fx/FxFormat.h"
#include "fx/FxParams.h"
#include "tests/common/AudioMatch.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

// Chunks of 8 buffers of 1024 frames of 16-bit stereo at 11025 Hz; the last
// chunk may be longer, to hear the effects glide out after it.
struct WaveLayout {
    explicit WaveLayout(DWORD last = 8) : lastBuffers(last) {}
    DWORD rate = 11025, channels = 2, bits = 16, frames = 1024, buffers = 8, lastBuffers;

    // A short sound: one buffer of `frames` frames, played whole.
    static WaveLayout Whole(DWORD frames) {
        WaveLayout l(1);
        l.frames = frames;
        l.buffers = 1;
        return l;
    }
    DWORD Block() const { return channels * bits / 8; }
    DWORD ChunkBytes() const { return frames * buffers * Block(); }
    fx::FxFormat Format() const {
        return {1, static_cast<uint16_t>(channels), rate, static_cast<uint16_t>(bits), static_cast<uint16_t>(Block())};
    }
    // The player's words for it: rate= channels= bits= frames= buffers= last=,
    // and chunks= when given.
    std::string Words(DWORD chunks = 0) const;
    WaveLayout Sized(DWORD bufferFrames, DWORD bufferCount) const {
        WaveLayout l = *this;
        l.frames = bufferFrames;
        l.buffers = bufferCount;
        return l;
    }
};

// The captured sound holds every frame of `expected`, in order (silence
// only where the device ran out of buffers); result, if given, tells more.
::testing::AssertionResult SoundsLike(const std::string& captured, const std::string& expected, DWORD block,
                                      audiomatch::Result* result = nullptr);

class WaveChunks {
public:
    // Chunk c rendered with states[c]; the last chunk has lastBuffers buffers.
    WaveChunks(const WaveLayout& layout, const std::vector<fx::FxParams>& states);

    const std::string& Input() const { return m_input; }
    const std::string& Expected() const { return m_expected; }
    // Frames where one of the engine's periods begins.
    const std::set<size_t>& PeriodStarts() const { return m_periodStarts; }
    // Chunk c should sound as the player's own, bit for bit.
    bool ChunkIsOwn(DWORD c) const;
    // The last buffer should (the effects have ended).
    bool EndsOwn() const;
    // The stereo side (left minus right) of chunk c, as it should sound: what 3D widens.
    double SideEnergy(DWORD c) const;
    ::testing::AssertionResult HeardIn(const std::string& captured, audiomatch::Result* result = nullptr) const;

private:
    WaveLayout m_layout;
    std::string m_input, m_expected;
    std::set<size_t> m_periodStarts;
};

// The frames that sound last in `captured` are all of `sound`'s that sound,
// in order (silence the mixer put between them aside): a sound heard whole
// and nothing after it.
::testing::AssertionResult EndsWithWhole(const std::string& captured, const std::string& sound, DWORD block);

// Short sounds of these kinds played in turn by one player (api=playsound),
// posing as `version`: each heard as its chunks say before the next starts
// the capture over, and the player ended well.
void ExpectSoundsInTurn(TestPlayer& player, const std::string& version,
                        const std::vector<std::pair<std::string, const WaveChunks*>>& kinds);

// The player ended well (its exit code 0), and was heard chunk by chunk as
// the engine renders the signal with `states`.
WaveChunks ExpectPlayedAndHeard(TestPlayer& player, const WaveLayout& layout, const std::vector<fx::FxParams>& states);
