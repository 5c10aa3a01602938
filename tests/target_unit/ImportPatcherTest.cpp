// What a load brings, as the engine looks at it after a LoadLibrary: every
// module, each once, however many.
#include <windows.h>

#include <gtest/gtest.h>

#include "fxengine/hook/ImportPatcher.h"

namespace {

using fxengine::ImportPatcher;
using fxengine::ModuleList;

TEST(ImportPatcher, ListTakesEveryModuleOnceWithoutACap) {
    // Far more than a process's own imports ever reach: the list once stopped at 96.
    ModuleList list;
    for (int i = 1; i <= 1000; ++i) ASSERT_TRUE(list.Add(reinterpret_cast<HMODULE>(i * 0x10000)));
    EXPECT_FALSE(list.Add(reinterpret_cast<HMODULE>(500 * 0x10000)));
    ASSERT_EQ(list.Size(), 1000);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(list[i], reinterpret_cast<HMODULE>((i + 1) * 0x10000));
}

TEST(ImportPatcher, BroughtHasTheModuleAndEverythingItImportsFrom) {
    HMODULE self = GetModuleHandleA(nullptr);
    const ModuleList brought = ImportPatcher::Brought(self);
    ASSERT_GT(brought.Size(), 2);
    EXPECT_EQ(brought[0], self);
    for (const char* name : {"kernel32.dll", "ntdll.dll"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(brought.Contains(GetModuleHandleA(name)));  // ntdll: through kernel32
    }
    for (int i = 0; i < brought.Size(); ++i)
        for (int j = i + 1; j < brought.Size(); ++j) EXPECT_NE(brought[i], brought[j]);
}

}  // namespace
