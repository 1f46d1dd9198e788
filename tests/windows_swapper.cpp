// Tries, from the Windows side, what an attacker would do to a folder a run works in: once
// FIRST appears (the run is in the folder), moves FOLDER aside and the folder VICTIM into its
// place, again and again until it succeeds or STOP appears. Prints how often Windows refused
// the move and whether it was made.
//
//   windows_swapper FOLDER VICTIM FIRST STOP
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kPatienceSteps = 2000;
constexpr DWORD kStepMilliseconds = 5;

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 5) {
        return 1;
    }
    const std::wstring folder = argv[1];
    const std::wstring victim = argv[2];
    for (int step = 0; step < kPatienceSteps && !Exists(argv[3]); ++step) {
        ::Sleep(kStepMilliseconds);
    }
    int refused = 0;
    bool swapped = false;
    while (!swapped && !Exists(argv[4])) {
        if (::MoveFileExW(folder.c_str(), (folder + L".moved").c_str(), 0)) {
            swapped = ::MoveFileExW(victim.c_str(), folder.c_str(), 0);
        } else {
            ++refused;
            ::Sleep(1);
        }
    }
    std::printf("refused %d, swapped %d\n", refused, swapped ? 1 : 0);
    return 0;
}
