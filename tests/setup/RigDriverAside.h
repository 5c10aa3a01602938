// The shipped driver serves the rig driver's device name: the rig's driver
// steps aside while ours is installed, and comes back afterwards so that the
// other tests find their journal.
#pragma once

#include "../driver/KernelService.h"

#include <gtest/gtest.h>

class RigDriverAside {
public:
    RigDriverAside() : m_wasRunning(KernelService::State(kRigService) == SERVICE_RUNNING) {
        if (m_wasRunning) KernelService::Stop(kRigService);
    }
    ~RigDriverAside() {
        if (!m_wasRunning) return;
        EXPECT_TRUE(KernelService::Start(kRigService)) << "the rig's driver did not start again";
        EXPECT_TRUE(KernelService::WaitDeviceNames("Velmora1\0Win9xDS\0", true));
    }
    RigDriverAside(const RigDriverAside&) = delete;
    RigDriverAside& operator=(const RigDriverAside&) = delete;
    bool Ok() const { return KernelService::WaitDeviceNames("Velmora1\0", false); }

private:
    static constexpr const char* kRigService = "KorvaneSim";
    bool m_wasRunning;
};
