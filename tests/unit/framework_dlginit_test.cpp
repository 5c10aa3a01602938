#include "framework/DlgInitParser.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/common/PersistedBytes.h"

namespace {

using persisted::PutU32;

void PutU16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

void PutEntry(std::vector<uint8_t>& v, uint16_t id, uint32_t len) {
    PutU16(v, id);
    PutU16(v, 0x0376);
    PutU32(v, len);
    for (uint32_t i = 0; i < len; ++i) v.push_back(uint8_t(id + i));
}

}  // namespace

TEST(DlgInitParser, ReadsEntriesUpToTheTerminator) {
    std::vector<uint8_t> res;
    PutEntry(res, 1000, 20);
    PutEntry(res, 1005, 22);
    PutU16(res, 0);
    PutEntry(res, 1006, 22);  // after the terminator: not read

    auto entries = ParseDlgInit(res.data(), res.size());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].controlId, 1000);
    EXPECT_EQ(entries[0].message, 0x0376);
    EXPECT_EQ(entries[0].length, 20u);
    EXPECT_EQ(entries[0].data, res.data() + 8);
    EXPECT_EQ(entries[1].controlId, 1005);
    EXPECT_EQ(entries[1].length, 22u);
    EXPECT_EQ(entries[1].data[0], uint8_t(1005 & 0xFF));
}

TEST(DlgInitParser, NeverReadsPastATruncatedResource) {
    std::vector<uint8_t> res;
    PutEntry(res, 1000, 20);
    PutU16(res, 1001);
    PutU16(res, 0x0376);
    PutU32(res, 0xFFFFFFF0u);  // a length far beyond the end
    res.push_back(1);

    auto entries = ParseDlgInit(res.data(), res.size());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].controlId, 1000);

    EXPECT_TRUE(ParseDlgInit(nullptr, 10).empty());
    EXPECT_TRUE(ParseDlgInit(res.data(), 5).empty());  // a header cut short
}
