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

namespace authoring {

namespace {

// What a library says went wrong.
struct Failure {
    char message[JMSG_LENGTH_MAX > 200 ? JMSG_LENGTH_MAX : 200] = {};
};

[[noreturn]] void Fails(const char* format, const char* library, const Failure& failure) {
    throw InputError(std::string("the ") + format + " picture is damaged or not one this tool reads (" + library +
                     ": " + failure.message + ")");
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
    // Palettes and grey levels of up to 8 bits stay indices as stored.
    bool indexed = false;
};

void PngError(png_structp png, png_const_charp message) {
    std::strncpy(static_cast<Failure*>(png_get_error_ptr(png))->message,
                 message != nullptr ? message : "an unknown error", sizeof Failure::message - 1);
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
    const int colourType = png_get_color_type(state.png, state.info);
    state.indexed = colourType == PNG_COLOR_TYPE_PALETTE ||
                    (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(state.png, state.info) <= 8);
    if (!state.indexed) {
        // Anything else as 8-bit red, green, blue and alpha: 16-bit samples
        // rounded, the transparent colour of a tRNS chunk given alpha 0.
        png_set_scale_16(state.png);
        png_set_gray_to_rgb(state.png);
        png_set_tRNS_to_alpha(state.png);
        png_set_add_alpha(state.png, 0xFF, PNG_FILLER_AFTER);
    }
    // The passes of an interlaced picture put together.
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
    if (!ReadPngHeader(state)) Fails("PNG", "libpng", state.failure);

    Image image;
    image.width = png_get_image_width(state.png, state.info);
    image.height = png_get_image_height(state.png, state.info);
    CheckPictureSize(image.width, image.height);
    const std::size_t stride = png_get_rowbytes(state.png, state.info);
    Bytes stored(stride * image.height);
    std::vector<png_bytep> rows(image.height);
    for (std::uint32_t y = 0; y < image.height; ++y) rows[y] = stored.data() + y * stride;
    if (!ReadPngRows(state, rows.data())) Fails("PNG", "libpng", state.failure);
    if (!state.indexed) {
        image.pixels = BlendRgba(stored, background);
        return image;
    }

    const int depth = png_get_bit_depth(state.png, state.info);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p key = nullptr;
    png_get_tRNS(state.png, state.info, &alphas, &alphaCount, &key);
    if (png_get_color_type(state.png, state.info) == PNG_COLOR_TYPE_PALETTE) {
        png_colorp plte = nullptr;
        int plteCount = 0;
        png_get_PLTE(state.png, state.info, &plte, &plteCount);
        for (int i = 0; i < plteCount; ++i) {
            image.palette.push_back(
                Blend({plte[i].red, plte[i].green, plte[i].blue}, i < alphaCount ? alphas[i] : 255, background));
        }
    } else {
        image.palette = GreyLevels(depth);
        if (key != nullptr && key->gray < image.palette.size()) image.palette[key->gray] = background;
    }
    UnpackIndices(image, stored.data(), static_cast<std::ptrdiff_t>(stride), depth, "the PNG picture");
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
    if (!ReadJpegHeader(info, errors, file)) Fails("JPEG", "libjpeg", errors.failure);
    CheckPictureSize(info.image_width, info.image_height);
    Image image;
    image.width = info.image_width;
    image.height = info.image_height;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height * 3, 0);
    if (!ReadJpegPixels(info, errors, image.pixels.data())) Fails("JPEG", "libjpeg", errors.failure);
    return image;
}

}  // namespace

Image DecodeWithPlatform(const Bytes& file, Rgb background) {
    if (file.size() >= 8 && png_sig_cmp(file.data(), 0, 8) == 0) return DecodePng(file, background);
    if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF) return DecodeJpeg(file);
    throw InputError("not a PNG, JPEG or BMP picture");
}

}  // namespace authoring
