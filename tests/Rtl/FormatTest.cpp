#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cwchar>
#include <string>
#include <type_traits>
#include <vector>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

namespace {

TEST(Format, IntegersSignedUnsignedAndPrecision) {
  EXPECT_EQ(Format("%d", 0), "0");
  EXPECT_EQ(Format("%d", -42), "-42");
  EXPECT_EQ(Format("%d", INT_MIN), "-2147483648");
  EXPECT_EQ(Format("%d", INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(Format("%.4d", 7), "0007");
  EXPECT_EQ(Format("%.4d", -7), "-0007");
  EXPECT_EQ(Format("%.4d", 123456), "123456");
  EXPECT_EQ(Format("%u", 4000000000u), "4000000000");
  // A negative 32-bit value read as unsigned keeps its own width.
  EXPECT_EQ(Format("%u", -1), "4294967295");
  EXPECT_EQ(Format("%u", std::int64_t{-1}), "18446744073709551615");
}

TEST(Format, HexIsUpperCaseUnlessAskedForLower) {
  EXPECT_EQ(Format("%x", 255), "FF");
  EXPECT_EQ(Format("%.8x", 0x1A2B), "00001A2B");
  EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
  EXPECT_EQ(Format("%x", std::int64_t{-1}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(FormatLowerHex("OLE error %.8x", static_cast<std::int32_t>(0x80040154)),
            "OLE error 80040154");
  EXPECT_EQ(FormatLowerHex("%.8x", 0xABCDEF), "00abcdef");
  EXPECT_EQ(
      WideFormatLowerHex(u"%s\\%.4x%.4x\\%s", u"\\StringFileInfo", 0x0409, 0x04B0, u"ProductName"),
      u"\\StringFileInfo\\040904b0\\ProductName");
}

TEST(Format, IntegersKeepTheirWidth) {
  // An HRESULT held unsigned prints as the signed code, as the OLE line shows it.
  const std::uint32_t hr = 0x80004005u;
  EXPECT_EQ(Format("OLE Exception Code: 0x%0:.8x (%0:d)", hr),
            "OLE Exception Code: 0x80004005 (-2147467259)");
  EXPECT_EQ(Format("%d", 0xFFFFFFFFu), "-1");
  EXPECT_EQ(Format("%d %u", 0x7FFFFFFFu, 0x80000000u), "2147483647 2147483648");
  EXPECT_EQ(Format("%d", std::uint64_t{0x80000000u}), "2147483648");  // 64 bits: positive
  EXPECT_EQ(Format("%d", ~std::uint64_t{0}), "-1");
  EXPECT_EQ(Format("%d", std::uint16_t{0xFFFF}), "65535");  // widened before it is read
  EXPECT_EQ(Format("%x", std::int16_t{-1}), "FFFFFFFF");
}

TEST(Format, PointersAreZeroPaddedToPointerWidth) {
  std::string p = Format("%p", reinterpret_cast<const void*>(std::uintptr_t{0xBEEF}));
  EXPECT_EQ(p.size(), sizeof(void*) * 2);
  EXPECT_EQ(p.substr(p.size() - 4), "BEEF");
  EXPECT_EQ(p.find_first_not_of('0'), p.size() - 4);
}

TEST(Format, PointersPrintWithAllTheirDigits) {
  const std::uintptr_t wide =
      sizeof(void*) == 8 ? std::uintptr_t(0x12345678ABCDEF01ull) : 0x9ABCDEF0u;
  const void* p = reinterpret_cast<const void*>(wide);
  const std::string digits = sizeof(void*) == 8 ? "12345678ABCDEF01" : "9ABCDEF0";
  EXPECT_EQ(Format("%x", p), digits);
  EXPECT_EQ(Format("%.8x", p), digits);
  EXPECT_EQ(Format("%p", p), digits);
  EXPECT_EQ(FormatLowerHex("%x", p), LowerCase(digits));
  EXPECT_EQ(Format("%.8x", reinterpret_cast<const void*>(std::uintptr_t{0x1F})), "0000001F");
  // Pointer-sized integers keep their upper half too.
  EXPECT_EQ(Format("%x", wide), digits);
  EXPECT_THROW(Format("%d", p), EConvertError);
}

// Characters are neither numbers nor text; the system's wide text is text where it is
// UTF-16.
static_assert(!std::is_constructible_v<FormatArg, char>);
static_assert(!std::is_constructible_v<FormatArg, wchar_t>);
static_assert(!std::is_constructible_v<FormatArg, char16_t>);
static_assert(!std::is_constructible_v<FormatArg, char32_t>);
static_assert(std::is_constructible_v<FormatArg, const wchar_t*> == (WCHAR_MAX <= 0xFFFF));
static_assert(std::is_constructible_v<FormatArg, std::wstring> == (WCHAR_MAX <= 0xFFFF));

#if WCHAR_MAX <= 0xFFFF
TEST(Format, SystemWideTextIsText) {
  const wchar_t* name = L"C:\\Gr\u00fc\u00dfe";
  EXPECT_EQ(WideFormat(u"[%s]", name), u"[C:\\Gr\u00fc\u00dfe]");
  EXPECT_EQ(Format("%s", L"abc"), "abc");
  wchar_t buffer[] = L"mutable";
  EXPECT_EQ(WideFormat(u"%s", buffer), u"mutable");
  EXPECT_EQ(WideFormat(u"%.3s|%s", std::wstring(L"abcdef"), static_cast<const wchar_t*>(nullptr)),
            u"abc|");
  EXPECT_THROW(Format("%d", L"12"), EConvertError);
}
#endif

TEST(Format, StringsWidthPrecisionAndAlignment) {
  EXPECT_EQ(Format("[%s]", "abc"), "[abc]");
  EXPECT_EQ(Format("[%5s]", "abc"), "[  abc]");
  EXPECT_EQ(Format("[%-5s]", "abc"), "[abc  ]");
  EXPECT_EQ(Format("[%.2s]", "abc"), "[ab]");
  EXPECT_EQ(Format("[%6d]", -12), "[   -12]");
  EXPECT_EQ(Format("[%-6x]", 10), "[A     ]");
  EXPECT_EQ(Format("[%*d]", 4, 7), "[   7]");
  EXPECT_EQ(Format("[%.*d]", 3, 7), "[007]");
  EXPECT_EQ(Format("%s", std::string()), "");
}

TEST(Format, WideAndNarrowArgumentsMixInBothDirections) {
  EXPECT_EQ(Format("Could not create %s", u"C:\\x"), "Could not create C:\\x");
  EXPECT_EQ(WideFormat(u"Could not create %s", "C:\\x"), u"Could not create C:\\x");
  // Latin-1 letters survive the system code page; the host stands in with Latin-1.
  EXPECT_EQ(WideFormat(u"%s", u"Gr\u00fc\u00dfe"), u"Gr\u00fc\u00dfe");
}

TEST(Format, ArgumentIndexesSetTheArgumentForFollowingSpecifiers) {
  EXPECT_EQ(Format("OLE Exception Code: 0x%0:.8x (%0:d)", static_cast<std::int32_t>(0x80004005)),
            "OLE Exception Code: 0x80004005 (-2147467259)");
  EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");
  EXPECT_EQ(Format("%2:d", 0, 1, 2), "2");
  EXPECT_THROW(Format("%2:d%d", 0, 1, 2), EConvertError);  // the index moves past the end
}

TEST(Format, PercentAndLiteralText) {
  EXPECT_EQ(Format("Memory Load: %d%%", 57), "Memory Load: 57%");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("no specifiers"), "no specifiers");
  EXPECT_EQ(Format("System Error.  Code: %d.\r\n%s", 32, "In use"),
            "System Error.  Code: 32.\r\nIn use");
  EXPECT_EQ(Format("%s%s_Error_%.4d.txt", "C:\\Errors\\", "Plinth2000", 3),
            "C:\\Errors\\Plinth2000_Error_0003.txt");
}

TEST(Format, FloatingPointStyles) {
  EXPECT_EQ(Format("%f", 1.5), "1.50");
  EXPECT_EQ(Format("%.3f", -2.0), "-2.000");
  EXPECT_EQ(Format("%n", 1234567.891), "1,234,567.89");
  EXPECT_EQ(Format("%.0n", 999.0), "999");
  EXPECT_EQ(Format("%g", 0.5), "0.5");
  EXPECT_EQ(Format("%e", 12345.0), "1.23450000000000E+004");
  EXPECT_EQ(Format("%.3e", -0.00123), "-1.23E-003");
}

TEST(Format, MismatchedOrMissingArgumentsRaise) {
  EXPECT_THROW(Format("%d", "text"), EConvertError);
  EXPECT_THROW(Format("%s", 5), EConvertError);
  EXPECT_THROW(Format("%f", 5), EConvertError);
  EXPECT_THROW(Format("%d %d", 5), EConvertError);
  EXPECT_THROW(Format("%q", 5), EConvertError);
  EXPECT_THROW(Format("trailing %", 5), EConvertError);
  EXPECT_THROW(Format("%99999999999d", 5), EConvertError);
  try {
    Format("%d", "x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Format '%d' invalid or incompatible with argument");
  }
  try {
    Format("%s and %s", "x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "No argument for format '%s and %s'");
  }
}

TEST(Format, WideFormatFollowsTheSameRules) {
  EXPECT_EQ(WideFormat(u"%d.%d r%d", 2000, 80, 194), u"2000.80 r194");
  EXPECT_EQ(WideFormat(u"%.4x", 0x4b0), u"04B0");
  EXPECT_EQ(WideFormat(u"[%-4s]", u"ab"), u"[ab  ]");
  EXPECT_THROW(WideFormat(u"%d", u"x"), EConvertError);
}

TEST(Format, SpecifierListingForCompatibilityChecks) {
  auto specs = ParseFormatSpecs(u"%s is %d%% of %1:s, %*d");
  ASSERT_EQ(specs.size(), 5u);
  EXPECT_EQ(specs[0].type, u's');
  EXPECT_EQ(specs[1].type, u'd');
  EXPECT_EQ(specs[1].argIndex, 1);
  EXPECT_EQ(specs[2].argIndex, 1);
  EXPECT_EQ(specs[3].type, u'*');
  EXPECT_EQ(specs[4].argIndex, 3);
  try {
    ParseFormatSpecs(u"bad %y here");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid Format Specifier: %y");
  }
}

TEST(Format, CompatibleTranslationsMayReorderAndRepeat) {
  EXPECT_NO_THROW(CheckFormatCompatible(u"%s has %d files", u"%1:d Dateien hat %0:s"));
  EXPECT_NO_THROW(CheckFormatCompatible(u"%s: %d", u"%0:s (%0:s): %1:x"));
  EXPECT_NO_THROW(CheckFormatCompatible(u"%.2f%% done", u"%g %% fertig"));
  EXPECT_NO_THROW(CheckFormatCompatible(u"%*d", u"%d%d"));
  EXPECT_NO_THROW(CheckFormatCompatible(u"no arguments", u"keine %% Argumente"));
}

TEST(Format, IncompatibleTranslationsNameTheFault) {
  auto message = [](std::u16string_view ref, std::u16string_view tran) -> std::string {
    try {
      CheckFormatCompatible(ref, tran);
    } catch (const EFormatSpecifierError& e) {
      return e.Message();
    }
    return "no error";
  };
  EXPECT_EQ(message(u"%d of %d", u"%d"), "Number of format specifiers do not match.");
  EXPECT_EQ(message(u"%s", u"%s %s"), "Number of format specifiers do not match.");
  EXPECT_EQ(message(u"%s is %d", u"%s is %s"), "Argument types for index 1 do not match. (d <> s)");
  EXPECT_EQ(message(u"%d", u"%f"), "Argument types for index 0 do not match. (d <> f)");
  EXPECT_EQ(message(u"%s %d", u"%0:s %2:d"),
            "Argument types for index 2 do not match. (none <> d)");
  EXPECT_EQ(message(u"%p", u"%x"), "Argument types for index 0 do not match. (p <> x)");
  try {
    CheckFormatCompatible(u"%d", u"%q");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid Format Specifier: %q");
  }
}

// Which types take the same kind of argument: the integers d, u, x (and a width or
// precision star), the floating types e, f, g, n (number) and m (money), s and p.
TEST(Format, EveryTypeFitsExactlyTheTypesOfItsKind) {
  const std::vector<std::u16string> kinds[] = {
      {u"%d", u"%u", u"%x", u"%*d"}, {u"%e", u"%f", u"%g", u"%n", u"%m"}, {u"%s"}, {u"%p"}};
  for (std::size_t a = 0; a < std::size(kinds); ++a) {
    for (std::size_t b = 0; b < std::size(kinds); ++b) {
      for (const std::u16string& ref : kinds[a]) {
        for (const std::u16string& tran : kinds[b]) {
          // "%*d" takes two arguments: its partner takes the same two.
          std::u16string r = ref == u"%*d" ? ref : ref + u"%d";
          std::u16string t = tran == u"%*d" ? tran : tran + u"%d";
          bool fits = true;
          try {
            CheckFormatCompatible(r, t);
          } catch (const EFormatSpecifierError&) {
            fits = false;
          }
          EXPECT_EQ(fits, a == b) << WideToUtf8(r) << " against " << WideToUtf8(t);
        }
      }
    }
  }
  // Letter case does not change a type.
  EXPECT_NO_THROW(CheckFormatCompatible(u"%N %M %S", u"%n %m %s"));
}

TEST(Format, CanonicalFormDropsOnlyWhatCannotChangeTheOutput) {
  EXPECT_EQ(CanonicalFormat(u"%0:s and %1:D"), u"%s and %d");
  EXPECT_EQ(CanonicalFormat(u"%1:s %0:s"), u"%1:s %0:s");
  EXPECT_EQ(CanonicalFormat(u"%s %1:s %0:s %s"), u"%s %s %0:s %s");
  EXPECT_EQ(CanonicalFormat(u"%*d %2:s"), u"%*d %s");
  EXPECT_EQ(CanonicalFormat(u"[%-08.3F] 50%%"), u"[%-8.3f] 50%%");
  EXPECT_EQ(CanonicalFormat(u"%X"), u"%x");
  EXPECT_EQ(CanonicalFormat(u"plain text"), u"plain text");
  // Not a format at all: kept as written, even its valid specifiers.
  EXPECT_EQ(CanonicalFormat(u"%0:S is 100% sure"), u"%0:S is 100% sure");
  // Two spellings of one format compare equal.
  EXPECT_EQ(CanonicalFormat(u"%0:s=%1:d"), CanonicalFormat(u"%s=%D"));
}

}  // namespace
