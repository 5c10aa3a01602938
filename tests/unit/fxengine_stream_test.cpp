// The stream the engine plays from the program's queued buffers: frames cut
// between buffers put together again, loops that hear what the buffer holds
// on each pass, buffers handed back only once played, and the formats taken.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fxengine/stream/HeaderStream.h"
#include "fxengine/stream/WaveFormat.h"

using fxengine::HeaderStream;

namespace {

struct Buffer {
    std::string bytes;
    int id;
};

HeaderStream::Piece PieceOf(Buffer& b, uint32_t flags = 0, uint32_t loops = 0) {
    return {reinterpret_cast<const unsigned char*>(b.bytes.data()), static_cast<uint32_t>(b.bytes.size()), flags, loops,
            &b};
}

std::string ReadAll(HeaderStream& s, uint32_t chunk) {
    std::string out;
    std::vector<unsigned char> to(chunk);
    for (uint32_t n; (n = s.Read(to.data(), chunk)) > 0;) out.append(reinterpret_cast<char*>(to.data()), n);
    return out;
}

std::vector<int> Played(HeaderStream& s, uint64_t upTo) {
    std::vector<int> ids;
    void* owner;
    while (s.NextPlayed(upTo, &owner)) ids.push_back(static_cast<Buffer*>(owner)->id);
    return ids;
}

TEST(HeaderStream, FramesCutBetweenBuffersStayWhole) {
    // Every cut of 4-byte frames into buffers and reads gives the same stream,
    // of whole frames only, the last partial frame held back.
    const std::string all = "0123456789abcdefghijklmnopq";  // 27 bytes: 6 frames and 3 over
    const std::vector<std::vector<size_t>> cuts = {{5, 7, 15}, {1, 1, 1, 24}, {27}, {3, 3, 3, 3, 3, 3, 3, 3, 3}};
    for (const auto& cut : cuts)
        for (uint32_t chunk : {4u, 8u, 12u, 64u}) {
            SCOPED_TRACE(::testing::Message() << cut.size() << " buffers, reads of " << chunk);
            HeaderStream s(4);
            std::vector<Buffer> buffers;
            buffers.reserve(cut.size());
            size_t at = 0;
            for (size_t n : cut) {
                buffers.push_back({all.substr(at, n), static_cast<int>(buffers.size())});
                at += n;
            }
            for (Buffer& b : buffers) ASSERT_TRUE(s.Push(PieceOf(b)));
            EXPECT_EQ(ReadAll(s, chunk), all.substr(0, 24));
            EXPECT_EQ(s.Position(), 24u);
            // All read through: each handed back, in order, once played.
            std::vector<int> order(cut.size());
            for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
            EXPECT_EQ(Played(s, 24), order);
            EXPECT_EQ(s.Queued(), 0u);
            // The next buffer finishes the held frame.
            Buffer more{"rstu", 99};
            ASSERT_TRUE(s.Push(PieceOf(more)));
            EXPECT_EQ(ReadAll(s, chunk), "opqr");
        }
}

TEST(HeaderStream, HandsBackABufferOnlyWhenItsLastFrameHasPlayed) {
    HeaderStream s(2);
    Buffer a{"aaaa", 1}, b{"bbbbbb", 2};
    s.Push(PieceOf(a));
    s.Push(PieceOf(b));
    unsigned char out[6];
    ASSERT_EQ(s.Read(out, 6), 6u);  // a and half of b
    EXPECT_TRUE(Played(s, 3).empty());
    EXPECT_EQ(Played(s, 6), std::vector<int>{1});
    ASSERT_EQ(s.Read(out, 6), 4u);
    EXPECT_TRUE(Played(s, 9).empty());
    EXPECT_EQ(Played(s, 10), std::vector<int>{2});
}

TEST(HeaderStream, ALoopPlaysWhatTheBufferHoldsOnEachPass) {
    HeaderStream s(2);
    Buffer loop{"L1L1", 1}, after{"zz", 2};
    s.Push(PieceOf(loop, HeaderStream::kBeginLoop | HeaderStream::kEndLoop, 3));
    s.Push(PieceOf(after));
    unsigned char out[4];
    std::string heard;
    for (const char* next : {"L2L2", "L3L3"}) {
        ASSERT_EQ(s.Read(out, 4), 4u);
        heard.append(reinterpret_cast<char*>(out), 4);
        EXPECT_TRUE(Played(s, s.Position()).empty()) << "handed back while its loop plays";
        loop.bytes = next;  // the program rewrites its looped buffer as it plays
    }
    ASSERT_EQ(s.Read(out, 4), 4u);  // the last pass
    heard.append(reinterpret_cast<char*>(out), 4);
    EXPECT_EQ(Played(s, s.Position()), std::vector<int>{1});
    heard += ReadAll(s, 4);
    EXPECT_EQ(heard, "L1L1L2L2L3L3zz");
    EXPECT_EQ(Played(s, s.Position()), std::vector<int>{2});
}

TEST(HeaderStream, ALoopOverSeveralBuffersEndsAtABreak) {
    HeaderStream s(1);
    Buffer first{"ab", 1}, second{"cd", 2}, after{"e", 3};
    s.Push(PieceOf(first, HeaderStream::kBeginLoop, 0xFFFFFFFFu));
    s.Push(PieceOf(second, HeaderStream::kEndLoop));
    s.Push(PieceOf(after));
    unsigned char out[3];
    std::string heard;
    for (int i = 0; i < 5; ++i) heard.append(reinterpret_cast<char*>(out), s.Read(out, 3));
    EXPECT_EQ(heard, "abcdabcdabcdabc");
    s.BreakLoop();  // the pass under way ends, then on
    heard = ReadAll(s, 3);
    EXPECT_EQ(heard, "de");
}

TEST(HeaderStream, EmptyBuffersAndEmptyLoopsNeitherHangNorStayQueued) {
    HeaderStream s(4);
    Buffer empty{"", 1}, loop{"", 2}, frame{"wxyz", 3};
    s.Push(PieceOf(empty));
    s.Push(PieceOf(loop, HeaderStream::kBeginLoop | HeaderStream::kEndLoop, 0xFFFFFFFFu));
    s.Push(PieceOf(frame));
    EXPECT_EQ(ReadAll(s, 8), "wxyz");
    EXPECT_EQ(Played(s, 4), (std::vector<int>{1, 2, 3}));
}

TEST(HeaderStream, ResetHandsEverythingBackAndDropsThePartialFrame) {
    HeaderStream s(4);
    Buffer a{"abcdef", 1}, b{"ghijkl", 2}, c{"mnop", 3};
    s.Push(PieceOf(a));
    s.Push(PieceOf(b, HeaderStream::kBeginLoop | HeaderStream::kEndLoop, 5));
    unsigned char out[8];
    ASSERT_EQ(s.Read(out, 8), 8u);
    s.Reset();
    void* owner;
    std::vector<int> back;
    while (s.NextReturned(&owner)) back.push_back(static_cast<Buffer*>(owner)->id);
    EXPECT_EQ(back, (std::vector<int>{1, 2}));
    EXPECT_EQ(s.Queued(), 0u);
    s.Push(PieceOf(c));
    EXPECT_EQ(ReadAll(s, 8), "mnop");
}

TEST(HeaderStream, ABufferThatCannotBeReadIsSkippedAndEndsItsLoop) {
    HeaderStream s(2);
    Buffer a{"aaaa", 1}, bad{"xxxx", 2}, c{"cc", 3};
    s.Push(PieceOf(a));
    s.Push(PieceOf(bad, HeaderStream::kBeginLoop | HeaderStream::kEndLoop, 0xFFFFFFFFu));
    s.Push(PieceOf(c));
    unsigned char out[4];
    ASSERT_EQ(s.Read(out, 4), 4u);
    s.SkipPiece();  // as when reading it faulted
    EXPECT_EQ(ReadAll(s, 4), "cc");
    EXPECT_EQ(Played(s, s.Position()), (std::vector<int>{1, 2, 3}));
}

struct FormatCase {
    const char* name;
    std::vector<unsigned char> bytes;
    bool taken;
    uint16_t tag, bits, validBits;
};

std::vector<unsigned char> Wave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t cbSize,
                                uint16_t subTag = 0, uint16_t validBits = 0) {
    std::vector<unsigned char> f(18 + cbSize);
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    const uint32_t avg = rate * align;
    memcpy(&f[0], &tag, 2);
    memcpy(&f[2], &channels, 2);
    memcpy(&f[4], &rate, 4);
    memcpy(&f[8], &avg, 4);
    memcpy(&f[12], &align, 2);
    memcpy(&f[14], &bits, 2);
    memcpy(&f[16], &cbSize, 2);
    if (cbSize >= 22) {
        memcpy(&f[18], &validBits, 2);
        const unsigned char tail[14] = {0, 0, 0, 0, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        memcpy(&f[24], &subTag, 2);
        memcpy(&f[26], tail, 14);
    }
    return f;
}

TEST(WaveFormat, PlainAndExtensiblePcmAndFloatAreTranslated) {
    std::vector<unsigned char> otherSub = Wave(0xFFFE, 2, 44100, 16, 22, 1, 16);
    otherSub[30] = 0x11;  // not the subformat GUID family
    const FormatCase cases[] = {
        {"pcm16", Wave(1, 2, 44100, 16, 0), true, 1, 16, 0},
        {"float", Wave(3, 2, 48000, 32, 0), true, 3, 32, 0},
        {"ext pcm24", Wave(0xFFFE, 2, 96000, 24, 22, 1, 24), true, 1, 24, 24},
        {"ext pcm 20 in 24", Wave(0xFFFE, 2, 96000, 24, 22, 1, 20), true, 1, 24, 20},
        {"ext float", Wave(0xFFFE, 6, 48000, 32, 22, 3, 32), true, 3, 32, 32},
        {"ext other subformat", otherSub, false, 0, 0, 0},
        {"ext adpcm", Wave(0xFFFE, 2, 44100, 16, 22, 2, 16), false, 0, 0, 0},
        {"ext too short", Wave(0xFFFE, 2, 44100, 16, 10), false, 0, 0, 0},
        {"ext valid above container", Wave(0xFFFE, 2, 44100, 16, 22, 1, 24), false, 0, 0, 0},
        {"adpcm", Wave(2, 2, 44100, 4, 0), false, 0, 0, 0},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        fx::FxFormat f = {};
        ASSERT_EQ(fxengine::WaveFormat_ToFx(c.bytes.data(), c.bytes.size(), &f), c.taken);
        if (!c.taken) continue;
        EXPECT_EQ(f.formatTag, c.tag);
        EXPECT_EQ(f.bitsPerSample, c.bits);
        EXPECT_EQ(f.validBits, c.validBits);
        EXPECT_EQ(f.blockAlign, f.channels * c.bits / 8);
    }
}

}  // namespace
