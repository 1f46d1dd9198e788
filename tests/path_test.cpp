// How a path is cut into the parts its output name is made of, and joined again.
#include "platform/path.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct PathCase {
    std::string path;
    std::string directory, baseName, extension;
};

TEST(PathTest, SplitsAndJoinsTheParts) {
    std::vector<PathCase> cases = {
        {"a.dwg", "", "a", ".dwg"},
        {"plans/A.DWG", "plans/", "A", ".DWG"},
        {"/x/y.z/file", "/x/y.z/", "file", ""},
        {"plans/.dwg", "plans/", ".dwg", ""},
        {"..", "", "..", ""},
        {".plan.dwg", "", ".plan", ".dwg"},
        {"..a.b", "", "..a", ".b"},
        {"a..", "", "a.", "."},
        {"a.b.c", "", "a.b", ".c"},
        {"dir/", "dir/", "", ""},
    };
    const bool windows = kPathSeparators.size() > 1;
    if (windows) {  // backslashes, drives and servers
        cases.insert(cases.end(),
                     {{"C:plans\\*.dwg", "C:plans\\", "*", ".dwg"},
                      {"D:\\a.dwg", "D:\\", "a", ".dwg"},
                      {"C:a.dwg", "C:", "a", ".dwg"},
                      {"\\\\server\\share\\p\\x.dwg", "\\\\server\\share\\p\\", "x", ".dwg"},
                      {"mixed/sub\\a.b", "mixed/sub\\", "a", ".b"}});
    } else {  // a backslash is part of a name
        cases.push_back({"C:plans\\a.dwg", "", "C:plans\\a", ".dwg"});
    }
    for (const auto& c : cases) {
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.directory, c.directory) << c.path;
        EXPECT_EQ(parts.baseName, c.baseName) << c.path;
        EXPECT_EQ(parts.extension, c.extension) << c.path;
        EXPECT_EQ(MakePath(parts.directory, parts.baseName, parts.extension), c.path);
    }
    EXPECT_EQ(MakePath("thumbs", "a", "bmp"), windows ? "thumbs\\a.bmp" : "thumbs/a.bmp");
    EXPECT_EQ(MakePath("", "", ".bmp"), ".bmp");
    EXPECT_EQ(MakePath("", ".", ".bmp"), "..bmp");
    if (windows) {
        EXPECT_EQ(MakePath("C:", "a", ".bmp"), "C:a.bmp");
    }
}

}  // namespace

namespace {

// A folder named with separators after it is the folder; a root keeps its own.
TEST(PathTest, TrailingSeparatorsLeaveTheFolder) {
    std::vector<std::pair<std::string, std::string>> cases = {
        {"plans/", "plans"}, {"plans//", "plans"}, {"a/b/", "a/b"}, {"plans", "plans"},
        {"/", "/"},          {"//", "/"},          {"/x/", "/x"},   {"", ""},
    };
    if (kPathSeparators.size() > 1) {
        cases.insert(cases.end(), {{"C:\\plans\\", "C:\\plans"},
                                   {"C:\\", "C:\\"},
                                   {"C:\\\\", "C:\\"},
                                   {"plans\\/", "plans"},
                                   {"\\\\server\\share\\dir\\", "\\\\server\\share\\dir"}});
    } else {
        cases.push_back({"plans\\", "plans\\"});  // a backslash is part of a name
    }
    for (const auto& [path, folder] : cases) {
        EXPECT_EQ(WithoutTrailingSeparators(path), folder) << path;
    }
}

}  // namespace
