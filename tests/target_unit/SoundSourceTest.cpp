// Where the engine finds a short sound, against the real registry, profile
// and files of the Wine prefix: an event's sound only where every place
// the systems look agrees on an absolute path, files as given, memory as
// the image says, and nothing (the system's to play) otherwise.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "fxengine/hook/SoundSource.h"

namespace {

using fxengine::SoundBytes;
using fxengine::SoundKind;
using fxengine::SoundSource;

const char* const kEvent = "KorvaneSourceTestEvent";
const std::string kEventKey = std::string("AppEvents\\Schemes\\Apps\\.Default\\") + kEvent;

void SetScheme(const char* sub, const char* value, DWORD type) {
    if (!value) return;
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (kEventKey + "\\" + sub).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(k, nullptr, 0, type, reinterpret_cast<const BYTE*>(value), lstrlenA(value) + 1);
    RegCloseKey(k);
}

void ClearScheme() {
    RegDeleteKeyA(HKEY_CURRENT_USER, (kEventKey + "\\.Current").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, (kEventKey + "\\.Default").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kEventKey.c_str());
    WriteProfileStringA("Sounds", kEvent, nullptr);
}

class SoundSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[MAX_PATH];
        ASSERT_TRUE(GetTempPathA(sizeof(dir), dir));
        m_a = std::string(dir) + "korvsrc-a.wav";
        m_b = std::string(dir) + "korvsrc-b.wav";
        std::ofstream(m_a, std::ios::binary) << "A-sound";
        std::ofstream(m_b, std::ios::binary) << "B-sound";
        SetEnvironmentVariableA("KORVSRC_DIR", dir);
        ClearScheme();
    }
    void TearDown() override {
        ClearScheme();
        DeleteFileA(m_a.c_str());
        DeleteFileA(m_b.c_str());
    }
    static std::string Text(const SoundBytes& b) {
        return b.Get() ? std::string(reinterpret_cast<const char*>(b.Get()), b.Size()) : "";
    }
    std::string m_a, m_b;
};

TEST_F(SoundSourceTest, AnEventsSoundOnlyWhereEveryPlaceAgrees) {
    const std::string a = m_a, b = m_b;
    const struct {
        const char* what;
        const char* current;
        const char* defaults;
        const char* profile;
        DWORD type;
        const char* heard;  // "" when left to the system
    } kCases[] = {
        {"both schemes", a.c_str(), a.c_str(), nullptr, REG_SZ, "A-sound"},
        {"the current scheme alone", a.c_str(), nullptr, nullptr, REG_SZ, "A-sound"},
        {"the schemes disagree", a.c_str(), b.c_str(), nullptr, REG_SZ, ""},
        {"the current scheme is silent", "", a.c_str(), nullptr, REG_SZ, ""},
        {"a path that is not absolute", "korvsrc-a.wav", "korvsrc-a.wav", nullptr, REG_SZ, ""},
        {"expanded", "%KORVSRC_DIR%korvsrc-a.wav", nullptr, nullptr, REG_EXPAND_SZ, "A-sound"},
        {"the profile agrees", a.c_str(), nullptr, a.c_str(), REG_SZ, "A-sound"},
        {"the profile disagrees", a.c_str(), nullptr, b.c_str(), REG_SZ, ""},
        {"the profile alone", nullptr, nullptr, a.c_str(), REG_SZ, "A-sound"},
        {"a file that is not there", "C:\\korvsrc-none.wav", nullptr, nullptr, REG_SZ, ""},
        {"nowhere", nullptr, nullptr, nullptr, REG_SZ, ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        ClearScheme();
        SetScheme(".Current", c.current, c.type);
        SetScheme(".Default", c.defaults, c.type);
        if (c.profile) WriteProfileStringA("Sounds", kEvent, (std::string(c.profile) + ",Test event").c_str());
        EXPECT_EQ(Text(SoundSource::Load(SoundKind::Alias, kEvent, nullptr, true)), c.heard);
        // A name without a kind looks for the event first, as sndPlaySound does.
        EXPECT_EQ(Text(SoundSource::Load(SoundKind::NameOrFile, kEvent, nullptr, true)), c.heard);
    }
}

TEST_F(SoundSourceTest, FilesMemoryAndIds) {
    EXPECT_EQ(Text(SoundSource::Load(SoundKind::File, m_a.c_str(), nullptr, true)), "A-sound");
    EXPECT_EQ(Text(SoundSource::Load(SoundKind::NameOrFile, m_b.c_str(), nullptr, true)), "B-sound");
    EXPECT_EQ(Text(SoundSource::Load(SoundKind::File, (m_a + "+part").c_str(), nullptr, true)), "");
    EXPECT_EQ(Text(SoundSource::Load(SoundKind::File, "C:\\korvsrc-none.wav", nullptr, true)), "");
    // Memory: as long as the form says, not beyond.
    const char image[] = "RIFF\x08\0\0\0WAVEdataXXXXtail";
    EXPECT_EQ(Text(SoundSource::Load(SoundKind::Memory, image, nullptr, true)), std::string(image, 16));
    EXPECT_EQ(Text(SoundSource::Load(SoundKind::Memory, "not a form at all", nullptr, true)), "");
    // An id the system does not know; a resource that is not there.
    EXPECT_EQ(Text(SoundSource::Load(SoundKind::AliasId, reinterpret_cast<const void*>(0x7853), nullptr, true)), "");
    EXPECT_EQ(Text(SoundSource::Load(SoundKind::Resource, "NOSUCHWAVE", nullptr, true)), "");
}

}  // namespace
