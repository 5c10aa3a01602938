// The About window's master volume: the trackbar shows the stored value, and
// every move reaches each open channel as a gain and the registry as a
// position. Moved from the keyboard, as a user would.
#include "EngineTest.h"

#include "framework/KernelHandle.h"
#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

#include <commctrl.h>

#include <cstring>
#include <mutex>

namespace {

const DWORD kMasterVolume = 0x223FC8;

// 10^((position - 20) / 20) as a single, one decibel a step.
DWORD GainBits(int position) {
    static const DWORD bits[] = {0x3dcccccd, 0x3de5ca15, 0x3e00e9f9, 0x3e10a4d3, 0x3e224b06, 0x3e361887, 0x3e4c509b,
                                 0x3e653ebb, 0x3e809bcc, 0x3e904d1c, 0x3ea1e89b, 0x3eb5aa1a, 0x3ecbd4b4, 0x3ee4b3b6,
                                 0x3f004dce, 0x3f0ff59a, 0x3f21866c, 0x3f353bef, 0x3f4b5918, 0x3f642905, 0x3f800000};
    return bits[position];
}

class AboutTest : public EngineTest {
protected:
    // Opens the About window from the console's system menu and puts the
    // keyboard focus on the trackbar.
    HWND OpenAbout() {
        HWND about = OpenAboutByCommand(*m_korvane, m_console);
        if (!about) return nullptr;
        m_slider = GetDlgItem(about, 1012);
        if (!m_slider || !InputDriver::Activate(about)) return nullptr;
        InputDriver::Key(VK_TAB);  // from OK, the first tab stop, to the trackbar
        WaitUntil([&] { return WindowFinder::ThreadOf(about).hwndFocus == m_slider; }, kUiMs);
        return about;
    }
    // Escape closes the About window (the trackbar has the focus), then the
    // console is closed as a user would.
    void CloseAboutThenConsole(HWND about) {
        EXPECT_TRUE(EscapeAbout(about));
        EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
    }
    int Pos() const { return static_cast<int>(SendMessageA(m_slider, TBM_GETPOS, 0, 0)); }

    // The gains sent since the mark, one channel's list each, with the
    // repeats of one position (a key's move and its end) folded.
    static std::vector<Delivered> Gains(unsigned long long mark) {
        std::vector<Delivered> gains;
        for (const Delivered& d : Levels(Journal::Read(mark)))
            if (d.code == kMasterVolume) gains.push_back(d);
        return gains;
    }
    static std::vector<Delivered> Folded(const std::vector<Delivered>& gains, size_t channels) {
        std::vector<Delivered> out;
        for (size_t i = 0; i + channels <= gains.size(); i += channels) {
            if (out.size() >= channels && out[out.size() - channels].payload == gains[i].payload) continue;
            out.insert(out.end(), gains.begin() + i, gains.begin() + i + channels);
        }
        return out;
    }

    HWND m_slider = nullptr;
};

}  // namespace

TEST_F(AboutTest, EveryMoveReachesEachChannelInOrderAndIsStored) {
    StoreSettings(6, 6, 0, 0, 0);
    ASSERT_TRUE(SettingsKey::SetDword("Master volume", 5));
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    const unsigned long long mark = Journal::Mark();
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(Pos(), 5);
    EXPECT_EQ(SendMessageA(m_slider, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageA(m_slider, TBM_GETRANGEMAX, 0, 0), 20);
    EXPECT_TRUE(Gains(mark).empty()) << "the gain is sent only when the trackbar moves";

    ASSERT_TRUE(InputDriver::Key(VK_RIGHT));
    ASSERT_TRUE(InputDriver::Key(VK_RIGHT));
    std::vector<Delivered> gains;
    WaitUntil([&] { return Folded(gains = Gains(mark), 3).size() >= 6; }, kUiMs);
    ASSERT_TRUE(CaughtUp(about));
    gains = Gains(mark);
    ASSERT_EQ(gains.size() % 3, 0u) << Describe(gains);
    // Each gain to the VxD, the WDM driver and the hook in turn, the same to each.
    for (size_t i = 0; i < gains.size(); i += 3)
        EXPECT_TRUE(SameMessages({gains.begin() + i, gains.begin() + i + 3},
                                 Expected(kAll).List({{kMasterVolume, gains[i].payload}}).Get()));
    const Expected expected = Expected(kAll).List({{kMasterVolume, GainBits(6)}}).List({{kMasterVolume, GainBits(7)}});
    EXPECT_TRUE(SameMessages(Folded(gains, 3), expected.Get()));
    EXPECT_EQ(SettingsKey::GetDword("Master volume"), std::optional<DWORD>(7));

    CloseAboutThenConsole(about);
    EXPECT_EQ(SettingsKey::GetDword("Master volume"), std::optional<DWORD>(7)) << "the console leaves it alone";
}

TEST_F(AboutTest, WithoutTheSettingsKeyAMoveCreatesIt) {
    ASSERT_TRUE(SettingsKey::Remove());
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
    ASSERT_TRUE(WaitForJournal("WDM", "OPEN", "-", kStartMs));
    const unsigned long long mark = Journal::Mark();
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    const int before = Pos();  // the trackbar's own default
    ASSERT_TRUE(InputDriver::Key(VK_RIGHT));
    ASSERT_TRUE(WaitUntil([] { return SettingsKey::GetDword("Master volume").has_value(); }, kUiMs))
        << "the key was not created";
    EXPECT_EQ(SettingsKey::GetDword("Master volume"), std::optional<DWORD>(DWORD(before + 1)));
    EXPECT_EQ(Pos(), before + 1);
    WaitUntil([&] { return !Gains(mark).empty(); }, kUiMs);
    ASSERT_FALSE(Gains(mark).empty());
    EXPECT_EQ(Gains(mark).front().chan, "WDM");
    CloseAboutThenConsole(about);
}

// Without a stored value the trackbar stands at 0 dB. A stored value
// outside 0 to 20: the trackbar stands at the nearer end, nothing is sent,
// and the stored value stays until the trackbar moves.
TEST_F(AboutTest, WithoutAStoredValueAtZeroDecibelsOutsideTheRangeAtTheNearerEnd) {
    StoreSettings(6, 6, 0, 0, 0);
    ASSERT_NO_FATAL_FAILURE(StartEngine("winxp"));
    const unsigned long long mark = Journal::Mark();
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(Pos(), 20);

    ASSERT_TRUE(InputDriver::Key(VK_HOME));  // straight to -20 dB
    WaitUntil([&] { return !Gains(mark).empty(); }, kUiMs);
    ASSERT_TRUE(CaughtUp(about));
    EXPECT_TRUE(SameMessages(Folded(Gains(mark), 1), Expected(kWdmOnly).List({{kMasterVolume, GainBits(0)}}).Get()));
    EXPECT_EQ(SettingsKey::GetDword("Master volume"), std::optional<DWORD>(0));
    ASSERT_TRUE(EscapeAbout(about));

    const struct {
        DWORD stored;
        LRESULT shown;
    } cases[] = {{21, 20}, {1000, 20}, {0xFFFFFFFF, 0}, {0x80000000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(SettingsKey::SetDword("Master volume", c.stored));
        const unsigned long long since = Journal::Mark();
        about = OpenAboutByCommand(*m_korvane, m_console);
        ASSERT_NE(about, nullptr);
        ASSERT_TRUE(CaughtUp(about));
        EXPECT_EQ(SendMessageA(GetDlgItem(about, 1012), TBM_GETPOS, 0, 0), c.shown);
        ASSERT_TRUE(EscapeAbout(about));
        ASSERT_TRUE(CaughtUp(m_console));
        EXPECT_TRUE(Gains(since).empty()) << "a gain was sent though the trackbar did not move";
        EXPECT_EQ(SettingsKey::GetDword("Master volume"), c.stored);
    }
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
}

namespace {

// Listens to the system's debug output channel (the DBWIN buffer that
// OutputDebugString writes to when no debugger is attached) on a thread of
// its own, and keeps the strings of one process, in order.
class DebugStringTap {
public:
    explicit DebugStringTap(DWORD pid)
        : m_pid(pid),
          m_bufferReady(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY")),
          m_dataReady(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY")),
          m_section(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER")),
          m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_view(m_section.IsOpen() ? MapViewOfFile(m_section.Get(), FILE_MAP_READ, 0, 0, 4096) : nullptr) {
        if (Listening()) m_thread = ObjectHandle(CreateThread(nullptr, 0, Loop, this, 0, nullptr));
    }
    ~DebugStringTap() {
        SetEvent(m_stop.Get());
        if (m_thread.IsOpen()) WaitForSingleObject(m_thread.Get(), 10000);
        if (m_view) UnmapViewOfFile(m_view);
    }
    bool Listening() const { return m_bufferReady.IsOpen() && m_dataReady.IsOpen() && m_view && m_stop.IsOpen(); }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_lines;
    }

private:
    static DWORD WINAPI Loop(void* self) { return static_cast<DebugStringTap*>(self)->Run(); }
    DWORD Run() {
        SetEvent(m_bufferReady.Get());
        while (WaitForSingleObject(m_stop.Get(), 0) != WAIT_OBJECT_0) {
            if (WaitForSingleObject(m_dataReady.Get(), 100) != WAIT_OBJECT_0) continue;
            const char* data = static_cast<const char*>(m_view);
            if (*reinterpret_cast<const DWORD*>(data) == m_pid) {
                std::lock_guard<std::mutex> hold(m_lock);
                m_lines.emplace_back(data + sizeof(DWORD), strnlen(data + sizeof(DWORD), 4096 - sizeof(DWORD)));
            }
            SetEvent(m_bufferReady.Get());
        }
        return 0;
    }

    DWORD m_pid;
    std::mutex m_lock;
    std::vector<std::string> m_lines;
    ObjectHandle m_bufferReady, m_dataReady, m_section, m_stop, m_thread;
    void* m_view = nullptr;
};

}  // namespace

// Each move is framed by trace lines for the debugger; on an NT-family
// system only the WDM channel is announced, just before its send.
TEST_F(AboutTest, EachMoveIsTracedForTheDebugger) {
    StoreSettings(6, 6, 0, 0, 0);
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    std::vector<std::string> lines;
    {
        DebugStringTap tap(m_korvane->Pid());
        ASSERT_TRUE(tap.Listening()) << "no debug output channel";
        ASSERT_TRUE(InputDriver::Activate(about));
        ASSERT_TRUE(InputDriver::Key(VK_LEFT));
        WaitUntil([&] { return tap.Lines().size() >= 5; }, kUiMs);
        // Every line is written once the program has taken the key; the
        // tap's thread reads the last a moment later.
        ASSERT_TRUE(CaughtUp(about));
        WaitUntil([&] { return tap.Lines().size() % 5 == 0; }, kUiMs);
        lines = tap.Lines();
    }
    const std::vector<std::string> one = {"=> OnHScroll\n\r", "=> AdjustMasterVolume\n\r",
                                          "DeviceIoControl(m_hWDMDriver\n\r", "<= AdjustMasterVolume\n\r",
                                          "<= OnHScroll\n\r"};
    ASSERT_FALSE(lines.empty());
    ASSERT_EQ(lines.size() % one.size(), 0u) << lines.size() << " lines";
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], one[i % one.size()]) << "line " << i;
    CloseAboutThenConsole(about);
}
