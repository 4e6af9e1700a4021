// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/TagBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <variant>

#include "tags/sMediaTag.h"

namespace {

using namespace tagbytes;

// Bytes with the high bit set at every position, followed by a byte no reader may touch.
constexpr std::uint8_t HighBytes[] = {0xFF, 0x80, 0xFE, 0x81, 0xC0, 0x90, 0xA0, 0x88, 0x5A};

TEST(TagBytes, LittleEndianReadersKeepHighBytesUnsigned) {
  EXPECT_EQ(Le16At(HighBytes), 0x80FFu);
  EXPECT_EQ(Le32At(HighBytes), 0x81FE80FFu);
  EXPECT_EQ(Le64At(HighBytes), 0x88A090C081FE80FFull);
  const std::uint8_t ones[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Le16At(ones), 0xFFFFu);
  EXPECT_EQ(Le32At(ones), 0xFFFFFFFFu);
  EXPECT_EQ(Le64At(ones), ~std::uint64_t{0});
}

TEST(TagBytes, BigEndianReadersKeepHighBytesUnsigned) {
  EXPECT_EQ(Be16At(HighBytes), 0xFF80u);
  EXPECT_EQ(Be24At(HighBytes), 0xFF80FEu);
  EXPECT_EQ(Be32At(HighBytes), 0xFF80FE81u);
  EXPECT_EQ(Be64At(HighBytes), 0xFF80FE81C090A088ull);
}

TEST(TagBytes, ReadersTakeExactlyTheirWidth) {
  // The byte after each width differs from zero, so reading one byte too many shows.
  const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
  EXPECT_EQ(Le16At(bytes + 1), 0x0302u);
  EXPECT_EQ(Le32At(bytes + 1), 0x05040302u);
  EXPECT_EQ(Le64At(bytes + 1), 0x0908070605040302ull);
  EXPECT_EQ(Be16At(bytes + 1), 0x0203u);
  EXPECT_EQ(Be24At(bytes + 1), 0x020304u);
  EXPECT_EQ(Be32At(bytes + 1), 0x02030405u);
  EXPECT_EQ(Be64At(bytes + 1), 0x0203040506070809ull);
}

TEST(TagBytes, AppendersAddFourBytesInOrderBehindExistingText) {
  std::string out = "x";
  AppendLe32(out, 0x80FF0102u);
  AppendBe32(out, 0x80FF0102u);
  ASSERT_EQ(out.size(), 9u);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(out.data());
  EXPECT_EQ(bytes[0], 'x');
  EXPECT_EQ(bytes[1], 0x02);
  EXPECT_EQ(bytes[4], 0x80);
  EXPECT_EQ(bytes[5], 0x80);
  EXPECT_EQ(bytes[8], 0x02);
  EXPECT_EQ(Le32At(bytes + 1), 0x80FF0102u);
  EXPECT_EQ(Be32At(bytes + 5), 0x80FF0102u);
  for (std::uint32_t value : {0u, 1u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
    std::string le, be;
    AppendLe32(le, value);
    AppendBe32(be, value);
    EXPECT_EQ(Le32At(reinterpret_cast<const std::uint8_t*>(le.data())), value);
    EXPECT_EQ(Be32At(reinterpret_cast<const std::uint8_t*>(be.data())), value);
  }
}

TEST(TagBytes, SyncsafeUsesSevenBitsPerByteAndTakesBytesWhole) {
  const std::uint8_t largest[] = {0x7F, 0x7F, 0x7F, 0x7F};
  EXPECT_EQ(Syncsafe32At(largest), 0x0FFFFFFFu);
  const std::uint8_t small[] = {0x00, 0x00, 0x02, 0x01};
  EXPECT_EQ(Syncsafe32At(small), 257u);
  // A byte with its high bit set adds its whole value at its place; nothing wraps.
  const std::uint8_t high[] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Syncsafe32At(high), (255u << 21) + (255u << 14) + (255u << 7) + 255u);
  const std::uint8_t lowHigh[] = {0x00, 0x00, 0x00, 0x80};
  EXPECT_EQ(Syncsafe32At(lowHigh), 128u);
}

TEST(TagBytes, TrimControlDropsBytesZeroToThirtyTwoAtBothEnds) {
  EXPECT_EQ(TrimControl(std::string_view("\0 \t\r\nA b\x1F", 9)), "A b");
  EXPECT_EQ(TrimControl(" ! "), "!");  // 33 is the first byte kept
  EXPECT_EQ(TrimControl(std::string_view("\x01" "a\0b" "\x20", 5)), std::string_view("a\0b", 3));
}

TEST(TagBytes, TrimControlKeepsHighBytesAtTheEnds) {
  // Compared as signed char these would be below 32 and be cut away.
  EXPECT_EQ(TrimControl("\x80 x \xFF"), "\x80 x \xFF");
  EXPECT_EQ(TrimControl(" \x82\xA0 "), "\x82\xA0");  // a double-byte character
  EXPECT_EQ(TrimControl("\xA0"), "\xA0");
}

TEST(TagBytes, TrimControlOfEmptyOrAllControlTextIsEmpty) {
  EXPECT_EQ(TrimControl(std::string_view()), "");
  EXPECT_EQ(TrimControl(std::string_view("\0\0\0", 3)), "");
  std::string everyBlank;
  for (int c = 0; c <= 32; ++c) everyBlank.push_back(static_cast<char>(c));
  EXPECT_EQ(TrimControl(everyBlank), "");
  EXPECT_EQ(Trimmed(everyBlank), "");
  EXPECT_EQ(Trimmed(std::u16string(u"\0 \t", 3)), u"");
  EXPECT_EQ(Trimmed(std::u16string()), u"");
}

TEST(TagBytes, WideTrimComparesWholeUnits) {
  EXPECT_EQ(Trimmed(std::u16string(u"\0 Title\0", 8)), u"Title");
  // Units whose low byte is a control byte or a space are text, not blanks.
  EXPECT_EQ(Trimmed(u"\u0120x\u0100"), u"\u0120x\u0100");
  EXPECT_EQ(Trimmed(u"\uFFFF"), u"\uFFFF");
  EXPECT_EQ(Trimmed(u" \u3042 "), u"\u3042");
  EXPECT_EQ(Trimmed(u"!"), u"!");
}

TEST(TagBytes, TextBeforeZeroEndsAtTheFirstZeroAfterTrimming) {
  EXPECT_EQ(TextBeforeZero(std::string_view("\0\0 Rock\0Pop\0", 12)), "Rock");
  EXPECT_EQ(TextBeforeZero(std::string_view("Rock \0", 6)), "Rock");  // trimmed again after the cut
  EXPECT_EQ(TextBeforeZero(std::string_view("\0\0\0", 3)), "");
  EXPECT_EQ(TextBeforeZero(std::string_view()), "");
  EXPECT_EQ(TextBeforeZero("no zero"), "no zero");
}

TEST(TagBytes, PlainNumberTakesAtMostTenDigitsInsideThirtyTwoBits) {
  EXPECT_EQ(PlainNumberOrZero("7"), 7);
  EXPECT_EQ(PlainNumberOrZero("+7"), 7);
  EXPECT_EQ(PlainNumberOrZero("-7"), -7);
  EXPECT_EQ(PlainNumberOrZero("2147483647"), 2147483647);
  EXPECT_EQ(PlainNumberOrZero("2147483648"), 0);
  EXPECT_EQ(PlainNumberOrZero("-2147483648"), -2147483648LL);
  EXPECT_EQ(PlainNumberOrZero("-2147483649"), 0);
  EXPECT_EQ(PlainNumberOrZero("0000000001"), 1);   // ten digits
  EXPECT_EQ(PlainNumberOrZero("00000000001"), 0);  // eleven digits
  EXPECT_EQ(PlainNumberOrZero(""), 0);
  EXPECT_EQ(PlainNumberOrZero("-"), 0);
  EXPECT_EQ(PlainNumberOrZero("1 "), 0);
  EXPECT_EQ(PlainNumberOrZero("1a"), 0);
}

TEST(TagBytes, WholeDecimalAcceptsAnyDigitCountInsideThirtyTwoBits) {
  EXPECT_EQ(WholeDecimalOrZero(std::string_view("00000000000000000042")), 42);
  EXPECT_EQ(WholeDecimalOrZero(std::string_view("2147483647")), 2147483647);
  EXPECT_EQ(WholeDecimalOrZero(std::string_view("2147483648")), 0);
  EXPECT_EQ(WholeDecimalOrZero(std::string_view("-2147483648")), INT32_MIN);
  EXPECT_EQ(WholeDecimalOrZero(std::string_view("-2147483649")), 0);
  EXPECT_EQ(WholeDecimalOrZero(std::string_view("99999999999999999999999")), 0);  // no wrap-around
  EXPECT_EQ(WholeDecimalOrZero(std::string_view("+")), 0);
  EXPECT_EQ(WholeDecimalOrZero(std::string_view("")), 0);
  EXPECT_EQ(WholeDecimalOrZero(std::string_view("\xB1")), 0);  // a high byte is no digit
  EXPECT_EQ(WholeDecimalOrZero(std::u16string_view(u"-12")), -12);
  EXPECT_EQ(WholeDecimalOrZero(std::u16string_view(u"\uFF11")), 0);  // full-width one
  EXPECT_EQ(WholeDecimalOrZero(std::u16string_view(u"\u0131")), 0);  // low byte is '1'
}

// A class with two text properties made by TextProperty.
class TextHolder : public TsMediaTag {
public:
  const PropertyTable& Properties() const override {
    static const PropertyTable table = DeriveProperties(
        BaseProperties(), {TextProperty<TextHolder>("Name", &TextHolder::Name, &TextHolder::SetName),
                           TextProperty<TextHolder>("Code", &TextHolder::Code, &TextHolder::SetCode,
                                                    PropKind::ShortString)});
    return table;
  }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& value) { name_ = "set:" + value; }
  const std::string& Code() const { return code_; }
  void SetCode(const std::string& value) { code_ = value; }

private:
  std::string name_ = "initial";
  std::string code_;
};

TEST(TextProperty, ReadsAndWritesThroughTheMemberFunctions) {
  TextHolder holder;
  const PropertyInfo* name = holder.FindProperty("name");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->kind, PropKind::ByteString);
  ASSERT_TRUE(name->set);
  EXPECT_EQ(std::get<std::string>(name->get(holder)), "initial");
  name->set(holder, PropValue(std::string("abc")));
  EXPECT_EQ(holder.Name(), "set:abc");  // the setter ran, not a plain store
  EXPECT_EQ(holder.PropertyText("Name"), "set:abc");
  // A value of another alternative sets empty text.
  name->set(holder, PropValue(std::int64_t{5}));
  EXPECT_EQ(holder.Name(), "set:");

  const PropertyInfo* code = holder.FindProperty("Code");
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(code->kind, PropKind::ShortString);
  code->set(holder, PropValue(std::string("\x82\xA0")));
  EXPECT_EQ(holder.Code(), "\x82\xA0");
  EXPECT_EQ(holder.Name(), "set:");  // each property reaches its own member
}

TEST(TagBytes, RoundToWordHalvesToEvenAndEitherClampsOrKeepsTheLow16Bits) {
  using tagbytes::RoundToWord;
  using tagbytes::WordOverflow;
  for (WordOverflow overflow : {WordOverflow::Clamp, WordOverflow::KeepLow16}) {
    EXPECT_EQ(RoundToWord(127.5, overflow), 128);
    EXPECT_EQ(RoundToWord(128.5, overflow), 128);
    EXPECT_EQ(RoundToWord(128.50001, overflow), 129);
    EXPECT_EQ(RoundToWord(0.4, overflow), 0);
    EXPECT_EQ(RoundToWord(65534.6, overflow), 65535);
    EXPECT_EQ(RoundToWord(std::nan(""), overflow), 0);
  }
  EXPECT_EQ(RoundToWord(65536.0, WordOverflow::Clamp), 65535);
  EXPECT_EQ(RoundToWord(65536.0, WordOverflow::KeepLow16), 0);
  EXPECT_EQ(RoundToWord(65537.2, WordOverflow::KeepLow16), 1);
  EXPECT_EQ(RoundToWord(-1.0, WordOverflow::Clamp), 0);
  EXPECT_EQ(RoundToWord(-1.0, WordOverflow::KeepLow16), 65535);
  EXPECT_EQ(RoundToWord(1e300, WordOverflow::Clamp), 65535);
  EXPECT_EQ(RoundToWord(1e300, WordOverflow::KeepLow16), 0);
}

}  // namespace
