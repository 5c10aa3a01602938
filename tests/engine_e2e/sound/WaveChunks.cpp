#include "WaveChunks.h"

#include "fxengine/stream/HeaderStream.h"
#include "fxengine/stream/Period.h"
#include "harness/Wait.h"
#include "tests/common/EngineRender.h"
#include "tests/common/TestSignal.h"

#include <algorithm>
#include <cstdio>

std::string WaveLayout::Words(DWORD chunks) const {
    char words[200];
    snprintf(words, sizeof words, "rate=%lu channels=%lu bits=%lu frames=%lu buffers=%lu last=%lu", rate, channels,
             bits, frames, buffers, lastBuffers);
    return chunks ? std::string(words) + " chunks=" + std::to_string(chunks) : words;
}

::testing::AssertionResult SoundsLike(const std::string& captured, const std::string& expected, DWORD block,
                                      audiomatch::Result* result) {
    const audiomatch::Result r =
        audiomatch::Match(captured.data(), captured.size(), expected.data(), expected.size(), block, 0);
    if (result) *result = r;
    if (r.same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "captured " << captured.size() << " bytes, expected " << expected.size()
                                         << "; " << r.matchedFrames << " frames matched, difference at captured frame "
                                         << r.firstDifference;
}

WaveChunks::WaveChunks(const WaveLayout& l, const std::vector<fx::FxParams>& states) : m_layout(l) {
    const DWORD block = l.Block();
    EngineRender render(l.Format());
    const size_t periodBytes = fxengine::PeriodFrames(l.rate) * block;
    std::string buffer(l.frames * block, '\0');
    DWORD frame = 0;
    for (size_t c = 0; c < states.size(); ++c) {
        std::string chunk;
        for (DWORD b = 0; b < (c + 1 == states.size() ? l.lastBuffers : l.buffers); ++b, frame += l.frames) {
            testsignal::Fill(&buffer[0], l.frames * block, frame, l.rate, l.channels, l.bits);
            chunk += buffer;
        }
        // Cut as the engine's stream cuts it: periods end with the buffers.
        fxengine::HeaderStream cut(block);
        for (size_t at = 0; at < chunk.size(); at += l.frames * block)
            cut.Push({reinterpret_cast<const unsigned char*>(chunk.data() + at), l.frames * block, 0, 0, nullptr});
        std::string period(periodBytes * 2, '\0');
        for (uint32_t n;
             (n = cut.ReadPeriod(reinterpret_cast<unsigned char*>(&period[0]), static_cast<uint32_t>(periodBytes),
                                 static_cast<uint32_t>(periodBytes + periodBytes / 2))) > 0;) {
            m_periodStarts.insert(m_expected.size() / block);
            render.Buffer(states[c], period.data(), n, &m_expected);
        }
        m_input += chunk;
    }
}

bool WaveChunks::ChunkIsOwn(DWORD c) const {
    const size_t bytes = m_layout.ChunkBytes();
    return m_expected.compare(c * bytes, bytes, m_input, c * bytes, bytes) == 0;
}

bool WaveChunks::EndsOwn() const {
    const size_t last = m_layout.frames * m_layout.Block();
    return m_expected.compare(m_expected.size() - last, last, m_input, m_input.size() - last, last) == 0;
}

double WaveChunks::SideEnergy(DWORD c) const {
    const size_t bytes = m_layout.ChunkBytes();
    const auto* s = reinterpret_cast<const int16_t*>(m_expected.data() + c * bytes);
    double sum = 0;
    for (size_t i = 0; i + 1 < bytes / 2; i += 2) sum += double(s[i] - s[i + 1]) * double(s[i] - s[i + 1]);
    return sum;
}

::testing::AssertionResult WaveChunks::HeardIn(const std::string& captured, audiomatch::Result* result) const {
    ::testing::AssertionResult same = SoundsLike(captured, m_expected, m_layout.Block(), result);
    if (!same && captured == m_input) same << " (the player's own sound)";
    return same;
}

namespace {

std::string Sounding(const std::string& bytes, DWORD block) {
    const std::string silent(block, '\0');
    std::string out;
    for (size_t at = 0; at + block <= bytes.size(); at += block)
        if (bytes.compare(at, block, silent) != 0) out.append(bytes, at, block);
    return out;
}

}  // namespace

::testing::AssertionResult EndsWithWhole(const std::string& captured, const std::string& sound, DWORD block) {
    const std::string heard = Sounding(captured, block), whole = Sounding(sound, block);
    if (heard.size() < whole.size())
        return ::testing::AssertionFailure()
               << "only " << heard.size() / block << " frames sounded, the sound has " << whole.size() / block;
    if (heard.compare(heard.size() - whole.size(), whole.size(), whole) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the last " << whole.size() / block << " frames heard are not the sound";
}

void ExpectSoundsInTurn(TestPlayer& player, const std::string& version,
                        const std::vector<std::pair<std::string, const WaveChunks*>>& kinds) {
    std::string list;
    for (const auto& k : kinds) list += (list.empty() ? "" : ",") + k.first;
    ASSERT_TRUE(player.Start(version, "api=playsound kind=" + list));
    for (size_t i = 0; i < kinds.size(); ++i) {
        SCOPED_TRACE(kinds[i].first);
        const bool last = i + 1 == kinds.size();
        ASSERT_TRUE(last || player.Wrote()) << "korvplay ended, exit code " << player.Finish();
        EXPECT_EQ(last ? player.Finish(60000) : 0, 0u) << "korvplay exit code (see player/Player.h)";
        // The device may hand on its last periods a moment after the sound ended.
        const auto heard = [&] { return kinds[i].second->HeardIn(player.Heard()); };
        WaitUntil([&] { return static_cast<bool>(heard()); }, 30000);
        EXPECT_TRUE(heard());
        if (!last) player.Go();
    }
}

WaveChunks ExpectPlayedAndHeard(TestPlayer& player, const WaveLayout& layout, const std::vector<fx::FxParams>& states) {
    EXPECT_EQ(player.Finish(60000), 0u) << "korvplay exit code (see player/Player.h)";
    WaveChunks chunks(layout, states);
    EXPECT_TRUE(chunks.HeardIn(player.Heard()));
    return chunks;
}
