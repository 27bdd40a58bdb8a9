#include "formats/epub/cover_check.h"

#include <zlib.h>

namespace pw {

namespace {

std::uint32_t bigEndian32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}
std::uint32_t bigEndian16(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1]));
}

void checkPng(std::string_view b, CoverCheck& c) {
    bool header = false, data = false;
    for (std::size_t at = 8;;) {
        if (b.size() - at < 12) {
            c.fault = "PNG 图片不完整（没有 IEND 结尾）";
            return;
        }
        const std::uint32_t length = bigEndian32(b, at);
        const std::string_view type = b.substr(at + 4, 4);
        if (length > 0x7FFFFFFFu || b.size() - at - 12 < length) {
            c.fault = "PNG 图片不完整（" + std::string(type) + " 数据块被截断）";
            return;
        }
        const auto crc = crc32(0, reinterpret_cast<const Bytef*>(b.data() + at + 4), length + 4);
        if (crc != bigEndian32(b, at + 8 + length)) {
            c.fault = "PNG 图片已损坏（" + std::string(type) + " 数据块的校验和不对）";
            return;
        }
        if (!header) {
            if (type != "IHDR" || length != 13) {
                c.fault = "PNG 图片已损坏（开头不是 IHDR）";
                return;
            }
            c.width = bigEndian32(b, at + 8);
            c.height = bigEndian32(b, at + 12);
            if (c.width == 0 || c.height == 0 || c.width > 0x7FFFFFFFu || c.height > 0x7FFFFFFFu) {
                c.fault = "PNG 图片的尺寸不对";
                return;
            }
            header = true;
        } else if (type == "IDAT") {
            data = true;
        } else if (type == "IEND") {
            if (!data) c.fault = "PNG 图片没有图像数据";
            return;
        }
        at += 12 + length;
    }
}

bool isFrame(unsigned char marker) {
    // SOF0–SOF15, less DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void checkJpeg(std::string_view b, CoverCheck& c) {
    bool frame = false;
    std::size_t at = 2;
    const auto truncated = [&] { c.fault = "JPEG 图片不完整（没有 EOI 结尾）"; };
    for (;;) {
        if (at + 2 > b.size()) return truncated();
        if (static_cast<unsigned char>(b[at]) != 0xFF) {
            c.fault = "JPEG 图片已损坏（段的开头不对）";
            return;
        }
        const auto marker = static_cast<unsigned char>(b[at + 1]);
        if (marker == 0xFF) { // fill bytes
            ++at;
            continue;
        }
        at += 2;
        if (marker == 0xD9) {
            if (!frame) c.fault = "JPEG 图片没有图像帧";
            return;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue; // no length
        if (at + 2 > b.size()) return truncated();
        const std::uint32_t length = bigEndian16(b, at);
        if (length < 2 || at + length > b.size()) return truncated();
        if (isFrame(marker)) {
            if (length < 8) {
                c.fault = "JPEG 图片已损坏（图像帧太短）";
                return;
            }
            c.height = bigEndian16(b, at + 3);
            c.width = bigEndian16(b, at + 5);
            if (c.width == 0 || c.height == 0) {
                c.fault = "JPEG 图片的尺寸不对";
                return;
            }
            frame = true;
        }
        at += length;
        if (marker != 0xDA) continue;
        if (!frame) {
            c.fault = "JPEG 图片已损坏（图像数据在图像帧之前）";
            return;
        }
        // The coded data runs to the next marker: FF not followed by 00 (a stuffed FF) or a restart.
        for (;; ++at) {
            if (at + 1 >= b.size()) return truncated();
            const auto next = static_cast<unsigned char>(b[at + 1]);
            if (static_cast<unsigned char>(b[at]) == 0xFF && next != 0x00 && !(next >= 0xD0 && next <= 0xD7) &&
                next != 0xFF)
                break;
        }
    }
}

} // namespace

CoverCheck checkCoverImage(std::string_view bytes) {
    CoverCheck c;
    c.kind = coverImageKind(bytes);
    if (c.kind == CoverImage::Png) checkPng(bytes, c);
    if (c.kind == CoverImage::Jpeg) checkJpeg(bytes, c);
    return c;
}

std::optional<FileError> readCover(TextView path, std::string& bytes) {
    return readSmallFile(path, kCoverLimit, bytes);
}

} // namespace pw
