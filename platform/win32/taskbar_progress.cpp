#include "platform/win32/taskbar_progress.h"

#include <objbase.h>
#include <shobjidl.h>

#include "platform/app_error.h"

namespace velk::win32 {

namespace {

constinit const SystemFunction<decltype(&::CoCreateInstance)> coCreateInstance{L"ole32.dll",
                                                                               "CoCreateInstance"};

} // namespace

void TaskbarProgress::Release::operator()(ITaskbarList3* list) const {
    list->Release();
}

TaskbarProgress::TaskbarProgress(HWND window) : window_(window) {
    ITaskbarList3* list = nullptr;
    try {
        com_.emplace();
        if (FAILED(coCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskbarList3, reinterpret_cast<void**>(&list))) ||
            list == nullptr) {
            return;
        }
    } catch (const AppError&) {
        return; // no COM to be had: the taskbar button shows no progress
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
