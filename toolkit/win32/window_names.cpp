#include "toolkit/win32/window_names.h"

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

HWND createStatic(HWND parent, const wchar_t* text) {
    return CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0, 0, 0, 0,
                           parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Puts `window` right after `before` in the window order (first where `before` is null).
void placeAfter(HWND window, HWND before) {
    SetWindowPos(window, before != nullptr ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// A static text of no size, directly before `control` in the window order, holding its name.
// Readers name a text field after the static text right before it, and take its keyboard
// shortcut from the first visible static text before it: this one, which marks no access key,
// so that the field is not read with the access key of another field's caption further up the
// window order. It is drawn nowhere and never focused.
void addNameLabel(HWND control, const std::wstring& name) {
    if (HWND label = createStatic(GetParent(control), name.c_str()); label != nullptr) {
        placeAfter(label, GetWindow(control, GW_HWNDPREV));
    }
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
    const bool textField = isTextField(control);
    if (textField) {
        addNameLabel(control, wide);
    } else {
        SetWindowTextW(control, wide.c_str());
    }
    names_.push_back({control, wide, textField});
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
            for (const auto& [control, name, textField] : names) {
                // Refused where the system keeps no annotations (Wine): the other ways stay.
                services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                         PROPID_ACC_NAME, name.c_str());
                if (textField) {
                    // No keyboard shortcut, whatever static text comes before it.
                    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT),
                                             CHILDID_SELF, PROPID_ACC_KEYBOARDSHORTCUT, L"");
                }
            }
        }
    } catch (...) {
        // No COM to be had: the other ways of naming stay.
    }
    return 0;
}

} // namespace velk::win32
