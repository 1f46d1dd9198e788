#pragma once
// The folders pictures go into: each is made (with what it needs above it) when the first
// picture goes there, never for a drawing that gives none, and held open from then on, so
// that the pictures land in that very folder whatever becomes of its path.

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/file_exception.h"
#include "platform/folder.h"
#include "platform/output_identity.h"

class COutputFolder {
public:
    // The folder the user named (-o): made with any missing parents, through a link the user
    // put in its path.
    // The folders made are noted in `identities`, which must outlast them.
    static std::shared_ptr<COutputFolder> Named(std::string path, COutputIdentity& identities);
    // The folder `name` in `parent`, as a mirror under -o makes it: one by one, and never
    // through a link someone made or swapped in, even after it was looked at.
    static std::shared_ptr<COutputFolder> Below(std::shared_ptr<COutputFolder> parent,
                                                std::string name);
    // A folder already held open, such as the one a walk lists: pictures beside its drawings.
    static std::shared_ptr<COutputFolder> Held(FolderHandle folder);

    const std::string& Path() const { return m_path; }
    // Its identity once it is open.
    std::optional<std::string> Identity();
    // The open folder, made as needed; why not, as raised, when it cannot be (the first answer
    // stands for the rest of the run).
    FolderHandle Open();

private:
    COutputFolder() = default;

    std::shared_ptr<COutputFolder> m_parent;  // null for the named folder
    std::string m_name;                       // in the parent
    std::string m_path;
    COutputIdentity* m_identities = nullptr;
    std::mutex m_mutex;
    bool m_tried = false;
    FolderHandle m_folder;
    std::unique_ptr<CFileException> m_failure;
};
