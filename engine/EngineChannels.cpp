#include "engine/EngineChannels.h"

#include "engine/ControlCodes.h"
#include "framework/OsVersion.h"
#include "framework/ProcAddress.h"

static const char* const kCaption = " Korvane ";
static const char* const kHookMissingText =
    "St\xF6rung beim Laden von WavHok32.dll.\n\nDie Verarbeitung des Ausgabeger\xE4ts kann "
    "m\xF6glicherweise nicht richtig arbeiten.";

static void DeviceSend(HANDLE device, DWORD code, void* payload) {
    DWORD returned = 0;
    DeviceIoControl(device, code, payload, 4, nullptr, 0, &returned, nullptr);
}

void CEngineChannels::Open() {
    OSVERSIONINFOA version = ReadOsVersion();
    m_hWDMDriver =
        FileHandle(CreateFileA("\\\\.\\Velmora1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) return;

    // The dynamic-load form for a VxD: closing the handle unloads it.
    m_hVxdDriver = FileHandle(CreateFileA("\\\\.\\Win9xDS", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    LoadWaveHook();
    if (m_pQuorWav9xHookFnc) m_pQuorWav9xHookFnc();
}

void CEngineChannels::LoadWaveHook() {
    HMODULE hook = LoadLibraryA("WavHok32");
    if (hook) {
        m_pQuorWav9xHookFnc = GetProcAs<HookFnc>(hook, "QuorWav9xHook");
        m_pQuorWav9xUnHookFnc = GetProcAs<HookFnc>(hook, "QuorWav9xUnHook");
        m_pQuorWav9xIoCtlFnc = GetProcAs<IoCtlFnc>(hook, "QuorWav9xIoCtl");
        m_pQuorWav9xPrepareForUnloadingFnc = GetProcAs<HookFnc>(hook, "QuorWav9xPrepareForUnloading");
        m_pQuorWav9xCanUnloadNowFnc = GetProcAs<CanUnloadFnc>(hook, "QuorWav9xCanUnloadNow");
    }
    bool complete = m_pQuorWav9xHookFnc && m_pQuorWav9xUnHookFnc && m_pQuorWav9xIoCtlFnc &&
                    m_pQuorWav9xPrepareForUnloadingFnc && m_pQuorWav9xCanUnloadNowFnc;
    // The entries that were found stay in use.
    if (!complete) MessageBoxA(nullptr, kHookMissingText, kCaption, MB_ICONINFORMATION);
}

void CEngineChannels::Send(const EngineMessage* messages, std::size_t count) {
    if (m_hVxdDriver.IsOpen()) {
        for (std::size_t i = 0; i < count; ++i) {
            EngineMessage m = messages[i];
            DeviceSend(m_hVxdDriver.Get(), m.code, m.payload);
        }
    }
    if (m_hWDMDriver.IsOpen()) {
        for (std::size_t i = 0; i < count; ++i) {
            EngineMessage m = messages[i];
            DeviceSend(m_hWDMDriver.Get(), m.code, m.payload);
        }
    }
    if (m_pQuorWav9xIoCtlFnc) {
        for (std::size_t i = 0; i < count; ++i) {
            EngineMessage m = messages[i];
            DWORD returned = 0;
            m_pQuorWav9xIoCtlFnc(m.code, m.payload, 4, nullptr, 0, &returned);
        }
    }
}

void CEngineChannels::RelayStatus() {
    DWORD status = 0;
    if (m_hWDMDriver.IsOpen()) {
        DWORD returned = 0;
        DeviceIoControl(m_hWDMDriver.Get(), IOCTL_GET_STATUS, nullptr, 0, &status, 4, &returned, nullptr);
    }
    if (m_pQuorWav9xIoCtlFnc) {
        DWORD returned = 0;
        m_pQuorWav9xIoCtlFnc(IOCTL_SET_STATUS, &status, 4, nullptr, 0, &returned);
    }
}

void CEngineChannels::SendMasterVolume(float gain) {
    if (m_hVxdDriver.IsOpen()) {
        OutputDebugStringA("DeviceIoControl(m_hVxdDriver\n\r");
        DeviceSend(m_hVxdDriver.Get(), IOCTL_MASTER_VOLUME, &gain);
    }
    if (m_hWDMDriver.IsOpen()) {
        OutputDebugStringA("DeviceIoControl(m_hWDMDriver\n\r");
        DeviceSend(m_hWDMDriver.Get(), IOCTL_MASTER_VOLUME, &gain);
    }
    if (m_pQuorWav9xIoCtlFnc) {
        OutputDebugStringA("m_pQuorWav9xIoCtlFnc(IOCTL_MASTER_VOLUME\n\r");
        DWORD returned = 0;
        m_pQuorWav9xIoCtlFnc(IOCTL_MASTER_VOLUME, &gain, 4, nullptr, 0, &returned);
    }
}

void CEngineChannels::SwitchOffDevice(FileHandle& device) {
    if (!device.IsOpen()) return;
    static const DWORD kOffCodes[] = {IOCTL_3D_ENABLE, IOCTL_VIBE_ENABLE, IOCTL_HEADPHONES_ENABLE, IOCTL_AUX_ENABLE,
                                      IOCTL_SOUNDFIELDS_ENABLE};
    for (DWORD code : kOffCodes) {
        DWORD off = 0;
        DeviceSend(device.Get(), code, &off);
    }
    device.Close();
}

void CEngineChannels::Close() {
    SwitchOffDevice(m_hVxdDriver);
    SwitchOffDevice(m_hWDMDriver);
    UnloadWaveHook();
}

void CEngineChannels::UnloadWaveHook() {
    if (m_pQuorWav9xPrepareForUnloadingFnc) {
        m_pQuorWav9xPrepareForUnloadingFnc();
        if (m_pQuorWav9xCanUnloadNowFnc) {
            // The hook may refuse to unload; give it five seconds.
            int waited = 0;
            while (!m_pQuorWav9xCanUnloadNowFnc() && waited < 5000) {
                Sleep(100);
                waited += 100;
            }
        }
    }
    if (m_pQuorWav9xUnHookFnc) m_pQuorWav9xUnHookFnc();
    // The library stays loaded: its code may still run in the wave path.
}
