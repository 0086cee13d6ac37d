#pragma once
// The picture box: a child window that shows a bitmap (.bmp), icon (.ico), enhanced metafile
// (.emf) or Windows metafile (.wmf, plain or with the 22-byte placeable header), chosen by the
// file's extension, scaled to fit the box with its aspect ratio kept, from the top-left corner.
// A file that cannot be loaded shows nothing.

#include <windows.h>

#include <memory>
#include <string>

#include "platform/win32/unique_handles.h"
#include "toolkit/controls.h"
#include "toolkit/win32/win32_control_view.h"

namespace velk::win32 {

// A loaded picture with its natural size in pixels.
class LoadedPicture {
  public:
    enum class Kind { None, Bitmap, Icon, Metafile };

    // Loads `path` by its extension (case-insensitive); an unknown type or a failed load gives
    // an empty picture.
    static LoadedPicture load(const std::string& path);

    Kind kind() const { return kind_; }
    SIZE size() const { return size_; }
    // Draws the picture scaled into `target` (the aspect ratio is the caller's business).
    void draw(HDC dc, const RECT& target) const;

  private:
    Kind kind_ = Kind::None;
    SIZE size_{0, 0};
    UniqueGdiObject bitmap_;
    UniqueHicon icon_;
    UniqueEnhMetaFile metafile_;
};

// The largest rectangle of the picture's aspect ratio that fits a box of `box`, at its top-left
// corner. An empty picture or box gives an empty rectangle.
RECT fitPicture(SIZE picture, SIZE box);

class PictureView : public Win32ControlView {
  public:
    PictureView(Picture& picture, HWND parent, int left, int top, int width, int height);
    ~PictureView() override;
    void refresh() override;
    const LoadedPicture& loaded() const { return loaded_; }

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void paint();

    Picture& picture_;
    std::string shownFile_;
    std::string shownName_;
    LoadedPicture loaded_;
};

} // namespace velk::win32
