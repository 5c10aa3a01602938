#include "EngineTest.h"

#include "engine/ControlCodes.h"
#include "harness/InputDriver.h"
#include "harness/RegKey.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"
#include "skinctl/SkinProtocol.h"

#include <sstream>

// Worked out with exact rational arithmetic: position times the single
// precision 1/11, rounded once to single precision.
static const DWORD kLevel3D[12] = {0x00000000, 0x3DBA2E8C, 0x3E3A2E8C, 0x3E8BA2E9, 0x3EBA2E8C, 0x3EE8BA2F,
                                   0x3F0BA2E9, 0x3F22E8BA, 0x3F3A2E8C, 0x3F51745E, 0x3F68BA2F, 0x3F800000};
static const DWORD kLevel3DScaled[12] = {0x00000000, 0x3C3A2E8C, 0x3CBA2E8C, 0x3D0BA2E9, 0x3D3A2E8C, 0x3D68BA2F,
                                         0x3D8BA2E9, 0x3DA2E8BA, 0x3DBA2E8C, 0x3DD1745E, 0x3DE8BA2F, 0x3E000000};
static const DWORD kHeadphones[12] = {8, 8, 16, 24, 32, 40, 49, 57, 65, 73, 81, 90};

DWORD Level3DBits(int p) {
    return kLevel3D[p];
}
DWORD Level3DScaledBits(int p) {
    return kLevel3DScaled[p];
}
DWORD HeadphonesLevel(int p) {
    return kHeadphones[p];
}

const std::vector<std::string> EngineTest::kAll = {"VXD", "WDM", "HOOK"};
const std::vector<std::string> EngineTest::kWdmOnly = {"WDM"};
const char* const EngineTest::kHookPath = "C:\\korvane\\WavHok32.dll";

void EngineTest::SetUp() {
    KorvaneTest::SetUp();
    RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, kSimKey);
    ASSERT_TRUE(key.Valid() && key.SetDword("Journal", 1));
}

Expected& Expected::List(std::vector<std::pair<DWORD, DWORD>> messages) {
    for (const std::string& chan : m_channels)
        for (const auto& m : messages) m_messages.push_back({chan, m.first, m.second});
    return *this;
}

Expected& Expected::Apply3D(int p, bool headphones) {
    if (headphones) return List({{IOCTL_HEADPHONES_3D_LEVEL, kHeadphones[p]}});
    return List({{IOCTL_3D_LEVEL, kLevel3D[p]}, {IOCTL_3D_LEVEL_SCALED, kLevel3DScaled[p]}});
}

Expected& Expected::ApplyVibe(int p) {
    return List(
        {{IOCTL_VIBE_LEVEL_2, kLevel3D[p]}, {IOCTL_VIBE_LEVEL_3, kLevel3D[p]}, {IOCTL_VIBE_LEVEL_1, kLevel3D[p]}});
}

Expected& Expected::ApplySoundfields(int p) {
    return List({{IOCTL_SOUNDFIELDS_LEVEL, kLevel3D[p]}});
}

Expected& Expected::ApplyHeadphones(bool on, int position3D) {
    List({{IOCTL_HEADPHONES_ENABLE, on ? 1u : 0u}, {IOCTL_3D_ENABLE, on ? 0u : 1u}});
    return Apply3D(position3D, on);
}

Expected& Expected::SwitchOn() {
    List({{IOCTL_VIBE_ENABLE, 1}});
    return List({{IOCTL_SOUNDFIELDS_ENABLE, 1}});
}

std::vector<Delivered> EngineTest::Levels(const std::vector<JournalEntry>& entries) {
    std::vector<Delivered> out;
    for (const JournalEntry& e : entries) {
        if (e.kind != "IOCTL") continue;
        std::optional<DWORD> code = e.Code();
        if (!code || *code == IOCTL_GET_STATUS || *code == IOCTL_SET_STATUS) continue;
        out.push_back({e.chan, *code, e.Payload().value_or(0xDEADBEEF)});
    }
    return out;
}

std::vector<Delivered> EngineTest::LevelsSince(HWND console, unsigned long long mark, size_t atLeast) {
    WaitUntil([&] { return Levels(Journal::Read(mark)).size() >= atLeast; }, kUiMs);
    EXPECT_TRUE(CaughtUp(console));
    return Levels(Journal::Read(mark));
}

::testing::AssertionResult EngineTest::KeysSend(const std::vector<WORD>& keys,
                                                const std::vector<Delivered>& expected) const {
    const unsigned long long mark = Journal::Mark();
    for (WORD vk : keys)
        if (!InputDriver::Key(vk)) return ::testing::AssertionFailure() << "key " << vk << " not sent";
    return SameMessages(LevelsSince(m_console, mark, expected.size()), expected);
}

bool EngineTest::HookLevelsCame(HWND console, unsigned long long mark, size_t atLeast) {
    const auto hook = [&] {
        size_t n = 0;
        for (const Delivered& d : Levels(Journal::Read(mark))) n += d.chan == "HOOK";
        return n;
    };
    return WaitUntil([&] { return hook() >= atLeast; }, kUiMs) && CaughtUp(console);
}

std::string EngineTest::Describe(const std::vector<Delivered>& messages) {
    std::ostringstream s;
    char line[64];
    for (const Delivered& m : messages) {
        snprintf(line, sizeof line, "  %-4s 0x%08lX 0x%08lX\n", m.chan.c_str(), m.code, m.payload);
        s << line;
    }
    return s.str();
}

::testing::AssertionResult EngineTest::SameMessages(const std::vector<Delivered>& actual,
                                                    const std::vector<Delivered>& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
    return ::testing::AssertionFailure() << "first difference at message " << i << "\nexpected:\n"
                                         << Describe(expected) << "actual:\n"
                                         << Describe(actual);
}

bool EngineTest::WaitForJournal(unsigned long long mark, const std::string& chan, const std::string& kind,
                                const std::string& a, DWORD timeoutMs) {
    return WaitUntil([&] { return !Journal::Select(Journal::Read(mark), chan, kind, a).empty(); }, timeoutMs);
}

HWND EngineTest::StartToEngine(const std::string& version, KorvaneProcess** process) {
    const bool nine = version == "win95" || version == "win98" || version == "winme";
    HWND console = StartToConsole(version, process);
    if (console && !WaitForJournal(nine ? "HOOK" : "WDM", "IOCTL", "0x00220144", kStartMs)) {
        ADD_FAILURE() << "the start sequence did not reach the engine";
        return nullptr;
    }
    return console;
}

::testing::AssertionResult EngineTest::CloseToUnhook(KorvaneProcess& korvane, HWND console) {
    const unsigned long long closing = Journal::Mark();
    ::testing::AssertionResult closed = CloseAndWait(korvane, console);
    if (!closed) return closed;
    if (!WaitForJournal(closing, "HOOK", "CALL", "QuorWav9xUnHook", kExitMs))
        return ::testing::AssertionFailure() << "the hook was not taken away";
    return ::testing::AssertionSuccess();
}

void EngineTest::ExpectUnloadAnsweredAtOnce(KorvaneProcess& korvane, HWND console) {
    const unsigned long long closing = Journal::Mark();
    ASSERT_TRUE(CloseToUnhook(korvane, console));
    const auto answers = Journal::Select(Journal::Read(closing), "HOOK", "CALL", "QuorWav9xCanUnloadNow");
    ASSERT_FALSE(answers.empty());
    EXPECT_EQ(answers.front().Result(), 1u) << Journal::Format(answers);
}

fx::FxParams EngineTest::Off() {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    return p;
}

fx::FxParams EngineTest::HookState(const std::vector<JournalEntry>& entries) {
    fx::FxParams p = Off();
    for (const JournalEntry& e : entries) {
        if (e.chan != "HOOK" || e.kind != "IOCTL") continue;
        const auto code = e.Code();
        const auto payload = e.Payload();
        if (!code || !payload || *code == IOCTL_SET_STATUS) continue;
        const DWORD value = *payload;
        fx::FxParams_Apply(&p, *code, &value, 4);
    }
    return p;
}

long EngineTest::ControlValue(HWND console, int id) {
    DWORD_PTR result = 0;
    HWND control = GetDlgItem(console, id);
    SendMessageTimeoutA(control, SKM_GETPROPERTY, SKIN_PROPERTY_VALUE, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<long>(result);
}

bool EngineTest::WheelOn(HWND console, int id, int delta) {
    POINT centre = InputDriver::CentreOf(GetDlgItem(console, id));
    return InputDriver::Activate(console) && InputDriver::Wheel(centre, delta);
}

bool EngineTest::ClickOn(HWND console, int id) {
    POINT centre = InputDriver::CentreOf(GetDlgItem(console, id));
    return InputDriver::Activate(console) && InputDriver::Click(centre);
}

std::string EngineTest::HookVariant(const std::string& missingExport) {
    if (missingExport.empty()) return "C:\\korvane-sim\\variants\\WavHok32.dll";
    return "C:\\korvane-sim\\variants\\WavHok32-no" + missingExport + ".dll";
}

namespace {
const char* const kStored[] = {"3D Volume", "Vibe volume", "Soundfields volume", "Headphones enabled", "UI minimized"};
}  // namespace

void EngineTest::StoreSettings(DWORD d3, DWORD vibe, DWORD soundfields, DWORD headphones, DWORD mini) {
    ASSERT_TRUE(SettingsKey::CreateEmpty());
    const DWORD values[] = {d3, vibe, soundfields, headphones, mini};
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(SettingsKey::SetDword(kStored[i], values[i])) << kStored[i];
}

void EngineTest::ExpectSaved(DWORD d3, DWORD vibe, DWORD soundfields, DWORD headphones, DWORD mini) {
    const DWORD values[] = {d3, vibe, soundfields, headphones, mini};
    for (int i = 0; i < 5; ++i) {
        std::optional<RegValue> got = SettingsKey::Get(kStored[i]);
        ASSERT_TRUE(got.has_value()) << kStored[i];
        EXPECT_EQ(got->type, static_cast<DWORD>(REG_DWORD)) << kStored[i];
        EXPECT_EQ(got->AsDword(), values[i]) << kStored[i];
    }
}
