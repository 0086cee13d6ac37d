// Text in scripts outside the system's ANSI code page through the real controls: what the program
// sets shows whole, what the user types arrives whole, and pictures load from folders so named.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "test_support.h"
#include "toolkit/win32/picture_view.h"
#include "toolkit/win32/window_binding.h"
#include "window_helpers.h"

namespace velk::win32 {
namespace {

struct Text {
    const char* utf8;
    const wchar_t* wide;
};

const Text kTexts[] = {
    {"Библиотека управления", L"Библиотека управления"},
    {"函数块库 文件", L"函数块库 文件"},
    {"Βιβλιοθήκη λ", L"Βιβλιοθήκη λ"},
};

class UnicodeForm : public Form {
  public:
    Label label{"label"};
    Edit edit{"edit"};
    RadioGroup group{"group", {"one"}};
    ListView list{{{"Name", 150}, {"Size", 60}}};

    FormLayout layout() override {
        using K = ControlKind;
        return {"Окно 窗口 Παράθυρο",
                FrameKind::FixedDialog,
                Placement::Designed,
                0,
                0,
                400,
                300,
                {
                    {&label, K::Label, "label", 8, 8, 0, 0, -1},
                    {&edit, K::Edit, "edit", 8, 30, 200, 21, 0},
                    {&group, K::RadioGroup, "group", 220, 30, 150, 100, 1},
                    {&list, K::ListView, "list", 8, 140, 300, 120, 2},
                }};
    }
};

std::wstring cellText(HWND list, int row, int column) {
    wchar_t text[128] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

class UnicodeControls : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        window.create();
        ASSERT_NE(window.hwnd(), nullptr);
    }

    UnicodeForm form;
    FormWindow window{form, [](const std::function<void()>& action) { action(); },
                      "VelkUnicodeForm"};
};

TEST_F(UnicodeControls, TextsSetByTheProgramShowWhole) {
    HWND hwnd = window.hwnd();
    EXPECT_EQ(wideTextOf(hwnd), L"Окно 窗口 Παράθυρο");
    HWND label = childOfClass(hwnd, "Static");
    HWND edit = childOfClass(hwnd, "Edit");
    HWND list = childOfClass(hwnd, WC_LISTVIEWA);
    ASSERT_NE(label, nullptr);
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(list, nullptr);
    form.group.clearItems();
    for (const Text& text : kTexts) {
        form.label.setText(text.utf8);
        EXPECT_EQ(wideTextOf(label), text.wide);
        form.edit.setText(text.utf8);
        EXPECT_EQ(wideTextOf(edit), text.wide);
        form.group.addItem(text.utf8);
        form.list.addRow({text.utf8, {text.utf8}});
    }
    form.list.endUpdate();
    for (int i = 0; i < 3; ++i) {
        // The group frame comes first, then its buttons.
        EXPECT_EQ(wideTextOf(childOfClass(hwnd, "Button", i + 1)), kTexts[i].wide);
        EXPECT_EQ(cellText(list, i, 0), kTexts[i].wide);
        EXPECT_EQ(cellText(list, i, 1), kTexts[i].wide);
    }
}

TEST_F(UnicodeControls, TextsTypedByTheUserArriveWhole) {
    HWND edit = childOfClass(window.hwnd(), "Edit");
    ASSERT_NE(edit, nullptr);
    for (const Text& text : kTexts) {
        SetWindowTextW(edit, text.wide);
        EXPECT_EQ(form.edit.text(), text.utf8);
    }
    // Keys typed one by one, as the keyboard delivers them.
    SetWindowTextW(edit, L"");
    for (const wchar_t key : std::wstring(L"Ж文λ")) {
        SendMessageW(edit, WM_CHAR, key, 1);
    }
    EXPECT_EQ(form.edit.text(), "Ж文λ");
}

TEST(UnicodePictures, LoadFromAFolderNamedInOtherScripts) {
    testing::TempFolder temp;
    const std::string folder = temp / "Логотип 标志";
    ASSERT_TRUE(CreateDirectoryW(toWide(folder).c_str(), nullptr));

    // A 1 x 1 bitmap, 24 bits.
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = 1;
    info.biHeight = 1;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + 4;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes.append(4, '\x40');
    const std::string bitmap = folder + "\\λογότυπο.bmp";
    {
        UniqueHandle out(CreateFileW(toWide(bitmap).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(out);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr));
    }
    const std::string emf = folder + "\\логотип.emf";
    const std::string wmf = folder + "\\标志.wmf";
    RECT frame{0, 0, 2540, 2540};
    DeleteEnhMetaFile(
        CloseEnhMetaFile(CreateEnhMetaFileW(nullptr, toWide(emf).c_str(), &frame, nullptr)));
    HDC dc = CreateMetaFileW(toWide(wmf).c_str());
    ASSERT_NE(dc, nullptr);
    Rectangle(dc, 0, 0, 100, 100);
    DeleteMetaFile(CloseMetaFile(dc));

    const struct {
        const std::string& path;
        LoadedPicture::Kind kind;
    } cases[] = {
        {bitmap, LoadedPicture::Kind::Bitmap},
        {emf, LoadedPicture::Kind::Metafile},
        {wmf, LoadedPicture::Kind::Metafile},
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(LoadedPicture::load(entry.path).kind(), entry.kind) << entry.path;
        DeleteFileW(toWide(entry.path).c_str());
    }
    RemoveDirectoryW(toWide(folder).c_str());
}

} // namespace
} // namespace velk::win32
