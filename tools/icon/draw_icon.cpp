// Draws the program's icon: a white arrow pointing down into an amber tray on a blue tile.
//   draw_icon OUTPUT.ico
// The build compiles this with the host's compiler and runs it; the icon is never edited by hand.
// Every size is drawn on its own with its edges on whole pixels, so that the small sizes stay
// sharp rather than being scaled down from the large one: eight by eight samples a pixel, each
// taken at its centre without smoothing, averaged. All arithmetic is on integers and the file
// holds no dates, so the same program gives the same bytes with any compiler. The 256 pixel
// image is stored PNG-compressed, the others as 32-bit bitmaps with alpha.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kSamples = 8; // per pixel and direction
constexpr std::array<int, 8> kSizes{16, 20, 24, 32, 40, 48, 64, 256};

struct Rgb {
    int r, g, b;
};
constexpr Rgb kTileTop{0x45, 0x96, 0xE0};
constexpr Rgb kTileBottom{0x1A, 0x52, 0x9B};
constexpr Rgb kArrow{0xFF, 0xFF, 0xFF};
constexpr Rgb kTray{0xFF, 0xC1, 0x2E};

struct Point {
    std::int64_t x, y;
};

// Even-odd rule: is the point inside the polygon? Points and corners in the same units.
bool inside(const std::vector<Point>& polygon, Point p) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point a = polygon[i];
        const Point b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y)) {
            // p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y), without dividing.
            const std::int64_t lhs = (p.x - a.x) * (b.y - a.y);
            const std::int64_t rhs = (p.y - a.y) * (b.x - a.x);
            if (b.y > a.y ? lhs < rhs : lhs > rhs) {
                in = !in;
            }
        }
    }
    return in;
}

// One image of `size` pixels, RGBA rows from the top, not premultiplied.
//
// The drawing, on a 16 by 16 grid: x as a half-width around the centre line (so that both sides
// round alike), y from the top; both in grid units, counted on pixel edges.
//   tile     the whole square, corner radius 3, shaded from top to bottom
//   shaft    half-width 2, from 2 down to the head
//   head     half-width 5 at 6, point at 11
//   tray     posts 2 wide at half-width 4 to 6 from 9 down to 14, joined by a bottom from 12 to 14
Bytes draw(int size) {
    const std::int64_t big = std::int64_t{size} * kSamples;
    // A grid length rounded to whole pixels, in samples.
    const auto px = [size](std::int64_t grid) { return (2 * grid * size + 16) / 32 * kSamples; };
    const std::int64_t c = big / 2;
    // Sample coordinates are doubled, so that sample centres (odd) and edges (even) are whole.
    const auto at = [](std::int64_t x, std::int64_t y) { return Point{2 * x, 2 * y}; };
    const std::vector<Point> arrow{at(c - px(2), px(2)), at(c + px(2), px(2)), at(c + px(2), px(6)),
                                   at(c + px(5), px(6)), at(c, px(11)),        at(c - px(5), px(6)),
                                   at(c - px(2), px(6))};
    const std::vector<Point> tray{
        at(c - px(6), px(9)), at(c - px(4), px(9)), at(c - px(4), px(12)), at(c + px(4), px(12)),
        at(c + px(4), px(9)), at(c + px(6), px(9)), at(c + px(6), px(14)), at(c - px(6), px(14))};
    const std::int64_t radius2 = 3 * size * kSamples / 16 * 2; // doubled; 3 * size is even
    const auto inTile = [&](Point p) {
        const std::int64_t edge = 2 * big;
        const std::int64_t dx = p.x < radius2          ? radius2 - p.x
                                : p.x > edge - radius2 ? p.x - (edge - radius2)
                                                       : 0;
        const std::int64_t dy = p.y < radius2          ? radius2 - p.y
                                : p.y > edge - radius2 ? p.y - (edge - radius2)
                                                       : 0;
        return dx * dx + dy * dy <= radius2 * radius2;
    };

    Bytes pixels(static_cast<std::size_t>(size) * size * 4);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            // Sums of alpha and of alpha-weighted colour, each colour scaled by (big - 1) so
            // that the shading stays whole.
            std::int64_t alpha = 0;
            std::array<std::int64_t, 3> colour{};
            for (int sy = 0; sy < kSamples; ++sy) {
                const std::int64_t y = std::int64_t{row} * kSamples + sy;
                for (int sx = 0; sx < kSamples; ++sx) {
                    const std::int64_t x = std::int64_t{column} * kSamples + sx;
                    const Point p{2 * x + 1, 2 * y + 1};
                    std::array<std::int64_t, 3> rgb;
                    if (inside(tray, p)) {
                        rgb = {kTray.r * (big - 1), kTray.g * (big - 1), kTray.b * (big - 1)};
                    } else if (inside(arrow, p)) {
                        rgb = {kArrow.r * (big - 1), kArrow.g * (big - 1), kArrow.b * (big - 1)};
                    } else if (inTile(p)) {
                        const auto shade = [&](int top, int bottom) {
                            return top * (big - 1) + (bottom - top) * y;
                        };
                        rgb = {shade(kTileTop.r, kTileBottom.r), shade(kTileTop.g, kTileBottom.g),
                               shade(kTileTop.b, kTileBottom.b)};
                    } else {
                        continue; // transparent
                    }
                    alpha += 255;
                    for (int k = 0; k < 3; ++k) {
                        colour[k] += rgb[k];
                    }
                }
            }
            std::uint8_t* out = &pixels[(static_cast<std::size_t>(row) * size + column) * 4];
            const std::int64_t samples = kSamples * kSamples;
            const std::int64_t opaque = alpha / 255; // samples covered
            for (int k = 0; k < 3; ++k) {
                const std::int64_t divisor = opaque * (big - 1);
                out[k] = opaque == 0
                             ? 0
                             : static_cast<std::uint8_t>((colour[k] + divisor / 2) / divisor);
            }
            out[3] = static_cast<std::uint8_t>((alpha + samples / 2) / samples);
        }
    }
    return pixels;
}

void put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
void put32BigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// The image as a 32-bit bitmap for an icon: the header with doubled height, the colour rows from
// the bottom (BGRA), then the mask (a set bit where the picture is fully transparent).
Bytes iconBitmap(const Bytes& rgba, int size) {
    Bytes out;
    const int maskStride = (size + 31) / 32 * 4;
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, static_cast<std::uint32_t>(size * 2));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(size * size * 4 + maskStride * size));
    for (int i = 0; i < 4; ++i) {
        put32(out, 0);
    }
    for (int row = size - 1; row >= 0; --row) {
        for (int column = 0; column < size; ++column) {
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(row) * size + column) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    for (int row = size - 1; row >= 0; --row) {
        Bytes mask(static_cast<std::size_t>(maskStride), 0);
        for (int column = 0; column < size; ++column) {
            if (rgba[(static_cast<std::size_t>(row) * size + column) * 4 + 3] == 0) {
                mask[static_cast<std::size_t>(column / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (column % 8));
            }
        }
        out.insert(out.end(), mask.begin(), mask.end());
    }
    return out;
}

// Deflate with the fixed codes and a greedy search for repeats: enough for pictures of a few
// flat colours, and the same bytes on every machine.
class Deflater {
  public:
    Bytes compress(const Bytes& data) {
        putBits(1, 1); // the last block
        putBits(1, 2); // fixed codes
        constexpr std::size_t kWindow = 32768;
        constexpr std::size_t kHashSize = 1 << 15;
        constexpr int kChain = 64;
        std::vector<std::int64_t> head(kHashSize, -1);
        std::vector<std::int64_t> previous(data.size(), -1);
        const auto hash = [&](std::size_t i) {
            return ((std::size_t{data[i]} << 10) ^ (std::size_t{data[i + 1]} << 5) ^ data[i + 2]) &
                   (kHashSize - 1);
        };
        const auto insert = [&](std::size_t i) {
            if (i + 2 < data.size()) {
                const std::size_t h = hash(i);
                previous[i] = head[h];
                head[h] = static_cast<std::int64_t>(i);
            }
        };
        std::size_t i = 0;
        while (i < data.size()) {
            std::size_t bestLength = 0;
            std::size_t bestDistance = 0;
            if (i + 2 < data.size()) {
                std::int64_t candidate = head[hash(i)];
                for (int n = 0; n < kChain && candidate >= 0; ++n) {
                    const auto from = static_cast<std::size_t>(candidate);
                    if (i - from > kWindow) {
                        break;
                    }
                    std::size_t length = 0;
                    while (length < 258 && i + length < data.size() &&
                           data[from + length] == data[i + length]) {
                        ++length;
                    }
                    if (length > bestLength) {
                        bestLength = length;
                        bestDistance = i - from;
                    }
                    candidate = previous[from];
                }
            }
            if (bestLength >= 3) {
                putLength(bestLength);
                putDistance(bestDistance);
                for (std::size_t k = 0; k < bestLength; ++k) {
                    insert(i + k);
                }
                i += bestLength;
            } else {
                putSymbol(data[i]);
                insert(i);
                ++i;
            }
        }
        putSymbol(256);
        if (bitCount_ > 0) {
            out_.push_back(static_cast<std::uint8_t>(bits_));
        }
        return out_;
    }

  private:
    void putBits(std::uint32_t value, int count) {
        bits_ |= value << bitCount_;
        bitCount_ += count;
        while (bitCount_ >= 8) {
            out_.push_back(static_cast<std::uint8_t>(bits_));
            bits_ >>= 8;
            bitCount_ -= 8;
        }
    }
    // Huffman codes go first bit first.
    void putCode(std::uint32_t code, int length) {
        std::uint32_t reversed = 0;
        for (int k = 0; k < length; ++k) {
            reversed |= ((code >> k) & 1u) << (length - 1 - k);
        }
        putBits(reversed, length);
    }
    void putSymbol(std::uint32_t symbol) {
        if (symbol < 144) {
            putCode(0x30 + symbol, 8);
        } else if (symbol < 256) {
            putCode(0x190 + symbol - 144, 9);
        } else if (symbol < 280) {
            putCode(symbol - 256, 7);
        } else {
            putCode(0xC0 + symbol - 280, 8);
        }
    }
    void putLength(std::size_t length) {
        static constexpr std::array<std::uint16_t, 29> kBase{
            3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
            31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static constexpr std::array<std::uint8_t, 29> kExtra{
            0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        std::size_t code = kBase.size() - 1;
        while (kBase[code] > length) {
            --code;
        }
        putSymbol(static_cast<std::uint32_t>(257 + code));
        putBits(static_cast<std::uint32_t>(length - kBase[code]), kExtra[code]);
    }
    void putDistance(std::size_t distance) {
        static constexpr std::array<std::uint16_t, 30> kBase{
            1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
            193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        std::size_t code = kBase.size() - 1;
        while (kBase[code] > distance) {
            --code;
        }
        const int extra = code < 4 ? 0 : static_cast<int>(code / 2 - 1);
        putCode(static_cast<std::uint32_t>(code), 5);
        putBits(static_cast<std::uint32_t>(distance - kBase[code]), extra);
    }

    Bytes out_;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
};

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xFFFFFFFFu;
}

void putChunk(Bytes& png, const char* type, const Bytes& data) {
    put32BigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32BigEndian(png, crc32(&png[start], png.size() - start));
}

// The image as PNG (8-bit RGBA, each row filtered by its left neighbour), without any date.
Bytes png(const Bytes& rgba, int size) {
    Bytes raw;
    const std::size_t stride = static_cast<std::size_t>(size) * 4;
    for (int row = 0; row < size; ++row) {
        raw.push_back(1); // "Sub"
        const std::uint8_t* line = &rgba[row * stride];
        for (std::size_t i = 0; i < stride; ++i) {
            raw.push_back(static_cast<std::uint8_t>(line[i] - (i >= 4 ? line[i - 4] : 0)));
        }
    }
    Bytes zlib{0x78, 0x01};
    const Bytes deflated = Deflater().compress(raw);
    zlib.insert(zlib.end(), deflated.begin(), deflated.end());
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32BigEndian(zlib, (b << 16) | a);

    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32BigEndian(header, static_cast<std::uint32_t>(size));
    put32BigEndian(header, static_cast<std::uint32_t>(size));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no interlace
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", zlib);
    putChunk(out, "IEND", {});
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_icon OUTPUT.ico\n");
        return 2;
    }
    std::vector<Bytes> images;
    for (const int size : kSizes) {
        const Bytes rgba = draw(size);
        images.push_back(size >= 256 ? png(rgba, size) : iconBitmap(rgba, size));
    }
    Bytes icon;
    put16(icon, 0);
    put16(icon, 1); // an icon
    put16(icon, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = kSizes[i];
        icon.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
        icon.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
        icon.push_back(0); // no palette
        icon.push_back(0);
        put16(icon, 1);  // planes
        put16(icon, 32); // bits per pixel
        put32(icon, static_cast<std::uint32_t>(images[i].size()));
        put32(icon, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images) {
        icon.insert(icon.end(), image.begin(), image.end());
    }
    FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr || std::fwrite(icon.data(), 1, icon.size(), file) != icon.size() ||
        std::fclose(file) != 0) {
        std::fprintf(stderr, "draw_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
