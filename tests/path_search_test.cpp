#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/search.h"
#include "tests/dwg_builder.h"
#include "tests/temp_dir.h"

namespace {

class SearchTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"b.dwg", "a.dwg", "A.DWG", ".hidden.dwg", "plan[1].dwg",
                                 "back\\slash.dwg", "note.txt", "a.dwgx"}) {
            WriteFile(m_dir / name, {});
        }
        ::mkdir((m_dir / "sub.dwg").c_str(), 0755);
    }
    std::vector<std::string> Find(const std::string& pattern) {
        std::vector<std::string> names;
        for (const SearchMatch& match : FindMatches(m_dir / pattern).matches) {
            names.push_back(match.name);
        }
        return names;
    }
    TempDir m_dir;
};

TEST_F(SearchTest, WildcardsMatchSortedAndSkipLeadingDots) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Find("*.dwg"), (V{"a.dwg", "b.dwg", "back\\slash.dwg", "plan[1].dwg", "sub.dwg"}));
    EXPECT_EQ(Find("?.dwg"), (V{"a.dwg", "b.dwg"}));
    EXPECT_EQ(Find("*"), (V{"A.DWG", "a.dwg", "a.dwgx", "b.dwg", "back\\slash.dwg", "note.txt",
                            "plan[1].dwg", "sub.dwg"}));
    EXPECT_EQ(Find(".*"), (V{".hidden.dwg"}));
    EXPECT_EQ(Find("plan[1]*"), (V{"plan[1].dwg"}));
    EXPECT_EQ(Find("back\\*"), (V{"back\\slash.dwg"}));
    EXPECT_EQ(Find("*.none"), V{});
}

TEST_F(SearchTest, PlainNamesMatchWhatExistsWhateverItIs) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Find("plan[1].dwg"), (V{"plan[1].dwg"}));
    EXPECT_EQ(Find("sub.dwg"), (V{"sub.dwg"}));
    EXPECT_EQ(Find("A.DWG"), (V{"A.DWG"}));
    EXPECT_EQ(Find("missing.dwg"), V{});
    EXPECT_EQ(Find(""), V{});
    EXPECT_EQ(FindMatches(m_dir / "nowhere/*.dwg").error, ENOENT);
    EXPECT_EQ(FindMatches(m_dir.Path() + "/*.dwg/a.dwg").error, ENOENT);  // only in the name
}

TEST_F(SearchTest, MatchesTellTheirKindAndWhyNothingMatched) {
    ASSERT_EQ(::symlink("a.dwg", (m_dir / "link.dwg").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (m_dir / "dangling.dwg").c_str()), 0);
    ASSERT_EQ(::symlink("sub.dwg", (m_dir / "dirlink.dwg").c_str()), 0);
    ASSERT_EQ(::mkfifo((m_dir / "fifo.dwg").c_str(), 0600), 0);
    const struct {
        std::string pattern;
        EntryKind kind;
        int error;
    } cases[] = {
        {"a.dwg", EntryKind::kRegular, 0},     {"link.dwg", EntryKind::kRegular, 0},
        {"sub.dwg", EntryKind::kDirectory, 0}, {"dirlink.dwg", EntryKind::kDirectory, 0},
        {"fifo.dwg", EntryKind::kOther, 0},    {"dangling.dwg", EntryKind::kBroken, ENOENT}};
    for (const auto& c : cases) {
        for (const std::string& pattern : {c.pattern, c.pattern.substr(0, 1) + "*.dwg"}) {
            const SearchResult result = FindMatches(m_dir / pattern);
            const auto match =
                std::find_if(result.matches.begin(), result.matches.end(),
                             [&](const SearchMatch& m) { return m.name == c.pattern; });
            ASSERT_NE(match, result.matches.end()) << pattern;
            EXPECT_EQ(match->kind, c.kind) << pattern;
            EXPECT_EQ(match->error, c.error) << pattern;
        }
    }
    EXPECT_EQ(FindMatches(m_dir / "missing.dwg").error, ENOENT);
    EXPECT_EQ(FindMatches(m_dir / "*.none").error, ENOENT);
    EXPECT_EQ(FindMatches(m_dir / std::string(300, 'x')).error, ENAMETOOLONG);
}

}  // namespace
