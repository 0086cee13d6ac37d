#include "dialogs/form_files.h"

#include <cstdint>
#include <utility>

#include "dialogs/document_opener.h"
#include "package/description_file.h"
#include "package/package_files.h"

namespace velk {

TFormFiles::TFormFiles(Platform& platform, const std::string& packageFolder)
    : platform_(platform), packageFolder_(packageFolder) {
    lvFiles.onDblClick = [this] { lvFilesDblClick(); };
    btClose.onClick = [this] { btCloseClick(); };
}

FormLayout TFormFiles::layout() {
    using K = ControlKind;
    return FormLayout{
        "File List",
        FrameKind::FixedDialog,
        Placement::OwnerCenter,
        0,
        0,
        374,
        293,
        {
            {&lvFiles, K::ListView, "lvFiles", 8, 0, 361, 257, 0, nullptr, false, nullptr,
             "Package files"},
            {&lFiles, K::Label, "lFiles", 8, 264, 0, 0, -1},
            {&btClose, K::Button, "btClose", 296, 264, 75, 25, 1},
        },
        nullptr,
        &btClose, // Escape closes the dialog
    };
}

void TFormFiles::fillFileList(const std::string& folder) {
    lvFiles.clear();
    std::size_t count = 0;
    std::uint64_t totalBytes = 0; // 64 bits: packages of 4 GiB and more add up right
    const std::string libs = folder + std::string(kLibsFolder);
    if (platform_.files.folderExists(libs)) {
        // A listing that failed partway shows what it got.
        for (DirEntry& entry : packageFiles(platform_.files, libs).files) {
            totalBytes += entry.size;
            ++count;
            lvFiles.addRow({std::move(entry.name), {std::to_string(entry.size)}});
        }
        lvFiles.endUpdate();
    }
    lFiles.setText("Total " + std::to_string(count) + " files in " +
                   std::to_string(totalBytes / 1024) + " KB");
}

void TFormFiles::btCloseClick() {
    close(ModalResult::Cancel);
}

void TFormFiles::lvFilesDblClick() {
    const int row = lvFiles.selected();
    if (row < 0) {
        return;
    }
    DocumentOpener(platform_).openDocument(
        libsDocumentPath(packageFolder_, lvFiles.rows()[static_cast<std::size_t>(row)].caption));
}

} // namespace velk
