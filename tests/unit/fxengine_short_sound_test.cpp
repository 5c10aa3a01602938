// What the engine makes of a PlaySound call (play it, stop, or leave it to
// the system) and how it finds the sound inside a WAVE image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fxengine/shortsound/SoundRequest.h"
#include "fxengine/shortsound/WaveImage.h"

namespace {

using namespace fxengine;

TEST(SoundRequest, EachCallIsPlayedStoppedOrLeftToTheSystem) {
    const struct {
        uint32_t flags;
        bool haveSound;
        SoundAction action;
        SoundKind kind;
    } kCases[] = {
        {snd::kFileName, true, SoundAction::Play, SoundKind::File},
        {snd::kFileName | snd::kAsync | snd::kLoop | snd::kNoStop, true, SoundAction::Play, SoundKind::File},
        {snd::kAlias | snd::kNoDefault, true, SoundAction::Play, SoundKind::Alias},
        {snd::kAliasId, true, SoundAction::Play, SoundKind::AliasId},
        {snd::kResource, true, SoundAction::Play, SoundKind::Resource},
        {snd::kMemory | snd::kAsync, true, SoundAction::Play, SoundKind::Memory},
        {snd::kAsync, true, SoundAction::Play, SoundKind::NameOrFile},
        {snd::kNoWait | snd::kFileName, true, SoundAction::Play, SoundKind::File},  // ignored by the system
        // Stopping: no sound, or a purge whatever the sound.
        {0, false, SoundAction::Stop, SoundKind::None},
        {snd::kPurge | snd::kFileName, true, SoundAction::Stop, SoundKind::None},
        {snd::kAsync | snd::kLoop, false, SoundAction::Stop, SoundKind::None},
        // The system's own: looked up per program, for the disabled, unknown bits.
        {snd::kAlias | snd::kApplication, true, SoundAction::Pass, SoundKind::None},
        {snd::kFileName | snd::kSentry, true, SoundAction::Pass, SoundKind::None},
        {snd::kFileName | snd::kSystem, true, SoundAction::Pass, SoundKind::None},
        {snd::kFileName | 0x00400000, true, SoundAction::Pass, SoundKind::None},
        {snd::kApplication, false, SoundAction::Pass, SoundKind::None},
        // A loop that is not asynchronous, two kinds at once, half a kind.
        {snd::kFileName | snd::kLoop, true, SoundAction::Pass, SoundKind::None},
        {snd::kFileName | snd::kAlias, true, SoundAction::Pass, SoundKind::None},
        {snd::kMemory | snd::kFileName, true, SoundAction::Pass, SoundKind::None},
        {snd::kResource | snd::kAlias, true, SoundAction::Pass, SoundKind::None},
        {snd::kResource & ~snd::kMemory, true, SoundAction::Pass, SoundKind::None},
        {snd::kRing, true, SoundAction::Pass, SoundKind::None},  // the id bit without an alias
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.flags << " sound " << c.haveSound);
        const SoundDecision d = SoundRequest_Decide(c.flags, c.haveSound);
        EXPECT_EQ(d.action, c.action);
        EXPECT_EQ(d.kind, c.kind);
    }
}

TEST(SoundRequest, SndPlaySoundKeepsOnlyItsFlagsAndIdsNameTheSystemEvents) {
    // sndPlaySound takes neither a file nor an alias flag, nor a purge.
    EXPECT_EQ(SoundRequest_FromSnd(snd::kAsync | snd::kLoop | snd::kFileName | snd::kPurge), snd::kAsync | snd::kLoop);
    EXPECT_EQ(SoundRequest_Decide(SoundRequest_FromSnd(snd::kMemory | snd::kResource), true).kind, SoundKind::Memory);
    EXPECT_STREQ(SoundRequest_AliasIdName('S' | ('*' << 8)), "SystemAsterisk");
    EXPECT_STREQ(SoundRequest_AliasIdName('S' | ('W' << 8)), "SystemWelcome");
    EXPECT_EQ(SoundRequest_AliasIdName('S' | ('x' << 8)), nullptr);
    EXPECT_EQ(SoundRequest_AliasIdName('S' | ('*' << 8) | 0x10000), nullptr);
    // A resource by number is no string; by name it is.
    EXPECT_FALSE(SoundRequest_IsString(SoundKind::Resource, 101));
    EXPECT_TRUE(SoundRequest_IsString(SoundKind::Resource, 0x00401000));
    EXPECT_FALSE(SoundRequest_IsString(SoundKind::Memory, 0x00401000));
}

std::string Chunk(const char* id, const std::string& body, uint32_t declared = 0xFFFFFFFF) {
    const uint32_t n = declared == 0xFFFFFFFF ? static_cast<uint32_t>(body.size()) : declared;
    std::string s(id, 4);
    for (int i = 0; i < 4; ++i) s += static_cast<char>(n >> (8 * i));
    return s + body + (body.size() & 1 ? std::string(1, '\0') : "");
}

std::string Format(uint16_t block) {
    std::string f(16, '\0');
    f[0] = 1;                          // PCM
    f[2] = 2;                          // stereo
    f[12] = static_cast<char>(block);  // nBlockAlign
    f[14] = 16;                        // bits
    return f;
}

std::string Form(const std::string& chunks, uint32_t declared = 0xFFFFFFFF) {
    return Chunk("RIFF", "WAVE" + chunks, declared);
}

TEST(WaveImage, TheSoundIsFoundAsTheSystemFindsIt) {
    const std::string pcm = "ABCDEFGHIJKL";  // three frames of four bytes
    const std::string fmt = Chunk("fmt ", Format(4));
    const struct {
        const char* what;
        std::string image;
        bool ok;
        std::string sound;
    } kCases[] = {
        {"plain", Form(fmt + Chunk("data", pcm)), true, pcm},
        {"other chunks around, an odd one padded",
         Form(Chunk("LIST", "abc") + Chunk("fmt ", Format(4) + "xx") + Chunk("fact", "1234") + Chunk("data", pcm)),
         true, pcm},
        {"a cut last frame is dropped", Form(fmt + Chunk("data", pcm + "MN")), true, pcm},
        {"data longer than the image ends with it", Form(fmt + Chunk("data", pcm).substr(0, 8 + 8)), true,
         pcm.substr(0, 8)},
        {"a form that says it is longer ends where the bytes do", Form(fmt + Chunk("data", pcm), 5000), true, pcm},
        {"a form that says it is shorter ends there", Form(fmt + Chunk("data", pcm), 4 + 24 + 8 + 4), true,
         pcm.substr(0, 4)},
        {"data before the format is not found", Form(Chunk("data", pcm) + fmt), false, ""},
        {"no data", Form(fmt), false, ""},
        {"empty data", Form(fmt + Chunk("data", "")), false, ""},
        {"less than one frame", Form(fmt + Chunk("data", "AB")), false, ""},
        {"a format too short", Form(Chunk("fmt ", Format(4).substr(0, 14)) + Chunk("data", pcm)), false, ""},
        {"a block of 0", Form(Chunk("fmt ", Format(0)) + Chunk("data", pcm)), false, ""},
        {"not WAVE", Chunk("RIFF", "AVI " + fmt + Chunk("data", pcm)), false, ""},
        {"not RIFF", "RIFX" + Form(fmt + Chunk("data", pcm)).substr(4), false, ""},
        {"a chunk that claims more than there is", Form(Chunk("LIST", "", 0x7FFFFFF0) + "garbage"), false, ""},
        {"too short to be a form", std::string("RIFF\x04\0\0\0WAV", 11), false, ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        WaveImage image;
        const auto* bytes = reinterpret_cast<const uint8_t*>(c.image.data());
        ASSERT_EQ(WaveImage_Parse(bytes, c.image.size(), &image), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data), image.dataBytes), c.sound);
        EXPECT_GE(image.formatBytes, 16u);
        EXPECT_EQ(image.format[12], 4);
    }
}

}  // namespace
