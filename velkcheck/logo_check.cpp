#include "velkcheck/logo_check.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "package/package_description.h"
#include "package/package_rules.h"
#include "velkcheck/folder_check.h"
#include "velkcheck/names.h"

namespace velk::check {

namespace {

std::uint32_t littleEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= std::uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
    }
    return value;
}

// Whether the start of a file is that of a picture of the type its extension names.
std::optional<std::string> pictureProblem(const std::string& extension, std::string_view head) {
    const std::string type = foldName(extension);
    if (type == ".BMP") {
        if (head.size() >= 26 && head.starts_with("BM")) {
            return std::nullopt;
        }
        return "not a Windows bitmap: the logo will not show";
    }
    if (type == ".ICO") {
        if (head.size() >= 22 && head.starts_with(std::string_view("\0\0\1\0", 4)) &&
            (head[4] != 0 || head[5] != 0)) {
            return std::nullopt;
        }
        return "not a Windows icon: the logo will not show";
    }
    if (type == ".EMF") {
        if (head.size() >= 44 && littleEndian32(head, 0) == 1 &&
            head.substr(40, 4) == std::string_view(" EMF")) {
            return std::nullopt;
        }
        return "not an enhanced metafile: the logo will not show";
    }
    // A Windows metafile: the placeable header, or the plain header (type 1 or 2, 9 words).
    if (head.size() >= 18 &&
        (littleEndian32(head, 0) == 0x9AC6CDD7u ||
         ((head[0] == 1 || head[0] == 2) && head[1] == 0 && head[2] == 9 && head[3] == 0))) {
        return std::nullopt;
    }
    return "not a Windows metafile: the logo will not show";
}

} // namespace

// The logo that [About] "Picture" names (default "logo.bmp"): its name part is taken from the
// package folder.
void checkLogo(const std::string& folder, const std::vector<Entry>& rootEntries,
               const Description& description, const std::string& descriptionPath,
               Findings& findings) {
    const int line = description.keyLine(kAboutSection, "Picture");
    const std::string name = description.package().logoName();
    if (name.empty()) {
        return;
    }
    // A name part may still hold "/", which Windows takes as a separator too.
    std::string path = folder;
    std::optional<std::vector<Entry>> listing = rootEntries;
    std::optional<Entry> found;
    std::string_view rest = name;
    while (true) {
        const auto cut = rest.find('/');
        const std::string_view part = rest.substr(0, cut);
        const Entry* entry = listing ? findEntry(*listing, part) : nullptr;
        if (part == "." || part == ".." || part.empty()) {
            path = joinPath(path, part);
        } else if (entry == nullptr) {
            found.reset();
            break;
        } else {
            path = joinPath(path, entry->name);
            found = *entry;
        }
        if (cut == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(cut + 1);
        listing = listFolder(path);
    }
    if (!found || found->isFolder || rest.find('/') != std::string_view::npos) {
        if (line != 0) {
            findings.warning(descriptionPath, line,
                             "[About] Picture names " + quoted(name) +
                                 ", which is not in the package folder: no logo is shown");
        }
        return;
    }
    const std::string extension = extensionOf(name);
    if (!isShownPictureType(extension)) {
        findings.error(descriptionPath, line,
                       "the logo " + quoted(name) + " is of type " + quoted(extension) +
                           ", which the installer cannot show: it reports an error at every "
                           "start (use .bmp, .ico, .emf or .wmf)");
        return;
    }
    const FileRead head = readFile(path, 64);
    if (head.status != ReadStatus::Read) {
        findings.error(path, 0, "the logo " + readProblem(head.status));
    } else if (const auto problem = pictureProblem(extension, head.bytes)) {
        findings.warning(path, 0, *problem);
    }
}

} // namespace velk::check
