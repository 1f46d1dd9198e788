// Holds a hidden file as a running pictavex.exe holds one beside an output it writes: made
// new, starting as a BMP file, locked far past its end, marked to go when it is closed. Says
// so by making NAME.ready, and lets go once NAME.release appears (or after 30 seconds).
//
//   windows_holder NAME
#include <windows.h>

#include <string>

namespace {

constexpr DWORD kLockOffsetHigh = 0x40000000;  // where a run locks the files it uses
constexpr int kPatienceSteps = 600;
constexpr DWORD kStepMilliseconds = 50;

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 2) {
        return 1;
    }
    const std::wstring name = argv[1];
    const HANDLE file = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 2;
    }
    const char start[] = "BM a picture being written";
    DWORD written = 0;
    OVERLAPPED where{};
    where.OffsetHigh = kLockOffsetHigh;
    if (!::WriteFile(file, start, sizeof start - 1, &written, nullptr) ||
        !::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
        return 3;
    }
    ::CloseHandle(::CreateFileW((name + L".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    for (int step = 0; step < kPatienceSteps && !Exists(name + L".release"); ++step) {
        ::Sleep(kStepMilliseconds);
    }
    ::CloseHandle(file);
    return 0;
}
