#pragma once
// System DLLs that only some of the program's work needs (the shell and COM: the folder tree,
// the taskbar), loaded the first time that work runs rather than when the program starts, and
// always from the system folder, whatever else the process's DLL search would look at.
//
// A function of such a DLL is declared once, in the list of its DLL in system_functions.h, with
// the type the system header gives it (decltype names that type without importing the function,
// so the program's import table stays as it is), and called like the function itself; it is
// looked up on its first call and kept:
//
//   inline constinit const SystemFunction<decltype(&::CoCreateInstance)> coCreateInstance{
//       L"ole32.dll", "CoCreateInstance"};
//
//   ComApartment com; // COM on this thread for as long as `com` lives (com_apartment.h)
//   ITaskbarList3* list = nullptr;
//   coCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
//                    reinterpret_cast<void**>(&list));
//
// A DLL that cannot be loaded, or a function it lacks, throws AppError on the call (the general
// error report shows it); get() looks a function up without calling it, to have every failure
// before any work starts. A function that only newer Windows have is taken with find(), which
// gives null where it is missing. Functions of DLLs the program imports anyway (kernel32,
// user32) are declared the same way: their DLL is loaded already, so nothing more is loaded.
// Safe to use from any thread.

#include <windows.h>

#include <atomic>
#include <utility>

namespace velk::win32 {

// Loads `fileName` from the system folder (only there), or returns the module already loaded.
// Throws AppError when it cannot be loaded. The module stays loaded for the process's lifetime.
HMODULE loadSystemLibrary(const wchar_t* fileName);

// The function `name` of the system DLL `fileName`, loading the DLL if needed. Throws AppError
// naming the DLL or the function when either is missing.
FARPROC requireSystemFunction(const wchar_t* fileName, const char* name);

// The function `name` of the system DLL `fileName`, loading the DLL if needed; null where this
// Windows lacks either.
FARPROC findSystemFunction(const wchar_t* fileName, const char* name);

// A function found by GetProcAddress as the type it has.
template <typename Function> Function functionFrom(FARPROC function) noexcept {
    // Through the one function type that converts to every other without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

template <typename Pointer> class SystemFunction {
  public:
    constexpr SystemFunction(const wchar_t* fileName, const char* name) noexcept
        : fileName_(fileName), name_(name) {}
    SystemFunction(const SystemFunction&) = delete;
    SystemFunction& operator=(const SystemFunction&) = delete;

    // The function, looked up on the first call; throws AppError when it cannot be had.
    Pointer get() const {
        Pointer function = function_.load(std::memory_order_acquire);
        if (function == nullptr) {
            function = functionFrom<Pointer>(requireSystemFunction(fileName_, name_));
            function_.store(function, std::memory_order_release);
        }
        return function;
    }
    // The function, looked up on the first call; null where this Windows lacks it (looked up
    // once, not on every call).
    Pointer find() const {
        Pointer function = function_.load(std::memory_order_acquire);
        if (function == nullptr && !missing_.load(std::memory_order_acquire)) {
            function = functionFrom<Pointer>(findSystemFunction(fileName_, name_));
            if (function != nullptr) {
                function_.store(function, std::memory_order_release);
            } else {
                missing_.store(true, std::memory_order_release);
            }
        }
        return function;
    }
    template <typename... Args> decltype(auto) operator()(Args&&... args) const {
        return get()(std::forward<Args>(args)...);
    }

  private:
    const wchar_t* fileName_;
    const char* name_;
    mutable std::atomic<Pointer> function_{nullptr};
    mutable std::atomic<bool> missing_{false};
};

} // namespace velk::win32
