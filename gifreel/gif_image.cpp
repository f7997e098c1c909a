#include "gif_image.h"

#include <new>

#include "win32/handle.h"

void GifImage::free() {
    image_ = gif::Image();
    dibs_.clear();
}

bool GifImage::load(const wchar_t* path) {
    free();
    if (!path) return false;
    try {
        win::Handle file(::CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        LARGE_INTEGER size;
        if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
            static_cast<std::uint64_t>(size.QuadPart) > kMaxFileSize)
            return false;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                               read != bytes.size()))
            return false;
        gif::Image image;
        if (gif::Parse(bytes.data(), bytes.size(), image) != gif::Status::Ok) return false;
        std::vector<std::vector<std::uint8_t>> dibs;
        dibs.reserve(image.frames.size());
        for (const gif::Frame& frame : image.frames) dibs.push_back(gif::PackedDib(frame));
        image_ = std::move(image);
        dibs_ = std::move(dibs);
        return true;
    } catch (const std::bad_alloc&) {
        free();
        return false;
    }
}

HBITMAP GifImage::colourBitmap(HDC dc, std::size_t n, COLORREF colour) {
    gif::FrameInfo info;
    if (n >= dibs_.size() || !frameInfo(n, &info) || info.width == 0 || info.height == 0) return nullptr;
    std::vector<std::uint8_t>& dib = dibs_[n];
    if (info.transparent < gif::kDibColours) {
        std::uint8_t* quad = &dib[gif::kDibHeaderSize + 4 * info.transparent];
        quad[0] = GetBValue(colour);
        quad[1] = GetGValue(colour);
        quad[2] = GetRValue(colour);
        quad[3] = 0;
    }
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    return ::CreateDIBitmap(dc, header, CBM_INIT, dib.data() + gif::kDibBitsOffset,
                            reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS);
}

HBITMAP GifImage::maskBitmap(std::size_t n) const {
    gif::FrameInfo info;
    if (!frameInfo(n, &info) || info.width == 0 || info.height == 0) return nullptr;
    try {
        const std::vector<std::uint8_t> bits = gif::MaskBits(image_.frames[n], info.transparent);
        return ::CreateBitmap(info.width, info.height, 1, 1, bits.data());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
