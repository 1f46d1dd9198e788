#include "platform/hidden_name.h"

#include <mutex>
#include <random>
#include <set>

#include "platform/path.h"

namespace {

constexpr std::string_view kHiddenPrefix = ".pictavex-";
constexpr std::size_t kHiddenDigits = 16;
constexpr std::string_view kDigits = "0123456789abcdef";

}  // namespace

std::string HiddenName(const std::string& target) {
    thread_local std::random_device random;
    const std::uint64_t bits = std::uint64_t{random()} << 32 | random();
    std::string name = SplitPath(target).directory + std::string(kHiddenPrefix);
    for (int shift = 60; shift >= 0; shift -= 4) {
        name += kDigits[(bits >> shift) & 0xF];
    }
    return name;
}

bool IsHiddenName(std::string_view name) {
    return name.starts_with(kHiddenPrefix) && name.size() == kHiddenPrefix.size() + kHiddenDigits &&
           name.find_first_not_of(kDigits, kHiddenPrefix.size()) == std::string_view::npos;
}

std::string FolderOf(const std::string& path) {
    const std::string directory = SplitPath(path).directory;
    return directory.empty() ? "." : directory;
}

void ScanFolderOnce(const std::string& folder, const std::function<void()>& scan) {
    static std::mutex mutex;
    static std::set<std::string> scanned;
    const std::lock_guard lock(mutex);
    if (scanned.insert(folder).second) {
        scan();
    }
}
