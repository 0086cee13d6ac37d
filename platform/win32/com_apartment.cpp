#include "platform/win32/com_apartment.h"

#include "platform/win32/system_functions.h"

namespace velk::win32 {

ComApartment::ComApartment(DWORD model) {
    // Both are looked up before COM starts, so that the destructor cannot fail.
    coUninitialize.get();
    started_ = SUCCEEDED(coInitializeEx(nullptr, model));
}

ComApartment::~ComApartment() {
    if (started_) {
        coUninitialize.get()();
    }
}

} // namespace velk::win32
