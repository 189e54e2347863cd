#include "GlTestSupport.h"

#include "render/PngWriter.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

class OffscreenPng : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / (std::string("vp-png-") + info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static std::string Contents(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    int FileCount() const
    {
        return static_cast<int>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    fs::path m_dir;
};

// Three columns, two rows, every pixel different, alpha not opaque.
CFrameImage SmallFrame()
{
    CFrameImage frame;
    frame.m_nWidth = 3;
    frame.m_nHeight = 2;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            frame.m_pixels.insert(frame.m_pixels.end(),
                                  {static_cast<std::uint8_t>(10 * x), static_cast<std::uint8_t>(100 + y),
                                   static_cast<std::uint8_t>(200 + x + y), 7});
    return frame;
}

TEST_F(OffscreenPng, StoresTheTopRowFirstAsOpaqueRgb)
{
    const auto path = m_dir / "frame.png";
    ASSERT_TRUE(WritePng(path.string(), SmallFrame()));

    // Read the file in its own top-down order, independent of the frame helper.
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&png, path.c_str()));
    EXPECT_EQ(png.width, 3u);
    EXPECT_EQ(png.height, 2u);
    EXPECT_EQ(png.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    png.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rows(PNG_IMAGE_SIZE(png));
    ASSERT_TRUE(png_image_finish_read(&png, nullptr, rows.data(), 0, nullptr));
    // The first stored row is the frame's top row y = 1.
    const std::vector<std::uint8_t> top(rows.begin(), rows.begin() + 12);
    EXPECT_EQ(top, (std::vector<std::uint8_t>{0, 101, 201, 255, 10, 101, 202, 255, 20, 101, 203, 255}));

    const CFrameImage back = ReadPngFrame(path.string());
    ASSERT_EQ(back.m_nWidth, 3);
    EXPECT_TRUE(PixelNear(back, 2, 0, {20, 100, 202}, 0));
    EXPECT_EQ(FileCount(), 1) << "no temporary file may remain";
}

TEST_F(OffscreenPng, AFailedWriteKeepsThePreviousFile)
{
    const auto path = m_dir / "frame.png";
    ASSERT_TRUE(WritePng(path.string(), SmallFrame()));
    const std::string before = Contents(path);

    CFrameImage empty;
    EXPECT_FALSE(WritePng(path.string(), empty));
    CFrameImage truncated = SmallFrame();
    truncated.m_pixels.pop_back();
    EXPECT_FALSE(WritePng(path.string(), truncated));
    // Wider than libpng accepts: the encoder fails after the temporary file was opened.
    CFrameImage tooWide;
    tooWide.m_nWidth = 1000001;
    tooWide.m_nHeight = 1;
    tooWide.m_pixels.resize(4 * 1000001);
    EXPECT_FALSE(WritePng(path.string(), tooWide));

    EXPECT_EQ(Contents(path), before);
    EXPECT_EQ(FileCount(), 1);
    EXPECT_FALSE(WritePng((m_dir / "missing" / "frame.png").string(), SmallFrame()));
    EXPECT_FALSE(fs::exists(m_dir / "missing"));
}

} // namespace
