#pragma once
// Move-only owners of Win32 handles. Each holder closes its handle exactly once, with the
// function that belongs to the handle's kind, when it is reset, reassigned or destroyed.
//
//   UniqueHkey key;
//   if (RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS) use(key.get());

#include <windows.h>

#include <utility>

namespace velk::win32 {

// Traits give the raw type, the empty value(s) and the closing function of one handle kind.
template <typename Traits> class UniqueAny {
  public:
    using pointer = typename Traits::pointer;

    UniqueAny() noexcept = default;
    explicit UniqueAny(pointer value) noexcept : value_(value) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueAny() { reset(); }

    pointer get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return !Traits::isEmpty(value_); }

    // Closes the held handle (if any) and takes `value` instead.
    void reset(pointer value = Traits::empty()) noexcept {
        pointer old = std::exchange(value_, value);
        if (!Traits::isEmpty(old)) {
            Traits::close(old);
        }
    }
    // Gives the handle up without closing it.
    [[nodiscard]] pointer release() noexcept { return std::exchange(value_, Traits::empty()); }
    // Closes the held handle and returns the empty slot for a function's out-parameter.
    pointer* put() noexcept {
        reset();
        return &value_;
    }

  private:
    pointer value_ = Traits::empty();
};

namespace detail {

template <typename T, auto Close> struct NullTraits {
    using pointer = T;
    static constexpr pointer empty() noexcept { return nullptr; }
    static bool isEmpty(pointer value) noexcept { return value == nullptr; }
    static void close(pointer value) noexcept { Close(value); }
};

// Kernel handles: CreateFile and FindFirstFile report failure as INVALID_HANDLE_VALUE,
// CreateProcess and OpenProcess as null; both count as empty.
struct HandleTraits {
    using pointer = HANDLE;
    static pointer empty() noexcept { return nullptr; }
    static bool isEmpty(pointer value) noexcept {
        return value == nullptr || value == INVALID_HANDLE_VALUE;
    }
    static void close(pointer value) noexcept { CloseHandle(value); }
};

struct FindTraits {
    using pointer = HANDLE;
    static pointer empty() noexcept { return INVALID_HANDLE_VALUE; }
    static bool isEmpty(pointer value) noexcept {
        return value == nullptr || value == INVALID_HANDLE_VALUE;
    }
    static void close(pointer value) noexcept { FindClose(value); }
};

inline void closeKey(HKEY key) noexcept {
    RegCloseKey(key);
}
template <typename T> inline void deleteGdiObject(T object) noexcept {
    DeleteObject(object);
}
inline void destroyIcon(HICON icon) noexcept {
    DestroyIcon(icon);
}
inline void deleteEnhMetaFile(HENHMETAFILE file) noexcept {
    DeleteEnhMetaFile(file);
}
inline void deleteDc(HDC dc) noexcept {
    DeleteDC(dc);
}
inline void unhook(HHOOK hook) noexcept {
    UnhookWindowsHookEx(hook);
}
inline void freeLibrary(HMODULE module) noexcept {
    FreeLibrary(module);
}
inline void closeWindowStation(HWINSTA station) noexcept {
    CloseWindowStation(station);
}
inline void closeDesktop(HDESK desktop) noexcept {
    CloseDesktop(desktop);
}
template <typename T> inline void localFree(T memory) noexcept {
    LocalFree(memory);
}

} // namespace detail

using UniqueHkey = UniqueAny<detail::NullTraits<HKEY, detail::closeKey>>;
using UniqueHandle = UniqueAny<detail::HandleTraits>;
using UniqueFindHandle = UniqueAny<detail::FindTraits>;
// GDI objects made by the program (not stock objects), typed or as HGDIOBJ.
template <typename T>
using UniqueGdi = UniqueAny<detail::NullTraits<T, detail::deleteGdiObject<T>>>;
using UniqueGdiObject = UniqueGdi<HGDIOBJ>;
using UniqueHfont = UniqueGdi<HFONT>;
using UniqueHbitmap = UniqueGdi<HBITMAP>;
using UniqueHbrush = UniqueGdi<HBRUSH>;
using UniqueHicon = UniqueAny<detail::NullTraits<HICON, detail::destroyIcon>>;
using UniqueEnhMetaFile = UniqueAny<detail::NullTraits<HENHMETAFILE, detail::deleteEnhMetaFile>>;
// A device context made with CreateDC or CreateCompatibleDC (not one from GetDC).
using UniqueHdc = UniqueAny<detail::NullTraits<HDC, detail::deleteDc>>;
using UniqueHhook = UniqueAny<detail::NullTraits<HHOOK, detail::unhook>>;
// A module loaded with LoadLibrary or LoadLibraryEx.
using UniqueHmodule = UniqueAny<detail::NullTraits<HMODULE, detail::freeLibrary>>;
// A window station or desktop made with CreateWindowStation or CreateDesktop.
using UniqueHwinsta = UniqueAny<detail::NullTraits<HWINSTA, detail::closeWindowStation>>;
using UniqueHdesk = UniqueAny<detail::NullTraits<HDESK, detail::closeDesktop>>;
// Memory that a system function allocated with LocalAlloc for its caller to free (a security
// descriptor from GetSecurityInfo, an ACL from SetEntriesInAcl), typed as the function gives it.
template <typename T> using UniqueLocal = UniqueAny<detail::NullTraits<T, detail::localFree<T>>>;

} // namespace velk::win32
