// Rows as text that a spreadsheet pastes back into the same cells.
#include <gtest/gtest.h>

#include "rows/RowText.h"

namespace libinfo {
namespace {

TEST(QuotedCell, QuotesOnlyWhatAPasteWouldSplitOrStrip) {
  EXPECT_EQ("", QuotedCell(""));
  EXPECT_EQ("Wine \"core\" dll", QuotedCell("Wine \"core\" dll")) << "quotes inside stay";
  EXPECT_EQ(" 3.1 beta ", QuotedCell(" 3.1 beta "));
  EXPECT_EQ("\"one\r\ntwo\"", QuotedCell("one\r\ntwo"));
  EXPECT_EQ("\"ends\n\"", QuotedCell("ends\n"));
  EXPECT_EQ("\"\r\"", QuotedCell("\r"));
  EXPECT_EQ("\"say \"\"hi\"\"\tnow\"", QuotedCell("say \"hi\"\tnow"));
  EXPECT_EQ("\"\"\"\"", QuotedCell("\"")) << "a leading quote would be taken as quoting";
}

TEST(RowTextBuilder, SeparatesCellsByTabsAndEndsEachLineWithCrLf) {
  RowTextBuilder text;
  text.Cell("a");
  text.Cell("");
  text.Cell("x\ty");
  text.EndLine();
  text.Cell("");
  text.Cell(TrimTrailingSpaces("Library description  "));
  text.EndLine();
  EXPECT_EQ("a\t\t\"x\ty\"\r\n\tLibrary description\r\n", text.Take());

  text.Cell(TrimTrailingSpaces("   "));
  text.EndLine();
  EXPECT_EQ("\r\n", text.Take()) << "taking the text starts a fresh one";
}

}  // namespace
}  // namespace libinfo
