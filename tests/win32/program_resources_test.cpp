// The resources of the built program as Windows reads them: its version information carries the
// project's version, its first icon holds every size that the shell and the window frames ask
// for, and the form windows show that icon. This test program links the same icon resource.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "test_support.h"
#include "toolkit/win32/window_binding.h"

namespace velk::win32 {
namespace {

const std::wstring kProgram = toWide(testing::toolPath("VelkInstall"));

TEST(ProgramResources, VersionInformationCarriesTheProjectVersion) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kProgram.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version information, error " << GetLastError();
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(kProgram.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD high = MAKELONG(VELK_VERSION_MINOR, VELK_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, VELK_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);

    for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904E4\\") + name;
        wchar_t* text = nullptr;
        ASSERT_TRUE(
            VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&text), &length));
        EXPECT_EQ(toUtf8(text), VELK_VERSION_STRING);
    }
}

// Width and height of one image of an icon resource: a PNG file, or a bitmap whose height counts
// the colour image and the mask.
struct IconImage {
    bool png;
    uint32_t width, height;
};

IconImage imageOf(const BYTE* data, DWORD size) {
    static const BYTE signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size >= 24 && std::memcmp(data, signature, sizeof signature) == 0) {
        const auto bigEndian = [data](int at) {
            return uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 |
                   uint32_t{data[at + 2]} << 8 | uint32_t{data[at + 3]};
        };
        return {true, bigEndian(16), bigEndian(20)};
    }
    BITMAPINFOHEADER header{};
    if (size < sizeof header) {
        return {false, 0, 0};
    }
    std::memcpy(&header, data, sizeof header);
    return {false, static_cast<uint32_t>(header.biWidth),
            static_cast<uint32_t>(header.biHeight / 2)};
}

// The resource types as numbers for the wide functions.
const LPCWSTR kGroupIconType = reinterpret_cast<LPCWSTR>(RT_GROUP_ICON);
const LPCWSTR kIconType = reinterpret_cast<LPCWSTR>(RT_ICON);

BOOL CALLBACK takeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    *reinterpret_cast<LPCWSTR*>(found) = name;
    return FALSE;
}

TEST(ProgramResources, FirstIconHoldsEverySizeAndTheLargestAsPng) {
    UniqueHmodule module(LoadLibraryExW(kProgram.c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module) << "error " << GetLastError();
    LPCWSTR first = nullptr;
    EnumResourceNamesW(module.get(), kGroupIconType, &takeFirstName,
                       reinterpret_cast<LONG_PTR>(&first));
    ASSERT_TRUE(first != nullptr && IS_INTRESOURCE(first)) << "no numbered icon";
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(first), 1u);

    HRSRC group = FindResourceW(module.get(), MAKEINTRESOURCEW(1), kGroupIconType);
    ASSERT_NE(group, nullptr);
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(module.get(), group)));
    ASSERT_NE(directory, nullptr);
    for (const int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
        SCOPED_TRACE(size);
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC icon = FindResourceW(module.get(), MAKEINTRESOURCEW(id), kIconType);
        ASSERT_NE(icon, nullptr);
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module.get(), icon)));
        const IconImage image = imageOf(data, SizeofResource(module.get(), icon));
        EXPECT_EQ(image.width, static_cast<uint32_t>(size));
        EXPECT_EQ(image.height, static_cast<uint32_t>(size));
        EXPECT_EQ(image.png, size == 256);
    }
}

// The pixels of an icon as 32-bit colour values, from its colour bitmap.
std::vector<uint32_t> pixelsOf(HICON icon, int size) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) {
        return {};
    }
    UniqueGdiObject color(info.hbmColor);
    UniqueGdiObject mask(info.hbmMask);
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);
    UniqueHdc dc(CreateCompatibleDC(nullptr));
    if (!color || GetDIBits(dc.get(), static_cast<HBITMAP>(color.get()), 0, size, pixels.data(),
                            &format, DIB_RGB_COLORS) != size) {
        return {};
    }
    return pixels;
}

class NoControls : public Form {
  public:
    FormLayout layout() override {
        return FormLayout{"Icon", FrameKind::FixedDialog, Placement::Designed, 0, 0, 100, 50, {}};
    }
};

TEST(ProgramResources, FormWindowsShowTheProgramIconLargeAndSmall) {
    NoControls form;
    FormWindow window(
        form, [](const std::function<void()>& action) { action(); }, "VelkIconTestForm");
    window.create();
    ASSERT_NE(window.hwnd(), nullptr);
    const struct {
        int index, size;
    } cases[] = {{GCLP_HICON, GetSystemMetrics(SM_CXICON)},
                 {GCLP_HICONSM, GetSystemMetrics(SM_CXSMICON)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const auto shown = reinterpret_cast<HICON>(GetClassLongPtrW(window.hwnd(), c.index));
        ASSERT_NE(shown, nullptr);
        UniqueHicon own(static_cast<HICON>(LoadImageW(
            GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, c.size, c.size, 0)));
        ASSERT_TRUE(own);
        const std::vector<uint32_t> expected = pixelsOf(own.get(), c.size);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(pixelsOf(shown, c.size), expected);
    }
}

} // namespace
} // namespace velk::win32
