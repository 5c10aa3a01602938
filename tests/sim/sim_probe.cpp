// Child of the device tests: started with a Windows version chosen through
// Wine's AppDefaults, it opens both devices the way Korvane does on that
// system, sends one master-volume message to each and closes them.
//   sim_probe 9x|nt      exit code 0 when everything worked
#include <windows.h>

#include <string.h>

#include "engine/ControlCodes.h"

namespace {

enum Exit { kOk = 0, kUsage = 2, kWrongPlatform = 10, kNoWdm = 11, kNoVxd = 12, kSendFailed = 13 };

class Device {
public:
    explicit Device(HANDLE h) : m_h(h) {}
    ~Device() {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }
    bool SendGain(float gain) const {
        DWORD returned = 0;
        return DeviceIoControl(m_h, IOCTL_MASTER_VOLUME, &gain, sizeof(gain), nullptr, 0, &returned, nullptr) != 0;
    }

private:
    HANDLE m_h;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (strcmp(argv[1], "9x") != 0 && strcmp(argv[1], "nt") != 0)) return kUsage;
    const bool win9x = strcmp(argv[1], "9x") == 0;

    OSVERSIONINFOA version;
    memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    if (version.dwPlatformId != (win9x ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT)) return kWrongPlatform;

    Device wdm(CreateFileA("\\\\.\\Velmora1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    // Windows 9x loads a VxD dynamically with this form; on NT the name is an
    // ordinary device.
    Device vxd(
        win9x ? CreateFileA("\\\\.\\Win9xDS", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr)
              : CreateFileA("\\\\.\\Win9xDS", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!wdm.IsOpen()) return kNoWdm;
    if (!vxd.IsOpen()) return kNoVxd;
    if (!vxd.SendGain(1.0f) || !wdm.SendGain(1.0f)) return kSendFailed;
    return kOk;
}
