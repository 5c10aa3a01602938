#include "TestPlayer.h"

#include "harness/RegKey.h"
#include "tests/common/CaptureFile.h"
#include "tests/common/Spawn.h"

#include <cstdlib>

TestPlayer::TestPlayer(const std::string& sync) : m_sync(sync) {
    if (const char* capture = getenv("KORVANE_AUDIO_OUT")) m_capture = WindowsPath(capture);
    if (m_sync.empty()) return;
    m_wrote = ObjectHandle(CreateEventA(nullptr, FALSE, FALSE, (m_sync + ".wrote").c_str()));
    m_go = ObjectHandle(CreateEventA(nullptr, FALSE, FALSE, (m_sync + ".go").c_str()));
}

TestPlayer::~TestPlayer() {
    Forget();
}

bool TestPlayer::PoseAs(const std::string& exe, const std::string& version) {
    RegKey app = RegKey::Create(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\" + exe);
    return app.Valid() && app.SetString("Version", version);
}

bool TestPlayer::Start(const std::string& version, const std::string& words) {
    Forget();
    const std::string exe = WindowsPath(KORVPLAY_EXE);
    if (!PoseAs("korvplay.exe", version)) return false;
    std::string line = "\"" + exe + "\" " + words;
    if (!m_sync.empty()) line += " sync=" + m_sync;
    DeleteFileA(m_capture.c_str());
    m_process = Spawn(exe.c_str(), line);
    return m_process.IsOpen();
}

bool TestPlayer::Wrote() {
    if (!m_process.IsOpen() || !m_wrote.IsOpen()) return false;
    const HANDLE either[] = {m_wrote.Get(), m_process.Get()};
    return WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0;
}

void TestPlayer::Go() {
    if (m_go.IsOpen()) SetEvent(m_go.Get());
}

DWORD TestPlayer::Finish(DWORD timeoutMs) {
    if (!m_process.IsOpen()) return 98;
    DWORD code = 99;
    if (WaitForSingleObject(m_process.Get(), timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(m_process.Get(), &code);
    else
        TerminateProcess(m_process.Get(), 99);
    return code;
}

bool TestPlayer::Kill() {
    return m_process.IsOpen() && TerminateProcess(m_process.Get(), 7) &&
           WaitForSingleObject(m_process.Get(), 10000) == WAIT_OBJECT_0;
}

void TestPlayer::Forget() {
    if (m_process.IsOpen() && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT)
        TerminateProcess(m_process.Get(), 99);
    m_process.Close();
}

std::string TestPlayer::Heard() const {
    return ReadAll(m_capture);
}
