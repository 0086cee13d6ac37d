#include "platform/win32/taskbar_progress.h"

#include <objbase.h>
#include <shobjidl.h>

namespace velk::win32 {

void TaskbarProgress::Release::operator()(ITaskbarList3* list) const {
    list->Release();
}

TaskbarProgress::TaskbarProgress(HWND window) : window_(window) {
    ITaskbarList3* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                reinterpret_cast<void**>(&list))) ||
        list == nullptr) {
        return;
    }
    list_.reset(list);
    if (FAILED(list_->HrInit())) {
        list_.reset();
        return;
    }
    list_->SetProgressState(window_, TBPF_NORMAL);
    list_->SetProgressValue(window_, 0, 1);
}

TaskbarProgress::~TaskbarProgress() {
    if (list_) {
        list_->SetProgressState(window_, TBPF_NOPROGRESS);
    }
}

void TaskbarProgress::show(std::size_t done, std::size_t total) {
    if (list_ && total > 0) {
        list_->SetProgressValue(window_, done, total);
    }
}

} // namespace velk::win32
