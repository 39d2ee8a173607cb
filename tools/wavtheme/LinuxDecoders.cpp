// Pictures other than BMP through the distribution's libpng and libjpeg. Both
// report errors by longjmp: each library call runs in a function of its own
// that holds no C++ object, and the error becomes an InputError after it returns.
// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

#include "Errors.h"
#include "Image.h"

namespace wavtheme {

namespace {

// What a library says went wrong.
struct Failure {
    char message[JMSG_LENGTH_MAX > 200 ? JMSG_LENGTH_MAX : 200] = {};
};

void Remember(Failure& failure, const char* message) {
    std::strncpy(failure.message, message != nullptr ? message : "an unknown error", sizeof failure.message - 1);
}

// ---- PNG --------------------------------------------------------------------

struct PngInput {
    const Bytes* file = nullptr;
    std::size_t position = 0;
};

struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngInput input;
    Failure failure;
};

void PngError(png_structp png, png_const_charp message) {
    Remember(*static_cast<Failure*>(png_get_error_ptr(png)), message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t size) {
    PngInput& input = *static_cast<PngInput*>(png_get_io_ptr(png));
    if (input.file->size() - input.position < size) png_error(png, "the file is cut short");
    std::memcpy(out, input.file->data() + input.position, size);
    input.position += size;
}

// Reads the header; false with state.failure set when libpng refuses it.
bool ReadPngHeader(PngState& state) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_set_read_fn(state.png, &state.input, PngRead);
    // A damaged chunk of any kind means a damaged file.
    png_set_crc_action(state.png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_read_info(state.png, state.info);
    // Rows come as stored, one sample after another, the passes of an
    // interlaced picture put together.
    png_set_interlace_handling(state.png);
    png_read_update_info(state.png, state.info);
    return true;
}

bool ReadPngRows(PngState& state, png_bytepp rows) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_read_image(state.png, rows);
    png_read_end(state.png, nullptr);
    return true;
}

[[noreturn]] void PngFails(const Failure& failure) {
    throw InputError(std::string("the PNG picture is damaged or not one this tool reads (libpng: ") + failure.message +
                     ")");
}

// Sample c of pixel x in a row as stored: packed below 8 bits, big-endian at 16.
std::uint32_t Sample(const std::uint8_t* row, int depth, int channels, std::uint32_t x, int c) {
    if (depth < 8) {
        const std::size_t bit = static_cast<std::size_t>(x) * depth;
        return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
    }
    const std::size_t index = static_cast<std::size_t>(x) * channels + c;
    if (depth == 8) return row[index];
    return static_cast<std::uint32_t>(row[2 * index] << 8 | row[2 * index + 1]);
}

Image DecodePng(const Bytes& file, Rgb background) {
    PngState state;
    state.input.file = &file;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state.failure, PngError, PngWarning);
    if (state.png != nullptr) state.info = png_create_info_struct(state.png);
    struct Release {
        PngState& state;
        ~Release() { png_destroy_read_struct(&state.png, &state.info, nullptr); }
    } release{state};
    if (state.info == nullptr) throw IoError("libpng cannot start: out of memory");
    if (!ReadPngHeader(state)) PngFails(state.failure);

    const std::uint32_t width = png_get_image_width(state.png, state.info);
    const std::uint32_t height = png_get_image_height(state.png, state.info);
    const int depth = png_get_bit_depth(state.png, state.info);
    const int colourType = png_get_color_type(state.png, state.info);
    const int channels = png_get_channels(state.png, state.info);
    CheckPictureSize(width, height);

    Bytes stored(png_get_rowbytes(state.png, state.info) * height);
    std::vector<png_bytep> rows(height);
    for (std::uint32_t y = 0; y < height; ++y) rows[y] = stored.data() + y * png_get_rowbytes(state.png, state.info);
    if (!ReadPngRows(state, rows.data())) PngFails(state.failure);

    png_colorp plte = nullptr;
    int plteCount = 0;
    png_get_PLTE(state.png, state.info, &plte, &plteCount);
    png_bytep paletteAlpha = nullptr;
    int alphaCount = 0;
    png_color_16p key = nullptr;
    const bool transparency = png_get_tRNS(state.png, state.info, &paletteAlpha, &alphaCount, &key) != 0;

    Image image;
    image.width = width;
    image.height = height;
    const bool indexed = colourType == PNG_COLOR_TYPE_PALETTE || (colourType == PNG_COLOR_TYPE_GRAY && depth <= 8);
    if (indexed) {
        image.indexBits = depth == 1 ? 1 : depth == 8 ? 8 : 4;
        if (colourType == PNG_COLOR_TYPE_PALETTE) {
            for (int i = 0; i < plteCount; ++i) {
                const std::uint8_t alpha = transparency && i < alphaCount ? paletteAlpha[i] : 255;
                image.palette.push_back({BlendChannel(plte[i].red, alpha, background.r),
                                         BlendChannel(plte[i].green, alpha, background.g),
                                         BlendChannel(plte[i].blue, alpha, background.b)});
            }
        } else {
            const std::uint32_t levels = 1u << depth;
            for (std::uint32_t v = 0; v < levels; ++v) {
                const auto grey = static_cast<std::uint8_t>(v * 255 / (levels - 1));
                image.palette.push_back(transparency && key->gray == v ? background : Rgb{grey, grey, grey});
            }
        }
        image.pixels.assign(static_cast<std::size_t>(width) * height, 0);
    } else {
        image.pixels.assign(static_cast<std::size_t>(width) * height * 3, 0);
    }
    const auto to8 = [depth](std::uint32_t sample) {
        return depth == 16 ? Round16To8(sample) : static_cast<std::uint8_t>(sample);
    };

    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * width + x;
            if (indexed) {
                const std::uint32_t index = Sample(rows[y], depth, channels, x, 0);
                if (index >= image.palette.size()) {
                    throw InputError("the PNG picture uses colour " + std::to_string(index) + " of a palette of " +
                                     std::to_string(image.palette.size()));
                }
                image.pixels[at] = static_cast<std::uint8_t>(index);
                continue;
            }
            std::uint32_t s[4] = {};
            for (int c = 0; c < channels; ++c) s[c] = Sample(rows[y], depth, channels, x, c);
            const bool grey = colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA;
            std::uint32_t alpha = 255;
            if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) alpha = to8(s[1]);
            if (colourType == PNG_COLOR_TYPE_RGB_ALPHA) alpha = to8(s[3]);
            if (transparency && colourType == PNG_COLOR_TYPE_GRAY && key->gray == s[0]) alpha = 0;
            if (transparency && colourType == PNG_COLOR_TYPE_RGB && key->red == s[0] && key->green == s[1] &&
                key->blue == s[2]) {
                alpha = 0;
            }
            const std::uint8_t r = to8(s[0]);
            image.pixels[3 * at] = BlendChannel(r, alpha, background.r);
            image.pixels[3 * at + 1] = BlendChannel(grey ? r : to8(s[1]), alpha, background.g);
            image.pixels[3 * at + 2] = BlendChannel(grey ? r : to8(s[2]), alpha, background.b);
        }
    }
    return image;
}

// ---- JPEG -------------------------------------------------------------------

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    Failure failure;
};

void JpegExit(j_common_ptr info) {
    JpegErrors& errors = *reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors.failure.message);
    std::longjmp(errors.jump, 1);
}

// libjpeg only warns of corrupt or missing data and makes up the pixels; such a
// picture is refused as damaged. Trace messages (level 0 and up) are ignored.
void JpegWarning(j_common_ptr info, int level) {
    if (level < 0) JpegExit(info);
}

bool ReadJpegHeader(jpeg_decompress_struct& info, JpegErrors& errors, const Bytes& file) {
    if (setjmp(errors.jump)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    return true;
}

bool ReadJpegPixels(jpeg_decompress_struct& info, JpegErrors& errors, std::uint8_t* pixels) {
    if (setjmp(errors.jump)) return false;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + static_cast<std::size_t>(info.output_scanline) * info.output_width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

[[noreturn]] void JpegFails(const Failure& failure) {
    throw InputError(std::string("the JPEG picture is damaged or not one this tool reads (libjpeg: ") +
                     failure.message + ")");
}

Image DecodeJpeg(const Bytes& file) {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegExit;
    errors.manager.emit_message = JpegWarning;
    struct Release {
        jpeg_decompress_struct& info;
        ~Release() { jpeg_destroy_decompress(&info); }
    } release{info};
    if (!ReadJpegHeader(info, errors, file)) JpegFails(errors.failure);
    CheckPictureSize(info.image_width, info.image_height);
    Image image;
    image.width = info.image_width;
    image.height = info.image_height;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height * 3, 0);
    if (!ReadJpegPixels(info, errors, image.pixels.data())) JpegFails(errors.failure);
    return image;
}

}  // namespace

Image DecodeWithPlatform(const Bytes& file, Rgb background) {
    static const std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() >= 8 && std::memcmp(file.data(), kPngSignature, 8) == 0) return DecodePng(file, background);
    if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF) return DecodeJpeg(file);
    throw InputError("not a PNG, JPEG or BMP picture");
}

}  // namespace wavtheme
