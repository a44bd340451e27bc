#include "TempTree.h"
#include "bench/BenchTrees.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct ShapeRow {
    const char* name;
    std::int64_t folders;
    std::int64_t files;
    std::int64_t fileSize;
};

void PrintTo(const ShapeRow& row, std::ostream* out) { *out << row.name; }

class BenchShapes : public ::testing::TestWithParam<ShapeRow> {};

TEST_P(BenchShapes, HaveTheSizesTheGoalsNameThem) {
    bool ok = false;
    const TreeShape shape = ShapeNamed(GetParam().name, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(FolderCount(shape), GetParam().folders);
    EXPECT_EQ(FileCount(shape), GetParam().files);
    EXPECT_EQ(shape.fileSize, GetParam().fileSize);
}

INSTANTIATE_TEST_SUITE_P(Trees, BenchShapes,
                         ::testing::Values(ShapeRow{"S", 200, 20000, 4096}, ShapeRow{"L", 0, 8, 64 << 20},
                                           ShapeRow{"K", 1000, 100000, 0}, ShapeRow{"M", 100, 10000, 0},
                                           ShapeRow{"X", 1000, 1000000, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BenchShapes, RefusesAnUnknownName) {
    bool ok = true;
    ShapeNamed("Q", ok);
    EXPECT_FALSE(ok);
}

std::string Content(std::uint64_t index, std::size_t size) {
    std::string bytes(size, '\0');
    FillContent(index, bytes.data(), size, 0);
    return bytes;
}

TEST(BenchContent, IsTheSameWhetherWrittenInPiecesOrAtOnce) {
    const std::string whole = Content(5, 1000);
    std::string pieces(1000, '\0');
    FillContent(5, pieces.data(), 3, 0);
    FillContent(5, pieces.data() + 3, 500, 3);
    FillContent(5, pieces.data() + 503, 497, 503);
    EXPECT_EQ(pieces, whole);
    EXPECT_NE(Content(6, 1000), whole);
}

class BenchTree : public ::testing::Test {
protected:
    // Two folders of the first level, one inside each, three files of 100 bytes everywhere.
    TreeShape m_shape{"T", {2, 1}, 3, 100, false};
    TempTree m_tree;
};

TEST_F(BenchTree, WritesEveryFileWithItsContentAndTime) {
    ASSERT_EQ(MakeTree(m_shape, m_tree.Path("t")), "");
    const std::vector<std::string> files = m_tree.ListFiles("t");
    ASSERT_EQ(static_cast<std::int64_t>(files.size()), FileCount(m_shape));
    EXPECT_EQ(files.front(), "Ordner \xC3\x84 000/Datei \xC3\x9F 0000.dat");
    EXPECT_EQ(files.back(), "Ordner \xC3\x84 001/Teil \xC3\xB6 000/Datei \xC3\x9F 0002.dat");

    // Depth first: the first folder's own files are indices 0 to 2.
    EXPECT_EQ(m_tree.ReadFile("t/" + files[1]), Content(1, 100));
    struct stat st {};
    ASSERT_EQ(::stat(m_tree.Path("t/" + files[1]).c_str(), &st), 0);
    std::int64_t seconds = 0;
    long nanos = 0;
    ContentTime(1, seconds, nanos);
    EXPECT_EQ(st.st_mtim.tv_sec, seconds);
    EXPECT_EQ(st.st_mtim.tv_nsec, nanos);
}

TEST_F(BenchTree, GivesEveryFileTheShapesDateWhenItHasOne) {
    m_shape.fileTime = 1704067200;
    ASSERT_EQ(MakeTree(m_shape, m_tree.Path("t")), "");
    for (const std::string& file : m_tree.ListFiles("t")) {
        struct stat st {};
        ASSERT_EQ(::stat(m_tree.Path("t/" + file).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1704067200) << file;
        EXPECT_EQ(st.st_mtim.tv_nsec, 0) << file;
    }
}

TEST_F(BenchTree, RefusesARootThatExists) {
    m_tree.MakeDir("t");
    EXPECT_NE(MakeTree(m_shape, m_tree.Path("t")), "");
}

TEST_F(BenchTree, TouchMakesEveryNthFileNewerAndLeavesTheRest) {
    ASSERT_EQ(MakeTree(m_shape, m_tree.Path("t")), "");
    const std::vector<std::string> files = m_tree.ListFiles("t");
    std::vector<std::int64_t> before;
    for (const std::string& file : files) before.push_back(MTime(m_tree.Root() / "t" / file).time_since_epoch().count());

    EXPECT_EQ(TouchNewer(m_tree.Path("t"), 4, 3600), 3);  // 12 files: indices 0, 4, 8
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto after = MTime(m_tree.Root() / "t" / files[i]);
        const auto expected = std::filesystem::file_time_type(std::filesystem::file_time_type::duration(before[i])) +
                              (i % 4 == 0 ? std::chrono::hours(1) : std::chrono::hours(0));
        EXPECT_EQ(after, expected) << files[i];
    }
}

}  // namespace
