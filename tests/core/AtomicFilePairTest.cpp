// Two files saved as one: when the second cannot replace its file after the
// first did, the first is as it was, and a failure before either leaves both.
#include "TestSupport.h"

#include "scene/AtomicFilePair.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

TEST(AtomicFilePairTest, BothFilesAreReplacedTogether)
{
    TempDir dir;
    WriteBytes(dir.File("intri.yml"), "old intri");
    AtomicFilePair pair(dir.File("intri.yml"), dir.File("extri.yml"));
    ASSERT_TRUE(pair.Open()) << pair.Failure();
    ASSERT_TRUE(pair.Write("new intri", "new extri"));
    ASSERT_TRUE(pair.Commit()) << pair.Failure();
    EXPECT_EQ(ReadBytes(dir.File("intri.yml")), "new intri");
    EXPECT_EQ(ReadBytes(dir.File("extri.yml")), "new extri");
    EXPECT_TRUE(pair.Failure().empty());
}

// The second file's place turns into a folder once both temporaries are
// written: its rename fails after the first one's succeeded.
TEST(AtomicFilePairTest, ASecondFileThatCannotBeReplacedPutsTheFirstBack)
{
    TempDir dir;
    WriteBytes(dir.File("intri.yml"), "earlier intri");
    WriteBytes(dir.File("extri.yml"), "earlier extri");
    AtomicFilePair pair(dir.File("intri.yml"), dir.File("extri.yml"));
    ASSERT_TRUE(pair.Open()) << pair.Failure();
    ASSERT_TRUE(pair.Write("new intri", "new extri"));
    std::filesystem::remove(dir.File("extri.yml"));
    std::filesystem::create_directories(dir.File("extri.yml/inside"));
    EXPECT_FALSE(pair.Commit());
    EXPECT_EQ(ReadBytes(dir.File("intri.yml")), "earlier intri");
    EXPECT_NE(pair.Failure().find(dir.File("extri.yml") + ": "), std::string::npos) << pair.Failure();
    EXPECT_NE(pair.Failure().find(dir.File("intri.yml") + " is as it was"), std::string::npos) << pair.Failure();

    // A first file that was new is removed again.
    TempDir fresh;
    AtomicFilePair made(fresh.File("intri.yml"), fresh.File("extri.yml"));
    ASSERT_TRUE(made.Open()) << made.Failure();
    ASSERT_TRUE(made.Write("new intri", "new extri"));
    std::filesystem::create_directories(fresh.File("extri.yml/inside"));
    EXPECT_FALSE(made.Commit());
    EXPECT_FALSE(std::filesystem::exists(fresh.File("intri.yml")));
    EXPECT_NE(made.Failure().find("new, is removed"), std::string::npos) << made.Failure();
    // No temporary is left behind in either folder.
    for (const TempDir* d : {&dir, &fresh})
        for (const auto& entry : std::filesystem::directory_iterator(d->Path()))
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

TEST(AtomicFilePairTest, AFailureBeforeEitherIsReplacedLeavesBoth)
{
    TempDir dir;
    WriteBytes(dir.File("intri.yml"), "earlier intri");
    std::filesystem::create_directory(dir.File("extri.yml"));
    AtomicFilePair pair(dir.File("intri.yml"), dir.File("extri.yml"));
    EXPECT_FALSE(pair.Open());
    EXPECT_FALSE(pair.Write("new intri", "new extri"));
    EXPECT_FALSE(pair.Commit());
    EXPECT_EQ(ReadBytes(dir.File("intri.yml")), "earlier intri");
    EXPECT_EQ(pair.Failure(), dir.File("extri.yml") + ": is a directory") << pair.Failure();
}

} // namespace
