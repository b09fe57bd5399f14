#include "core/settings/decode_line.h"

#include <gtest/gtest.h>

namespace chromaflow {
namespace {

std::string shape(const DecodedLine& line) {
  std::string out;
  for (int n = 1; n <= line.count; ++n) out.append("[").append(line.field(n).text).append("]") += line.field(n).type;
  return out;
}

TEST(DecodeLine, CutsAtEqualsFirstThenSemicolons) {
  EXPECT_EQ(shape(DecodeLine("Retard(l)=1.00")), "[Retard(l)]S[1.00]R");
  EXPECT_EQ(shape(DecodeLine("Pompe P1(trs/l)=220")), "[Pompe P1(trs/l)]S[220]I");
  EXPECT_EQ(shape(DecodeLine("2;5.00;50")), "[2]I[5.00]R[50]I");
  EXPECT_EQ(shape(DecodeLine(";Proportions (%);RGB")), "[]S[Proportions (%)]S[RGB]S");
  // While an "=" remains it is the cut, even after a ";".
  EXPECT_EQ(shape(DecodeLine("a;b=c;d=e")), "[a;b]S[c;d]S[e]S");
  EXPECT_EQ(shape(DecodeLine("key=")), "[key]S");
  EXPECT_EQ(shape(DecodeLine("=5")), "[]S[5]I");
  EXPECT_EQ(DecodeLine("").count, 0);
  EXPECT_EQ(shape(DecodeLine("Retard(l) = 1.00")), "[Retard(l) ]S[ 1.00]R");  // not trimmed
}

TEST(DecodeLine, KeepsTenFieldsAndDropsTheRest) {
  const DecodedLine line = DecodeLine("1;2;3;4;5;6;7;8;9;10;11;12");
  EXPECT_EQ(line.count, 10);
  EXPECT_EQ(line.field(10).text, "10");
  EXPECT_EQ(line.field(11).text, "");
  EXPECT_EQ(line.field(11).type, 'S');
}

TEST(DecodeLine, TypesFollowTheWholeField) {
  struct Case {
    const char* text;
    char type;
  };
  const Case cases[] = {
      {"220", 'I'}, {"-5", 'I'}, {"+7", 'I'}, {"  12", 'I'}, {"$1F", 'I'}, {"0x10", 'I'},
      {"-$10", 'I'}, {"12 ", 'S'}, {"1.00", 'R'}, {"-0.5", 'R'}, {".5", 'R'}, {"5.", 'R'},
      {"1E3", 'R'}, {"2.5e-2", 'R'}, {" 1.5", 'R'}, {"99999999999", 'R'}, {"1,5", 'S'},
      {"1.5x", 'S'}, {"", 'S'}, {"e5", 'S'}, {"1e", 'S'}, {"0x", 'S'}, {"$", 'S'},
      {"nan", 'S'}, {"inf", 'S'}, {"vide", 'S'}, {"--1", 'S'}, {"1e999", 'S'},
      {"--0", 'I'}, {"+-0", 'I'}, {" -x", 'S'}, {"+.5", 'R'},  // the quirks of the first characters
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeLine(std::string("k=") + c.text).field(2).type, c.type) << c.text;
  EXPECT_EQ(*integerOfField("$1F"), 31);
  EXPECT_EQ(*integerOfField("-0x10"), -16);
  EXPECT_EQ(*integerOfField(" +42"), 42);
  EXPECT_FALSE(integerOfField("2147483648"));
  EXPECT_EQ(*integerOfField("2147483647"), INT32_MAX);
  EXPECT_EQ(*integerOfField("-2147483648"), INT32_MIN);
  EXPECT_DOUBLE_EQ(*realOfField(" 2.5E1"), 25.0);
}

}  // namespace
}  // namespace chromaflow
