// One folder reached by two paths: a second mount of it, as NAS and container set-ups make.
// The run decides "the same folder" and "inside" by the folders themselves, so it refuses
// as it would for one path, and nothing is moved or copied.

#include "ChildRun.h"
#include "FaultHelpers.h"
#include "TempTree.h"

#include <gtest/gtest.h>

namespace {

struct TwoPathCase {
    const char* name;
    bool delOld;
    const char* source;  // below the tree; "view" is the second mount of "data"
    const char* target;
    const char* refusal;
};

void PrintTo(const TwoPathCase& row, std::ostream* out) { *out << row.name; }

class SameFolderByTwoPaths : public ::testing::TestWithParam<TwoPathCase> {};

TEST_P(SameFolderByTwoPaths, IsRefusedAndNothingIsTouched) {
    const TwoPathCase& row = GetParam();
    TempTree tree;
    tree.WriteFile("data/photos/a.jpg", "a");
    tree.WriteFile("data/photos/sub/b.jpg", "b");
    tree.MakeDir("view");
    const std::vector<std::string> before = tree.ListFiles();

    std::vector<std::string> args{"--bind", tree.Path("data"), tree.Path("view")};
    if (row.delOld) args.push_back("--delold");
    args.insert(args.end(), {"--log", tree.Path("tvl.log"), tree.Path(row.source), tree.Path(row.target)});
    ChildRun child(args);
    if (!child.ReadUntil("END")) {
        const std::vector<std::string> skip = Containing(child.Lines(), "SKIP");
        if (!skip.empty()) GTEST_SKIP() << "no second mount can be made here: " << skip.front();
        FAIL() << "the child ended without END:\n" << Join(child.Lines());
    }
    EXPECT_EQ(Containing(child.Lines(), "MESSAGE"), std::vector<std::string>{std::string("MESSAGE Halt!|") + row.refusal});
    EXPECT_EQ(child.StatusMessages(), std::vector<std::string>{});
    EXPECT_EQ(child.Wait(), 0);
    // Nothing went to a trash (below the tree, or at the top of the mount), nothing was copied.
    EXPECT_EQ(tree.ListFiles(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SameFolderByTwoPaths,
    ::testing::Values(TwoPathCase{"EmptyFirstIntoTheSameFolder", true, "data/photos", "view/photos",
                                  "Quell- und Zielverzeichnis dürfen nicht gleich sein!"},
                      TwoPathCase{"TargetInsideTheSource", false, "data", "view/photos/sub",
                                  "Das Zielverzeichnis darf nicht im Quellverzeichnis liegen!"},
                      TwoPathCase{"SourceInsideTheEmptiedTarget", true, "data/photos/sub", "view/photos",
                                  "Das Quellverzeichnis darf nicht im Zielverzeichnis liegen, wenn das Ziel geleert "
                                  "wird!"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
