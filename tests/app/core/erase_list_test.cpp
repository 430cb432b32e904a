// Tests of the erase list format, the long-name check and the deletion list.
#include "app/core/erase_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolm {
namespace {

const std::string kHeader =
    "TOLM[Elimination]\r\nVer2.2\r\nThe list of files to erase.\r\nbegin->\r\n";

std::string list(const std::vector<std::string> &entries, const std::string &end = "<-end\r\n") {
  std::string text = kHeader;
  for (const std::string &e : entries)
    text += e + "\r\n";
  return text + end;
}

int32_t parse(const std::string &text, std::vector<std::string> &patterns) {
  return parseEraseList(reinterpret_cast<const uint8_t *>(text.data()), text.size(), patterns,
                        nullptr);
}

bool sjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

TEST(EraseListTest, AcceptsTheFormatAndGivesPatternsInOrder) {
  std::vector<std::string> patterns;
  ASSERT_EQ(parse(list({".tmp", ".bak"}), patterns), 0);
  EXPECT_EQ(patterns, (std::vector<std::string>{"*.tmp", "*.bak"}));
  // Wildcards pass on to the search; a 258-character entry is the longest.
  ASSERT_EQ(parse(list({".t?p", "." + std::string(257, 'x')}), patterns), 0);
  EXPECT_EQ(patterns[1].size(), 259u);
  EXPECT_EQ(parse(list({"." + std::string(258, 'x')}), patterns), kEraseListInvalid);
}

TEST(EraseListTest, EntryCountLimits) {
  std::vector<std::string> patterns;
  EXPECT_EQ(parse(list({}), patterns), kEraseListInvalid) << "no entry";
  std::vector<std::string> many(299, ".a");
  EXPECT_EQ(parse(list(many), patterns), 0);
  EXPECT_EQ(patterns.size(), 299u);
  many.push_back(".b");
  EXPECT_EQ(parse(list(many), patterns), kEraseListInvalid) << "300 entries";
  EXPECT_TRUE(patterns.empty());
}

TEST(EraseListTest, RefusesEveryDeviationOfTheFrame) {
  std::vector<std::string> patterns;
  const std::string good = list({".tmp"});
  ASSERT_EQ(parse(good, patterns), 0);
  for (const auto &[from, to] :
       std::vector<std::pair<std::string, std::string>>{{"Ver2.2", "Ver2.3"},
                                                        {"TOLM[", "tolm["},
                                                        {"erase.", "erase!"},
                                                        {"begin->", "begin=>"}}) {
    std::string bad = good;
    bad.replace(bad.find(from), from.size(), to);
    EXPECT_EQ(parse(bad, patterns), kEraseListInvalid) << to;
  }
  EXPECT_EQ(parse(list({".tmp"}, "<-end"), patterns), kEraseListInvalid)
      << "end line without CR LF";
  EXPECT_EQ(parse(list({".tmp"}, "<-END\r\n"), patterns), kEraseListInvalid);
  EXPECT_EQ(parse(list({"tmp"}), patterns), kEraseListInvalid) << "no leading dot";
  std::string lf = good;
  for (size_t at = lf.find("\r\n", 60); at != std::string::npos; at = lf.find("\r\n", at))
    lf.erase(at, 1);
  EXPECT_EQ(parse(lf, patterns), kEraseListInvalid) << "LF-only lines";
  EXPECT_EQ(parse(good.substr(0, 71), patterns), kEraseListInvalid) << "shorter than 72 bytes";
  EXPECT_EQ(parseEraseList(nullptr, 0, patterns, nullptr), kEraseListInvalid);
}

TEST(EraseListTest, RefusesEntriesThatReachOutOfTheFolder) {
  std::vector<std::string> patterns;
  EXPECT_EQ(parse(list({".\\..\\*"}), patterns), kEraseListInvalid);
  EXPECT_EQ(parse(list({"./x"}), patterns), kEraseListInvalid);
  EXPECT_EQ(parse(list({".a:b"}), patterns), kEraseListInvalid);
  EXPECT_EQ(parse(list({std::string(".tm\0p", 5)}), patterns), kEraseListInvalid);
  // "表" ends in 0x5C in Shift_JIS; read as one character it is no separator.
  const std::string entry = ".\x95\x5C";
  const std::string text = list({entry});
  EXPECT_EQ(parseEraseList(reinterpret_cast<const uint8_t *>(text.data()), text.size(), patterns,
                           sjisLead),
            0);
  EXPECT_EQ(patterns, std::vector<std::string>{"*" + entry});
}

TEST(EraseListTest, LongNamesMatchOnlyTheirOwnExtension) {
  EXPECT_TRUE(nameMatches("a.TMP", "*.tmp", nullptr));
  EXPECT_FALSE(nameMatches("page.html", "*.htm", nullptr)) << "a short name's match is no match";
  EXPECT_TRUE(nameMatches("x.t1p", "*.t?p", nullptr));
  EXPECT_TRUE(nameMatches("a.b.tmp", "*.tmp", nullptr));
  EXPECT_FALSE(nameMatches("tmp", "*.tmp", nullptr));
  EXPECT_TRUE(nameMatches("anything", "*", nullptr));
  // A trail byte 0x5C is no "\\" of its own, whether met directly or on a retry after "*".
  EXPECT_FALSE(nameMatches("\x95\x5C.t", "*\x5C.t", sjisLead));
  EXPECT_TRUE(nameMatches("\x95\x5C.t", "*\x5C.t", nullptr));
  EXPECT_TRUE(nameMatches("\x95\x5C\x5C.t", "*\x5C.t", sjisLead));
  EXPECT_FALSE(nameMatches("a\x95\x5C", "a?\x5C", sjisLead));
  EXPECT_EQ(lastComponent("C:\\dir\\sub\\file.tmp", nullptr), "file.tmp");
  EXPECT_EQ(lastComponent("C:\\\x95\x5C.tmp", sjisLead), "\x95\x5C.tmp");
}

TEST(EraseListTest, DeletionListHoldsMatchingPathsUpToItsLimit) {
  std::string deletion;
  const std::string results = "C:\\f\\a.tmp\r\nC:\\f\\page.html\r\nC:\\f\\b.tmp\r\n";
  ASSERT_EQ(appendSearchResults(results, "*.tmp", deletion, kDeletionListBytes, nullptr), 0);
  EXPECT_EQ(deletion, std::string("C:\\f\\a.tmp\0C:\\f\\b.tmp\0", 22));
  ASSERT_EQ(appendSearchResults("C:\\f\\c.htm\r\n", "*.htm", deletion, kDeletionListBytes, nullptr),
            0);
  EXPECT_EQ(deletion.size(), 33u);
  // The list is full when its write position reaches the limit's last byte but one.
  std::string small;
  EXPECT_EQ(appendSearchResults("C:\\f\\a.tmp\r\n", "*.tmp", small, 13, nullptr), 0);
  EXPECT_EQ(small.size(), 11u);
  small.clear();
  EXPECT_EQ(appendSearchResults("C:\\f\\a.tmp\r\n", "*.tmp", small, 12, nullptr), kEraseBufferFull);
}

} // namespace
} // namespace tolm
