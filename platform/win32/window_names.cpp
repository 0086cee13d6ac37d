#include "platform/win32/window_names.h"

#include <oleacc.h>

#include <memory>

#include "platform/app_error.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {

namespace {

bool isTextField(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    return lstrcmpiW(className, L"Edit") == 0;
}

// A static text that is never shown, directly before `control` in the window order.
void addHiddenLabel(HWND control, const std::wstring& name) {
    HWND parent = GetParent(control);
    HWND label = CreateWindowExW(0, L"STATIC", name.c_str(), WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0,
                                 parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (label == nullptr) {
        return;
    }
    HWND before = GetWindow(control, GW_HWNDPREV);
    SetWindowPos(label, before != nullptr ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

template <typename Interface> struct Release {
    void operator()(Interface* object) const { object->Release(); }
};

// The annotation service of the system folder's oleacc.dll; null where there is none.
std::unique_ptr<IAccPropServices, Release<IAccPropServices>> annotationService() {
    IClassFactory* factory = nullptr;
    try {
        if (FAILED(oleaccClassObject(CLSID_AccPropServices, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory))) ||
            factory == nullptr) {
            return nullptr;
        }
    } catch (const AppError&) {
        return nullptr; // no oleacc.dll: the other ways of naming stay
    }
    const std::unique_ptr<IClassFactory, Release<IClassFactory>> owned(factory);
    IAccPropServices* services = nullptr;
    if (FAILED(owned->CreateInstance(nullptr, IID_IAccPropServices,
                                     reinterpret_cast<void**>(&services)))) {
        return nullptr;
    }
    return std::unique_ptr<IAccPropServices, Release<IAccPropServices>>(services);
}

} // namespace

WindowNames::~WindowNames() {
    if (thread_) {
        WaitForSingleObject(thread_.get(), INFINITE);
    }
}

void WindowNames::name(HWND control, const std::string& name) {
    if (control == nullptr) {
        return;
    }
    const std::wstring wide = toWide(name);
    if (isTextField(control)) {
        addHiddenLabel(control, wide);
    } else {
        SetWindowTextW(control, wide.c_str());
    }
    names_.emplace_back(control, wide);
}

void WindowNames::annotate() {
    if (!thread_ && !names_.empty()) {
        thread_.reset(CreateThread(nullptr, 0, &threadMain, this, 0, nullptr));
    }
}

DWORD WINAPI WindowNames::threadMain(void* self) {
    const auto& names = static_cast<WindowNames*>(self)->names_;
    try {
        const ComApartment com;
        if (const auto services = annotationService()) {
            for (const auto& [control, name] : names) {
                // Refused where the system keeps no annotations (Wine): the other ways stay.
                services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                         PROPID_ACC_NAME, name.c_str());
            }
        }
    } catch (...) {
        // No COM to be had: the other ways of naming stay.
    }
    return 0;
}

} // namespace velk::win32
