// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/sMediaTag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(FloatToText, ShortestGeneralFormWithFifteenDigits) {
  EXPECT_EQ(FloatToText(245.3378), "245.3378");
  EXPECT_EQ(FloatToText(0.1 + 0.2), "0.3");  // 0.30000000000000004 at 17 digits
  EXPECT_EQ(FloatToText(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FloatToText(2.0 / 3.0), "0.666666666666667");
  EXPECT_EQ(FloatToText(10), "10");
  EXPECT_EQ(FloatToText(-2.5), "-2.5");
  EXPECT_EQ(FloatToText(0), "0");
  EXPECT_EQ(FloatToText(-0.0), "0");
}

TEST(FloatToText, ScientificBeyondFifteenIntegerDigitsAndBelowOneTenThousandth) {
  EXPECT_EQ(FloatToText(999999999999999.0), "999999999999999");
  EXPECT_EQ(FloatToText(1e15), "1E15");
  EXPECT_EQ(FloatToText(123456789012345678.0), "1.23456789012346E17");
  EXPECT_EQ(FloatToText(0.0001), "0.0001");
  EXPECT_EQ(FloatToText(0.00001), "1E-5");
  EXPECT_EQ(FloatToText(-1.5e-7), "-1.5E-7");
  EXPECT_EQ(FloatToText(1e300), "1E300");
  EXPECT_EQ(FloatToText(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FloatToText(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(FloatToText(std::nan("")), "NAN");
}

TEST(PropValueToText, EveryKind) {
  EXPECT_EQ(PropValueToText(PropKind::Byte, std::int64_t{255}), "255");
  EXPECT_EQ(PropValueToText(PropKind::Word, std::int64_t{65535}), "65535");
  EXPECT_EQ(PropValueToText(PropKind::Integer, std::int64_t{-5}), "-5");
  EXPECT_EQ(PropValueToText(PropKind::Cardinal, std::int64_t{4000000000}), "4000000000");
  EXPECT_EQ(PropValueToText(PropKind::Int64, std::int64_t{-9000000000000000000}), "-9000000000000000000");
  EXPECT_EQ(PropValueToText(PropKind::Integer, std::int64_t{0}), "0");  // never empty
  EXPECT_EQ(PropValueToText(PropKind::Boolean, true), "True");
  EXPECT_EQ(PropValueToText(PropKind::Boolean, false), "False");
  EXPECT_EQ(PropValueToText(PropKind::Double, 245.3378), "245.3378");
  EXPECT_EQ(PropValueToText(PropKind::ShortString, std::string("\x83\x5C")), "\x83\x5C");
  EXPECT_EQ(PropValueToText(PropKind::ByteString, std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(PropValueToText(PropKind::WideString, std::u16string(u"\u65e5\u672c")), "\x93\xfa\x96\x7b");
  EXPECT_EQ(PropValueToText(PropKind::WideString, std::u16string(u"\u00e9")), "?");
  EXPECT_EQ(PropValueToText(PropKind::Record, std::monostate{}), "");
  TsMediaTag object;
  EXPECT_EQ(PropValueToText(PropKind::Object, &object), "");
}

TEST(PropValueFromText, NumbersAreDecimalOrZero) {
  auto integer = [](const std::string& text) {
    return std::get<std::int64_t>(*PropValueFromText(PropKind::Integer, text));
  };
  EXPECT_EQ(integer("42"), 42);
  EXPECT_EQ(integer("-7"), -7);
  EXPECT_EQ(integer("+7"), 7);
  EXPECT_EQ(integer("12abc"), 0);
  EXPECT_EQ(integer("abc"), 0);
  EXPECT_EQ(integer(""), 0);
  EXPECT_EQ(integer("0x10"), 0);
  EXPECT_EQ(integer("99999999999999999999"), 0);
  EXPECT_EQ(std::get<std::int64_t>(*PropValueFromText(PropKind::Byte, "300")), 300);  // the setter narrows

  auto real = [](const std::string& text) { return std::get<double>(*PropValueFromText(PropKind::Double, text)); };
  EXPECT_DOUBLE_EQ(real("245.3378"), 245.3378);
  EXPECT_DOUBLE_EQ(real("-1.5E-7"), -1.5e-7);
  EXPECT_EQ(real("1,5"), 0);
  EXPECT_EQ(real("inf"), 0);
  EXPECT_EQ(real("x"), 0);
}

TEST(PropValueFromText, BooleanIdentifiersStringsAndKindsWithoutText) {
  EXPECT_EQ(std::get<bool>(*PropValueFromText(PropKind::Boolean, "True")), true);
  EXPECT_EQ(std::get<bool>(*PropValueFromText(PropKind::Boolean, "fALSE")), false);
  EXPECT_FALSE(PropValueFromText(PropKind::Boolean, "1").has_value());
  EXPECT_FALSE(PropValueFromText(PropKind::Boolean, "yes").has_value());
  EXPECT_FALSE(PropValueFromText(PropKind::Boolean, "").has_value());
  EXPECT_EQ(std::get<std::string>(*PropValueFromText(PropKind::ShortString, " padded ")), " padded ");
  EXPECT_EQ(std::get<std::u16string>(*PropValueFromText(PropKind::WideString, "\x93\xfa")), u"\u65e5");
  EXPECT_FALSE(PropValueFromText(PropKind::Record, "x").has_value());
  EXPECT_FALSE(PropValueFromText(PropKind::Object, "x").has_value());
}

// A small derived class to see the table model at work.
class TSample : public TsMediaTag {
public:
  const PropertyTable& Properties() const override {
    static const PropertyTable table = DeriveProperties(
        BaseProperties(),
        {
            Published<TSample>("Count", PropKind::Word, [](const TSample& s) { return std::int64_t{s.count}; }),
            Published<TSample>(
                "Name", PropKind::WideString, [](const TSample& s) { return s.name; },
                [](TSample& s, const PropValue& v) { s.name = PropWide(v); }),
        });
    return table;
  }
  bool ReadFrom(platform::File&) override {
    ClearBase();
    SetFileFormat("SAMPLE");
    RawValues().push_back("a=b");
    return true;
  }
  int count = 3;
  std::u16string name = u"n";
};

TEST(TsMediaTag, BaseStateAndOperations) {
  TsMediaTag base;
  EXPECT_EQ(base.FileFormat(), "unknown");
  EXPECT_TRUE(base.RawValues().empty());
  EXPECT_FALSE(base.LoadFromFile("x"));
  EXPECT_FALSE(base.StripFromFile("x"));
  EXPECT_FALSE(base.WriteToFile("x"));
  ASSERT_EQ(base.Properties().size(), 1u);
  EXPECT_EQ(base.Properties()[0].name, "FileFormat");
  EXPECT_EQ(base.PropertyText("fileformat"), "unknown");
}

TEST(TsMediaTag, DerivedTableLookupAndText) {
  TSample sample;
  ASSERT_EQ(sample.Properties().size(), 3u);
  EXPECT_EQ(sample.Properties()[0].name, "FileFormat");
  EXPECT_EQ(sample.Properties()[2].name, "Name");
  EXPECT_EQ(sample.FindProperty("COUNT"), &sample.Properties()[1]);
  EXPECT_EQ(sample.FindProperty("Coun"), nullptr);
  EXPECT_EQ(sample.FindProperty(""), nullptr);
  EXPECT_EQ(sample.PropertyText("count"), "3");
  EXPECT_EQ(sample.PropertyText("Missing"), "");
  sample.FindProperty("Name")->set(sample, PropValue(std::string("\x93\xfa")));
  EXPECT_EQ(sample.name, u"\u65e5");
  EXPECT_EQ(sample.PropertyText("Name"), "\x93\xfa");
  ASSERT_TRUE(sample.LoadFromFile("any"));
  EXPECT_EQ(sample.PropertyText("FileFormat"), "SAMPLE");
}

}  // namespace
