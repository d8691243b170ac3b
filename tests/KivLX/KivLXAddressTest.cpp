// Mail address lists: the free-form text users type becomes normalised, unique
// entries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KivLX/KivLXUtils.h"
#include "Rtl/KivStringList.h"

namespace {

const std::u16string kDefault = u"Plinth2000 Support";

std::vector<std::u16string> Parse(std::u16string_view text, bool includeNames = true,
                                  bool allowNameOnly = false) {
  TKivStringList list;
  list.Add(u"left over from before");
  ParseAddressList(list, text, kDefault, includeNames, allowNameOnly);
  std::vector<std::u16string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

struct Parsed {
  std::u16string name, address;
};
Parsed ParseOne(std::u16string_view entry) {
  Parsed p{u"stale", u"stale"};
  ParseAddress(entry, kDefault, p.name, p.address);
  return p;
}

using Entries = std::vector<std::u16string>;

TEST(AddressList, EmptyOrBlankTextGivesNoEntries) {
  EXPECT_EQ(Parse(u""), Entries{});
  EXPECT_EQ(Parse(u"  \t "), Entries{});
  EXPECT_EQ(Parse(u" ,; ,"), Entries{});
}

TEST(AddressList, ABareAddressCarriesTheDefaultName) {
  EXPECT_EQ(Parse(u"support@plinth2000.com"),
            Entries{u"\"Plinth2000 Support\" <support@plinth2000.com>"});
  EXPECT_EQ(Parse(u"support@plinth2000.com", false), Entries{u"support@plinth2000.com"});
}

TEST(AddressList, ACommaInsideADisplayNameDoesNotSplitTheEntry) {
  EXPECT_EQ(Parse(u"Smith, John <john@x.com>; jane@y.com"),
            (Entries{u"\"Smith, John\" <john@x.com>", u"\"Plinth2000 Support\" <jane@y.com>"}));
  EXPECT_EQ(Parse(u"Smith, John <john@x.com>"), Entries{u"\"Smith, John\" <john@x.com>"});
  EXPECT_EQ(Parse(u"\"Doe; Jane\" <jane@y.com>, \"Smith, John\" <john@x.com>"),
            (Entries{u"\"Doe; Jane\" <jane@y.com>", u"\"Smith, John\" <john@x.com>"}));
}

TEST(AddressList, BareAddressesMaySeparateByBlanksCommasOrSemicolons) {
  Entries two{u"\"Plinth2000 Support\" <a@x.com>", u"\"Plinth2000 Support\" <b@y.com>"};
  EXPECT_EQ(Parse(u"a@x.com b@y.com"), two);
  EXPECT_EQ(Parse(u"a@x.com,b@y.com"), two);
  EXPECT_EQ(Parse(u" a@x.com ;; b@y.com; "), two);
  EXPECT_EQ(Parse(u"a@x.com   b@y.com", false), (Entries{u"a@x.com", u"b@y.com"}));
}

TEST(AddressList, BracketedAddressesEndTheirEntryWithoutASeparator) {
  EXPECT_EQ(Parse(u"Ann <a@x.com> Bob <b@y.com>"),
            (Entries{u"\"Ann\" <a@x.com>", u"\"Bob\" <b@y.com>"}));
  EXPECT_EQ(Parse(u"<a@x.com>"), Entries{u"\"Plinth2000 Support\" <a@x.com>"});
}

TEST(AddressList, DuplicatesAreKeptOnceIgnoringCase) {
  EXPECT_EQ(Parse(u"a@x.com, a@x.com; A@X.COM"), Entries{u"\"Plinth2000 Support\" <a@x.com>"});
  EXPECT_EQ(Parse(u"Ann <a@x.com>; Ann <a@x.com>; Bob <a@x.com>"),
            (Entries{u"\"Ann\" <a@x.com>", u"\"Bob\" <a@x.com>"}));
}

TEST(AddressList, ANameWithoutAddressOnlyWhenAllowed) {
  EXPECT_EQ(Parse(u"John Smith"), Entries{});
  EXPECT_EQ(Parse(u"John Smith", true, true), Entries{u"\"John Smith\" <>"});
  // Without names the name-only entry has nothing to give.
  EXPECT_EQ(Parse(u"John Smith", false, true), Entries{});
}

TEST(AddressList, QuotesAndBracketsInNamesAreReplaced) {
  EXPECT_EQ(Parse(u"Bob \"Bobby\" Smith <b@y.com>"), Entries{u"\"Bob 'Bobby' Smith\" <b@y.com>"});
  EXPECT_EQ(Parse(u"Bob >> Smith <b@y.com>"), Entries{u"\"Bob }} Smith\" <b@y.com>"});
}

TEST(Address, NameAndAddressOfTheEntryForms) {
  Parsed p = ParseOne(u"  John Smith  <  john@x.com >  ");
  EXPECT_EQ(p.name, u"John Smith");
  EXPECT_EQ(p.address, u"john@x.com");
  p = ParseOne(u"\"Smith, \"\"Jo\"\"\" <j@x.com>");
  EXPECT_EQ(p.name, u"Smith, 'Jo'");
  EXPECT_EQ(p.address, u"j@x.com");
  p = ParseOne(u"\"john@x.com\"");
  EXPECT_EQ(p.name, kDefault);
  EXPECT_EQ(p.address, u"john@x.com");
  p = ParseOne(u"John <>");
  EXPECT_EQ(p.name, u"John");
  EXPECT_EQ(p.address, u"");
  p = ParseOne(u"");
  EXPECT_EQ(p.name, u"");
  EXPECT_EQ(p.address, u"");
}

TEST(Address, ANameThatIsAnAddressBecomesTheAddress) {
  Parsed p = ParseOne(u"john@x.com <>");
  EXPECT_EQ(p.name, kDefault);
  EXPECT_EQ(p.address, u"john@x.com");
  // Not when the "@" comes first or the name has a blank: then it stays a name.
  p = ParseOne(u"@x.com <>");
  EXPECT_EQ(p.name, u"@x.com");
  EXPECT_EQ(p.address, u"");
  p = ParseOne(u"John at john@x.com <>");
  EXPECT_EQ(p.name, u"John at john@x.com");
  EXPECT_EQ(p.address, u"");
}

TEST(Address, AddressesLoseBlanksAndStrayBrackets) {
  Parsed p = ParseOne(u"J <jo hn\t@x. com>");
  EXPECT_EQ(p.address, u"john@x.com");
  p = ParseOne(u"john@x.com>");  // a closing bracket without an opening one
  EXPECT_EQ(p.name, kDefault);
  EXPECT_EQ(p.address, u"john@x.com");
}

TEST(Address, FormatAddressFollowsTheSwitches) {
  EXPECT_EQ(FormatAddress(u"Ann <a@x.com>", kDefault, true, false), u"\"Ann\" <a@x.com>");
  EXPECT_EQ(FormatAddress(u"Ann <a@x.com>", kDefault, false, false), u"a@x.com");
  EXPECT_EQ(FormatAddress(u"Ann", kDefault, true, false), u"");
  EXPECT_EQ(FormatAddress(u"Ann", kDefault, true, true), u"\"Ann\" <>");
  EXPECT_EQ(FormatAddress(u"a@x.com", u"", true, false), u"a@x.com");  // no name at all
}

TEST(AddressSeparator, ASeparatorEndsAnEntryOnlyOnceItHasAnAddress) {
  EXPECT_EQ(FindAddressSeparator(u""), 0u);
  EXPECT_EQ(FindAddressSeparator(u"a@x.com"), 0u);
  EXPECT_EQ(FindAddressSeparator(u"a@x.com, b"), 8u);
  EXPECT_EQ(FindAddressSeparator(u"  ; a@x.com"), 3u);  // nothing before it
  EXPECT_EQ(FindAddressSeparator(u"Smith, John <j@x.com>"), 0u);
  EXPECT_EQ(FindAddressSeparator(u"Smith; John <j@x.com>, b@y.com"), 22u);
  EXPECT_EQ(FindAddressSeparator(u"\"Smith, John\" <j@x.com>; b"), 24u);
  EXPECT_EQ(FindAddressSeparator(u"\"a,b;c\""), 0u);  // inside quotes
  // An "@" that comes before the first quote belongs to a name still open.
  EXPECT_EQ(FindAddressSeparator(u"j@x.com \"John\", b@y.com"), 0u);
}

TEST(AddressText, ExtractQuotedReadsDoubledQuotesAsOne) {
  EXPECT_EQ(ExtractQuoted(u"\"abc\""), u"abc");
  EXPECT_EQ(ExtractQuoted(u"\"a\"\"b\" rest"), u"a\"b");
  EXPECT_EQ(ExtractQuoted(u"\"unterminated"), u"unterminated");
  EXPECT_EQ(ExtractQuoted(u"plain \"x\""), u"plain \"x\"");
  EXPECT_EQ(ExtractQuoted(u"\"\""), u"\"\"");  // nothing inside: unchanged
  EXPECT_EQ(ExtractQuoted(u""), u"");
}

TEST(AddressText, CountOccurrencesDoesNotOverlap) {
  EXPECT_EQ(CountOccurrences(u"aaaa", u"aa"), 2u);
  EXPECT_EQ(CountOccurrences(u"aaa", u"aa"), 1u);
  EXPECT_EQ(CountOccurrences(u"<a> <b>", u"<"), 2u);
  EXPECT_EQ(CountOccurrences(u"", u"a"), 0u);
  EXPECT_EQ(CountOccurrences(u"a", u""), 0u);
}

TEST(AddressText, RemoveWhitespaceTakesEveryKindOfBlank) {
  // Blanks every code page has, so the 8-bit branch knows them too.
  EXPECT_EQ(RemoveWhitespace(u" a \tb\r\nc\u00A0d\v\f"), u"abcd");
  EXPECT_EQ(RemoveWhitespace(u"a.b@c-\u00E9"), u"a.b@c-\u00E9");
}

}  // namespace
