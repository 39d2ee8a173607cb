#include "Image.h"

#include <algorithm>

#include "Errors.h"

namespace authoring {

Image DecodeImage(const Bytes& file, Rgb background) {
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') return DecodeBmp(file, background);
    return DecodeWithPlatform(file, background);
}

void CheckPictureSize(std::uint64_t width, std::uint64_t height) {
    if (width > kMaxPictureSide || height > kMaxPictureSide) {
        throw InputError("the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                         " pixels, larger than the " + std::to_string(kMaxPictureSide) + " x " +
                         std::to_string(kMaxPictureSide) + " this tool takes");
    }
}

Rgb Blend(Rgb colour, std::uint32_t alpha, Rgb background) {
    const auto channel = [alpha](std::uint32_t value, std::uint32_t back) {
        return static_cast<std::uint8_t>((value * alpha + back * (255 - alpha) + 127) / 255);
    };
    return {channel(colour.r, background.r), channel(colour.g, background.g), channel(colour.b, background.b)};
}

Bytes BlendRgba(const Bytes& rgba, Rgb background) {
    Bytes pixels;
    pixels.reserve(rgba.size() / 4 * 3);
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const Rgb colour = Blend({rgba[i], rgba[i + 1], rgba[i + 2]}, rgba[i + 3], background);
        pixels.insert(pixels.end(), {colour.r, colour.g, colour.b});
    }
    return pixels;
}

std::vector<Rgb> GreyLevels(int bits) {
    std::vector<Rgb> levels;
    const std::uint32_t count = 1u << bits;
    for (std::uint32_t v = 0; v < count; ++v) {
        const auto grey = static_cast<std::uint8_t>(v * 255 / (count - 1));
        levels.push_back({grey, grey, grey});
    }
    return levels;
}

void UnpackIndices(Image& image, const std::uint8_t* rows, std::ptrdiff_t stride, int bits, const std::string& what) {
    image.indexBits = bits == 2 ? 4 : bits;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, 0);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* row = rows + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::uint32_t x = 0; x < image.width; ++x) {
            const std::size_t bit = static_cast<std::size_t>(x) * bits;
            const std::uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            if (index >= image.palette.size()) {
                throw InputError(what + " uses colour " + std::to_string(index) + " of a palette of " +
                                 std::to_string(image.palette.size()));
            }
            image.pixels[static_cast<std::size_t>(y) * image.width + x] = static_cast<std::uint8_t>(index);
        }
    }
}

Bytes MakePackedDib(const Image& image) {
    const int bits = image.indexBits != 0 ? image.indexBits : 24;
    const std::uint32_t colours =
        image.indexBits != 0 ? static_cast<std::uint32_t>(std::min<std::size_t>(image.palette.size(), 1u << bits)) : 0;
    const std::uint32_t stride = (bits * image.width + 31) / 32 * 4;
    const std::uint32_t sizeImage = stride * image.height;

    Bytes dib;
    dib.reserve(40 + 4 * colours + sizeImage);
    le::Append32(dib, 40);
    le::Append32(dib, image.width);
    le::Append32(dib, image.height);
    le::Append16(dib, 1);
    le::Append16(dib, static_cast<std::uint16_t>(bits));
    le::Append32(dib, 0);
    le::Append32(dib, sizeImage);
    le::Append32(dib, 0);
    le::Append32(dib, 0);
    le::Append32(dib, colours);
    le::Append32(dib, 0);
    for (std::uint32_t i = 0; i < colours; ++i) {
        dib.push_back(image.palette[i].b);
        dib.push_back(image.palette[i].g);
        dib.push_back(image.palette[i].r);
        dib.push_back(0);
    }
    for (std::uint32_t row = image.height; row-- > 0;) {
        Bytes line(stride, 0);
        for (std::uint32_t x = 0; x < image.width; ++x) {
            const std::size_t at = static_cast<std::size_t>(row) * image.width + x;
            if (image.indexBits == 0) {
                line[3 * x] = image.pixels[3 * at + 2];
                line[3 * x + 1] = image.pixels[3 * at + 1];
                line[3 * x + 2] = image.pixels[3 * at];
            } else {
                // Indices below 8 bits fill each byte from its high bits.
                const std::uint32_t bit = x * bits;
                line[bit / 8] |= static_cast<std::uint8_t>(image.pixels[at] << (8 - bits - bit % 8));
            }
        }
        dib.insert(dib.end(), line.begin(), line.end());
    }
    return dib;
}

std::string DescribeDib(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t colours) {
    std::string text =
        std::to_string(width) + " x " + std::to_string(height) + ", " + std::to_string(bitCount) + " bits per pixel";
    if (colours != 0) text += ", " + std::to_string(colours) + (colours == 1 ? " colour" : " colours");
    return text;
}

}  // namespace authoring
