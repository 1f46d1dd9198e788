// The least work any extractor must do: for each drawing in the manifest, read its preview
// bytes and write them, behind a 14-byte header, to a new file in the output directory.
//
//   copy_floor MANIFEST OUTPUT_DIRECTORY
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: copy_floor MANIFEST OUTPUT_DIRECTORY\n");
        return 2;
    }
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
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (out < 0 ||
            ::write(out, buffer.data(), buffer.size()) != static_cast<ssize_t>(buffer.size())) {
            std::perror(target.c_str());
            return 1;
        }
        ::close(out);
    }
    return 0;
}
