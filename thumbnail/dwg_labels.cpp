#include "thumbnail/dwg_labels.h"

#include <array>
#include <utility>

#include "thumbnail/dwg_thumbnail.h"

namespace {

// A version text is kept across releases that did not change the file format.
constexpr std::array<std::pair<std::string_view, std::string_view>, 15> kReleases = {{
    {"AC1.50", "R2.05"},
    {"AC2.10", "R2.10"},
    {"AC1002", "R2.5"},
    {"AC1003", "R2.6"},
    {"AC1004", "R9"},
    {"AC1006", "R10"},
    {"AC1009", "R11/12"},
    {"AC1012", "R13"},
    {"AC1014", "R14"},
    {"AC1015", "R2000"},
    {"AC1018", "R2004"},
    {"AC1021", "R2007"},
    {"AC1024", "R2010"},
    {"AC1027", "R2013"},
    {"AC1032", "R2018"},
}};

}  // namespace

std::string_view ReleaseOf(std::string_view version) {
    for (const auto& [text, release] : kReleases) {
        if (version == text) {
            return release;
        }
    }
    return {};
}

std::string_view ImageKindOf(std::uint8_t code) {
    switch (code) {
        case kHeaderData:
            return "header";
        case kDib:
            return "bitmap";
        case kMetaFile:
            return "metafile";
        case kPng:
            return "png";
        default:
            return "unknown";
    }
}
