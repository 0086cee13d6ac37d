#include "platform/win32/desktop_shell.h"

#include <windows.h>

#include <exdisp.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <atomic>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/win32/com_apartment.h"
#include "platform/win32/growing_call.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/window_messages.h"

namespace velk::win32 {

namespace {

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T> using ComOwner = std::unique_ptr<T, ComRelease>;

// Asks `from` for the interface `id`; empty when it has none.
template <typename T> ComOwner<T> query(IUnknown* from, REFIID id) {
    T* found = nullptr;
    if (from == nullptr || FAILED(from->QueryInterface(id, reinterpret_cast<void**>(&found)))) {
        return nullptr;
    }
    return ComOwner<T>(found);
}

struct BstrFree {
    void operator()(BSTR text) const { sysFreeString(text); }
};
using Bstr = std::unique_ptr<OLECHAR, BstrFree>;

Bstr bstr(const std::wstring& text) {
    return Bstr(sysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// A VARIANT that holds `text` without owning it.
VARIANT textVariant(BSTR text) {
    VARIANT value{};
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = text;
    return value;
}

VARIANT numberVariant(LONG number) {
    VARIANT value{};
    V_VT(&value) = VT_I4;
    V_I4(&value) = number;
    return value;
}

// The desktop's shell as an automation object: the shell window of the desktop, its browser,
// the active view's background object and the application behind it.
ComOwner<IShellDispatch2> desktopShellDispatch() {
    IShellWindows* rawWindows = nullptr;
    if (FAILED(coCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                reinterpret_cast<void**>(&rawWindows)))) {
        return nullptr;
    }
    const ComOwner<IShellWindows> windows(rawWindows);
    VARIANT location = numberVariant(CSIDL_DESKTOP);
    VARIANT root{};
    long window = 0;
    IDispatch* rawDesktop = nullptr;
    if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              &rawDesktop) != S_OK ||
        rawDesktop == nullptr) {
        return nullptr;
    }
    const ComOwner<IDispatch> desktop(rawDesktop);
    const auto services = query<IServiceProvider>(desktop.get(), IID_IServiceProvider);
    IShellBrowser* rawBrowser = nullptr;
    if (!services || FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                                   reinterpret_cast<void**>(&rawBrowser)))) {
        return nullptr;
    }
    const ComOwner<IShellBrowser> browser(rawBrowser);
    IShellView* rawView = nullptr;
    if (FAILED(browser->QueryActiveShellView(&rawView)) || rawView == nullptr) {
        return nullptr;
    }
    const ComOwner<IShellView> view(rawView);
    IDispatch* rawBackground = nullptr;
    if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                   reinterpret_cast<void**>(&rawBackground)))) {
        return nullptr;
    }
    const ComOwner<IDispatch> background(rawBackground);
    const auto folderView = query<IShellFolderViewDual>(background.get(), IID_IShellFolderViewDual);
    IDispatch* rawApplication = nullptr;
    if (!folderView || FAILED(folderView->get_Application(&rawApplication))) {
        return nullptr;
    }
    const ComOwner<IDispatch> application(rawApplication);
    return query<IShellDispatch2>(application.get(), IID_IShellDispatch2);
}

// How far the worker has come. The caller that gives up at the bound and the worker that is
// about to hand the program to the shell race for the step from Finding: exactly one of them
// decides, so that a program is never both handed to the shell late and started by the caller.
enum class Stage { Finding, Calling, Abandoned };

// What the worker needs; shared with it, since it may outlive the caller's wait.
struct ShellRequest {
    std::wstring program;
    std::wstring arguments;
    std::wstring folder;
    std::atomic<Stage> stage{Stage::Finding};
    std::atomic<bool> started{false};
    UniqueHandle done; // set once `started` holds the worker's result
};

bool shellExecute(ShellRequest& request) {
    // The multithreaded apartment: calls into the shell's process then need no message loop.
    const ComApartment com(COINIT_MULTITHREADED);
    const ComOwner<IShellDispatch2> shell = desktopShellDispatch();
    if (!shell) {
        return false;
    }
    const Bstr file = bstr(request.program);
    const Bstr argumentText = bstr(request.arguments);
    const Bstr folderText = bstr(request.folder);
    const Bstr operation = bstr(L"open");
    if (!file || !argumentText || !folderText || !operation) {
        return false;
    }
    Stage finding = Stage::Finding;
    if (!request.stage.compare_exchange_strong(finding, Stage::Calling)) {
        return false; // the caller has given up and starts the program itself
    }
    return shell->ShellExecute(file.get(), textVariant(argumentText.get()),
                               textVariant(folderText.get()), textVariant(operation.get()),
                               numberVariant(SW_SHOWNORMAL)) == S_OK;
}

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The file the system would start for `name`, or "" when there is none.
std::wstring foundProgram(const std::wstring& name) {
    if (name.empty()) {
        return {};
    }
    const std::wstring found = growingCall([&name](wchar_t* buffer, DWORD capacity) {
        return SearchPathW(nullptr, name.c_str(), L".exe", capacity, buffer, nullptr);
    });
    const DWORD attributes =
        found.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(found.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {};
    }
    return found;
}

bool isProgramFile(const std::wstring& path) {
    const auto dot = path.find_last_of(L".\\");
    if (dot == std::wstring::npos || path[dot] != L'.') {
        return false;
    }
    const std::wstring extension = path.substr(dot);
    return CompareStringOrdinal(extension.c_str(), -1, L".exe", -1, TRUE) == CSTR_EQUAL ||
           CompareStringOrdinal(extension.c_str(), -1, L".com", -1, TRUE) == CSTR_EQUAL;
}

} // namespace

bool runningElevated() {
    UniqueHandle token;
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return false;
    }
    token.reset(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

bool desktopShellRuns() {
    return GetShellWindow() != nullptr;
}

std::optional<ProgramAndArguments> splitCommandLine(const std::wstring& commandLine) {
    std::size_t begin = 0;
    while (begin < commandLine.size() && isBlank(commandLine[begin])) {
        ++begin;
    }
    std::wstring program;
    std::size_t rest = commandLine.size();
    if (begin < commandLine.size() && commandLine[begin] == L'"') {
        const std::size_t close = commandLine.find(L'"', begin + 1);
        const std::size_t end = close == std::wstring::npos ? commandLine.size() : close;
        program = foundProgram(commandLine.substr(begin + 1, end - begin - 1));
        rest = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        // Each blank may end the name, the first that leads to a file does.
        for (std::size_t end = begin; end <= commandLine.size() && program.empty(); ++end) {
            if (end == commandLine.size() || isBlank(commandLine[end])) {
                program = foundProgram(commandLine.substr(begin, end - begin));
                rest = end;
            }
        }
    }
    if (program.empty() || !isProgramFile(program)) {
        return std::nullopt;
    }
    while (rest < commandLine.size() && isBlank(commandLine[rest])) {
        ++rest;
    }
    return ProgramAndArguments{program, commandLine.substr(rest)};
}

ShellStart startThroughDesktopShell(const std::wstring& program, const std::wstring& arguments,
                                    const std::wstring& folder, unsigned long boundMs) {
    const auto request = std::make_shared<ShellRequest>();
    request->program = program;
    request->arguments = arguments;
    request->folder = folder;
    request->done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!request->done) {
        return ShellStart::Failed;
    }
    try {
        // Not joined: a shell that never answers must hold up neither this thread nor the
        // program's end, which ends the worker with the process.
        std::thread([request] {
            try {
                request->started = shellExecute(*request);
            } catch (const std::exception&) {
                request->started = false; // COM or the shell's automation cannot be loaded
            }
            SetEvent(request->done.get());
        }).detach();
    } catch (const std::system_error&) {
        return ShellStart::Failed; // no thread to be had
    }
    if (waitRepainting(request->done.get(), boundMs)) {
        return request->started ? ShellStart::Started : ShellStart::Failed;
    }
    Stage finding = Stage::Finding;
    return request->stage.compare_exchange_strong(finding, Stage::Abandoned)
               ? ShellStart::NoAnswer
               : ShellStart::Unanswered;
}

} // namespace velk::win32
