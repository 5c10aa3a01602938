#include "TestPlayer.h"

#include "harness/RegKey.h"
#include "tests/common/CaptureFile.h"

#include <cstdlib>

TestPlayer::TestPlayer(const std::string& sync) : m_sync(sync) {
    if (const char* capture = getenv("KORVANE_AUDIO_OUT")) m_capture = WindowsPath(capture);
    if (m_sync.empty()) return;
    m_wrote = CreateEventA(nullptr, FALSE, FALSE, (m_sync + ".wrote").c_str());
    m_go = CreateEventA(nullptr, FALSE, FALSE, (m_sync + ".go").c_str());
}

TestPlayer::~TestPlayer() {
    Forget();
    if (m_wrote) CloseHandle(m_wrote);
    if (m_go) CloseHandle(m_go);
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
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_process) != 0;
}

bool TestPlayer::Wrote() {
    if (!m_process.hProcess || !m_wrote) return false;
    const HANDLE either[] = {m_wrote, m_process.hProcess};
    return WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0;
}

void TestPlayer::Go() {
    if (m_go) SetEvent(m_go);
}

DWORD TestPlayer::Finish(DWORD timeoutMs) {
    if (!m_process.hProcess) return 98;
    DWORD code = 99;
    if (WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(m_process.hProcess, &code);
    else
        TerminateProcess(m_process.hProcess, 99);
    return code;
}

bool TestPlayer::Kill() {
    return m_process.hProcess && TerminateProcess(m_process.hProcess, 7) &&
           WaitForSingleObject(m_process.hProcess, 10000) == WAIT_OBJECT_0;
}

void TestPlayer::Forget() {
    if (!m_process.hProcess) return;
    if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 99);
    CloseHandle(m_process.hProcess);
    CloseHandle(m_process.hThread);
    m_process = {};
}

std::string TestPlayer::Heard() const {
    return ReadAll(m_capture);
}
