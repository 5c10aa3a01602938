#include "KernelService.h"

namespace KernelService {
namespace {

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE h) : m_h(h) {}
    ~ScHandle() {
        if (m_h) CloseServiceHandle(m_h);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE Get() const { return m_h; }

private:
    SC_HANDLE m_h;
};

ScHandle Manager() {
    return ScHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

bool WaitState(SC_HANDLE service, DWORD wanted, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCurrentState == wanted) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(100);
    }
}

}  // namespace

DWORD State(const char* name) {
    ScHandle scm = Manager();
    ScHandle service(scm.Get() ? OpenServiceA(scm.Get(), name, SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS status{};
    if (!service.Get() || !QueryServiceStatus(service.Get(), &status)) return 0;
    return status.dwCurrentState;
}

bool Config(const char* name, DWORD* type, DWORD* start, std::string* imagePath) {
    ScHandle scm = Manager();
    ScHandle service(scm.Get() ? OpenServiceA(scm.Get(), name, SERVICE_QUERY_CONFIG) : nullptr);
    if (!service.Get()) return false;
    DWORD needed = 0;
    QueryServiceConfigA(service.Get(), nullptr, 0, &needed);
    std::string buffer(needed + sizeof(QUERY_SERVICE_CONFIGA), '\0');
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(&buffer[0]);
    if (!QueryServiceConfigA(service.Get(), config, static_cast<DWORD>(buffer.size()), &needed)) return false;
    *type = config->dwServiceType;
    *start = config->dwStartType;
    *imagePath = config->lpBinaryPathName ? config->lpBinaryPathName : "";
    return true;
}

bool Create(const char* name, const std::string& imagePath) {
    ScHandle scm = Manager();
    if (!scm.Get()) return false;
    ScHandle service(CreateServiceA(scm.Get(), name, name, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                    SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, imagePath.c_str(), nullptr, nullptr,
                                    nullptr, nullptr, nullptr));
    return service.Get() != nullptr;
}

bool Start(const char* name, DWORD timeoutMs) {
    ScHandle scm = Manager();
    ScHandle service(scm.Get() ? OpenServiceA(scm.Get(), name, SERVICE_START | SERVICE_QUERY_STATUS) : nullptr);
    if (!service.Get()) return false;
    if (!StartServiceA(service.Get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) return false;
    return WaitState(service.Get(), SERVICE_RUNNING, timeoutMs);
}

bool Stop(const char* name, DWORD timeoutMs) {
    ScHandle scm = Manager();
    ScHandle service(scm.Get() ? OpenServiceA(scm.Get(), name, SERVICE_STOP | SERVICE_QUERY_STATUS) : nullptr);
    if (!service.Get()) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    SERVICE_STATUS status{};
    if (!ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) && GetLastError() == ERROR_SERVICE_NOT_ACTIVE)
        return true;
    return WaitState(service.Get(), SERVICE_STOPPED, timeoutMs);
}

bool Remove(const char* name) {
    ScHandle scm = Manager();
    ScHandle service(scm.Get() ? OpenServiceA(scm.Get(), name, DELETE) : nullptr);
    if (!service.Get()) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    return DeleteService(service.Get()) || GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
}

bool WaitDeviceNames(const char* names, bool present, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        bool all = true;
        for (const char* n = names; *n; n += lstrlenA(n) + 1) {
            char target[512];
            if ((QueryDosDeviceA(n, target, sizeof target) != 0) != present) all = false;
        }
        if (all) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(100);
    }
}

}  // namespace KernelService
