// The system-information section's lines, from facts gathered beforehand.
#include "CheckWinInetAndAdo.h"

#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "Rtl/Format.h"
#include "Rtl/KivStringList.h"
#include "Rtl/WideText.h"

namespace {

void WriteModules(TKivStringList& lines, const TSystemInfoFacts& f) {
  for (const TSystemInfoFacts::Module& m : f.modules) {
    lines.Add(FileNameWithoutExt(m.path) + u": " +
              (m.exists ? FormatVersion(vfRevision, m.version) : u"(Not Installed)"));
  }
  lines.Add(kSystemInfoSeparator);
}

void WriteSystem(TKivStringList& lines, const TSystemInfoFacts& f) {
  lines.Add(u"OS = " + f.osDescription);
  lines.Add(u"Kernel = " + FormatVersion(vfFull, f.kernelVersion) + u" (" + f.kernelProduct + u")");
  if (f.nt) lines.Add(std::u16string(u"Administrator = ") + (f.administrator ? u"True" : u"False"));
  lines.Add(u"Computer Name = " + f.computerName + u" (" + f.userName + u")");
  lines.Add(u"System Locale ID = " + IntToWide(f.systemLocale) + u": " + f.systemLocaleDescription);
  if (f.userLocale != f.systemLocale) {
    lines.Add(u"User Locale ID = " + IntToWide(f.userLocale) + u": " + f.userLocaleDescription);
  }
  if (f.sortOrder) lines.Add(u"Sort Order = " + *f.sortOrder);
  lines.Add(u"ANSI Code Page = " + IntToWide(f.ansiCodePage) + u",  " +
            GetCodePageDescription(f.ansiCodePage));
  lines.Add(u"System Time = " + f.systemTime);
  lines.Add(kSystemInfoSeparator);
}

void WriteMemoryAndDisk(TKivStringList& lines, const TSystemInfoFacts& f) {
  lines.Add(WideFormat(u"Total Physical Memory: %d MB", f.totalPhysicalBytes >> 20));
  lines.Add(WideFormat(u"Avail Physical Memory: %d MB", f.availablePhysicalBytes >> 20));
  lines.Add(WideFormat(u"Memory Load: %d%%", f.memoryLoad));
  if (!f.windowsDrive.empty()) {
    lines.Add(kSystemInfoSeparator);
    lines.Add(WideFormat(u"Total Windows HD Space (%s) = %d MB", f.windowsDrive,
                         GetDiskSizeMB(f.totalClusters, f.sectorsPerCluster, f.bytesPerSector)));
    lines.Add(WideFormat(u"Free Windows HD Space = %d MB",
                         GetDiskSizeMB(f.freeClusters, f.sectorsPerCluster, f.bytesPerSector)));
  }
  lines.Add(kSystemInfoSeparator);
}

void WriteComponents(TKivStringList& lines, const TSystemInfoFacts& f) {
  for (std::size_t i = 0; i < f.components.size(); ++i) {
    const TSystemInfoFacts::Component& c = f.components[i];
    std::u16string line = c.code + u"\t(" + FormatVersion(vfFull, c.version) + u")";
    if (i == static_cast<std::size_t>(ncMapi)) line += u"   (" + f.mapiCompany + u")";
    lines.Add(line);
  }
  if (f.rpaWInetVersion != 0) {
    lines.Add(u"RpaWInet.dll\t(" + FormatVersion(vfFull, f.rpaWInetVersion) + u")   (" +
              f.rpaWInetCompany + u")");
  }
  if (RpaWInetIsUnstable(f.rpaWInetVersion, f.rpaWInetCompany)) {
    lines.Add(u"Warning: your version of RpaWInet.dll is known to be unstable.");
  }
  lines.Add(kSystemInfoSeparator);
}

void WriteOffice(TKivStringList& lines, const TSystemInfoFacts& f) {
  for (int i = 0; i < kOfficeAppCount; ++i) {
    lines.Add(std::u16string(OfficeAppName(TOfficeApps(i))) + u"=" + f.officeVersions[i]);
  }
  lines.Add(kSystemInfoSeparator);
}

}  // namespace

bool RpaWInetIsUnstable(std::uint64_t version, const std::u16string& companyName) {
  // Compared as signed numbers, as the version was always compared.
  if (static_cast<std::int64_t>(version) >= static_cast<std::int64_t>(MakeVersion(3, 14, 0, 0))) {
    return false;
  }
  return WideUpperCase(companyName).starts_with(WideUpperCase(u"CompuServe"));
}

void WriteSystemInfo(TKivStringList& lines, const TSystemInfoFacts& facts) {
  lines.Clear();
  WriteModules(lines, facts);
  WriteSystem(lines, facts);
  WriteMemoryAndDisk(lines, facts);
  WriteComponents(lines, facts);
  WriteOffice(lines, facts);
}
