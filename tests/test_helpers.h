#pragma once
// What several test files share: the tool's exact texts, byte readers, a bitmap whose
// background every colour changes, and a fixture that loads built drawings.

#include <gtest/gtest.h>

#include <string>

#include "tests/dwg_builder.h"
#include "tests/temp_dir.h"
#include "thumbnail/dwg_thumbnail.h"

inline const std::string kPrompt = "\n------ Press any key for exit -------";

// One drawing's progress line as the tool prints it, ended by "Ok!" or why no BMP came.
inline std::string Line(const std::string& input, const std::string& output,
                        const std::string& ending = "Ok!") {
    return "\n" + input + " -> " + output + "  " + ending;
}
inline const std::string kNoPreview = "no preview";
inline const std::string kDamaged = "damaged preview";
// A line cut short by an error, which goes to stderr as Error() gives it.
inline std::string Started(const std::string& input, const std::string& output) {
    return Line(input, output, "");
}
inline std::string Error(const std::string& path, const std::string& reason) {
    return "pictavex: " + path + ": " + reason + "\n";
}

inline std::uint32_t U16At(const Bytes& bytes, std::size_t offset) {
    return bytes.at(offset) | bytes.at(offset + 1) << 8;
}
inline std::uint32_t U32At(const Bytes& bytes, std::size_t offset) {
    return U16At(bytes, offset) | U16At(bytes, offset + 2) << 16;
}

// An 8-bit bitmap whose entry 0 is dark but not black, so either background recolours it.
inline Bytes DarkPaletteDib(DibSpec spec = {}) {
    Bytes dib = MakeInfoDib(spec);
    SetQuad(dib, 0, 0x30, 0x28, 0x21);
    return dib;
}

// Loads drawings made by the builder into one thumbnail object.
class DrawingTest : public testing::Test {
protected:
    CDwgThumbnail& Load(const DwgBuilder& builder) {
        WriteFile(Drawing(), builder.Build());
        m_thumbnail.Load(Drawing());
        return m_thumbnail;
    }
    std::string Drawing() const { return m_dir / "drawing.dwg"; }

    TempDir m_dir;
    CDwgThumbnail m_thumbnail{kBlack};
};
