#include <gtest/gtest.h>

#include "KivTrx/KivTrxUtils.h"

namespace {

using Names = std::vector<std::u16string>;

TEST(ResourceModuleCandidates, OverrideThenAbbreviationThenItsFirstTwoLetters) {
  EXPECT_EQ(ResourceModuleCandidates(u"C:\\App\\Prog.exe", u"FRA", u"ENU"),
            (Names{u"C:\\App\\Prog.FRA", u"C:\\App\\Prog.ENU", u"C:\\App\\Prog.EN"}));
  // An empty override: the locale decides alone.
  EXPECT_EQ(ResourceModuleCandidates(u"C:\\App\\Prog.exe", u"", u"DEU"),
            (Names{u"C:\\App\\Prog.DEU", u"C:\\App\\Prog.DE"}));
  // Without an abbreviation only the override is tried.
  EXPECT_EQ(ResourceModuleCandidates(u"C:\\App\\Prog.exe", u"DE", u""),
            (Names{u"C:\\App\\Prog.DE"}));
  // A two-letter abbreviation is not tried twice.
  EXPECT_EQ(ResourceModuleCandidates(u"Prog.exe", u"", u"EN"), (Names{u"Prog.EN"}));
}

TEST(ResourceModuleCandidates, NoneWithoutADotOrWithoutBothTexts) {
  EXPECT_TRUE(ResourceModuleCandidates(u"", u"DEU", u"DEU").empty());
  EXPECT_TRUE(ResourceModuleCandidates(u"C:\\App\\Prog", u"DEU", u"DEU").empty());
  EXPECT_TRUE(ResourceModuleCandidates(u"C:\\App\\Prog.exe", u"", u"").empty());
}

TEST(ResourceModuleCandidates, OnlyTheFileNamesExtensionIsReplaced) {
  // A dot in a folder's name does not start the extension.
  EXPECT_EQ(ResourceModuleCandidates(u"C:\\My.App\\Prog", u"", u"DEU"),
            (Names{u"C:\\My.App\\Prog.DEU", u"C:\\My.App\\Prog.DE"}));
}

}  // namespace
