// Rows as text that a spreadsheet pastes back into the same cells.
#include <gtest/gtest.h>

#include "window/RowText.h"

namespace libinfo {
namespace {

TEST(QuotedCell, LeavesTextThatPastesIntoOneCellAlone) {
  EXPECT_EQ("", QuotedCell(""));
  EXPECT_EQ("kernel32.dll", QuotedCell("kernel32.dll"));
  EXPECT_EQ("Wine \"core\" dll", QuotedCell("Wine \"core\" dll")) << "quotes inside stay";
  EXPECT_EQ(" 3.1 beta ", QuotedCell(" 3.1 beta ")) << "spaces are part of the text";
}

TEST(QuotedCell, QuotesTabsLineBreaksAndALeadingQuote) {
  EXPECT_EQ("\"a\tb\"", QuotedCell("a\tb"));
  EXPECT_EQ("\"one\r\ntwo\"", QuotedCell("one\r\ntwo"));
  EXPECT_EQ("\"ends\n\"", QuotedCell("ends\n"));
  EXPECT_EQ("\"\r\"", QuotedCell("\r"));
  EXPECT_EQ("\"\"\"Quoted\"\" 1.0\"", QuotedCell("\"Quoted\" 1.0"));
  EXPECT_EQ("\"say \"\"hi\"\"\tnow\"", QuotedCell("say \"hi\"\tnow"));
  EXPECT_EQ("\"\"\"\"", QuotedCell("\""));
}

TEST(TrimTrailingSpaces, DropsOnlyTheTrailingSpaces) {
  EXPECT_EQ("Library description", TrimTrailingSpaces("Library description "));
  EXPECT_EQ(" a b", TrimTrailingSpaces(" a b   "));
  EXPECT_EQ("", TrimTrailingSpaces("   "));
  EXPECT_EQ("", TrimTrailingSpaces(""));
}

TEST(RowTextBuilder, SeparatesCellsByTabsAndEndsEachLineWithCrLf) {
  RowTextBuilder text;
  text.Cell("a");
  text.Cell("");
  text.Cell("x\ty");
  text.EndLine();
  text.Cell("");
  text.Cell("d");
  text.EndLine();
  EXPECT_EQ("a\t\t\"x\ty\"\r\n\td\r\n", text.Take());

  text.Cell("again");
  text.EndLine();
  EXPECT_EQ("again\r\n", text.Take()) << "taking the text starts a fresh one";
}

}  // namespace
}  // namespace libinfo
