#pragma once
// Version resources made up for the tests, with the program's own resource writer.
#include "app/VersionResourceWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace divuzo::test {

// A made-up product with one string table per translation; ProductName tells the tables apart.
inline std::string MadeUpResource(const std::vector<std::uint32_t>& translations) {
  FixedFileInfo fixed;
  fixed.fileVersionMS = 0x00020003;
  fixed.fileVersionLS = 0x00040005;
  fixed.productVersionMS = 0x00070008;
  fixed.productVersionLS = 0x0009000A;
  VersionResourceContents contents;
  contents.fixedBlock = FixedFileInfoBytes(fixed);
  for (std::uint32_t t : translations) {
    VersionStringTable table;
    table.language = static_cast<std::uint16_t>(t & 0xFFFF);
    table.codePage = static_cast<std::uint16_t>(t >> 16);
    char name[16];
    std::snprintf(name, sizeof name, "table %04x", table.language);
    table.strings = {{u"ProductName", std::u16string(name, name + std::strlen(name))}, {u"Comments", u"\u65E5\u672C"}};
    contents.tables.push_back(table);
  }
  contents.translations = translations;
  return BuildVersionResource(contents);
}

} // namespace divuzo::test
