// Writing a DIB to a picture file.
#include "dib/dib.h"
#include "dib/dib_png.h"

int DibWriteBmpFile(const MemoryBlock& dib, COutputFile& file) {
    file.Write({DibBmpFileHeader(dib), dib});
    return 1;
}

int DibWritePngFile(const MemoryBlock& dib, COutputFile& file) {
    const MemoryHandle png = DibEncodePng(dib);
    if (!png) {
        return 0;
    }
    file.Write(png->data(), png->size());
    return 1;
}
