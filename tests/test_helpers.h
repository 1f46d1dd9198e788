#pragma once
// What several test files share: the tool's exact texts, byte readers, a bitmap whose
// background every colour changes, and a fixture that loads built drawings. Portable: the
// unit tests run on Windows too.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/dwg_builder.h"
#include "tests/temp_dir.h"
#include "thumbnail/dwg_thumbnail.h"

inline const std::string kPrompt = "\n------ Press any key for exit -------";

// The closing summary of a verbose run and the line feed that ends it: drawings written,
// without a preview, with a damaged preview, failed, and names that matched nothing; all but
// the first only when there are any. `upToDate` of those written already held the bytes.
inline std::string Summary(int written, int noPreview = 0, int damaged = 0, int failed = 0,
                           int missing = 0, int upToDate = 0) {
    const int drawings = written + noPreview + damaged + failed;
    std::string summary = "\n" + std::to_string(drawings) +
                          (drawings == 1 ? " drawing" : " drawings") + ": " +
                          std::to_string(written) + " written";
    const auto add = [&summary](int count, const std::string& what) {
        if (count != 0) {
            summary += ", " + std::to_string(count) + what;
        }
    };
    add(upToDate, " of them already up to date");
    add(noPreview, " without a preview");
    add(damaged, " with a damaged preview");
    add(failed, " failed");
    add(missing, missing == 1 ? " name matched nothing" : " names matched nothing");
    return summary + "\n";
}

// One drawing's progress line as the tool prints it, ended by "Ok!" or why no BMP came.
inline std::string Line(const std::string& input, const std::string& output,
                        const std::string& ending = "Ok!") {
    return "\n" + input + " -> " + output + "  " + ending;
}
inline const std::string kNoPreview = "no preview";
inline const std::string kDamagedReason = "damaged preview";
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
