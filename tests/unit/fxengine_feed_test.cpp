// The engine's feed against a stand-in device with a clock: the device plays
// one frame per tick (or, as a system mixer does, a burst of frames every so
// many ticks) and journals every frame it lacks while the program still has
// sound queued; the feed thread wakes when a period comes back (as reported,
// which may be late) or the program writes, and can be stalled. The program
// keeps its own queue full, writing a new buffer as each is reported done.
// The same program on the device without the engine is the measure.
#include <gtest/gtest.h>

#include <string.h>

#include <deque>
#include <string>
#include <vector>

#include "fxengine/hook/ExclusionList.h"
#include "fxengine/stream/FeedLead.h"
#include "fxengine/stream/HeaderStream.h"
#include "fxengine/stream/Period.h"

using fxengine::FeedLead;
using fxengine::HeaderStream;

namespace {

const uint32_t kRate = 4000;  // frames per second, 1 byte each; a tick is a frame
const uint32_t kPeriod = fxengine::PeriodFrames(kRate);
const uint32_t kMs = kRate / 1000;
const uint32_t kForever = 0xFFFFFFFFu;  // a loop count: until broken

// The program's buffer `b` as a stream piece.
HeaderStream::Piece Piece(std::string& b, uint32_t flags = 0, uint32_t loops = 0) {
    return {reinterpret_cast<const unsigned char*>(b.data()), static_cast<uint32_t>(b.size()), flags, loops, &b};
}

// A stream of one buffer, `loop`, looped `loops` times.
void PushLoop(HeaderStream& s, std::string& loop, uint32_t loops) {
    s.Push(Piece(loop, HeaderStream::kBeginLoop | HeaderStream::kEndLoop, loops));
}

struct Scenario {
    const char* name;
    uint32_t bufferFrames, buffers;  // the program's queue
    uint32_t totalBuffers;
    uint32_t stallEvery, stallFrames;  // the feed thread stops for stallFrames every stallEvery frames
    uint32_t loops = 0;                // the first buffer loops so often (a pass too long for the device to loop)
    uint64_t breakAt = 0;              // the tick the program breaks that loop
    // A device that takes burstFrames at once every burstEvery ticks (0: a frame a tick).
    uint32_t burstEvery = 0, burstFrames = 0;
    bool stallOnce = false;  // only the first stall comes
    // The stalls begin at this tick and last from stallShortest to
    // stallFrames, varying (0: all stallFrames).
    uint32_t stallFrom = 0, stallShortest = 0;
    // The device reports played frames only every so many ticks, in a burst
    // (0: as soon as they played), as Wine's does: a device that ran dry may
    // still seem to hold some.
    uint32_t reportEvery = 0;
};

// Frames the device plays at this tick.
uint32_t Plays(const Scenario& s, uint64_t tick) {
    if (!s.burstEvery) return 1;
    return tick % s.burstEvery == 0 ? s.burstFrames : 0;
}

struct Outcome {
    uint64_t underruns = 0;           // frames lacking while the program had sound queued
    uint64_t lastUnderrun = 0;        // the last such tick
    std::vector<uint64_t> doneAt;     // tick each buffer was reported done, in order
    uint64_t maxLeadAfterSettle = 0;  // frames rendered ahead of the device at a write, late in the run
    uint64_t loopEndsAt = 0;          // the tick the first frame after the loop was heard
    std::string heard;
};

// Notes the tick the sound after the loop begins: its buffer is the second.
void Heard(const Scenario& s, Outcome* o, char c, uint64_t tick) {
    if (s.loops && !o->loopEndsAt && c == 'b') o->loopEndsAt = tick;
    o->heard += c;
}

class Program {
public:
    explicit Program(const Scenario& s) : m_s(s) {}
    // The next buffer to write, if the program has more.
    bool Next(std::string** buffer) {
        if (m_written == m_s.totalBuffers) return false;
        m_buffers.emplace_back(m_s.bufferFrames, static_cast<char>('a' + m_written % 26));
        *buffer = &m_buffers.back();
        ++m_written;
        return true;
    }
    bool AllWritten() const { return m_written == m_s.totalBuffers; }

private:
    const Scenario& m_s;
    std::deque<std::string> m_buffers;
    uint32_t m_written = 0;
};

bool Stalled(const Scenario& s, uint64_t tick) {
    if (!s.stallEvery || tick < s.stallFrom) return false;
    const uint64_t at = tick - s.stallFrom, n = at / s.stallEvery;
    if (s.stallOnce && n > 0) return false;
    uint32_t frames = s.stallFrames;
    if (s.stallShortest) frames = s.stallShortest + uint32_t(n * 7919 % (s.stallFrames - s.stallShortest + 1));
    return at % s.stallEvery >= s.stallEvery - frames;
}

// Whether the device reports what played at this tick.
bool Reports(const Scenario& s, uint64_t tick) {
    return !s.reportEvery || tick % s.reportEvery == 0;
}

// The program's buffers straight on the device.
Outcome Plain(const Scenario& s) {
    Outcome o;
    Program program(s);
    std::deque<std::pair<std::string*, uint32_t>> device;  // buffer, frames played
    std::string* b;
    for (uint32_t i = 0; i < s.buffers && program.Next(&b); ++i) device.push_back({b, 0});
    uint32_t passes = s.loops;  // the device loops the first buffer itself
    uint32_t unreported = 0;    // buffers played, not yet reported done
    for (uint64_t tick = 0; !device.empty() || unreported || !program.AllWritten(); ++tick) {
        if (s.breakAt && tick == s.breakAt) passes = passes ? 1 : 0;
        for (; unreported && Reports(s, tick); --unreported) {
            o.doneAt.push_back(tick);
            if (program.Next(&b)) device.push_back({b, 0});
        }
        for (uint32_t n = Plays(s, tick); n > 0; --n) {
            if (device.empty()) {
                if (!program.AllWritten()) ++o.underruns;
                continue;
            }
            auto& front = device.front();
            Heard(s, &o, (*front.first)[front.second++], tick);
            if (front.second == front.first->size() && passes > 1) {
                --passes;
                front.second = 0;
            } else if (front.second == front.first->size()) {
                passes = 0;
                device.pop_front();
                if (s.reportEvery) {
                    ++unreported;
                    continue;
                }
                o.doneAt.push_back(tick + 1);
                if (program.Next(&b)) device.push_back({b, 0});
            }
        }
    }
    return o;
}

// Through the engine's feed: periods read from the stream, a lead kept.
Outcome Engine(const Scenario& s, uint64_t settleTick) {
    Outcome o;
    Program program(s);
    HeaderStream stream(1);
    FeedLead lead(kPeriod, kRate);
    struct Period {
        std::string data;
        uint64_t end;
        uint32_t played;
    };
    std::deque<Period> device;
    uint64_t played = 0, written = 0, looked = 0, lookedAt = 0;
    bool wake = false;
    bool first = true;
    auto write = [&](std::string* b) {
        const uint32_t flags = first && s.loops ? HeaderStream::kBeginLoop | HeaderStream::kEndLoop : 0;
        stream.Push(Piece(*b, flags, s.loops));
        first = false;
        wake = true;
    };
    std::string* b;
    for (uint32_t i = 0; i < s.buffers && program.Next(&b); ++i) write(b);
    std::vector<unsigned char> scratch(kPeriod * 2);
    bool fed = false;
    uint64_t playedOut = 0;  // the device's own count, reported now and then
    for (uint64_t tick = 0; tick < 100000000; ++tick) {
        if (s.breakAt && tick == s.breakAt) stream.BreakLoop();
        if (played != playedOut && Reports(s, tick)) {
            played = playedOut;
            wake = true;
        }
        // The feed thread's round, as EngineDevice::Round does it.
        if (wake && !Stalled(s, tick)) {
            wake = false;
            lead.Observe(written - played, stream.Ahead(), played - looked, fed, tick - lookedAt);
            looked = played;
            lookedAt = tick;
            lead.Loop(stream.LoopPass());
            while (lead.Wants(written - played, stream.Ahead(), stream.LoopPass())) {
                const uint32_t n = stream.ReadPeriod(scratch.data(), kPeriod, kPeriod + kPeriod / 2);
                if (!n) break;
                written = stream.Position();
                device.push_back({std::string(scratch.begin(), scratch.begin() + n), written, 0});
                if (tick >= settleTick && written - played > o.maxLeadAfterSettle)
                    o.maxLeadAfterSettle = written - played;
            }
            fed = !device.empty();
            void* owner;
            while (stream.NextPlayed(played, &owner)) {
                o.doneAt.push_back(tick);
                if (program.Next(&b)) write(b);
            }
        }
        // The device plays its frames of this tick.
        bool over = false;
        for (uint32_t n = Plays(s, tick); n > 0 && !over; --n) {
            if (device.empty()) {
                // Dry while the program has sound the device has not got (a
                // buffer played out but not yet reported is not sound lacking).
                if (!stream.Empty() || !program.AllWritten()) {
                    ++o.underruns;
                    o.lastUnderrun = tick;
                    continue;
                }
                over = !stream.Queued();  // else the feed has yet to report them
                break;
            }
            Period& front = device.front();
            Heard(s, &o, front.data[front.played++], tick);
            if (front.played == front.data.size()) {
                playedOut = front.end;  // told at the next report
                device.pop_front();
            }
        }
        if (over) break;
    }
    return o;
}

TEST(EngineFeed, NeverRunsTheDeviceDryWhereThePlainPathWouldNot) {
    const Scenario scenarios[] = {
        // A 300 ms queue in 50 ms buffers, the feed stalled 60 ms every 250 ms.
        {"queue 300 ms, stalls", 50 * kMs, 6, 120, 250 * kMs, 60 * kMs},
        // A burst of small buffers: 5 ms each, 300 ms of them.
        {"small buffers, stalls", 5 * kMs, 60, 1200, 250 * kMs, 60 * kMs},
        // Everything at once, as a player of a short clip does.
        {"all at once, stalls", 2000 * kMs, 1, 1, 200 * kMs, 60 * kMs},
        {"queue 300 ms, calm", 50 * kMs, 6, 200, 0, 0},
        // Calm long enough for the lead to shrink, then a stall every 3 s.
        {"queue 300 ms, rare stalls", 50 * kMs, 6, 240, 3000 * kMs, 60 * kMs},
        // A 100 ms buffer looped 30 times, then more: a pass too long for the
        // device to loop it, read in periods.
        {"a long loop, stalls", 100 * kMs, 4, 12, 250 * kMs, 60 * kMs, 30},
        // The same loop broken in the middle of its 21st pass.
        {"a long loop broken, stalls", 100 * kMs, 4, 12, 250 * kMs, 60 * kMs, 30, 2050 * kMs},
        // Broken in its second pass.
        {"a long loop broken at once", 100 * kMs, 4, 12, 250 * kMs, 60 * kMs, 30, 150 * kMs},
        // A mixer that takes 20 ms every 20 ms (periods handed back two at a
        // time), and one that takes 30 ms every 10 ms (a sink faster than
        // the clock, as the test session's is): the feed a look late now and then.
        {"queue 300 ms, a mixer by 20 ms", 50 * kMs, 6, 200, 250 * kMs, 25 * kMs, 0, 0, 20 * kMs, 20 * kMs},
        {"queue 300 ms, a fast mixer", 50 * kMs, 6, 400, 250 * kMs, 15 * kMs, 0, 0, 10 * kMs, 30 * kMs},
        {"a long loop broken, a fast mixer", 100 * kMs, 4, 40, 250 * kMs, 15 * kMs, 60, 3050 * kMs, 10 * kMs, 30 * kMs},
        // Devices that report what played only every 30 ms (a device run dry
        // may seem to hold a period still), the feed 40-60 ms late every
        // 250 ms from well after the pace is known: at the clock's pace, and
        // a sink three times as fast.
        {"queue 300 ms, reported late, late stalls", 50 * kMs, 6, 200, 250 * kMs, 60 * kMs, 0, 0, 0, 0, false,
         1500 * kMs, 40 * kMs, 30 * kMs},
        {"queue 300 ms, a fast mixer reported late, late stalls", 50 * kMs, 6, 400, 250 * kMs, 60 * kMs, 0, 0, 10 * kMs,
         30 * kMs, false, 1500 * kMs, 40 * kMs, 30 * kMs},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        const Outcome plain = Plain(s), engine = Engine(s, 0);
        EXPECT_EQ(plain.underruns, 0u);
        // A device starts with the short lead: the first stall may find it
        // short (by the stall less what the device then held, at least a
        // period); from then on the lead holds, inside a loop too.
        const uint64_t floor = kPeriod;
        EXPECT_LE(engine.underruns, s.stallFrames > floor ? s.stallFrames - floor : 0);
        if (engine.underruns) {
            EXPECT_LT(engine.lastUnderrun, s.stallFrom + s.stallEvery) << engine.underruns;
        }
        if (s.breakAt) {
            // The break lands at the end of the pass that plays or the next one.
            EXPECT_GE(engine.loopEndsAt, plain.loopEndsAt);
            EXPECT_LE(engine.loopEndsAt, plain.loopEndsAt + s.bufferFrames);
            continue;
        }
        EXPECT_EQ(engine.heard, plain.heard);  // not a frame lost, moved or added
        ASSERT_EQ(engine.doneAt.size(), plain.doneAt.size());
        // Reported done no later than the device would have: with a feed that
        // is never late, at the tick the buffer's last frame played.
        if (!s.stallEvery) {
            for (size_t i = 0; i < plain.doneAt.size(); ++i) EXPECT_LE(engine.doneAt[i], plain.doneAt[i]) << i;
        }
    }
}

TEST(EngineFeed, OnAMachineThatKeepsUpTheLeadShrinksToAKnobTurnWithinAbout50Ms) {
    const Scenario calm = {"calm", 100 * kMs, 5, 150, 0, 0};
    // After ten seconds of calm playing, nothing is rendered more than two
    // periods and a period and a half ahead (52.5 ms).
    const Outcome o = Engine(calm, 10000 * kMs);
    EXPECT_GT(o.maxLeadAfterSettle, 0u);
    EXPECT_LT(o.maxLeadAfterSettle, 2 * kPeriod + kPeriod + kPeriod / 2);
}

TEST(EngineFeed, ADeviceFasterThanTheClockHasItsLeadInTheClocksTime) {
    // A sink that takes 30 ms every 10 ms (the test session's takes what it
    // is given), a clip queued at once whose first buffer loops until broken,
    // the feed thread 25 ms late once, wherever that falls. A lead of so many
    // frames lasts a third as long there: it ran dry in half of these.
    std::string dry;
    for (uint32_t at = 300; at < 1100; at += 10) {
        const Scenario s = {"", 93 * kMs, 8, 8, (at + 25) * kMs, 25 * kMs, 1000, 600 * kMs, 10 * kMs, 30 * kMs};
        if (Engine(s, 0).underruns) dry += " " + std::to_string(at);
    }
    EXPECT_EQ(dry, "") << "ran dry with the feed late at these ms";
}

TEST(EngineFeed, ADeviceFasterThanTheClockIsNotRunDryBeforeItsPaceIsKnown) {
    // The same sink from the device's start: its pace is measured over the
    // first eight periods, and until then a lead of so many frames read at
    // the clock's pace lasted a third as long. The feed thread is late once,
    // in the first 150 ms, after its first round (a device not yet written to
    // has not started); the plain path has no thread to be late.
    const struct {
        const char* name;
        uint32_t bufferFrames, buffers, total;
    } players[] = {
        {"2 s at once", 2000 * kMs, 1, 1},
        {"100 ms buffers, three ahead", 100 * kMs, 3, 20},
    };
    for (const auto& p : players) {
        SCOPED_TRACE(p.name);
        for (uint32_t late : {15u, 25u, 30u}) {
            std::string dry;
            for (uint32_t at = 5; at <= 150; at += 5) {
                Scenario s = {"", p.bufferFrames, p.buffers, p.total, (at + late) * kMs, late * kMs};
                s.burstEvery = 10 * kMs;
                s.burstFrames = 30 * kMs;
                s.stallOnce = true;
                const Outcome plain = Plain(s), engine = Engine(s, 0);
                EXPECT_EQ(plain.underruns, 0u);
                EXPECT_EQ(engine.heard, plain.heard);
                if (engine.underruns) dry += " " + std::to_string(at);
            }
            EXPECT_EQ(dry, "") << "ran dry with the feed " << late << " ms late at these ms";
        }
    }
}

// Periods handed at once to a device holding nothing, with 3 s queued.
uint32_t PeriodsHanded(const FeedLead& lead) {
    uint32_t n = 0;
    while (n < 200 && lead.Wants(uint64_t(n) * kPeriod, 3 * kRate)) ++n;
    return n;
}

TEST(EngineFeed, APausedDeviceIsHandedOnlyTheShortLeadTillItPlays) {
    // Until its pace is known, a device is handed the lead read at the
    // fastest pace believed, eight times the clock's (24 periods here); a
    // paused one, whose deep queue waits for a restart, only the short lead,
    // so a knob turn made meanwhile is heard within 50 ms of the restart.
    // Once the pace is known (here the clock's own), pausing changes nothing.
    const uint32_t shortLead = 3, startLead = 24;
    const struct {
        const char* name;
        bool paused, restarted, measured;
        uint32_t periods;
    } cases[] = {
        {"unknown pace", false, false, false, startLead},
        {"unknown pace, paused", true, false, false, shortLead},
        {"unknown pace, restarted", true, true, false, startLead},
        {"the clock's pace", false, false, true, shortLead},
        {"the clock's pace, paused", true, false, true, shortLead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FeedLead lead(kPeriod, kRate);
        if (c.measured)
            for (int i = 0; i < 8; ++i) lead.Observe(2 * kPeriod, 3 * kRate, kPeriod, true, kPeriod);
        EXPECT_EQ(lead.PaceKnown(), c.measured);
        if (c.paused) lead.Hold(true);
        if (c.restarted) lead.Hold(false);
        EXPECT_EQ(PeriodsHanded(lead), c.periods);
    }
}

TEST(EngineFeed, TheLeadALoopRaisedIsKeptACalmSecondAfterIt) {
    // Looks a period apart, each finding the device near the lead: calm. A
    // loop of 400 ms passes holds the lead at a pass; through most of a calm
    // second in the loop and then, after it, a little more.
    FeedLead lead(kPeriod, kRate);
    const uint64_t pass = 400 * (kRate / 1000), calm = 64 * kPeriod;
    for (uint64_t p = 0; p + kPeriod < calm; p += kPeriod) {
        lead.Observe(pass - kPeriod, 10 * pass, kPeriod, true, kPeriod);
        lead.Loop(pass);
    }
    for (int i = 0; i < 4; ++i) lead.Observe(pass - kPeriod, 10 * pass, kPeriod, true, kPeriod);
    EXPECT_EQ(lead.Target(), pass) << "given back the moment the loop ended";
}

TEST(EngineFeed, PeriodsEndAtHeaderEndsAndLeaveNoShortTailAlone) {
    // 2 s at once: no period shorter than one, none as long as one and a half.
    HeaderStream s(4);
    std::string clip(4 * 88200, 'x');
    s.Push(Piece(clip));
    const uint32_t period = 4 * fxengine::PeriodFrames(44100);
    std::vector<unsigned char> out(period * 2);
    uint64_t total = 0;
    for (uint32_t n; (n = s.ReadPeriod(out.data(), period, period + period / 2)) > 0; total += n) {
        EXPECT_GE(n, period);
        EXPECT_LT(n, period + period / 2);
    }
    EXPECT_EQ(total, clip.size());
    // Two headers: the first one's end is a period's end.
    HeaderStream t(2);
    std::string a(10, 'a'), b(38, 'b');
    t.Push(Piece(a));
    t.Push(Piece(b));
    EXPECT_EQ(t.ReadPeriod(out.data(), 16, 24), 10u);
    EXPECT_EQ(t.ReadPeriod(out.data(), 16, 24), 16u);
    EXPECT_EQ(t.ReadPeriod(out.data(), 16, 24), 22u);  // 22 left: the last 6 would be short alone
}

TEST(EngineFeed, ABreakEndsATinyLoopWithinThePassThatPlays) {
    // A 10-frame loop, played for good until broken, then "zz". The device
    // plays a frame a tick and loops a period flagged so, as a real one does.
    HeaderStream s(1);
    FeedLead lead(kPeriod, kRate);
    std::string loop = "0123456789", after = "zz";
    PushLoop(s, loop, kForever);
    s.Push(Piece(after));
    struct Period {
        std::string data;
        uint32_t loops, played;
    };
    std::deque<Period> device;
    uint64_t onDevice = 0;
    std::vector<unsigned char> scratch(kPeriod * 2);
    std::string heard;
    for (uint64_t tick = 0; tick < 10000 && !(s.Empty() && device.empty()); ++tick) {
        while (lead.Wants(onDevice, s.Ahead())) {
            uint32_t loops = 0;
            const uint32_t n = s.ReadPeriod(scratch.data(), kPeriod, kPeriod + kPeriod / 2, &loops);
            ASSERT_GT(n, 0u);
            device.push_back({std::string(scratch.begin(), scratch.begin() + n), loops, 0});
            onDevice += n;
        }
        if (tick == 1003) {  // the break comes in the middle of a pass: "3" plays
            s.BreakLoop();
            if (!device.empty()) device.front().loops = 1;
        }
        ASSERT_FALSE(device.empty()) << "ran dry at " << tick;
        Period& front = device.front();
        heard += front.data[front.played++];
        if (front.played < front.data.size()) continue;
        front.played = 0;
        if (front.loops > 1) {
            --front.loops;
            continue;
        }
        onDevice -= front.data.size();
        device.pop_front();
    }
    // The pass playing at the break was the 101st (ticks 1000-1009); then "zz".
    EXPECT_EQ(heard.size(), 1012u);
    EXPECT_EQ(heard.substr(heard.size() - 12), "0123456789zz");
}

// A tiny loop the device loops for good; the program rewrites the looped
// buffer at a tick. Without a look each period (the engine before), the
// device plays the pass it was given until the loop ends; with it (as
// EngineDevice::RefreshLoop does: the stream read again, the pass on the
// device replaced in place) the rewrite is heard within 50 ms.
uint64_t TicksUntilARewriteIsHeard(bool lookEachPeriod) {
    HeaderStream s(1);
    std::string loop = "0123456789";
    PushLoop(s, loop, kForever);
    std::vector<unsigned char> scratch(kPeriod * 2);
    uint32_t loops = 0;
    const uint32_t n = s.ReadPeriod(scratch.data(), kPeriod, kPeriod + kPeriod / 2, &loops);
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(loops, kForever);
    std::string onDevice(scratch.begin(), scratch.begin() + n);
    const uint64_t rewriteAt = 1003, most = 100000;
    for (uint64_t tick = 0; tick < most; ++tick) {
        if (tick == rewriteAt) loop = "abcdefghij";
        if (lookEachPeriod && tick % kPeriod == 0) {
            const uint32_t again = s.RereadLoop(scratch.data(), static_cast<uint32_t>(scratch.size()));
            EXPECT_EQ(again, 10u);
            if (again == 10 && memcmp(scratch.data(), onDevice.data(), 10) != 0)
                onDevice.assign(scratch.begin(), scratch.begin() + 10);
        }
        if (onDevice[tick % 10] == static_cast<char>('a' + tick % 10)) return tick - rewriteAt;
    }
    return most;
}

TEST(EngineFeed, ARewriteOfATinyLoopTheDeviceLoopsIsHeardWithin50Ms) {
    EXPECT_EQ(TicksUntilARewriteIsHeard(false), 100000u);  // never, while it loops
    EXPECT_LE(TicksUntilARewriteIsHeard(true), 50 * kMs);
    // Once the loop's pieces are taken (played through, or a reset), nothing
    // of the program's is read again: its buffers may be gone.
    HeaderStream s(1);
    std::string loop = "0123456789";
    PushLoop(s, loop, 3);
    std::vector<unsigned char> scratch(kPeriod * 2);
    uint32_t loops = 0;
    ASSERT_EQ(s.ReadPeriod(scratch.data(), kPeriod, kPeriod + kPeriod / 2, &loops), 10u);
    EXPECT_EQ(s.RereadLoop(scratch.data(), 9), 0u);  // does not fit
    EXPECT_EQ(s.RereadLoop(scratch.data(), 10), 10u);
    void* owner = nullptr;
    ASSERT_TRUE(s.NextPlayed(10, &owner));
    EXPECT_EQ(s.RereadLoop(scratch.data(), 10), 0u);
}

TEST(EngineExclusions, AProgramIsExcludedByItsFileNameOnly) {
    static const char kList[] = "game.exe\0 Old Player.EXE \0C:\\Tools\\rec.exe\0";
    const std::string list(kList, sizeof(kList));
    const struct {
        const char* exe;
        bool excluded;
    } cases[] = {
        {"C:\\Games\\GAME.EXE", true},
        {"game.exe", true},
        {"D:\\x\\old player.exe", true},
        {"C:\\Other\\rec.exe", true},
        {"C:\\Games\\game.exe.bak", false},
        {"C:\\Games\\agame.exe", false},
        {"C:\\Games\\", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fxengine::ExclusionList_Matches(list.data(), list.size(), c.exe), c.excluded) << c.exe;
    // A value without its final terminators, and an empty one.
    EXPECT_TRUE(fxengine::ExclusionList_Matches("game.exe", 8, "c:\\game.exe"));
    EXPECT_FALSE(fxengine::ExclusionList_Matches("", 0, "c:\\game.exe"));
}

}  // namespace
