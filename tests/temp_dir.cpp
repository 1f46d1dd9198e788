#include "tests/temp_dir.h"

#include <filesystem>
#include <random>
#include <stdexcept>

TempDir::TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path path = base / ("pictavex-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path)) {
            m_path = path.string();
            return;
        }
    }
    throw std::runtime_error("no temporary directory could be made");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}
