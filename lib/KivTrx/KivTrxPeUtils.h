// KivTrxPeUtils: the sections of a module file, read from the file itself. The
// executable carries its resource-string map in the section "KIV.DRC"; a damaged or
// foreign file simply has no such section.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// True when the file is a PE image with a section of exactly this name (at most 8
// characters, case-sensitive). Never raises: a missing, unreadable or damaged file has
// no sections.
bool HasPeSection(const std::u16string& fileName, const std::string& sectionName);

// The section's bytes as UTF-16LE text: the smaller of its virtual and raw size, from
// its raw-data offset. Empty when HasPeSection is false. A file that ends before those
// bytes raises EKivInternalError "%d bytes were requested.  %d bytes were returned.".
std::u16string ReadPeSectionText(const std::u16string& fileName, const std::string& sectionName);

// The same on the bytes of a file already read.
bool HasPeSection(const std::vector<std::uint8_t>& bytes, const std::string& sectionName);
std::u16string ReadPeSectionText(const std::vector<std::uint8_t>& bytes,
                                 const std::string& sectionName);
