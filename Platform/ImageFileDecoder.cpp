#include "Platform/ImageFileDecoder.h"

#include "Platform/FileRead.h"
#include "Platform/PngChunks.h"

#include <QBuffer>
#include <QImageReader>

#include <libheif/heif.h>

#include <memory>

namespace corvanta::ImageFileDecoder {
namespace {

bool looksLikeHeif(const QByteArray& data)
{
    if (data.size() < 12)
        return false;
    const auto result = heif_check_filetype(reinterpret_cast<const uint8_t*>(data.constData()), int(data.size()));
    return result == heif_filetype_yes_supported;
}

QImage decodeHeif(const QByteArray& data)
{
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), &heif_context_free);
    if (!context)
        return {};
    if (heif_context_read_from_memory_without_copy(context.get(), data.constData(), size_t(data.size()), nullptr).code
        != heif_error_Ok)
        return {};
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok || !rawHandle)
        return {};
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(rawHandle, &heif_image_handle_release);
    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code
            != heif_error_Ok
        || !rawImage)
        return {};
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(rawImage, &heif_image_release);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || width <= 0 || height <= 0 || stride < width * 4)
        return {};
    // Copy out of libheif's buffer, which dies with `image`.
    return QImage(pixels, width, height, stride, QImage::Format_RGBA8888).copy();
}

QImage decodeWithQt(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    return image;
}

} // namespace

QImage decodeData(const QByteArray& data)
{
    if (data.isEmpty() || !safeForImageReader(data))
        return {};
    return looksLikeHeif(data) ? decodeHeif(data) : decodeWithQt(data);
}

QImage decodeFile(const QString& path)
{
    const auto data = readWholeFile(path, maxFileBytes);
    return data ? decodeData(*data) : QImage();
}

} // namespace corvanta::ImageFileDecoder
