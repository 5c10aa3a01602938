// The channels to the audio engine: the VxD (Windows 9x), the WDM filter
// driver (every system) and the wave hook library (Windows 9x). Every
// message goes to them in that order; closed channels are skipped.
#pragma once

#include "engine/EngineMessage.h"
#include "framework/KernelHandle.h"

#include <windows.h>

#include <cstddef>

class CEngineChannels {
public:
    typedef void(WINAPI* HookFnc)(void);
    typedef void(WINAPI* IoCtlFnc)(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned);
    typedef BOOL(WINAPI* CanUnloadFnc)(void);

    CEngineChannels() = default;
    CEngineChannels(const CEngineChannels&) = delete;
    CEngineChannels& operator=(const CEngineChannels&) = delete;

    // Opens what this system has; on Windows 9x reports a missing or
    // incomplete wave hook and hooks it.
    void Open();
    // Each channel in turn gets the whole list, in list order.
    void Send(const EngineMessage* messages, std::size_t count);
    // Switches every effect off on both devices, closes them, and lets the
    // wave hook unload (giving it up to five seconds to agree).
    void Close();
    // Hands the WDM driver's status to the wave hook (0 without the driver).
    void RelayStatus();
    // The master gain to every open channel, each announced to the debugger.
    void SendMasterVolume(float gain);

    FileHandle m_hVxdDriver;
    FileHandle m_hWDMDriver;
    HookFnc m_pQuorWav9xHookFnc = nullptr;
    HookFnc m_pQuorWav9xUnHookFnc = nullptr;
    IoCtlFnc m_pQuorWav9xIoCtlFnc = nullptr;
    HookFnc m_pQuorWav9xPrepareForUnloadingFnc = nullptr;
    CanUnloadFnc m_pQuorWav9xCanUnloadNowFnc = nullptr;

private:
    void LoadWaveHook();
    void SwitchOffDevice(FileHandle& device);
    void UnloadWaveHook();
};
