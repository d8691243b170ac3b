#include <gtest/gtest.h>

#include "Debug/OsVersion.h"
#include "Debug/ProcessorInfo.h"

TEST(ProcessorInfo, FrequencyRoundsToTheUsualSteps) {
  EXPECT_EQ(RoundProcessorFrequency(1995), 2000u);
  EXPECT_EQ(RoundProcessorFrequency(732), 733u);
  EXPECT_EQ(RoundProcessorFrequency(866), 866u);
  EXPECT_EQ(RoundProcessorFrequency(498), 500u);
  EXPECT_EQ(RoundProcessorFrequency(1403), 1400u);
  EXPECT_EQ(RoundProcessorFrequency(1410), 1420u);  // a tie goes up
  EXPECT_EQ(RoundProcessorFrequency(2996), 3000u);
  EXPECT_EQ(RoundProcessorFrequency(2994), 2990u);
  EXPECT_EQ(RoundProcessorFrequency(0), 0u);
  EXPECT_EQ(RoundProcessorFrequency(1662), 1660u);
}

TEST(ProcessorInfo, ManufacturerNames) {
  EXPECT_EQ(ManufacturerName("GenuineIntel"), u"Intel");
  EXPECT_EQ(ManufacturerName("AuthenticAMD"), u"AMD");
  EXPECT_EQ(ManufacturerName("SomeNewVendor"), u"SomeNewVendor");
}

TEST(ProcessorInfo, IdentifiesThisProcessor) {
  TProcessorInfo p = GetProcessorInfo();
  EXPECT_FALSE(p.manufacturer.empty());
  EXPECT_FALSE(p.name.empty());
  EXPECT_TRUE(p.fdivCorrect);
  EXPECT_TRUE(FloatingPointDivisionCorrect());
}

namespace {
TOsVersion Nine(std::uint32_t minor, std::u16string sp, bool kernel490 = false) {
  TOsVersion v;
  v.major = 4;
  v.minor = minor;
  v.servicePack = std::move(sp);
  v.kernelIs490 = kernel490;
  return v;
}
TOsVersion Nt(std::uint32_t major, std::uint32_t minor) {
  TOsVersion v;
  v.nt = true;
  v.major = major;
  v.minor = minor;
  return v;
}
}  // namespace

TEST(OsVersion, WindowsVersionNames) {
  EXPECT_EQ(WindowsVersionName(Nine(0, u"")), u"Windows 95");
  EXPECT_EQ(WindowsVersionName(Nine(0, u" B ")), u"Windows 95 OSR2");
  EXPECT_EQ(WindowsVersionName(Nine(3, u"C")), u"Windows 95 OSR2");
  EXPECT_EQ(WindowsVersionName(Nine(10, u"")), u"Windows 98");
  EXPECT_EQ(WindowsVersionName(Nine(10, u" A ")), u"Windows 98 SE");
  EXPECT_EQ(WindowsVersionName(Nine(10, u" A ", true)), u"Windows ME");
  EXPECT_EQ(WindowsVersionName(Nine(90, u"")), u"Windows ME");
  EXPECT_EQ(WindowsVersionName(Nt(3, 51)), u"Windows NT 3.51");
  EXPECT_EQ(WindowsVersionName(Nt(3, 1)), u"Windows NT 3.1");
  EXPECT_EQ(WindowsVersionName(Nt(4, 0)), u"Windows NT 4.0");
  EXPECT_EQ(WindowsVersionName(Nt(5, 0)), u"Windows 2000");
  EXPECT_EQ(WindowsVersionName(Nt(5, 1)), u"Windows XP");
  EXPECT_EQ(WindowsVersionName(Nt(5, 2)), u"Windows Server 2003");
  EXPECT_EQ(WindowsVersionName(Nt(6, 1)), u"");
  EXPECT_EQ(WindowsVersionName(Nt(3, 2)), u"");
}

TEST(OsVersion, ProductTypeNames) {
  TOsVersion v = Nt(5, 1);
  v.extended = true;
  v.productType = 1;
  EXPECT_EQ(ProductTypeName(v), u"Professional");
  v.suiteMask = 0x0200;
  EXPECT_EQ(ProductTypeName(v), u"Home Edition");
  v.productType = 3;
  v.suiteMask = 0;
  EXPECT_EQ(ProductTypeName(v), u"Server");
  v.suiteMask = 0x0002;
  EXPECT_EQ(ProductTypeName(v), u"Advanced Server");
  v.suiteMask = 0x0082;
  EXPECT_EQ(ProductTypeName(v), u"Datacenter Server");
  TOsVersion nt4 = Nt(4, 0);
  nt4.extended = true;
  nt4.productType = 1;
  EXPECT_EQ(ProductTypeName(nt4), u"Workstation");

  // Without the extended information the registry value decides.
  TOsVersion old = Nt(4, 0);
  old.registryProductType = u"WinNT";
  EXPECT_EQ(ProductTypeName(old), u"Workstation");
  old.registryProductType = u"LANMANNT";
  EXPECT_EQ(ProductTypeName(old), u"Server");
  old.registryProductType = u"SERVERNT";
  EXPECT_EQ(ProductTypeName(old), u"Advanced Server");
  old.registryProductType = u"";
  EXPECT_EQ(ProductTypeName(old), u"");
  EXPECT_EQ(ProductTypeName(Nine(10, u"A")), u"");
}
