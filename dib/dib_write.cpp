// Writing a DIB to a BMP file.
#include "dib/dib.h"

int DibWriteBmpFile(const MemoryBlock& dib, COutputFile& file) {
    file.Write({DibBmpFileHeader(dib), dib});
    return 1;
}
