// The shipped effects driver, loaded as a kernel service in the test's Wine
// session in place of the rig's journalling driver (both serve \\.\Velmora1),
// driven as the console drives it, and its state device as the engine host
// reads it. The rig's driver runs again afterwards.
#include "KernelService.h"

#include "../setup/RigDriverAside.h"
#include "tests/common/CaptureFile.h"
#include "tests/common/FloatBits.h"
#include "tests/common/Spawn.h"

#include "engine/ControlCodes.h"
#include "framework/KernelHandle.h"
#include "fxengine/driver/FxDriverState.h"
#include "fxengine/statelink/DriverStateLink.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

const char* const kService = "KorvaneFxTest";
const char* const kConsolePath = "\\\\.\\Velmora1";
const DWORD kWaitMs = 10000;
// Set by the --wait-state helper once its wait is pending in the driver.
const char kWaiterWaits[] = "KorvDriverTest.WaiterWaits";
const DWORD kCancelled = 0xC0000120;  // STATUS_CANCELLED, as an OVERLAPPED keeps it

FileHandle OpenConsole() {
    return FileHandle(CreateFileA(kConsolePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

FileHandle OpenState(DWORD flags = FILE_FLAG_OVERLAPPED) {
    return FileHandle(CreateFileA(FXDRV_STATE_PATH, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, flags, nullptr));
}

// Sends one message; the error code, 0 on success.
DWORD Send(HANDLE h, DWORD code, const void* payload, DWORD size) {
    DWORD returned = 0;
    return DeviceIoControl(h, code, const_cast<void*>(payload), size, nullptr, 0, &returned, nullptr) ? 0
                                                                                                      : GetLastError();
}

DWORD SendU32(HANDLE h, DWORD code, uint32_t value) {
    return Send(h, code, &value, 4);
}

FxDriverState GetState() {
    FxDriverState s{};
    FileHandle h = OpenState(0);
    DWORD got = 0;
    EXPECT_TRUE(h.IsOpen()) << "state device, error " << GetLastError();
    EXPECT_TRUE(DeviceIoControl(h.Get(), FXDRV_IOCTL_GET_STATE, nullptr, 0, &s, sizeof s, &got, nullptr));
    EXPECT_EQ(got, sizeof s);
    return s;
}

const FxDriverEntry* Entry(const FxDriverState& s, uint32_t code) {
    for (const FxDriverEntry& e : s.entries)
        if (e.code == code) return &e;
    return nullptr;
}

bool Received(const FxDriverState& s, uint32_t code, uint32_t payload) {
    const FxDriverEntry* e = Entry(s, code);
    return e && e->received && e->payload == payload;
}

const uint32_t kEnables[] = {IOCTL_3D_ENABLE, IOCTL_VIBE_ENABLE, IOCTL_HEADPHONES_ENABLE, IOCTL_AUX_ENABLE,
                             IOCTL_SOUNDFIELDS_ENABLE};

bool AllOff(const FxDriverState& s) {
    for (uint32_t code : kEnables)
        if (!Received(s, code, 0)) return false;
    return true;
}

// A program that comes second cannot reach the driver: Windows refuses the
// open; Wine hands out a handle before the driver has answered, and then the
// driver refuses everything sent through it.
::testing::AssertionResult SecondIsRefused(DWORD access, DWORD share) {
    FileHandle h(CreateFileA(kConsolePath, access, share, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.IsOpen()) {
        if (GetLastError() == ERROR_ACCESS_DENIED) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "open failed with " << GetLastError() << ", not access denied";
    }
    const DWORD send = SendU32(h.Get(), IOCTL_VIBE_ENABLE, 0);
    uint32_t status = 0;
    DWORD got = 0;
    const BOOL asked = DeviceIoControl(h.Get(), IOCTL_GET_STATUS, nullptr, 0, &status, 4, &got, nullptr);
    const DWORD askError = asked ? 0 : GetLastError();
    if (send == ERROR_ACCESS_DENIED && askError == ERROR_ACCESS_DENIED) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "a second handle was served: message " << send << ", status " << askError;
}

template <typename Pred>
bool WaitFor(Pred pred, DWORD ms = kWaitMs) {
    const DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(50);
    }
    return true;
}

// This program in a helper role, which the test then ends the hard way.
struct Child {
    ObjectHandle process;
    explicit Child(const char* role) {
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        process = Spawn(exe, std::string("\"") + exe + "\" " + role);
    }
    ~Child() { Kill(); }
    void Kill() {
        if (!process.IsOpen()) return;
        TerminateProcess(process.Get(), 9);
        WaitForSingleObject(process.Get(), kWaitMs);
        process.Close();
    }
};

class DriverEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        m_rigAside = std::make_unique<RigDriverAside>();
        ASSERT_TRUE(m_rigAside->Ok()) << "\\\\.\\Velmora1 is still there";
        KernelService::Stop(kService);
        KernelService::Remove(kService);  // what an earlier run left
        ASSERT_TRUE(KernelService::Create(kService, WindowsPath(KORVFX_SYS)));
        ASSERT_TRUE(KernelService::Start(kService)) << "the driver did not start";
        ASSERT_TRUE(KernelService::WaitDeviceNames("Velmora1\0KorvaneFxState\0", true));
    }
    void TearDown() override {
        // A link waiting while the driver stops ends, and none starts without it.
        DriverStateLink link;
        const bool started = link.Start([](const DriverMessage*, size_t, bool) {});
        EXPECT_TRUE(started);
        EXPECT_TRUE(KernelService::Stop(kService));
        if (started) {
            EXPECT_TRUE(WaitFor([&] { return !link.Running(); })) << "the link outlived the driver";
        }
        link.Stop();
        EXPECT_FALSE(link.Start([](const DriverMessage*, size_t, bool) {})) << "a link without a driver";
        EXPECT_TRUE(KernelService::Remove(kService));
        EXPECT_TRUE(KernelService::WaitDeviceNames("Velmora1\0KorvaneFxState\0", false)) << "names left behind";
        m_rigAside.reset();  // the rig's driver runs again
    }

private:
    std::unique_ptr<RigDriverAside> m_rigAside;
};

// Each test leaves the console's device free. Under Wine a close reaches the
// driver a moment after CloseHandle returns (on Windows before it returns),
// so an open at once after it could still find the device held.
class Driver : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(WaitFor([] { return GetState().consoleOpen == 0; })) << "the device was left held";
    }
};

struct Message {
    const char* name;
    uint32_t code;
    uint32_t payload;
};

// Every code the console sends the device, with a payload of its kind.
const Message kMessages[] = {
    {"3D enable", IOCTL_3D_ENABLE, 1},
    {"3D level", IOCTL_3D_LEVEL, Bits(0.27272728f)},
    {"3D level scaled", IOCTL_3D_LEVEL_SCALED, Bits(0.03409091f)},
    {"Vibe enable", IOCTL_VIBE_ENABLE, 1},
    {"Vibe 1", IOCTL_VIBE_LEVEL_1, Bits(0.1f)},
    {"Vibe 2", IOCTL_VIBE_LEVEL_2, Bits(0.2f)},
    {"Vibe 3", IOCTL_VIBE_LEVEL_3, Bits(0.3f)},
    {"headphones enable", IOCTL_HEADPHONES_ENABLE, 1},
    {"headphones level", IOCTL_HEADPHONES_3D_LEVEL, 49},
    {"aux enable", IOCTL_AUX_ENABLE, 1},
    {"Soundfields level", IOCTL_SOUNDFIELDS_LEVEL, Bits(0.75f)},
    {"Soundfields enable", IOCTL_SOUNDFIELDS_ENABLE, 1},
    {"master volume", IOCTL_MASTER_VOLUME, Bits(0.316f)},
};

TEST_F(Driver, EveryCodeIsKeptAndTheFiveZerosAtCloseSwitchEverythingOff) {
    FileHandle console = OpenConsole();
    ASSERT_TRUE(console.IsOpen()) << "error " << GetLastError();
    EXPECT_EQ(GetState().consoleOpen, 1u);
    for (const Message& m : kMessages) {
        const uint32_t before = GetState().serial;
        EXPECT_EQ(SendU32(console.Get(), m.code, m.payload), 0u) << m.name;
        const FxDriverState after = GetState();
        EXPECT_TRUE(Received(after, m.code, m.payload)) << m.name;
        EXPECT_NE(after.serial, before) << m.name << ": a change moves the serial";
        EXPECT_EQ(SendU32(console.Get(), m.code, m.payload), 0u) << m.name;
        EXPECT_EQ(GetState().serial, after.serial) << m.name << ": the same payload again is no change";
    }
    // The console's close.
    for (uint32_t code : kEnables) EXPECT_EQ(SendU32(console.Get(), code, 0), 0u);
    const FxDriverState zeros = GetState();
    EXPECT_TRUE(AllOff(zeros)) << "the five zeros switch everything off";
    console.Close();
    ASSERT_TRUE(WaitFor([] { return GetState().consoleOpen == 0; }));
    const FxDriverState s = GetState();
    EXPECT_TRUE(AllOff(s));
    EXPECT_EQ(s.consoleOpen, 0u);
    EXPECT_TRUE(Received(s, IOCTL_MASTER_VOLUME, Bits(0.316f))) << "levels stay as they were";
    EXPECT_EQ(s.size, sizeof(FxDriverState));
    EXPECT_EQ(s.count, static_cast<uint32_t>(FXDRV_CODE_COUNT));
}

TEST_F(Driver, ShortLongAndUnknownMessagesAreRefusedAndChangeNothing) {
    FileHandle console = OpenConsole();
    ASSERT_TRUE(console.IsOpen());
    ASSERT_EQ(SendU32(console.Get(), IOCTL_3D_LEVEL, Bits(0.5f)), 0u);
    const unsigned char bytes[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x01};
    struct Case {
        const char* what;
        uint32_t code;
        DWORD size, error;
    };
    const Case cases[] = {
        {"no payload", IOCTL_3D_LEVEL, 0, ERROR_INVALID_PARAMETER},
        {"3 bytes", IOCTL_3D_LEVEL, 3, ERROR_INVALID_PARAMETER},
        {"5 bytes", IOCTL_3D_LEVEL, 5, ERROR_INVALID_PARAMETER},
        {"8 bytes", IOCTL_3D_LEVEL, 8, ERROR_INVALID_PARAMETER},
        {"unknown function 3", EngineCode(0x003), 4, ERROR_INVALID_FUNCTION},
        {"the hook's status code", IOCTL_SET_STATUS, 4, ERROR_INVALID_FUNCTION},
        {"the state device's wait", FXDRV_IOCTL_WAIT_STATE, 4, ERROR_INVALID_FUNCTION},
    };
    for (const Case& c : cases) {
        const FxDriverState before = GetState();
        EXPECT_EQ(Send(console.Get(), c.code, bytes, c.size), c.error) << c.what;
        const FxDriverState after = GetState();
        EXPECT_EQ(after.serial, before.serial) << c.what;
        EXPECT_TRUE(Received(after, IOCTL_3D_LEVEL, Bits(0.5f))) << c.what;
    }
}

TEST_F(Driver, ASecondOpenIsRefusedAsAnExclusiveDeviceRefusesIt) {
    FileHandle first = OpenConsole();
    ASSERT_TRUE(first.IsOpen());
    ASSERT_EQ(SendU32(first.Get(), IOCTL_VIBE_ENABLE, 1), 0u);
    const DWORD cases[][2] = {
        {GENERIC_READ | GENERIC_WRITE, 0}, {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE}, {0, 0}};
    for (const auto& c : cases) EXPECT_TRUE(SecondIsRefused(c[0], c[1])) << "access " << std::hex << c[0];
    const FxDriverState s = GetState();
    EXPECT_TRUE(Received(s, IOCTL_VIBE_ENABLE, 1)) << "a refused one changed the state";
    EXPECT_EQ(s.consoleOpen, 1u) << "a refused one's close let the device go";
    EXPECT_EQ(SendU32(first.Get(), IOCTL_VIBE_ENABLE, 0), 0u) << "the first holder is unharmed";
    first.Close();
    ASSERT_TRUE(WaitFor([] { return GetState().consoleOpen == 0; }));
    FileHandle again = OpenConsole();
    EXPECT_TRUE(again.IsOpen()) << "closed, the device is free again";
}

TEST_F(Driver, TheStatusQuestionIsAnsweredInFourBytes) {
    FileHandle console = OpenConsole();
    ASSERT_TRUE(console.IsOpen());
    for (DWORD size : {4u, 8u, 3u, 0u}) {
        unsigned char out[8];
        std::memset(out, 0xEE, sizeof out);
        DWORD got = 99;
        const BOOL ok =
            DeviceIoControl(console.Get(), IOCTL_GET_STATUS, nullptr, 0, size ? out : nullptr, size, &got, nullptr);
        if (size >= 4) {
            ASSERT_TRUE(ok) << size;
            EXPECT_EQ(got, 4u) << size;
            uint32_t status;
            std::memcpy(&status, out, 4);
            EXPECT_EQ(status, GetState().serial) << "the state's serial";
            EXPECT_EQ(out[4], 0xEE) << "nothing written beyond four bytes";
        } else {
            EXPECT_FALSE(ok) << size;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << size;
        }
    }
}

TEST_F(Driver, AProgramThatOpensTheDeviceAndDiesLeavesTheDriverServingTheNext) {
    Child holder("--hold-console");
    ASSERT_TRUE(holder.process.IsOpen());
    ASSERT_TRUE(WaitFor([] {
        const FxDriverState s = GetState();
        return s.consoleOpen == 1 && Received(s, IOCTL_VIBE_ENABLE, 1);
    })) << "the helper did not take the device";
    EXPECT_TRUE(SecondIsRefused(GENERIC_READ | GENERIC_WRITE, 0)) << "held by the helper";
    holder.Kill();

    EXPECT_TRUE(WaitFor([] { return GetState().consoleOpen == 0; })) << "the device stayed taken";
    FileHandle next = OpenConsole();
    ASSERT_TRUE(next.IsOpen());
    const FxDriverState s = GetState();
    EXPECT_TRUE(AllOff(s)) << "a program that died leaves the sound plain, as one that closes";
    EXPECT_EQ(SendU32(next.Get(), IOCTL_SOUNDFIELDS_ENABLE, 1), 0u);
    EXPECT_TRUE(Received(GetState(), IOCTL_SOUNDFIELDS_ENABLE, 1));
}

// An overlapped wait on the state device.
struct Wait {
    OVERLAPPED ov{};
    FxDriverState state{};
    uint32_t known;
    DWORD error = 0;
    Wait(HANDLE h, uint32_t serial) : known(serial) {
        ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        DWORD got = 0;
        if (!DeviceIoControl(h, FXDRV_IOCTL_WAIT_STATE, &known, 4, &state, sizeof state, &got, &ov))
            error = GetLastError();
    }
    ~Wait() { CloseHandle(ov.hEvent); }
    bool Done(DWORD ms) const { return WaitForSingleObject(ov.hEvent, ms) == WAIT_OBJECT_0; }
};

TEST_F(Driver, TheStateDeviceAnswersAtOnceOrWaitsForTheNextChange) {
    FileHandle a = OpenState(), b = OpenState();
    ASSERT_TRUE(a.IsOpen() && b.IsOpen()) << "several readers at once";
    FileHandle console = OpenConsole();
    ASSERT_TRUE(console.IsOpen());
    const uint32_t serial = GetState().serial;

    Wait stale(b.Get(), serial - 1);
    ASSERT_TRUE(stale.Done(kWaitMs)) << "a caller behind is answered at once";
    EXPECT_EQ(stale.state.serial, serial);

    Wait waiting(a.Get(), serial);
    EXPECT_EQ(waiting.error, static_cast<DWORD>(ERROR_IO_PENDING));
    {
        // One waiting request per handle: the pool a caller can hold is bounded by its handles.
        Wait second(a.Get(), serial);
        EXPECT_EQ(second.error, static_cast<DWORD>(ERROR_BUSY)) << "a second wait on one handle";
    }
    // A request after the wait has passed through the driver: a wrong answer would be in by now.
    EXPECT_EQ(GetState().serial, serial);
    EXPECT_FALSE(waiting.Done(0)) << "nothing changed, nothing to answer";
    ASSERT_EQ(SendU32(console.Get(), IOCTL_MASTER_VOLUME, Bits(0.125f)), 0u);
    ASSERT_TRUE(waiting.Done(kWaitMs)) << "the change did not end the wait";
    DWORD got = 0;
    EXPECT_TRUE(GetOverlappedResult(a.Get(), &waiting.ov, &got, FALSE));
    EXPECT_EQ(got, sizeof(FxDriverState));
    EXPECT_NE(waiting.state.serial, serial);
    EXPECT_TRUE(Received(waiting.state, IOCTL_MASTER_VOLUME, Bits(0.125f)));

    // The waiting thread's own cancel, the only one 2000 and XP have.
    Wait cancelled(a.Get(), waiting.state.serial);
    ASSERT_EQ(cancelled.error, static_cast<DWORD>(ERROR_IO_PENDING));
    EXPECT_TRUE(CancelIo(a.Get()));
    ASSERT_TRUE(cancelled.Done(kWaitMs)) << "CancelIo did not end the wait";
    EXPECT_FALSE(GetOverlappedResult(a.Get(), &cancelled.ov, &got, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));

    // Closing the handle ends its wait.
    Wait closed(b.Get(), waiting.state.serial);
    ASSERT_EQ(closed.error, static_cast<DWORD>(ERROR_IO_PENDING));
    b.Close();
    ASSERT_TRUE(closed.Done(kWaitMs)) << "closing the handle did not end the wait";
    EXPECT_EQ(closed.ov.Internal, kCancelled);
}

TEST_F(Driver, TheStateDeviceRefusesWhatItDoesNotServe) {
    FileHandle h = OpenState(0);
    ASSERT_TRUE(h.IsOpen());
    FxDriverState s{};
    uint32_t serial = 0;
    DWORD got = 0;
    struct Case {
        const char* what;
        DWORD code, inSize, outSize, error;
    };
    const Case cases[] = {
        {"wait without a serial", FXDRV_IOCTL_WAIT_STATE, 0, sizeof s, ERROR_INVALID_PARAMETER},
        {"wait with room too small", FXDRV_IOCTL_WAIT_STATE, 4, sizeof s - 1, ERROR_INSUFFICIENT_BUFFER},
        {"get with room too small", FXDRV_IOCTL_GET_STATE, 0, 4, ERROR_INSUFFICIENT_BUFFER},
        {"a console message", IOCTL_VIBE_ENABLE, 4, 0, ERROR_INVALID_FUNCTION},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(DeviceIoControl(h.Get(), c.code, &serial, c.inSize, &s, c.outSize, &got, nullptr)) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_FALSE(WriteFile(h.Get(), &serial, 4, &got, nullptr)) << "nothing is written to it";

    // A handle that asked for no access reads nothing: the codes ask for read access.
    FileHandle none(
        CreateFileA(FXDRV_STATE_PATH, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (none.IsOpen()) {
        for (DWORD code : {FXDRV_IOCTL_GET_STATE, FXDRV_IOCTL_WAIT_STATE}) {
            EXPECT_FALSE(DeviceIoControl(none.Get(), code, &serial, 4, &s, sizeof s, &got, nullptr))
                << std::hex << code;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << std::hex << code;
        }
    } else {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
}

TEST_F(Driver, AWaiterThatDiesLeavesTheStateDeviceServing) {
    // The helper says when its wait is with the driver: killed before then it would test nothing.
    HANDLE waiting = CreateEventA(nullptr, TRUE, FALSE, kWaiterWaits);
    ASSERT_NE(waiting, nullptr);
    Child waiter("--wait-state");
    ASSERT_TRUE(waiter.process.IsOpen());
    const HANDLE either[] = {waiting, waiter.process.Get()};
    const DWORD woke = WaitForMultipleObjects(2, either, FALSE, kWaitMs);
    CloseHandle(waiting);
    ASSERT_EQ(woke, WAIT_OBJECT_0) << "the helper's wait was not taken";
    waiter.Kill();
    FileHandle h = OpenState();
    FileHandle console = OpenConsole();
    ASSERT_TRUE(h.IsOpen() && console.IsOpen());
    Wait wait(h.Get(), GetState().serial);
    ASSERT_EQ(wait.error, static_cast<DWORD>(ERROR_IO_PENDING));
    ASSERT_EQ(SendU32(console.Get(), IOCTL_VIBE_LEVEL_1, Bits(0.625f)), 0u);
    ASSERT_TRUE(wait.Done(kWaitMs));
    EXPECT_TRUE(Received(wait.state, IOCTL_VIBE_LEVEL_1, Bits(0.625f)));
}

// What a link handed on: each state's messages, and whether a console held the device.
class Recorder {
public:
    DriverStateLink::Callback Callback() {
        return [this](const DriverMessage* m, size_t n, bool open) {
            std::lock_guard<std::mutex> hold(m_lock);
            m_states.emplace_back(m, m + n);
            m_open.push_back(open);
        };
    }
    size_t Calls() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_states.size();
    }
    // The last state handed on after call number `mark` has `code` with `payload`.
    bool LastHas(uint32_t code, uint32_t payload, size_t mark = 0) {
        std::lock_guard<std::mutex> hold(m_lock);
        bool found = false;
        if (m_states.size() > mark)
            for (const DriverMessage& d : m_states.back()) found = found || (d.code == code && d.payload == payload);
        return found;
    }
    // A call after `mark` said the line ended: no messages, no console.
    bool LineEnded(size_t mark) {
        std::lock_guard<std::mutex> hold(m_lock);
        for (size_t i = mark; i < m_states.size(); ++i)
            if (m_states[i].empty() && !m_open[i]) return true;
        return false;
    }
    bool LastOpen() {
        std::lock_guard<std::mutex> hold(m_lock);
        return !m_open.empty() && m_open.back();
    }

private:
    std::mutex m_lock;
    std::vector<std::vector<DriverMessage>> m_states;
    std::vector<bool> m_open;
};

TEST(DriverStateLink, HandsOnEachChangeAndEndsOnRequest) {
    Recorder seen;
    FileHandle console = OpenConsole();
    ASSERT_TRUE(console.IsOpen());
    ASSERT_EQ(SendU32(console.Get(), IOCTL_VIBE_LEVEL_2, Bits(0.375f)), 0u);
    {
        DriverStateLink link;
        ASSERT_TRUE(link.Start(seen.Callback()));
        ASSERT_TRUE(WaitFor([&] { return seen.LastHas(IOCTL_VIBE_LEVEL_2, Bits(0.375f)); }))
            << "the state as it is comes first";
        ASSERT_EQ(SendU32(console.Get(), IOCTL_VIBE_LEVEL_2, Bits(0.875f)), 0u);
        EXPECT_TRUE(WaitFor([&] { return seen.LastHas(IOCTL_VIBE_LEVEL_2, Bits(0.875f)); })) << "a change";
        EXPECT_TRUE(link.Running());
        link.Stop();
        EXPECT_FALSE(link.Running());
    }
    const size_t calls = seen.Calls();
    EXPECT_TRUE(seen.LastOpen());
    // Stop has waited for the link's thread to end: nothing can call after it.
    ASSERT_EQ(SendU32(console.Get(), IOCTL_VIBE_LEVEL_2, Bits(0.5f)), 0u);
    EXPECT_EQ(seen.Calls(), calls) << "nothing after Stop";
}

// The host's line is kept: a driver restarted (an update) is followed again.
TEST(DriverStateLink, AKeptLineIsBackOnTheDriverAfterItRestarts) {
    Recorder seen;
    DriverStateLink link;
    ASSERT_TRUE(link.Start(seen.Callback(), DriverStateLink::kKeep));
    ASSERT_TRUE(WaitFor([&] { return seen.Calls() > 0; })) << "the state as it is";
    const size_t beforeStop = seen.Calls();
    ASSERT_TRUE(KernelService::Stop(kService));
    EXPECT_TRUE(WaitFor([&] { return seen.LineEnded(beforeStop); })) << "the end of the line is told";
    EXPECT_TRUE(link.Running()) << "a kept line waits for the driver";
    ASSERT_TRUE(KernelService::Start(kService));
    ASSERT_TRUE(KernelService::WaitDeviceNames("Velmora1\0KorvaneFxState\0", true));
    const size_t afterStart = seen.Calls();
    {
        FileHandle console = OpenConsole();
        ASSERT_TRUE(console.IsOpen());
        ASSERT_EQ(SendU32(console.Get(), IOCTL_VIBE_LEVEL_3, Bits(0.8125f)), 0u);
        // Reopened within the longest interval between tries.
        EXPECT_TRUE(WaitFor([&] { return seen.LastHas(IOCTL_VIBE_LEVEL_3, Bits(0.8125f), afterStart); },
                            DriverStateLink::kLastRetryMs + kWaitMs))
            << "the line did not come back to the restarted driver";
    }
    link.Stop();
    EXPECT_TRUE(WaitFor([] { return GetState().consoleOpen == 0; }));
}

// Helper roles: hold the console's device, or wait on the state device, until ended.
int HoldConsole() {
    FileHandle h = OpenConsole();
    if (!h.IsOpen()) return 1;
    SendU32(h.Get(), IOCTL_MASTER_VOLUME, Bits(0.25f));
    SendU32(h.Get(), IOCTL_VIBE_ENABLE, 1);
    Sleep(INFINITE);
    return 0;
}

int WaitState() {
    FileHandle h = OpenState();
    if (!h.IsOpen()) return 1;
    Wait wait(h.Get(), GetState().serial);
    if (wait.error != ERROR_IO_PENDING) return 1;
    if (HANDLE waits = OpenEventA(EVENT_MODIFY_STATE, FALSE, kWaiterWaits)) SetEvent(waits);
    Sleep(INFINITE);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--hold-console") return HoldConsole();
    if (argc > 1 && std::string(argv[1]) == "--wait-state") return WaitState();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new DriverEnvironment);
    return RUN_ALL_TESTS();
}
