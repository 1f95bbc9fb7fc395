#include "winui/jpeg_image.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "core/exception.h"

extern "C" {
#include <jpeglib.h>
}

namespace winui {
namespace {

struct ErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

// libjpeg's default error exit ends the process. We jump back instead: an
// exception must not unwind through the library's C frames.
void OnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->Message);
    std::longjmp(errors->Jump, 1);
}

void OnMessage(j_common_ptr, int) {}  // warnings are not worth a word

// Only trivially destructible locals live in this frame, and everything the
// decoder fills is reached through pointers, so the long jump leaves nothing
// half-destroyed or stale behind.
bool Decode(const std::uint8_t* data, std::size_t size, Pixels* out, ErrorManager* errors,
            std::vector<std::uint8_t>* row) {
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&errors->Base);
    errors->Base.error_exit = OnError;
    errors->Base.emit_message = OnMessage;
    if (setjmp(errors->Jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    // Refuse absurd sizes before libjpeg allocates anything for them.
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > kMaxPictureSide ||
        info.image_height > kMaxPictureSide ||
        std::size_t{info.image_width} * info.image_height > kMaxPicturePixels) {
        std::snprintf(errors->Message, sizeof errors->Message, "Unsupported picture size");
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        std::snprintf(errors->Message, sizeof errors->Message, "Unsupported picture colours");
        jpeg_destroy_decompress(&info);
        return false;
    }
    const std::size_t width = info.output_width;
    out->Width = static_cast<int>(width);
    out->Height = static_cast<int>(info.output_height);
    try {
        out->Data.assign(width * info.output_height, 0);
        row->resize(width * 3);
    } catch (...) {
        jpeg_destroy_decompress(&info);  // no memory: give libjpeg's back first
        throw;
    }
    while (info.output_scanline < info.output_height) {
        const std::size_t y = info.output_scanline;
        JSAMPROW rows[1] = {row->data()};
        jpeg_read_scanlines(&info, rows, 1);
        std::uint32_t* target = out->Data.data() + y * width;
        const std::uint8_t* source = row->data();
        for (std::size_t x = 0; x < width; ++x, source += 3) {
            target[x] =
                (std::uint32_t{source[0]} << 16) | (std::uint32_t{source[1]} << 8) | source[2];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

Pixels DecodeJpeg(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size == 0) {
        throw selvane::Exception("Empty picture");
    }
    if (size > kMaxPictureBytes) {
        throw selvane::Exception("Picture file too large");
    }
    Pixels pixels;
    ErrorManager errors{};
    std::vector<std::uint8_t> row;
    if (!Decode(data, size, &pixels, &errors, &row)) {
        std::string message(errors.Message);
        message.insert(0, "JPEG error: ");
        throw selvane::Exception(std::move(message));
    }
    return pixels;
}

Pixels DecodeJpegFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open()) {
        std::string message = "Cannot open picture ";
        try {
            message += file.string();
        } catch (...) {
            // a name the code page cannot spell: the message goes without it
        }
        throw selvane::Exception(std::move(message));
    }
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>{});
    return DecodeJpeg(bytes.data(), bytes.size());
}

}  // namespace winui
