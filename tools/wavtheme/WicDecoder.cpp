// Pictures other than BMP through the Windows Imaging Component, which decodes
// whatever formats the system has codecs for. The frame's own pixel format is
// read where it keeps a palette or more than 8 bits a sample, so that both
// become what the other builds make of them; any other format is converted to
// 32-bit BGRA.
#include <initguid.h>
#include <wincodec.h>
#include <windows.h>

#include <cstdio>

#include "Errors.h"
#include "Image.h"

namespace wavtheme {

namespace {

// Releases a COM interface when it goes out of scope.
template <typename T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (m_p != nullptr) m_p->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** operator&() { return &m_p; }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }

private:
    T* m_p = nullptr;
};

std::string Hresult(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        throw InputError(std::string("the picture cannot be decoded: ") + what + " failed (" + Hresult(hr) + ")");
    }
}

struct Indexed {
    WICPixelFormatGUID format;
    int bits;
    bool grey;
};

const Indexed kIndexed[] = {
    {GUID_WICPixelFormat1bppIndexed, 1, false}, {GUID_WICPixelFormat2bppIndexed, 2, false},
    {GUID_WICPixelFormat4bppIndexed, 4, false}, {GUID_WICPixelFormat8bppIndexed, 8, false},
    {GUID_WICPixelFormatBlackWhite, 1, true},   {GUID_WICPixelFormat2bppGray, 2, true},
    {GUID_WICPixelFormat4bppGray, 4, true},     {GUID_WICPixelFormat8bppGray, 8, true},
};

// The frame's pixels in format, rows top to bottom, each stride bytes.
Bytes CopyPixels(IWICBitmapSource* source, UINT width, UINT height, UINT bitsPerPixel, UINT& stride) {
    stride = (width * bitsPerPixel + 31) / 32 * 4;
    Bytes pixels(static_cast<std::size_t>(stride) * height);
    Check(source->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data()), "reading the pixels");
    return pixels;
}

std::uint32_t Le16At(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8);
}

Image Decode(IWICImagingFactory* factory, const Bytes& file, Rgb background) {
    Com<IWICStream> stream;
    Check(factory->CreateStream(&stream), "creating a stream");
    Check(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()), static_cast<DWORD>(file.size())),
          "reading the file");
    Com<IWICBitmapDecoder> decoder;
    const HRESULT found =
        factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
    if (found == WINCODEC_ERR_COMPONENTNOTFOUND) throw InputError("not a picture that Windows has a decoder for");
    Check(found, "opening the picture");
    Com<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, &frame), "reading its first frame");
    UINT width = 0;
    UINT height = 0;
    Check(frame->GetSize(&width, &height), "reading its size");
    if (width == 0 || height == 0) throw InputError("the picture has no pixels");
    CheckPictureSize(width, height);
    WICPixelFormatGUID format;
    Check(frame->GetPixelFormat(&format), "reading its pixel format");

    Image image;
    image.width = width;
    image.height = height;
    UINT stride = 0;
    for (const Indexed& indexed : kIndexed) {
        if (format != indexed.format) continue;
        image.indexBits = indexed.bits == 2 ? 4 : indexed.bits;
        if (indexed.grey) {
            const std::uint32_t levels = 1u << indexed.bits;
            for (std::uint32_t v = 0; v < levels; ++v) {
                const auto grey = static_cast<std::uint8_t>(v * 255 / (levels - 1));
                image.palette.push_back({grey, grey, grey});
            }
        } else {
            Com<IWICPalette> palette;
            Check(factory->CreatePalette(&palette), "creating a palette");
            Check(frame->CopyPalette(palette.Get()), "reading the palette");
            UINT count = 0;
            Check(palette->GetColorCount(&count), "reading the palette");
            std::vector<WICColor> colours(count);
            Check(palette->GetColors(count, colours.data(), &count), "reading the palette");
            for (UINT i = 0; i < count; ++i) {
                const WICColor c = colours[i];
                const std::uint32_t alpha = c >> 24;
                image.palette.push_back({BlendChannel(c >> 16 & 0xFF, alpha, background.r),
                                         BlendChannel(c >> 8 & 0xFF, alpha, background.g),
                                         BlendChannel(c & 0xFF, alpha, background.b)});
            }
        }
        const Bytes stored = CopyPixels(frame.Get(), width, height, indexed.bits, stride);
        image.pixels.assign(static_cast<std::size_t>(width) * height, 0);
        for (UINT y = 0; y < height; ++y) {
            const std::uint8_t* row = &stored[static_cast<std::size_t>(y) * stride];
            for (UINT x = 0; x < width; ++x) {
                const std::size_t bit = static_cast<std::size_t>(x) * indexed.bits;
                const std::uint32_t index = (row[bit / 8] >> (8 - indexed.bits - bit % 8)) & ((1u << indexed.bits) - 1);
                if (index >= image.palette.size()) {
                    throw InputError("the picture uses colour " + std::to_string(index) + " of a palette of " +
                                     std::to_string(image.palette.size()));
                }
                image.pixels[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(index);
            }
        }
        return image;
    }

    // True colour: each pixel's red, green, blue and alpha at 8 bits.
    image.pixels.assign(static_cast<std::size_t>(width) * height * 3, 0);
    const auto put = [&](UINT x, UINT y, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
        std::uint8_t* out = &image.pixels[(static_cast<std::size_t>(y) * width + x) * 3];
        out[0] = BlendChannel(r, a, background.r);
        out[1] = BlendChannel(g, a, background.g);
        out[2] = BlendChannel(b, a, background.b);
    };
    if (format == GUID_WICPixelFormat16bppGray || format == GUID_WICPixelFormat48bppRGB ||
        format == GUID_WICPixelFormat64bppRGBA) {
        const int channels = format == GUID_WICPixelFormat16bppGray ? 1 : format == GUID_WICPixelFormat48bppRGB ? 3 : 4;
        const Bytes stored = CopyPixels(frame.Get(), width, height, 16 * channels, stride);
        for (UINT y = 0; y < height; ++y) {
            for (UINT x = 0; x < width; ++x) {
                const std::uint8_t* p = &stored[static_cast<std::size_t>(y) * stride + x * 2u * channels];
                const std::uint8_t r = Round16To8(Le16At(p));
                if (channels == 1) {
                    put(x, y, r, r, r, 255);
                } else {
                    put(x, y, r, Round16To8(Le16At(p + 2)), Round16To8(Le16At(p + 4)),
                        channels == 4 ? Round16To8(Le16At(p + 6)) : 255);
                }
            }
        }
        return image;
    }
    Com<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(&converter), "creating a format converter");
    Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                WICBitmapPaletteTypeCustom),
          "converting the pixels");
    const Bytes stored = CopyPixels(converter.Get(), width, height, 32, stride);
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            const std::uint8_t* p = &stored[static_cast<std::size_t>(y) * stride + x * 4u];
            put(x, y, p[2], p[1], p[0], p[3]);
        }
    }
    return image;
}

}  // namespace

Image DecodeWithPlatform(const Bytes& file, Rgb background) {
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const bool uninitialise = SUCCEEDED(initialised);
    struct Uninitialise {
        bool active;
        ~Uninitialise() {
            if (active) CoUninitialize();
        }
    } done{uninitialise};
    Com<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory)))) {
        throw IoError("the Windows Imaging Component is not available");
    }
    return Decode(factory.Get(), file, background);
}

}  // namespace wavtheme
