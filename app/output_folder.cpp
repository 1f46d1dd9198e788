#include "app/output_folder.h"

#include <cerrno>

#include "platform/directory.h"
#include "platform/path.h"

namespace {

constexpr char kLinkedFolder[] = "a link, never written through";

CFileException FolderFailure(const std::string& path, int cause) {
    return cause == ELOOP ? CFileException(path, kLinkedFolder) : CFileException(path, cause);
}

}  // namespace

std::shared_ptr<COutputFolder> COutputFolder::Named(std::string path, COutputIdentity& identities) {
    std::shared_ptr<COutputFolder> folder(new COutputFolder);
    folder->m_path = std::move(path);
    folder->m_identities = &identities;
    return folder;
}

std::shared_ptr<COutputFolder> COutputFolder::Below(std::shared_ptr<COutputFolder> parent,
                                                    std::string name) {
    std::shared_ptr<COutputFolder> folder(new COutputFolder);
    folder->m_path = MakePath(parent->Path(), name, "");
    folder->m_identities = parent->m_identities;
    folder->m_parent = std::move(parent);
    folder->m_name = std::move(name);
    return folder;
}

std::shared_ptr<COutputFolder> COutputFolder::Held(FolderHandle held) {
    std::shared_ptr<COutputFolder> folder(new COutputFolder);
    folder->m_path = held->Path();
    folder->m_tried = true;
    folder->m_folder = std::move(held);
    return folder;
}

FolderHandle COutputFolder::Open() {
    const std::lock_guard lock(m_mutex);
    if (!m_tried) {
        m_tried = true;
        try {
            int cause = 0;
            const FolderHandle parent = m_parent ? m_parent->Open() : nullptr;
            m_folder = m_identities->Make(m_path, [&]() -> FolderHandle {
                if (parent) {
                    return COpenFolder::OpenIn(parent, m_name, true, cause);
                }
                cause = CreateDirectories(m_path);
                return cause == 0 ? COpenFolder::Open(m_path, cause) : nullptr;
            });
            if (!m_folder) {
                m_failure = std::make_unique<CFileException>(FolderFailure(m_path, cause));
            }
        } catch (const CFileException& parentFailure) {
            m_failure = std::make_unique<CFileException>(parentFailure);
        }
    }
    if (m_failure) {
        throw *m_failure;
    }
    return m_folder;
}

std::optional<std::string> COutputFolder::Identity() {
    const std::lock_guard lock(m_mutex);
    return m_folder ? std::optional(m_folder->Identity()) : std::nullopt;
}
