#include "Services/GaussianBoxBlur.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace corvanta::GaussianBoxBlur {
namespace {

constexpr int kPasses = 3;

// Box radii whose repeated application matches the variance of a Gaussian of `sigma`.
std::array<int, kPasses> boxRadii(double sigma)
{
    const double ideal = std::sqrt(12.0 * sigma * sigma / kPasses + 1.0);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    lower = std::max(lower, 1);
    const int upper = lower + 2;
    const double idealCount = (12.0 * sigma * sigma - kPasses * lower * lower - 4.0 * kPasses * lower - 3.0 * kPasses)
        / (-4.0 * lower - 4.0);
    const int count = int(std::lround(idealCount));
    std::array<int, kPasses> radii{};
    for (int i = 0; i < kPasses; ++i)
        radii[i] = ((i < count ? lower : upper) - 1) / 2;
    return radii;
}

template<typename Work>
void parallelFor(int count, int threads, Work work)
{
    threads = std::clamp(threads, 1, std::max(1, count));
    if (threads == 1) {
        work(0, count);
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    const int chunk = (count + threads - 1) / threads;
    for (int t = 1; t < threads; ++t) {
        const int begin = t * chunk, end = std::min(count, begin + chunk);
        if (begin < end)
            pool.emplace_back([=] { work(begin, end); });
    }
    work(0, std::min(count, chunk));
    for (auto& thread : pool)
        thread.join();
}

// Fixed-point reciprocal of the window size, so each output byte is one multiply and a shift.
struct Divider {
    explicit Divider(int window) : scale((uint64_t(1) << 32) / uint64_t(window)) {}
    uint8_t operator()(uint32_t sum) const { return uint8_t((uint64_t(sum) * scale + (uint64_t(1) << 31)) >> 32); }
    uint64_t scale;
};

// One horizontal box pass over rows [begin, end) from `source` into `target` (which may be the
// same buffer: each row is read through a copy).
void horizontalPass(const uchar* source, uchar* target, qsizetype stride, int width, int radius, int begin, int end)
{
    std::vector<uint8_t> row(size_t(width) * 4);
    const Divider divide(2 * radius + 1);
    for (int y = begin; y < end; ++y) {
        uint8_t* line = target + y * stride;
        std::memcpy(row.data(), source + y * stride, row.size());
        const auto at = [&](int x, int c) { return uint32_t(row[size_t(std::clamp(x, 0, width - 1)) * 4 + c]); };
        uint32_t sum[4] = {0, 0, 0, 0};
        for (int c = 0; c < 4; ++c)
            for (int x = -radius; x <= radius; ++x)
                sum[c] += at(x, c);
        for (int x = 0; x < width; ++x) {
            uint8_t* out = line + size_t(x) * 4;
            for (int c = 0; c < 4; ++c) {
                out[c] = divide(sum[c]);
                sum[c] += at(x + radius + 1, c) - at(x - radius, c);
            }
        }
    }
}

// One vertical box pass over byte columns [begin, end) of the row, reading `source` into `target`.
void verticalPass(const uchar* source, uchar* target, qsizetype stride, int height, int radius, int begin, int end)
{
    const int span = end - begin;
    std::vector<uint32_t> sum(size_t(span), 0);
    const Divider divide(2 * radius + 1);
    const auto row = [&](int y) { return source + std::clamp(y, 0, height - 1) * stride + begin; };
    for (int y = -radius; y <= radius; ++y) {
        const uchar* in = row(y);
        for (int i = 0; i < span; ++i)
            sum[size_t(i)] += in[i];
    }
    for (int y = 0; y < height; ++y) {
        uchar* out = target + y * stride + begin;
        const uchar* add = row(y + radius + 1);
        const uchar* remove = row(y - radius);
        for (int i = 0; i < span; ++i) {
            out[i] = divide(sum[size_t(i)]);
            sum[size_t(i)] += uint32_t(add[i]) - uint32_t(remove[i]);
        }
    }
}

} // namespace

void apply(QImage& image, double sigma, int threads)
{
    if (image.isNull() || !(sigma > 0) || image.depth() != 32)
        return;
    if (threads <= 0)
        threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const int width = image.width(), height = image.height();
    const qsizetype stride = image.bytesPerLine();
    uchar* bits = image.bits();
    std::vector<uchar> scratch(size_t(stride) * size_t(height));
    // Columns are handed out in 64-byte blocks so that threads never share a cache line.
    const int byteColumns = width * 4;
    const int blocks = (byteColumns + 63) / 64;
    // Each pass runs rows from `current` into the image, then columns from the image into the
    // scratch buffer, which holds the result from then on.
    const uchar* current = bits;
    for (const int radius : boxRadii(sigma)) {
        if (radius <= 0)
            continue;
        parallelFor(height, threads,
                    [&](int begin, int end) { horizontalPass(current, bits, stride, width, radius, begin, end); });
        parallelFor(blocks, threads, [&](int begin, int end) {
            verticalPass(bits, scratch.data(), stride, height, radius, begin * 64, std::min(byteColumns, end * 64));
        });
        current = scratch.data();
    }
    if (current != bits)
        for (int y = 0; y < height; ++y)
            std::memcpy(bits + y * stride, current + size_t(y) * size_t(stride), size_t(byteColumns));
}

} // namespace corvanta::GaussianBoxBlur
