#include <gtest/gtest.h>

#include "shell/ItemProp.h"

using libinfo::ItemPath;
using libinfo::SplitItemPath;

namespace {

void ExpectSplit(const std::string& path, const std::string& folder, const std::string& name,
                 UINT codePage = CP_ACP) {
  const ItemPath parts = SplitItemPath(path, codePage);
  EXPECT_EQ(folder, parts.folder) << path;
  EXPECT_EQ(name, parts.name) << path;
}

TEST(SplitItemPath, CutsAfterTheLastBackslashOrColon) {
  ExpectSplit("C:\\windows\\system32\\kernel32.dll", "C:\\windows\\system32\\", "kernel32.dll");
  ExpectSplit("C:kernel32.dll", "C:", "kernel32.dll");
  ExpectSplit("C:\\dir\\stream:name", "C:\\dir\\stream:", "name");
  ExpectSplit("C:\\dir\\", "C:\\dir\\", "");
  ExpectSplit("C:\\d*r\\a?.txt", "C:\\d*r\\", "a?.txt");
}

TEST(SplitItemPath, WithoutDelimiterTheWholePathIsTheName) {
  ExpectSplit("kernel32.dll", "", "kernel32.dll");
  ExpectSplit("", "", "");
}

// In code page 932 the bytes 95 5C are one character whose trail byte is "\".
TEST(SplitItemPath, TrailByteOfADoubleByteCharacterIsNoDelimiter) {
  ASSERT_TRUE(::IsValidCodePage(932));
  ExpectSplit("C:\\dir\\\x95\x5C.txt", "C:\\dir\\", "\x95\x5C.txt", 932);
  ExpectSplit("C:\\\x95\x5C\x95\x5C", "C:\\", "\x95\x5C\x95\x5C", 932);
  // A lead byte at the very end has nothing to swallow.
  ExpectSplit("C:\\dir\\\x95", "C:\\dir\\", "\x95", 932);
  // In a single-byte code page the same byte splits.
  ExpectSplit("C:\\dir\\\x95\x5C.txt", "C:\\dir\\\x95\\", ".txt", 1252);
}

}  // namespace
