// Screen capture, bitmap files and the recognition of a message box's icon by its pixels (icon
// handles belong to their process and cannot be compared across processes).
#include "tests/e2e/driver/capture.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/unique_handles.h"
#include "tests/e2e/driver/driver.h"

namespace velk::e2e::detail {

namespace {

// A window's DC from GetDC, released with it.
class WindowDc {
  public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {
        if (dc_ == nullptr) {
            throw DriverError("cannot get a device context of the screen");
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { ReleaseDC(hwnd_, dc_); }
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// A 32-bit top-down DIB section selected into a memory DC.
class Canvas {
  public:
    Canvas(HDC compatible, int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_.reset(CreateCompatibleDC(compatible));
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        if (!dc_ || !bitmap_ || bits_ == nullptr) {
            throw DriverError("cannot create a bitmap of " + std::to_string(width) + "x" +
                              std::to_string(height));
        }
        previous_ = SelectObject(dc_.get(), bitmap_.get());
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() { SelectObject(dc_.get(), previous_); }

    HDC dc() const { return dc_.get(); }
    Pixels pixels() const {
        GdiFlush();
        Pixels result{width_, height_, {}};
        const auto* source = static_cast<const std::uint32_t*>(bits_);
        result.data.assign(source, source + static_cast<size_t>(width_) * height_);
        for (std::uint32_t& pixel : result.data) {
            pixel &= 0x00FFFFFF;
        }
        return result;
    }

  private:
    int width_, height_;
    win32::UniqueHdc dc_;
    win32::UniqueGdiObject bitmap_;
    void* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

} // namespace

Pixels captureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        throw DriverError("nothing to capture: the area is empty");
    }
    WindowDc screen(nullptr);
    Canvas canvas(screen.get(), width, height);
    if (!BitBlt(canvas.dc(), 0, 0, width, height, screen.get(), area.left, area.top,
                SRCCOPY | CAPTUREBLT)) {
        throw DriverError("cannot copy from the screen");
    }
    return canvas.pixels();
}

Pixels captureWindow(const Window& window) {
    if (!window.exists() || !window.visible()) {
        throw DriverError("cannot take a picture of " + window.describe() + ": it is not shown");
    }
    // Paint whatever is pending now, then give Wine a moment to put the window's surface on
    // the display.
    RedrawWindow(window.hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(150);
    return captureScreen(window.rect());
}

void writeBitmap(const Pixels& pixels, const std::string& path) {
    const int rowBytes = (pixels.width * 3 + 3) / 4 * 4;
    std::string file(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER), '\0');
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = static_cast<DWORD>(file.size());
    header.bfSize = static_cast<DWORD>(file.size() + static_cast<size_t>(rowBytes) * pixels.height);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = pixels.width;
    info.biHeight = pixels.height; // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    memcpy(file.data(), &header, sizeof header);
    memcpy(file.data() + sizeof header, &info, sizeof info);
    std::string row(static_cast<size_t>(rowBytes), '\0');
    for (int y = pixels.height - 1; y >= 0; --y) {
        for (int x = 0; x < pixels.width; ++x) {
            const std::uint32_t pixel = pixels.at(x, y);
            row[static_cast<size_t>(x) * 3] = static_cast<char>(pixel & 0xFF);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>((pixel >> 8) & 0xFF);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>((pixel >> 16) & 0xFF);
        }
        file += row;
    }
    writeFile(path, file);
}

Pixels drawSystemIcon(LPCSTR icon, std::uint32_t background, int width, int height) {
    WindowDc screen(nullptr);
    Canvas canvas(screen.get(), width, height);
    const COLORREF colour =
        RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
    win32::UniqueGdiObject brush(CreateSolidBrush(colour));
    const RECT all{0, 0, width, height};
    FillRect(canvas.dc(), &all, static_cast<HBRUSH>(brush.get()));
    HICON handle = LoadIconA(nullptr, icon); // shared: not destroyed
    if (handle == nullptr) {
        throw DriverError("cannot load a system icon");
    }
    DrawIconEx(canvas.dc(), 0, 0, handle, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
    return canvas.pixels();
}

} // namespace velk::e2e::detail

namespace velk::e2e {

std::string Window::screenshot(const std::string& name) const {
    const std::string path = screenshotFolder() + "\\" + name + ".bmp";
    detail::writeBitmap(detail::captureWindow(*this), path);
    return path;
}

namespace detail {

namespace {

BoxIcon closestSystemIcon(const Pixels& shown) {
    const std::uint32_t background = shown.at(0, 0);
    const std::pair<LPCSTR, BoxIcon> candidates[] = {{IDI_ERROR, BoxIcon::Error},
                                                     {IDI_INFORMATION, BoxIcon::Information},
                                                     {IDI_QUESTION, BoxIcon::Question},
                                                     {IDI_WARNING, BoxIcon::Warning}};
    BoxIcon best = BoxIcon::Unknown;
    size_t fewest = shown.data.size() / 20 + 1; // at most 5% of the pixels may differ
    for (const auto& [id, kind] : candidates) {
        const Pixels expected = drawSystemIcon(id, background, shown.width, shown.height);
        size_t differing = 0;
        for (size_t i = 0; i < shown.data.size(); ++i) {
            differing += shown.data[i] != expected.data[i] ? 1 : 0;
        }
        if (differing < fewest) {
            fewest = differing;
            best = kind;
        }
    }
    return best;
}

} // namespace

// Which system icon a message box's icon control shows: its pixels are compared with each
// system icon drawn on the same background; the closest one wins when nearly all pixels match.
// A box that has just appeared may not be painted yet, so the control is asked to paint and
// looked at again for a little while before the icon counts as unknown.
BoxIcon recognizeIcon(const Window& iconControl) {
    const RECT area = iconControl.rect();
    const int width = std::min<int>(area.right - area.left, GetSystemMetrics(SM_CXICON));
    const int height = std::min<int>(area.bottom - area.top, GetSystemMetrics(SM_CYICON));
    if (width <= 0 || height <= 0) {
        return BoxIcon::Unknown;
    }
    BoxIcon icon = BoxIcon::Unknown;
    for (int attempt = 0; attempt < 20 && icon == BoxIcon::Unknown && iconControl.exists();
         ++attempt) {
        if (attempt > 0) {
            RedrawWindow(iconControl.hwnd(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            Sleep(50);
        }
        icon = closestSystemIcon(
            captureScreen(RECT{area.left, area.top, area.left + width, area.top + height}));
    }
    return icon;
}

} // namespace detail

} // namespace velk::e2e
