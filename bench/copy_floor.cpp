// The least work any extractor must do: for each drawing in the manifest, read its preview
// bytes and write them, behind a 14-byte header, to a new file in the output directory.
// With --whole, each file is made without a name and linked in once written, as an extractor
// must that never shows a partial file: the least work of one that keeps that promise.
//
//   copy_floor MANIFEST OUTPUT_DIRECTORY [--whole]
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "--whole")) {
        std::fprintf(stderr, "usage: copy_floor MANIFEST OUTPUT_DIRECTORY [--whole]\n");
        return 2;
    }
    const bool whole = argc == 4;
    std::ifstream manifest(argv[1]);
    const std::string output = argv[2];
    std::string path;
    long offset = 0;
    std::size_t size = 0;
    std::vector<char> buffer;
    while (manifest >> path >> offset >> size) {
        buffer.resize(14 + size);
        const int in = ::open(path.c_str(), O_RDONLY);
        if (in < 0 || ::pread(in, buffer.data() + 14, size, offset) != static_cast<ssize_t>(size)) {
            std::perror(path.c_str());
            return 1;
        }
        ::close(in);
        const std::string name = path.substr(path.rfind('/'));
        const std::string target = output + name.substr(0, name.rfind('.')) + ".bmp";
        const int out = whole ? ::open(output.c_str(), O_WRONLY | O_TMPFILE, 0666)
                              : ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (out < 0 ||
            ::write(out, buffer.data(), buffer.size()) != static_cast<ssize_t>(buffer.size()) ||
            (whole && ::linkat(out, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) != 0)) {
            std::perror(target.c_str());
            return 1;
        }
        ::close(out);
    }
    return 0;
}
