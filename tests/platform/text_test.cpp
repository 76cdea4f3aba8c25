// Text routines: wsprintfA, MultiByteToWideChar, _wtoi and StringFromGUID2.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <iterator>
#include <string>

#include "platform.h"

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[1100];
  std::memset(buffer, '#', sizeof(buffer));
  const int written = wsprintfA(buffer, format, args...);
  EXPECT_EQ(written, static_cast<int>(std::strlen(buffer)));
  return std::string(buffer);
}

TEST(Wsprintf, Conversions) {
  const WCHAR wide[] = u"Gr\u00fc\u00dfe \u20ac \U0001F600";
  const WCHAR loneSurrogate[] = {u'a', 0xD800, u'b', 0};
  struct Case {
    std::string got;
    const char* expected;
  };
  const Case cases[] = {
      {Format("CLSID\\%ls", u"{0DD7B044}"), "CLSID\\{0DD7B044}"},
      {Format("%ls", wide),
       "Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {Format("%ls", loneSurrogate),
       "a\xEF\xBF\xBD"
       "b"},
      {Format("%S|%hS", u"wide", "narrow"), "wide|narrow"},
      {Format("%s|%hs|%.3s|%-6s|%6s|", "abc", "h", "abcdef", "ab", "ab"), "abc|h|abc|ab    |    ab|"},
      {Format("%.2ls|%5ls", u"abc", u"ab"), "ab|   ab"},
      {Format("%s|%ls", static_cast<const char*>(nullptr), static_cast<const WCHAR*>(nullptr)), "(null)|(null)"},
      {Format("%c%lc%C", 'x', static_cast<int>(u'\u00e9'), static_cast<int>(u'y')), "x\xC3\xA9y"},
      {Format("%d|%i|%ld|%d", 42, -7, static_cast<LONG>(INT_MIN), 0), "42|-7|-2147483648|0"},
      {Format("%u|%lu|%hu|%hd", 4000000000u, static_cast<ULONG>(7), 70000, 40000), "4000000000|7|4464|-25536"},
      {Format("%x|%X|%08lX|%#x|%hx", 0xbeefu, 0xbeefu, 0x1234u, 255u, 0x12345u), "beef|BEEF|00001234|0xff|2345"},
      {Format("%5d|%-5d|%05d|%.4d|%8.4d|%.0d|", 42, 42, -42, 7, -7, 0), "   42|42   |-0042|0007|   -0007||"},
      {Format("100%%|%q|%"), "100%|q|"},
  };
  for (const Case& given : cases) {
    EXPECT_EQ(given.got, given.expected);
  }
}

TEST(Wsprintf, WritesAtMost1024BytesWithTheTerminator) {
  const std::string longText(2000, 'a');
  char buffer[1100];
  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(wsprintfA(buffer, "%s", longText.c_str()), 1023);
  EXPECT_EQ(buffer[1023], '\0');
  EXPECT_EQ(buffer[1024], '#');

  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(wsprintfA(buffer, "%2000d|", 1), 1023);
  EXPECT_EQ(buffer[1022], ' ');
  EXPECT_EQ(buffer[1024], '#');
}

TEST(MultiByteToWideChar, SizingAndConversion) {
  const char* text =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xF0\x9F\x98\x80";  // 7 characters, one outside the BMP
  const std::u16string expected = u"Gr\u00fc\u00dfe \U0001F600";
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 9);  // 8 units and the terminator
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, 3, nullptr, 0), 3);

  WCHAR wide[16];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 16), 9);
  EXPECT_EQ(std::u16string(wide), expected);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 9), 9);

  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  // Malformed input: a stray continuation byte, a cut sequence, an overlong form.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0,
                                "a\x80"
                                "b\xE2\x82"
                                "c\xC0\xAF",
                                -1, wide, 16),
            8);
  EXPECT_EQ(std::u16string(wide), u"a\uFFFDb\uFFFDc\uFFFD\uFFFD");

  for (int count : {0, -2}) {
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, count, wide, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

TEST(Wtoi, ParsesLikeTheCRuntime) {
  struct Case {
    const WCHAR* text;
    int value;
  };
  const Case cases[] = {
      {u"42", 42},
      {u"  \t-17xyz", -17},
      {u"+8", 8},
      {u"", 0},
      {u"abc", 0},
      {u"- 5", 0},
      {u"0007", 7},
      {u"2147483647", INT_MAX},
      {u"2147483648", INT_MAX},
      {u"-2147483648", INT_MIN},
      {u"-99999999999999999999", INT_MIN},
      {nullptr, 0},
  };
  for (size_t at = 0; at < std::size(cases); ++at) {
    EXPECT_EQ(_wtoi(cases[at].text), cases[at].value) << "case " << at;
  }
}

TEST(StringFromGUID2, BracedUpperCaseText) {
  const GUID id = {0x0DD7B044, 0x4226, 0x4740, {0x87, 0xE0, 0xBB, 0x92, 0xC1, 0x35, 0x64, 0xAB}};
  WCHAR text[40];
  EXPECT_EQ(StringFromGUID2(id, text, 39), 39);
  EXPECT_EQ(std::u16string(text), u"{0DD7B044-4226-4740-87E0-BB92C13564AB}");
  EXPECT_EQ(StringFromGUID2(IID_IUnknown, text, 40), 39);
  EXPECT_EQ(std::u16string(text), u"{00000000-0000-0000-C000-000000000046}");
  EXPECT_EQ(StringFromGUID2(id, text, 38), 0);
}

}  // namespace
