#pragma once
// Folders held open, and names in them: what lies in a folder held open is found in that very
// folder, whatever becomes of its path since it was opened. A folder of a walk or of a mirror
// that someone swaps for a link is then never read nor written through.

#include <memory>
#include <string>

class COpenFolder;
using FolderHandle = std::shared_ptr<const COpenFolder>;

class COpenFolder {
public:
    COpenFolder(const COpenFolder&) = delete;
    COpenFolder& operator=(const COpenFolder&) = delete;
    ~COpenFolder();

    // The folder at `path`, as the user named it: a link to a folder is followed. Null, and
    // in `cause` the errno value, when it cannot be opened.
    static FolderHandle Open(const std::string& path, int& cause);
    // The folder `name` in `parent`, never through a link (ELOOP) nor a reparse point; made
    // first when `create` and missing (with the usual permissions). Null, and the errno value
    // in `cause`, when it cannot be.
    static FolderHandle OpenIn(const FolderHandle& parent, const std::string& name, bool create,
                               int& cause);

    // The path it was opened as, for messages.
    const std::string& Path() const { return m_path; }
    // Its identity in the file system (device and inode, volume and file ID), as text.
    const std::string& Identity() const { return m_identity; }
    // The descriptor that names in it are opened relative to, on POSIX systems; -1 where the
    // system opens them by path (Windows), holding the folder's handle meanwhile.
    int Descriptor() const { return m_fd; }

private:
    COpenFolder() = default;
    // Takes over an open folder: its descriptor or handle.
    static FolderHandle Adopt(int fd, void* handle, std::string path, std::string identity);

    std::string m_path;
    std::string m_identity;
    int m_fd = -1;
    void* m_handle = nullptr;  // Windows: the folder's handle
};

// Lets the process hold as many files and folders open as the system allows it (the soft
// limit raised to the hard one): a walk holds the folders its drawings in flight lie in.
void AllowAllOpenFiles();

// A file's name: a path, or a name in a folder held open.
struct FileName {
    FileName() = default;
    FileName(std::string named) : path(std::move(named)) {}  // NOLINT: every path is one
    FileName(const char* named) : path(named) {}             // NOLINT
    FileName(FolderHandle folder, const std::string& name);

    std::string path;     // what messages show; found from the working folder without `folder`
    FolderHandle folder;  // null: `path` alone names the file
    std::string name;     // with `folder`: the file's name in it

    bool empty() const { return path.empty(); }
    // A name beside this one, in the same folder.
    FileName Beside(const std::string& otherName) const;
};
