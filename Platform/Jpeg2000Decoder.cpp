#include "Platform/Jpeg2000Decoder.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace corvanta {

namespace {

constexpr char kFileSignature[] = "\x00\x00\x00\x0CjP  \r\n\x87\n";
constexpr char kCodestreamSignature[] = "\xFF\x4F\xFF\x51";

struct MemorySource {
    const uchar* data;
    OPJ_SIZE_T size;
    OPJ_SIZE_T position = 0;
};

OPJ_SIZE_T readSource(void* buffer, OPJ_SIZE_T count, void* user)
{
    auto* source = static_cast<MemorySource*>(user);
    if (source->position >= source->size)
        return OPJ_SIZE_T(-1);
    count = std::min(count, source->size - source->position);
    std::memcpy(buffer, source->data + source->position, count);
    source->position += count;
    return count;
}

OPJ_OFF_T skipSource(OPJ_OFF_T count, void* user)
{
    auto* source = static_cast<MemorySource*>(user);
    if (count < 0)
        return -1;
    const OPJ_SIZE_T step = std::min(OPJ_SIZE_T(count), source->size - source->position);
    source->position += step;
    return OPJ_OFF_T(step);
}

OPJ_BOOL seekSource(OPJ_OFF_T offset, void* user)
{
    auto* source = static_cast<MemorySource*>(user);
    if (offset < 0 || OPJ_SIZE_T(offset) > source->size)
        return OPJ_FALSE;
    source->position = OPJ_SIZE_T(offset);
    return OPJ_TRUE;
}

void keepMessage(const char* message, void* user)
{
    auto* out = static_cast<QString*>(user);
    if (out->isEmpty())
        *out = QString::fromUtf8(message).trimmed();
}

void ignoreMessage(const char*, void*) {}

struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

// One component's sample scaled to 8 bits.
inline uchar sample8(const opj_image_comp_t& component, size_t index)
{
    qint64 value = component.data[index];
    if (component.sgnd)
        value += qint64(1) << (component.prec - 1);
    const int precision = int(component.prec);
    if (precision > 8)
        value >>= precision - 8;
    else if (precision < 8)
        value = value * 255 / ((qint64(1) << precision) - 1);
    return uchar(std::clamp<qint64>(value, 0, 255));
}

QImage toImage(const opj_image_t& image, int width, int height, QString* error)
{
    const OPJ_UINT32 channels = image.numcomps;
    if (channels < 1 || channels > 4) {
        *error = QStringLiteral("%1 components").arg(channels);
        return {};
    }
    for (OPJ_UINT32 c = 0; c < channels; ++c) {
        const opj_image_comp_t& component = image.comps[c];
        if (!component.data || int(component.w) != width || int(component.h) != height || component.prec < 1
            || component.prec > 31) {
            *error = QStringLiteral("subsampled or empty component");
            return {};
        }
    }
    QImage out(width, height, QImage::Format_ARGB32);
    if (out.isNull()) {
        *error = QStringLiteral("out of memory");
        return {};
    }
    const bool grey = channels <= 2;
    const bool alpha = channels == 2 || channels == 4;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            const uchar r = sample8(image.comps[0], i);
            const uchar g = grey ? r : sample8(image.comps[1], i);
            const uchar b = grey ? r : sample8(image.comps[2], i);
            const uchar a = alpha ? sample8(image.comps[channels - 1], i) : 255;
            line[x] = qRgba(r, g, b, a);
        }
    }
    return out;
}

} // namespace

bool isJpeg2000(QByteArrayView data)
{
    return data.startsWith(QByteArrayView(kFileSignature, sizeof kFileSignature - 1))
        || data.startsWith(QByteArrayView(kCodestreamSignature, sizeof kCodestreamSignature - 1));
}

QImage decodeJpeg2000(QByteArrayView data, int maxSide, QString* error)
{
    QString reason;
    const auto fail = [&](const QString& why) {
        if (error)
            *error = reason.isEmpty() ? why : why + QStringLiteral(": ") + reason;
        return QImage();
    };
    if (!isJpeg2000(data))
        return fail(QStringLiteral("not JPEG 2000"));
    const bool fileFormat = data.startsWith(QByteArrayView(kFileSignature, sizeof kFileSignature - 1));

    MemorySource source{reinterpret_cast<const uchar*>(data.data()), OPJ_SIZE_T(data.size())};
    std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_decompress(fileFormat ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!stream || !codec)
        return fail(QStringLiteral("decoder unavailable"));
    opj_stream_set_user_data(stream.get(), &source, nullptr);
    opj_stream_set_user_data_length(stream.get(), OPJ_UINT64(data.size()));
    opj_stream_set_read_function(stream.get(), readSource);
    opj_stream_set_skip_function(stream.get(), skipSource);
    opj_stream_set_seek_function(stream.get(), seekSource);
    opj_set_error_handler(codec.get(), keepMessage, &reason);
    opj_set_warning_handler(codec.get(), ignoreMessage, nullptr);
    opj_set_info_handler(codec.get(), ignoreMessage, nullptr);

    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters))
        return fail(QStringLiteral("decoder setup failed"));

    opj_image_t* header = nullptr;
    if (!opj_read_header(stream.get(), codec.get(), &header))
        return fail(QStringLiteral("unreadable header"));
    std::unique_ptr<opj_image_t, ImageDeleter> image(header);
    const qint64 width = qint64(image->x1) - qint64(image->x0);
    const qint64 height = qint64(image->y1) - qint64(image->y0);
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide)
        return fail(QStringLiteral("size %1×%2 outside 1…%3").arg(width).arg(height).arg(maxSide));
    if (image->numcomps < 1 || image->numcomps > 4)
        return fail(QStringLiteral("%1 components").arg(image->numcomps));
    if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get()))
        return fail(QStringLiteral("undecodable data"));
    QString why;
    QImage out = toImage(*image, int(width), int(height), &why);
    if (out.isNull())
        return fail(why);
    return out;
}

} // namespace corvanta
