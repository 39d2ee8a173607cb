#include "DisplayDib.h"

#include <cstring>
#include <limits>
#include <new>

#include "LittleEndian.h"

namespace preview {

namespace {

constexpr std::size_t kFormatSize = 4;

// BITMAPINFOHEADER, field by field.
struct InfoHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

InfoHeader ParseInfoHeader(const std::uint8_t* p) {
    InfoHeader h;
    h.width = static_cast<std::int32_t>(le::Get32(p + 4));
    h.height = static_cast<std::int32_t>(le::Get32(p + 8));
    h.planes = le::Get16(p + 12);
    h.bitCount = le::Get16(p + 14);
    h.compression = le::Get32(p + 16);
    h.sizeImage = le::Get32(p + 20);
    h.xPelsPerMeter = static_cast<std::int32_t>(le::Get32(p + 24));
    h.yPelsPerMeter = static_cast<std::int32_t>(le::Get32(p + 28));
    h.clrUsed = le::Get32(p + 32);
    h.clrImportant = le::Get32(p + 36);
    return h;
}

InfoHeader WidenCoreHeader(const std::uint8_t* p, std::uint16_t colors) {
    InfoHeader h;
    h.width = le::Get16(p + 4);
    h.height = le::Get16(p + 6);
    h.planes = le::Get16(p + 8);
    h.bitCount = le::Get16(p + 10);
    h.clrUsed = colors;
    h.clrImportant = colors;
    return h;
}

void WriteInfoHeader(std::uint8_t* p, const InfoHeader& h) {
    le::Set32(p, kInfoHeaderSize);
    le::Set32(p + 4, static_cast<std::uint32_t>(h.width));
    le::Set32(p + 8, static_cast<std::uint32_t>(h.height));
    le::Set16(p + 12, h.planes);
    le::Set16(p + 14, h.bitCount);
    le::Set32(p + 16, h.compression);
    le::Set32(p + 20, h.sizeImage);
    le::Set32(p + 24, static_cast<std::uint32_t>(h.xPelsPerMeter));
    le::Set32(p + 28, static_cast<std::uint32_t>(h.yPelsPerMeter));
    le::Set32(p + 32, h.clrUsed);
    le::Set32(p + 36, h.clrImportant);
}

// The bytes of one row; bitCount x width stays within 48 bits.
std::int64_t RowBytes(std::uint16_t bitCount, std::int32_t width) {
    const std::int64_t bits = static_cast<std::int64_t>(bitCount) * width + 31;
    const std::int64_t words = bits >= 0 ? bits / 32 : -((-bits + 31) / 32);
    return words * 4;
}

std::optional<std::int64_t> CheckedProduct(std::int64_t a, std::int64_t b) {
    if (a == 0 || b == 0) return 0;
    const std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    const std::int64_t magA = a < 0 ? -a : a;
    const std::int64_t magB = b < 0 ? -b : b;
    if (magA > limit / magB) return std::nullopt;
    return a * b;
}

}  // namespace

std::optional<std::int64_t> DibImageSize(std::uint16_t bitCount, std::int32_t width, std::int32_t height) {
    return CheckedProduct(RowBytes(bitCount, width), height);
}

bool IsHeldDibForm(std::uint16_t bitCount, std::uint32_t compression, std::int32_t width, std::int32_t height,
                   std::uint32_t sizeImage) {
    if (width < 0 || height < 0) return false;
    switch (compression) {
    case kCompressionRgb:
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
            return false;
        break;
    case kCompressionBitFields:
        if (bitCount != 16 && bitCount != 32) return false;
        break;
    case kCompressionRle8:
        return bitCount == 8;
    case kCompressionRle4:
        return bitCount == 4;
    default:
        return false;
    }
    const std::optional<std::int64_t> rows = DibImageSize(bitCount, width, height);
    return rows && *rows <= static_cast<std::int64_t>(sizeImage);
}

bool UsableBitFields(std::uint16_t bitCount, const std::uint8_t* masks) {
    if (masks == nullptr || bitCount == 0 || bitCount > 32) return false;
    const std::uint64_t pixel = (std::uint64_t{1} << bitCount) - 1;
    std::uint64_t taken = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint64_t mask = le::Get32(masks + 4 * i);
        if (mask == 0 || (mask & ~pixel) != 0 || (mask & taken) != 0) return false;
        // Adding the lowest set bit clears a single run and leaves bits above it
        // untouched.
        if (((mask + (mask & (~mask + 1))) & mask) != 0) return false;
        taken |= mask;
    }
    return true;
}

std::uint64_t DibPixelOffset(const std::uint8_t* header) {
    const std::uint32_t masks = le::Get32(header + 16) == kCompressionBitFields ? kBitFieldMaskBytes : 0;
    return kInfoHeaderSize + masks + 4 * static_cast<std::uint64_t>(le::Get32(header + 32));
}

void CopyAsHeld(const std::uint8_t* dib, std::size_t size, std::uint8_t* out) {
    std::memcpy(out, dib, size);
    if (size < kInfoHeaderSize) return;
    const auto height = static_cast<std::int32_t>(le::Get32(dib + 8));
    if (height >= 0 || height == std::numeric_limits<std::int32_t>::min()) return;
    const std::int64_t stride = RowBytes(le::Get16(dib + 14), static_cast<std::int32_t>(le::Get32(dib + 4)));
    const std::uint64_t pixels = DibPixelOffset(dib);
    const auto rows = static_cast<std::uint64_t>(-static_cast<std::int64_t>(height));
    // Anything but a normalised DIB is left as it came.
    if (stride < 0 || pixels > size || static_cast<std::uint64_t>(stride) > size - pixels) return;
    const auto offset = static_cast<std::size_t>(pixels);
    const auto rowBytes = static_cast<std::size_t>(stride);
    if (rowBytes != 0 && rows > (size - offset) / rowBytes) return;
    const std::uint8_t* from = dib + offset + static_cast<std::size_t>(rows) * rowBytes;
    for (std::uint8_t* to = out + offset; from != dib + offset; to += rowBytes) {
        from -= rowBytes;
        std::memcpy(to, from, rowBytes);
    }
    le::Set32(out + 8, static_cast<std::uint32_t>(-height));
}

std::uint16_t CountDibColors(const std::uint8_t* header, std::size_t size) {
    if (header == nullptr || size < 4) return 0;
    std::uint16_t bitCount = 0;
    std::uint16_t stated = 0;
    if (le::Get32(header) == kCoreHeaderSize) {
        if (size < kCoreHeaderSize) return 0;
        bitCount = le::Get16(header + 10);
    } else {
        if (size < 36) return 0;
        bitCount = le::Get16(header + 14);
        stated = le::Get16(header + 32);
    }
    std::uint16_t maximum = 0;
    switch (bitCount) {
    case 1:
        maximum = 2;
        break;
    case 4:
        maximum = 16;
        break;
    case 8:
        maximum = 256;
        break;
    default:
        return 0;
    }
    return stated != 0 && stated <= maximum ? stated : maximum;
}

std::optional<std::vector<std::uint8_t>> ConvertDisplayDib(const std::uint8_t* chunk, std::size_t size) {
    if (chunk == nullptr || size < kFormatSize + 4 || le::Get32(chunk) != kClipboardFormatDib) return std::nullopt;
    const std::uint8_t* source = chunk + kFormatSize;
    const std::uint64_t sourceSize = size - kFormatSize;
    const std::uint32_t headerSize = le::Get32(source);
    const bool core = headerSize == kCoreHeaderSize;
    if (!core && headerSize != kInfoHeaderSize) return std::nullopt;
    if (sourceSize < headerSize) return std::nullopt;

    const std::uint16_t colors = CountDibColors(source, static_cast<std::size_t>(sourceSize));
    InfoHeader header = core ? WidenCoreHeader(source, colors) : ParseInfoHeader(source);
    if (header.sizeImage == 0) {
        const std::optional<std::int64_t> computed = DibImageSize(header.bitCount, header.width, header.height);
        if (!computed || *computed < 0 || *computed > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
        header.sizeImage = static_cast<std::uint32_t>(*computed);
    }
    if (header.height == std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    const bool topDown = header.height < 0;
    if (topDown && header.compression != kCompressionRgb && header.compression != kCompressionBitFields)
        return std::nullopt;
    const std::int32_t rows = topDown ? -header.height : header.height;
    if (!IsHeldDibForm(header.bitCount, header.compression, header.width, rows, header.sizeImage)) return std::nullopt;
    // Within these sides a picture unpacked at 32 bits takes 64 MiB at the most.
    if (header.width > kMaxPictureSide || rows > kMaxPictureSide || header.sizeImage > kMaxPictureBytes)
        return std::nullopt;

    const std::uint64_t masks = header.compression == kCompressionBitFields ? kBitFieldMaskBytes : 0;
    const std::uint64_t sourceEntry = core ? 3 : 4;
    const std::uint64_t sourceTable = sourceEntry * colors;
    if (sourceSize - headerSize < masks + sourceTable + header.sizeImage) return std::nullopt;
    const std::uint8_t* sourceMasks = source + headerSize;
    if (masks != 0 && !UsableBitFields(header.bitCount, sourceMasks)) return std::nullopt;

    header.clrUsed = colors;
    const std::uint64_t total = kInfoHeaderSize + masks + 4ull * colors + header.sizeImage;
    std::vector<std::uint8_t> dib;
    if (total > kMaxStoredDibSize || total > dib.max_size()) return std::nullopt;
    try {
        dib.assign(static_cast<std::size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }

    WriteInfoHeader(dib.data(), header);
    std::memcpy(dib.data() + kInfoHeaderSize, sourceMasks, masks);
    const std::uint8_t* entries = sourceMasks + masks;
    std::uint8_t* table = dib.data() + kInfoHeaderSize + masks;
    if (core) {
        // Blue, green, red keep their order; the fourth byte stays 0.
        for (std::size_t i = 0; i < colors; ++i) std::memcpy(table + 4 * i, entries + 3 * i, 3);
    } else {
        std::memcpy(table, entries, 4u * colors);
    }
    std::memcpy(table + 4u * colors, entries + sourceTable, header.sizeImage);
    return dib;
}

}  // namespace preview
