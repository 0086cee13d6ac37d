#include "toolkit/win32/picture_view.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win32/wide_text.h"

namespace velk::win32 {

namespace {

const wchar_t* const kPictureClass = L"VelkPicture";

struct MetaFileTraits {
    using pointer = HMETAFILE;
    static constexpr pointer empty() noexcept { return nullptr; }
    static bool isEmpty(pointer value) noexcept { return value == nullptr; }
    static void close(pointer value) noexcept { DeleteMetaFile(value); }
};
using UniqueMetaFile = UniqueAny<MetaFileTraits>;

std::string lowerExtension(const std::string& path) {
    const auto cut = path.find_last_of("\\/:");
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    const auto dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

bool readWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
            read == bytes.size());
}

std::uint16_t word16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::int16_t short16(const unsigned char* p) {
    return static_cast<std::int16_t>(word16(p));
}

// The natural size of an enhanced metafile: its frame (hundredths of a millimetre) at the
// screen's resolution, or its bounds in device pixels when it has no frame.
SIZE metafileSize(HENHMETAFILE metafile) {
    ENHMETAHEADER header{};
    if (GetEnhMetaFileHeader(metafile, sizeof header, &header) == 0) {
        return {0, 0};
    }
    const int dpi = screenDpi();
    LONG width = MulDiv(header.rclFrame.right - header.rclFrame.left, dpi, 2540);
    LONG height = MulDiv(header.rclFrame.bottom - header.rclFrame.top, dpi, 2540);
    if (width <= 0 || height <= 0) {
        width = header.rclBounds.right - header.rclBounds.left + 1;
        height = header.rclBounds.bottom - header.rclBounds.top + 1;
    }
    return {width, height};
}

} // namespace

// A placeable Windows metafile starts with a 22-byte header: key 0x9AC6CDD7, a handle slot, the
// bounding box (left, top, right, bottom in metafile units), the units per inch, a reserved
// double word and a checksum. The plain metafile follows it.
LoadedPicture LoadedPicture::load(const std::string& path) {
    LoadedPicture picture;
    if (path.empty()) {
        return picture;
    }
    const std::string extension = lowerExtension(path);
    const std::wstring widePath = toWide(path);
    if (extension == ".bmp") {
        picture.bitmap_.reset(LoadImageW(nullptr, widePath.c_str(), IMAGE_BITMAP, 0, 0,
                                         LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        BITMAP info{};
        if (picture.bitmap_ && GetObjectW(picture.bitmap_.get(), sizeof info, &info) != 0) {
            picture.kind_ = Kind::Bitmap;
            picture.size_ = {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
        }
    } else if (extension == ".ico") {
        picture.icon_.reset(static_cast<HICON>(
            LoadImageW(nullptr, widePath.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE)));
        ICONINFO info{};
        if (picture.icon_ && GetIconInfo(picture.icon_.get(), &info)) {
            UniqueGdiObject color(info.hbmColor);
            UniqueGdiObject mask(info.hbmMask);
            BITMAP bits{};
            if (color && GetObjectW(color.get(), sizeof bits, &bits) != 0) {
                picture.size_ = {bits.bmWidth, bits.bmHeight};
            } else if (mask && GetObjectW(mask.get(), sizeof bits, &bits) != 0) {
                picture.size_ = {bits.bmWidth, bits.bmHeight / 2};
            }
            picture.kind_ = Kind::Icon;
        }
    } else if (extension == ".emf") {
        picture.metafile_.reset(GetEnhMetaFileW(widePath.c_str()));
        if (picture.metafile_) {
            picture.kind_ = Kind::Metafile;
            picture.size_ = metafileSize(picture.metafile_.get());
        }
    } else if (extension == ".wmf") {
        std::vector<unsigned char> bytes;
        if (!readWholeFile(widePath, bytes)) {
            return picture;
        }
        const bool placeable = bytes.size() > 22 && bytes[0] == 0xD7 && bytes[1] == 0xCD &&
                               bytes[2] == 0xC6 && bytes[3] == 0x9A;
        if (placeable) {
            const int left = short16(&bytes[6]);
            const int top = short16(&bytes[8]);
            const int right = short16(&bytes[10]);
            const int bottom = short16(&bytes[12]);
            int inch = word16(&bytes[14]);
            if (inch == 0) {
                inch = 1440;
            }
            const int width = right > left ? right - left : left - right;
            const int height = bottom > top ? bottom - top : top - bottom;
            METAFILEPICT pict{MM_ANISOTROPIC, MulDiv(width, 2540, inch), MulDiv(height, 2540, inch),
                              nullptr};
            picture.metafile_.reset(SetWinMetaFileBits(static_cast<UINT>(bytes.size() - 22),
                                                       bytes.data() + 22, nullptr, &pict));
            if (picture.metafile_) {
                const int dpi = screenDpi();
                picture.kind_ = Kind::Metafile;
                picture.size_ = {MulDiv(width, dpi, inch), MulDiv(height, dpi, inch)};
            }
        } else {
            UniqueMetaFile plain(GetMetaFileW(widePath.c_str()));
            if (!plain) {
                return picture;
            }
            const UINT size = GetMetaFileBitsEx(plain.get(), 0, nullptr);
            std::vector<unsigned char> bits(size);
            if (size == 0 || GetMetaFileBitsEx(plain.get(), size, bits.data()) != size) {
                return picture;
            }
            picture.metafile_.reset(SetWinMetaFileBits(size, bits.data(), nullptr, nullptr));
            if (picture.metafile_) {
                picture.kind_ = Kind::Metafile;
                picture.size_ = metafileSize(picture.metafile_.get());
            }
        }
    }
    if (picture.size_.cx <= 0 || picture.size_.cy <= 0) {
        return LoadedPicture();
    }
    return picture;
}

void LoadedPicture::draw(HDC dc, const RECT& target) const {
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    switch (kind_) {
    case Kind::Bitmap: {
        UniqueHdc memory(CreateCompatibleDC(dc));
        if (!memory) {
            return;
        }
        HGDIOBJ old = SelectObject(memory.get(), bitmap_.get());
        const int oldMode = SetStretchBltMode(dc, HALFTONE);
        POINT origin;
        SetBrushOrgEx(dc, 0, 0, &origin);
        StretchBlt(dc, target.left, target.top, width, height, memory.get(), 0, 0, size_.cx,
                   size_.cy, SRCCOPY);
        SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
        SetStretchBltMode(dc, oldMode);
        SelectObject(memory.get(), old);
        break;
    }
    case Kind::Icon:
        DrawIconEx(dc, target.left, target.top, icon_.get(), width, height, 0, nullptr, DI_NORMAL);
        break;
    case Kind::Metafile:
        PlayEnhMetaFile(dc, metafile_.get(), &target);
        break;
    case Kind::None:
        break;
    }
}

RECT fitPicture(SIZE picture, SIZE box) {
    if (picture.cx <= 0 || picture.cy <= 0 || box.cx <= 0 || box.cy <= 0) {
        return {0, 0, 0, 0};
    }
    // Compare box.cx / picture.cx with box.cy / picture.cy without rounding.
    const long long byWidth = static_cast<long long>(box.cx) * picture.cy;
    const long long byHeight = static_cast<long long>(box.cy) * picture.cx;
    if (byWidth <= byHeight) {
        // The width limits: full width, height scaled.
        const LONG height = static_cast<LONG>(byWidth / picture.cx);
        return {0, 0, box.cx, height > 0 ? height : 1};
    }
    const LONG width = static_cast<LONG>(byHeight / picture.cy);
    return {0, 0, width > 0 ? width : 1, box.cy};
}

PictureView::PictureView(Picture& picture, HWND parent, int left, int top, int width, int height)
    : picture_(picture) {
    static const ATOM registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &PictureView::windowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kPictureClass;
        return RegisterClassExW(&windowClass);
    }();
    (void)registered;
    hwnd_ = CreateWindowExW(0, kPictureClass, L"", WS_CHILD | WS_VISIBLE | WS_GROUP, left, top,
                            width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    refresh();
}

PictureView::~PictureView() {
    if (hwnd_ != nullptr && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    }
}

void PictureView::refresh() {
    if (hwnd_ == nullptr) {
        return;
    }
    EnableWindow(hwnd_, picture_.enabled());
    // Never drawn: the name that screen readers read.
    if (picture_.name() != shownName_) {
        shownName_ = picture_.name();
        SetWindowTextW(hwnd_, toWide(shownName_).c_str());
    }
    if (picture_.fileName() != shownFile_) {
        shownFile_ = picture_.fileName();
        loaded_ = LoadedPicture::load(shownFile_);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

void PictureView::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    const RECT target = fitPicture(loaded_.size(), {client.right, client.bottom});
    loaded_.draw(dc, target);
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK PictureView::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = reinterpret_cast<PictureView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (view != nullptr && message == WM_PAINT) {
        view->paint();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace velk::win32
