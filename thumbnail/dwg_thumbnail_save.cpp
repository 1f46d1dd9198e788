// Saving the preview as a picture file.
#include "dib/dib_png.h"
#include "platform/output_file.h"
#include "thumbnail/drawing_start.h"
#include "thumbnail/dwg_thumbnail.h"

OutputGuard CDwgThumbnail::Guard() const {
    return DrawingGuard(m_source);
}

int CDwgThumbnail::SaveBmp(const FileName& path) {
    if (!m_dib) {
        return 0;
    }
    const auto header = DibBmpFileHeader(*m_dib);
    // A re-run finds its outputs right already, and ext4 pays for every replacement: when the
    // last output was there, look before writing; else write, and look only if the name is taken.
    if (m_lastOutputExisted && FileHoldsExactly(path, {header, *m_dib})) {
        m_outputUnchanged = true;
        return 1;
    }
    COutputFile file;
    file.CreateForWriting(path, Guard());
    DibWriteBmpFile(*m_dib, file);
    const COutputFile::Outcome outcome =
        m_lastOutputExisted ? file.Close() : file.CloseUnlessHolding({header, *m_dib});
    m_outputUnchanged = outcome == COutputFile::Outcome::kAlreadyHeld;
    m_lastOutputExisted = outcome != COutputFile::Outcome::kCreated;
    return 1;
}

int CDwgThumbnail::SavePng(const FileName& path, bool inPlace) {
    if (!m_dib) {
        return 0;
    }
    if (inPlace) {
        const MemoryHandle png = DibEncodePng(*m_dib);
        if (png) {
            WriteFileInPlace(path, *png, Guard());
        }
        return png ? 1 : 0;
    }
    const MemoryHandle png = DibEncodePng(*m_dib);
    if (!png) {
        return 0;
    }
    // Left as it is when it holds these bytes already, as a BMP is.
    if (m_lastOutputExisted && FileHoldsExactly(path, {*png})) {
        m_outputUnchanged = true;
        return 1;
    }
    COutputFile file;
    file.CreateForWriting(path, Guard());
    file.Write(png->data(), png->size());
    const COutputFile::Outcome outcome =
        m_lastOutputExisted ? file.Close() : file.CloseUnlessHolding({*png});
    m_outputUnchanged = outcome == COutputFile::Outcome::kAlreadyHeld;
    m_lastOutputExisted = outcome != COutputFile::Outcome::kCreated;
    return 1;
}
