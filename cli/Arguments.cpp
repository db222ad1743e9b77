// What the commands share in reading their arguments.
#include "cli/Commands.h"

#include "platform/FileSystem.h"

#include <ostream>

// The input as a full path; nullopt (with the message) when it cannot be read.
std::optional<std::string> InputPath(const std::string& input, std::ostream& err) {
    CFileSystem& fs = GetSystemFileSystem();
    std::filesystem::path path = Utf8Path(input);
    if (path.is_relative()) {
        if (const auto current = fs.GetCurrentDirectory()) {
            path = *current / path;
        }
    }
    const SEntryStatus status = fs.Status(path);
    if (status.kind != EEntryKind::File || !fs.Open(path, EOpenMode::Read)) {
        err << "Cannot read the input file " << input
            << (status.kind == EEntryKind::Missing     ? ": it does not exist"
                : status.kind == EEntryKind::Directory ? ": it is a folder"
                                                       : "")
            << "\n";
        return std::nullopt;
    }
    return PathUtf8(path.lexically_normal());
}
