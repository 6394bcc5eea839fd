// The consistency check on hand-built trees: each rule broken once, at the
// root, in a child and at the last byte, next to the well-formed tree that
// must pass untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "version/VersionTree.h"

namespace libinfo::testing {
namespace {

using Bytes = std::vector<BYTE>;

struct Node {
  std::string key;
  WORD type = 1;
  Bytes value;
  std::vector<Node> children = {};
};

void PutWord(Bytes& out, size_t at, WORD word) {
  std::memcpy(out.data() + at, &word, sizeof word);
}

WORD WordAt(const Bytes& bytes, size_t at) {
  WORD word;
  std::memcpy(&word, bytes.data() + at, sizeof word);
  return word;
}

void PadFrom(Bytes& out, size_t start) {
  while ((out.size() - start) % 4) out.push_back(0);
}

// Serialises in the wide (32-bit) or narrow (16-bit) layout; returns where
// each node starts, in the order written.
void Write(const Node& node, bool wide, Bytes& out, std::vector<size_t>& starts) {
  const size_t start = out.size();
  starts.push_back(start);
  out.resize(out.size() + (wide ? 6 : 4), 0);
  const size_t units = wide && node.type ? node.value.size() / 2 : node.value.size();
  PutWord(out, start + 2, static_cast<WORD>(units));
  if (wide) PutWord(out, start + 4, node.type);
  for (const char c : node.key) {
    out.push_back(static_cast<BYTE>(c));
    if (wide) out.push_back(0);
  }
  out.insert(out.end(), wide ? 2 : 1, BYTE{0});
  PadFrom(out, start);
  out.insert(out.end(), node.value.begin(), node.value.end());
  for (const Node& child : node.children) {
    PadFrom(out, start);
    Write(child, wide, out, starts);
  }
  PutWord(out, start, static_cast<WORD>(out.size() - start));
}

struct Tree {
  Bytes bytes;
  std::vector<size_t> starts;  // root, then its descendants in order
};

Bytes Text(const char* text) {
  Bytes out;
  for (const char* c = text;; ++c) {
    out.push_back(static_cast<BYTE>(*c));
    out.push_back(0);
    if (!*c) return out;
  }
}

// Root (fixed block), StringFileInfo > table > two strings, VarFileInfo > Translation.
Tree Resource(bool wide = true) {
  const Node strings{
      "StringFileInfo",
      1,
      {},
      {{"040904B0", 1, {}, {{"ProductName", 1, Text("Lamp")}, {"FileVersion", 1, Text("1.2")}}}}};
  const Node vars{"VarFileInfo", 1, {}, {{"Translation", 0, {0x09, 0x04, 0xB0, 0x04}}}};
  const Node root{"VS_VERSION_INFO", 0, Bytes(52, 0x11), {strings, vars}};
  Tree tree;
  Write(root, wide, tree.bytes, tree.starts);
  return tree;
}

bool Fits(const Bytes& bytes, VersionLayout layout = VersionLayout::kWide) {
  return VersionTreeFits(bytes.data(), bytes.size(), layout);
}

// Node indexes in Resource(): 0 root, 1 StringFileInfo, 2 table, 3 and 4
// the strings, 5 VarFileInfo, 6 Translation (the last node).
constexpr size_t kRoot = 0;
constexpr size_t kTable = 2;
constexpr size_t kFirstString = 3;
constexpr size_t kLast = 6;

TEST(VersionTree, WellFormedTreesFitInBothLayouts) {
  EXPECT_TRUE(Fits(Resource().bytes));
  EXPECT_TRUE(Fits(Resource(false).bytes, VersionLayout::kNarrow));
  // Room behind the tree (the platform's scratch space) changes nothing.
  Bytes roomy = Resource().bytes;
  roomy.resize(roomy.size() * 2 + 4, 0xCC);
  EXPECT_TRUE(Fits(roomy));
}

TEST(VersionTree, NodeLengthsMustCoverTheHeaderAndStayInside) {
  for (const size_t node : {kRoot, kTable, kLast}) {
    SCOPED_TRACE(node);
    Tree tree = Resource();
    const size_t at = tree.starts[node];
    for (const WORD length : {WORD{0}, WORD{1}, WORD{5}}) {
      Bytes bytes = tree.bytes;
      PutWord(bytes, at, length);
      EXPECT_FALSE(Fits(bytes)) << "length " << length;
    }
    // One byte more than its parent (or, for the root, the copy) holds.
    Bytes longer = tree.bytes;
    const size_t parentEnd = node == kRoot   ? longer.size()
                             : node == kLast ? tree.starts[5] + WordAt(longer, tree.starts[5])
                                             : tree.starts[1] + WordAt(longer, tree.starts[1]);
    PutWord(longer, at, static_cast<WORD>(parentEnd - at + 1));
    EXPECT_FALSE(Fits(longer));
  }
  Bytes cut = Resource().bytes;
  cut.pop_back();
  EXPECT_FALSE(Fits(cut)) << "the copy ends one byte before the tree";
  EXPECT_FALSE(Fits(Bytes(5, 0)));
  EXPECT_FALSE(VersionTreeFits(nullptr, 0, VersionLayout::kWide));
}

TEST(VersionTree, KeysMustEndInsideTheirNode) {
  for (const size_t node : {kRoot, kFirstString, kLast}) {
    SCOPED_TRACE(node);
    Tree tree = Resource();
    Bytes bytes = tree.bytes;
    const size_t key = tree.starts[node] + 6;
    const size_t end = tree.starts[node] + WordAt(bytes, tree.starts[node]);
    // Everything from the key to the node's end made non-zero text.
    for (size_t at = key; at < end; ++at) bytes[at] = 'K';
    EXPECT_FALSE(Fits(bytes));
  }
}

TEST(VersionTree, ValuesMustEndInsideTheirNode) {
  for (const size_t node : {kRoot, kFirstString, kLast}) {
    SCOPED_TRACE(node);
    Tree tree = Resource();
    Bytes bytes = tree.bytes;
    const WORD units = WordAt(bytes, tree.starts[node] + 2);
    PutWord(bytes, tree.starts[node] + 2, static_cast<WORD>(units + 0x40));
    EXPECT_FALSE(Fits(bytes));
  }
  // Binary values count bytes, texts count characters: the same count that
  // fits as bytes runs out of the node as characters.
  Tree tree = Resource();
  Bytes typed = tree.bytes;
  PutWord(typed, tree.starts[kLast] + 4, 1);
  EXPECT_FALSE(Fits(typed)) << "4 characters are 8 bytes";
  PutWord(typed, tree.starts[kLast] + 2, 2);
  EXPECT_TRUE(Fits(typed)) << "2 characters are the 4 bytes there";
}

// A child starts where the previous one ends rounded up to 4 bytes; a length
// that puts the next child's header across the parent's end is refused.
TEST(VersionTree, ChildrenMustStartInsideTheirParent) {
  Tree tree = Resource();
  Bytes bytes = tree.bytes;
  const size_t table = tree.starts[kTable];
  const size_t tableEnd = table + WordAt(bytes, table);
  // The first string claims all but 4 bytes of the table: a next header there
  // would have only 4 of its 6 bytes inside.
  const size_t first = tree.starts[kFirstString];
  PutWord(bytes, first, static_cast<WORD>(tableEnd - 4 - first));
  EXPECT_FALSE(Fits(bytes));
}

TEST(VersionTree, DepthAndNodeCountAreBounded) {
  Node deep{"leaf", 1, Text("x")};
  for (int level = 0; level < 40; ++level) deep = Node{"n", 1, {}, {deep}};
  Tree tree;
  Write(deep, true, tree.bytes, tree.starts);
  EXPECT_FALSE(Fits(tree.bytes));

  Node wide{"VS_VERSION_INFO", 0, {}, {}};
  for (int n = 0; n < 6000; ++n) wide.children.push_back({"", 0, {}});
  Tree many;
  Write(wide, true, many.bytes, many.starts);
  ASSERT_LE(many.bytes.size(), 0xFFFFu);
  EXPECT_FALSE(Fits(many.bytes));
}

TEST(VersionTree, NarrowLayoutHasItsOwnHeaderAndCharacters) {
  const Bytes narrow = Resource(false).bytes;
  EXPECT_FALSE(Fits(narrow, VersionLayout::kWide)) << "read with the wrong rules";
  Bytes cut = narrow;
  cut.pop_back();
  EXPECT_FALSE(Fits(cut, VersionLayout::kNarrow));
  Bytes unterminated = Resource(false).bytes;
  for (size_t at = 4; at < unterminated.size(); ++at) unterminated[at] |= 0x40;
  EXPECT_FALSE(Fits(unterminated, VersionLayout::kNarrow));
}

}  // namespace
}  // namespace libinfo::testing
