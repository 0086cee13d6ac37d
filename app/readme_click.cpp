#include "app/form_install.h"
#include "dialogs/document_opener.h"
#include "package/description_file.h"

namespace velk {

// The readme always goes to the text editor, whatever program its extension is associated
// with, and whether or not it still exists.
void TFormInstall::btReadmeClick() {
    DocumentOpener(platform_).openWithNotepad(readmePath(packageFolder));
}

} // namespace velk
