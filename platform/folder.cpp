#include "platform/folder.h"

#include "platform/path.h"

FileName::FileName(FolderHandle held, const std::string& inFolder)
    : path(MakePath(held->Path(), inFolder, "")), folder(std::move(held)), name(inFolder) {}

FileName FileName::Beside(const std::string& otherName) const {
    if (folder) {
        return {folder, otherName};
    }
    return MakePath(SplitPath(path).directory, otherName, "");
}

FolderHandle COpenFolder::Adopt(int fd, void* handle, std::string path, std::string identity) {
    std::shared_ptr<COpenFolder> folder(new COpenFolder);
    folder->m_fd = fd;
    folder->m_handle = handle;
    folder->m_path = std::move(path);
    folder->m_identity = std::move(identity);
    return folder;
}
