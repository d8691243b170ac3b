// String-table blocks: the decoded list keeps each string's id, and encoding puts every
// string back into the slot it came from. A module's resources checked before the
// system reads them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "KivTrx/KivTrxResourceUtils.h"
#include "ResourceImage.h"
#include "Rtl/Exceptions.h"

namespace {

// A block's bytes from its 16 strings (empty ones stand for absent strings).
std::vector<std::uint8_t> BlockBytes(const std::vector<std::u16string>& slots) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 16; ++i) {
    std::u16string s = i < static_cast<int>(slots.size()) ? slots[i] : u"";
    bytes.push_back(static_cast<std::uint8_t>(s.size()));
    bytes.push_back(static_cast<std::uint8_t>(s.size() >> 8));
    for (char16_t c : s) {
      bytes.push_back(static_cast<std::uint8_t>(c));
      bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  }
  return bytes;
}

void* Id(int id) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(id)); }

TEST(StringTable, BlockNumbersGroupSixteenIds) {
  EXPECT_EQ(StringTableBlock(0), 1);
  EXPECT_EQ(StringTableBlock(15), 1);
  EXPECT_EQ(StringTableBlock(16), 2);
  EXPECT_EQ(StringTableBlock(65146), 4072);
  EXPECT_EQ(StringTableBlock(65535), 4096);
}

TEST(StringTable, ASparseBlockKeepsItsSlotsBothWays) {
  const int block = 4072;
  const int first = (block - 1) * 16;
  std::vector<std::uint8_t> bytes =
      BlockBytes({u"First", u"", u"", u"", u"", u"Sixth \u00e4\u4e2d"});
  TKivStringList list;
  list.Add(u"stale");
  DecodeStringTableBlock(block, bytes.data(), bytes.size(), list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0), u"First");
  EXPECT_EQ(StringIdOf(list, 0), first);
  EXPECT_EQ(list.Get(1), u"Sixth \u00e4\u4e2d");
  EXPECT_EQ(StringIdOf(list, 1), first + 5);

  int number = 0;
  EXPECT_EQ(EncodeStringTableBlock(list, number), bytes);
  EXPECT_EQ(number, block);
}

TEST(StringTable, EncodingPlacesStringsByIdWhateverTheListOrder) {
  TKivStringList list;
  list.AddObject(u"twenty", Id(20));
  list.AddObject(u"seventeen", Id(17));
  list.AddObject(u"thirty-one", Id(31));
  int number = 0;
  std::vector<std::uint8_t> bytes = EncodeStringTableBlock(list, number);
  EXPECT_EQ(number, 2);
  std::vector<std::u16string> slots(16);
  slots[1] = u"seventeen";
  slots[4] = u"twenty";
  slots[15] = u"thirty-one";
  EXPECT_EQ(bytes, BlockBytes(slots));
}

TEST(StringTable, AnEmptyBlockDecodesToNothingAndIsNotEncoded) {
  std::vector<std::uint8_t> bytes = BlockBytes({});
  ASSERT_EQ(bytes.size(), 32u);
  TKivStringList list;
  DecodeStringTableBlock(3, bytes.data(), bytes.size(), list);
  EXPECT_EQ(list.Count(), 0);
  int number = 99;
  EXPECT_TRUE(EncodeStringTableBlock(list, number).empty());
  EXPECT_EQ(number, 0);
}

TEST(StringTable, BytesAfterTheSixteenthEntryAreIgnored) {
  std::vector<std::uint8_t> bytes = BlockBytes({u"a"});
  bytes.insert(bytes.end(), {5, 0, 'x', 0});
  TKivStringList list;
  DecodeStringTableBlock(1, bytes.data(), bytes.size(), list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(0), u"a");
}

TEST(StringTable, DataCutShortRaises) {
  std::vector<std::uint8_t> bytes = BlockBytes(
      {u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"last"});
  TKivStringList list;
  // Inside the last string, inside its count, and before the last entry starts.
  for (std::size_t cut : {bytes.size() - 1, bytes.size() - 9, bytes.size() - 10}) {
    EXPECT_THROW(DecodeStringTableBlock(1, bytes.data(), cut, list), EKivInternalError) << cut;
  }
  EXPECT_THROW(DecodeStringTableBlock(1, nullptr, 0, list), EKivInternalError);
}

TEST(StringTable, BlockNumbersOutsideTheIdRangeAreRefused) {
  std::vector<std::uint8_t> bytes = BlockBytes({u"a"});
  TKivStringList list;
  EXPECT_THROW(DecodeStringTableBlock(0, bytes.data(), bytes.size(), list), EKivInternalError);
  EXPECT_THROW(DecodeStringTableBlock(4097, bytes.data(), bytes.size(), list), EKivInternalError);
}

TEST(StringTable, StringsThatDoNotFitTheirBlockAreRefusedRatherThanLost) {
  int number = 0;
  TKivStringList outside;
  outside.AddObject(u"a", Id(16));
  outside.AddObject(u"b", Id(32));
  EXPECT_THROW(EncodeStringTableBlock(outside, number), EKivInternalError);
  TKivStringList twice;
  twice.AddObject(u"a", Id(18));
  twice.AddObject(u"b", Id(18));
  EXPECT_THROW(EncodeStringTableBlock(twice, number), EKivInternalError);
}

class SetString : public ::testing::Test {
 protected:
  void SetUp() override {
    blocks.push_back(Block({{u"empty block", -1}}));
    blocks.back()->Clear();
    blocks.push_back(Block({{u"one", 1}, {u"five", 5}}));
    blocks.push_back(Block({{u"seventeen", 17}}));
    // A second block of the same number: only the first one counts.
    blocks.push_back(Block({{u"two", 2}}));
  }
  static std::unique_ptr<TKivStringList> Block(
      std::initializer_list<std::pair<std::u16string, int>> items) {
    auto list = std::make_unique<TKivStringList>();
    for (const auto& [text, id] : items) list->AddObject(text, Id(id));
    return list;
  }
  TStringTableBlocks blocks;
};

TEST_F(SetString, APresentIdGetsTheNewText) {
  SetStringTableString(blocks, 5, u"FIVE");
  SetStringTableString(blocks, 17, u"SEVENTEEN");
  EXPECT_EQ(blocks[1]->Get(0), u"one");
  EXPECT_EQ(blocks[1]->Get(1), u"FIVE");
  EXPECT_EQ(blocks[2]->Get(0), u"SEVENTEEN");
}

TEST_F(SetString, AnAbsentIdChangesNothing) {
  SetStringTableString(blocks, 2, u"TWO");  // its block number's first block lacks it
  SetStringTableString(blocks, 6, u"SIX");
  SetStringTableString(blocks, 40, u"FORTY");
  EXPECT_EQ(blocks[0]->Count(), 0);
  ASSERT_EQ(blocks[1]->Count(), 2);
  EXPECT_EQ(blocks[1]->Get(1), u"five");
  EXPECT_EQ(blocks[3]->Get(0), u"two");
}

// A module's bytes before the system's resource calls see them.
std::vector<TestResource> ModuleWithStrings() {
  return {{ResId(10), ResName(u"KIV_TRX_GUID"), 0,
           Utf16Bytes(u"{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}")},
          {ResId(6), ResId(1), 0, BlockBytes({u"", u"one"})},
          {ResId(6), ResId(2), 0, BlockBytes({u"sixteen"})},
          // Named string tables are no blocks the system's string lookup reads.
          {ResId(6), ResName(u"ODD"), 0, {1, 0}}};
}

std::string DamageOf(const std::vector<std::uint8_t>& bytes) {
  try {
    CheckModuleResources(bytes.data(), bytes.size(), PeLayout::File);
  } catch (const EReadError& e) {
    return e.Message();
  }
  return "";
}

TEST(ModuleCheck, AWholeModulePasses) {
  EXPECT_EQ(DamageOf(BuildResourceImage(ModuleWithStrings())), "");
}

TEST(ModuleCheck, AStringTableCutShortIsNamed) {
  std::vector<TestResource> resources = ModuleWithStrings();
  resources[2].data.resize(resources[2].data.size() - 1);
  EXPECT_EQ(DamageOf(BuildResourceImage(resources)), "string table block 2 is cut short");
  // A count beyond the block, as a damaged file would hold it.
  TestImageLayout at;
  std::vector<std::uint8_t> bytes = BuildResourceImage(ModuleWithStrings(), &at);
  const std::size_t block1 = TestImageLayout::kSectionOffset +
                             (bytes[at.dataEntries[1]] | (bytes[at.dataEntries[1] + 1] << 8)) -
                             TestImageLayout::kSectionRva;
  Put16(bytes, block1 + 2, 0x7FFF);
  EXPECT_EQ(DamageOf(bytes), "string table block 1 is cut short");
}

TEST(ModuleCheck, AModuleCutAnywhereIsRefusedOrHoldsWhatItLists) {
  const std::vector<std::uint8_t> whole = BuildResourceImage(ModuleWithStrings());
  int refused = 0;
  for (std::size_t n = 0; n < whole.size(); ++n) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    if (!DamageOf(cut).empty()) ++refused;
  }
  // Only the zero padding at the end of the section may go unnoticed.
  EXPECT_GE(refused, static_cast<int>(whole.size()) - 0x200);
}

TEST(ModuleCheck, DirectoriesPointingOutOfTheFileAreRefused) {
  std::vector<std::uint8_t> bytes = BuildResourceImage(ModuleWithStrings());
  Put32(bytes, TestImageLayout::kResourceDirectory, 0x00400000);
  EXPECT_EQ(DamageOf(bytes), "Invalid PE image: resource data outside every section");
  bytes = BuildResourceImage(ModuleWithStrings());
  Put32(bytes, TestImageLayout::kSectionOffset + 16 + 4, 0x80000000u | 0x00100000);
  EXPECT_EQ(DamageOf(bytes), "Invalid PE image: truncated");
}

}  // namespace
