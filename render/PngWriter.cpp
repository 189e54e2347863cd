#include "render/PngWriter.h"

#include "scene/AtomicFile.h"

#include <png.h>

#include <csetjmp>

namespace
{

// Every byte goes through the safe writer, which keeps the reason of a failed write.
void WriteToFile(png_structp png, png_bytep data, png_size_t length)
{
    auto* file = static_cast<AtomicFile*>(png_get_io_ptr(png));
    if (!file->Write(std::string_view(reinterpret_cast<const char*>(data), length)))
        png_error(png, "Write Error");
}

// The writer syncs once, when it commits.
void FlushNothing(png_structp) {}

// Kept free of C++ objects with destructors: libpng reports errors by
// longjmp out of its calls.
bool EncodeRgbaAsRgb(AtomicFile& file, int width, int height, png_bytep* rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &file, WriteToFile, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

SaveResult WritePng(const std::string& path, const CFrameImage& image)
{
    const auto rowBytes = static_cast<std::size_t>(image.m_nWidth) * 4;
    if (image.IsEmpty() || image.m_pixels.size() != rowBytes * static_cast<std::size_t>(image.m_nHeight))
        return {false, "the image is empty or incomplete"};
    // libpng never writes through these pointers; it only takes them non-const.
    auto* pixels = const_cast<std::uint8_t*>(image.m_pixels.data());
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.m_nHeight));
    for (int y = 0; y < image.m_nHeight; ++y)
        rows[static_cast<std::size_t>(image.m_nHeight - 1 - y)] = pixels + static_cast<std::size_t>(y) * rowBytes;

    AtomicFile file(path);
    if (!file.Open())
        return file.Result();
    if (!EncodeRgbaAsRgb(file, image.m_nWidth, image.m_nHeight, rows.data()))
        return {false, file.Failure().empty() ? "the image could not be encoded" : file.Failure()};
    file.Commit();
    return file.Result();
}
