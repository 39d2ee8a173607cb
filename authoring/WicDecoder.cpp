// Pictures other than BMP through the Windows Imaging Component, which decodes
// whatever formats the system has codecs for. The frame's own pixel format is
// read where it keeps a palette or more than 8 bits a sample, so that both
// become what the other builds make of them; any other format is converted to
// 32-bit BGRA.
#include <initguid.h>
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>

#include "Errors.h"
#include "Image.h"
#include "SystemLibrary.h"

namespace authoring {

namespace {

using Microsoft::WRL::ComPtr;

void Check(HRESULT hr, const char* what) {
    if (SUCCEEDED(hr)) return;
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    throw InputError(std::string("the picture cannot be decoded: ") + what + " failed (" + code + ")");
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

// The source's pixels at bitsPerPixel, rows top to bottom, each stride bytes.
Bytes CopyPixels(IWICBitmapSource* source, UINT width, UINT height, UINT bitsPerPixel, UINT& stride) {
    stride = (width * bitsPerPixel + 31) / 32 * 4;
    Bytes pixels(static_cast<std::size_t>(stride) * height);
    Check(source->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data()), "reading the pixels");
    return pixels;
}

// A 16-bit sample rounded to 8 bits, as libpng rounds it.
std::uint8_t Round16To8(std::uint32_t sample) {
    return static_cast<std::uint8_t>((sample * 255 + 32767) / 65535);
}

Image Decode(IWICImagingFactory* factory, const Bytes& file, Rgb background) {
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(&stream), "creating a stream");
    Check(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()), static_cast<DWORD>(file.size())),
          "reading the file");
    ComPtr<IWICBitmapDecoder> decoder;
    const HRESULT found =
        factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
    if (found == WINCODEC_ERR_COMPONENTNOTFOUND) throw InputError("not a picture that Windows has a decoder for");
    Check(found, "opening the picture");
    ComPtr<IWICBitmapFrameDecode> frame;
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
        if (indexed.grey) {
            image.palette = GreyLevels(indexed.bits);
        } else {
            ComPtr<IWICPalette> palette;
            Check(factory->CreatePalette(&palette), "creating a palette");
            Check(frame->CopyPalette(palette.Get()), "reading the palette");
            UINT count = 0;
            Check(palette->GetColorCount(&count), "reading the palette");
            std::vector<WICColor> colours(count);
            Check(palette->GetColors(count, colours.data(), &count), "reading the palette");
            for (UINT i = 0; i < count; ++i) {
                const WICColor c = colours[i];
                image.palette.push_back(Blend({static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                               static_cast<std::uint8_t>(c)},
                                              c >> 24, background));
            }
        }
        const Bytes stored = CopyPixels(frame.Get(), width, height, indexed.bits, stride);
        UnpackIndices(image, stored.data(), stride, indexed.bits, "the picture");
        return image;
    }

    // True colour as 8-bit red, green, blue and alpha: samples of 16 bits
    // rounded here, anything else converted to 32-bit BGRA.
    const int deepChannels = format == GUID_WICPixelFormat16bppGray   ? 1
                             : format == GUID_WICPixelFormat48bppRGB  ? 3
                             : format == GUID_WICPixelFormat64bppRGBA ? 4
                                                                      : 0;
    ComPtr<IWICFormatConverter> converter;
    IWICBitmapSource* source = frame.Get();
    if (deepChannels == 0) {
        Check(factory->CreateFormatConverter(&converter), "creating a format converter");
        Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                    WICBitmapPaletteTypeCustom),
              "converting the pixels");
        source = converter.Get();
    }
    const UINT pixelBytes = deepChannels == 0 ? 4 : 2 * deepChannels;
    const Bytes stored = CopyPixels(source, width, height, 8 * pixelBytes, stride);
    Bytes rgba;
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            const std::uint8_t* p = &stored[static_cast<std::size_t>(y) * stride + x * pixelBytes];
            if (deepChannels == 0) {
                rgba.insert(rgba.end(), {p[2], p[1], p[0], p[3]});
                continue;
            }
            // Grey gives red, green and blue alike.
            for (int c = 0; c < 4; ++c) {
                rgba.push_back(
                    c == 3 && deepChannels < 4 ? 255 : Round16To8(le::Get16(p + 2 * std::min(c, deepChannels - 1))));
            }
        }
    }
    image.pixels = BlendRgba(rgba, background);
    return image;
}

}  // namespace

Image DecodeWithPlatform(const Bytes& file, Rgb background) {
    // COM is loaded with the first picture: the program does not pay for it at start-up.
    static const auto pInitialize = scheme::SystemFunction<decltype(&::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    static const auto pUninitialize =
        scheme::SystemFunction<decltype(&::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    static const auto pCreate = scheme::SystemFunction<decltype(&::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    if (pInitialize == nullptr || pUninitialize == nullptr || pCreate == nullptr) {
        throw IoError("the system's COM library is not available");
    }
    struct Uninitialise {
        decltype(pUninitialize) pDone;
        bool active;
        ~Uninitialise() {
            if (active) pDone();
        }
    } done{pUninitialize, SUCCEEDED(pInitialize(nullptr, COINIT_MULTITHREADED))};
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(pCreate(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                       reinterpret_cast<void**>(factory.GetAddressOf())))) {
        throw IoError("the Windows Imaging Component is not available");
    }
    return Decode(factory.Get(), file, background);
}

}  // namespace authoring
