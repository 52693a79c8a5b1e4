// Fresh blocks of memory: zero, writable to their last byte, and a block of
// a large page or more on a large-page boundary.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "records/zero_pages.h"

using quilve::ZeroPages;

TEST(ZeroPages, BlocksAreZeroWritableAndLargeOnesAligned) {
  for (std::size_t bytes : {std::size_t{1}, std::size_t{4097}, std::size_t{2} << 20, (std::size_t{5} << 20) + 3}) {
    SCOPED_TRACE(bytes);
    ZeroPages block(bytes);
    ASSERT_NE(block.data(), nullptr);
    auto* p = static_cast<unsigned char*>(block.data());
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[bytes / 2], 0);
    EXPECT_EQ(p[bytes - 1], 0);
    std::memset(p, 0xA5, bytes);
    EXPECT_EQ(p[bytes - 1], 0xA5);
    if (bytes >= (std::size_t{2} << 20)) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % (std::size_t{2} << 20), 0u);
    }
  }
  EXPECT_EQ(ZeroPages(0).data(), nullptr);
}
