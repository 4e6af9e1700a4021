// SPDX-License-Identifier: GPL-3.0-or-later
// The percentage the scan and the export set the progress bar to.
#include "library/Progress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>

namespace {

using library::RoundedPercent;

TEST(RoundedPercent, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundedPercent(1, 8), 12);   // 12.5
  EXPECT_EQ(RoundedPercent(3, 8), 38);   // 37.5
  EXPECT_EQ(RoundedPercent(5, 8), 62);   // 62.5
  EXPECT_EQ(RoundedPercent(1, 200), 0);  // 0.5
  EXPECT_EQ(RoundedPercent(3, 200), 2);  // 1.5
  EXPECT_EQ(RoundedPercent(1, 3), 33);
  EXPECT_EQ(RoundedPercent(2, 3), 67);
  EXPECT_EQ(RoundedPercent(0, 7), 0);
}

TEST(RoundedPercent, NoDivisorOrMoreThanTheWholeGivesOneHundred) {
  EXPECT_EQ(RoundedPercent(0, 0), 100);
  EXPECT_EQ(RoundedPercent(5, 0), 100);
  EXPECT_EQ(RoundedPercent(4, 4), 100);
  EXPECT_EQ(RoundedPercent(5, 4), 100);
  EXPECT_EQ(RoundedPercent(1000, 3), 100);
  // Counts far beyond 32 bits neither overflow nor lose the rounding.
  const std::size_t big = std::size_t{1} << 40;
  EXPECT_EQ(RoundedPercent(big / 8, big), 12);
  EXPECT_EQ(RoundedPercent(big, big), 100);
}

TEST(RoundedPercent, SameAsRoundingTheQuotientToEven) {
  // For small counts the quotient in double precision is exact at the halves and never
  // crosses one elsewhere, so the default rounding of nearbyint (to even) is a reference.
  for (std::size_t denominator = 1; denominator <= 300; ++denominator)
    for (std::size_t numerator = 0; numerator <= denominator; ++numerator)
      ASSERT_EQ(RoundedPercent(numerator, denominator),
                static_cast<int>(std::nearbyint(static_cast<double>(numerator) * 100.0 / static_cast<double>(denominator))))
          << numerator << "/" << denominator;
}

}  // namespace
