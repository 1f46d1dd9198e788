#include "platform/hidden_name.h"

#include <mutex>
#include <random>
#include <set>

#include "platform/path.h"

namespace {

constexpr std::string_view kHiddenPrefix = ".pictavex-";
constexpr std::size_t kHiddenDigits = 16;
constexpr std::string_view kDigits = "0123456789abcdef";
constexpr std::string_view kBmpSignature = "BM";
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
static_assert(kPngSignature.size() == kPictureStartBytes);

std::mutex g_keptMutex;
std::set<std::string> g_kept;

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

FileName HiddenNameBeside(const FileName& target) {
    return target.folder ? FileName(target.folder, HiddenName(target.name))
                         : FileName(HiddenName(target.path));
}

bool IsHiddenName(std::string_view name) {
    return name.starts_with(kHiddenPrefix) && name.size() == kHiddenPrefix.size() + kHiddenDigits &&
           name.find_first_not_of(kDigits, kHiddenPrefix.size()) == std::string_view::npos;
}

bool BeginsAsPicture(std::span<const std::uint8_t> start) {
    const std::string_view text(reinterpret_cast<const char*>(start.data()), start.size());
    return text.starts_with(kBmpSignature) || text.starts_with(kPngSignature);
}

void KeepIdentity(std::string identity) {
    const std::lock_guard lock(g_keptMutex);
    g_kept.insert(std::move(identity));
}

bool IsKeptIdentity(const std::string& identity) {
    const std::lock_guard lock(g_keptMutex);
    return g_kept.contains(identity);
}

std::string FolderKeyOf(const FileName& file) {
    if (file.folder) {
        return file.folder->Identity() + '\0';  // no path holds a zero byte
    }
    const std::string directory = SplitPath(file.path).directory;
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
