#pragma once
// The parts of a DXF drawing that drawing it needs: the header's extents, the layers, the
// blocks held whole, and the entities of model space handed on one at a time as read.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/file.h"
#include "render/dxf_entity.h"
#include "render/primitives.h"

struct LayerStyle {
    int colour = 7;                           // its colour index; negative when it is off
    std::optional<std::uint32_t> trueColour;  // 0xRRGGBB
    bool frozen = false;
};

struct DxfBlock {
    Vector3 base;
    std::vector<DxfEntity> entities;
};

struct DxfDocument {
    std::string version;                       // $ACADVER
    Box headerExtents;                         // $EXTMIN and $EXTMAX, when both are given
    std::map<std::string, LayerStyle> layers;  // by name in capitals
    std::map<std::string, DxfBlock> blocks;    // by name in capitals
};

enum class DocumentStatus {
    kWhole,
    kDamaged,    // groups no DXF writer writes, or the file cut short in a section
    kScanLimit,  // more bytes than the caller lets a drawing's reading take
    kHeldLimit,  // blocks, or one entity, larger than may be held
};

struct DocumentLimits {
    std::uint64_t maxScanBytes = 0;
    std::uint64_t maxHeldBytes = 0;  // of blocks and of the entity being read
};

// Takes one entity of the ENTITIES section, with its vertices or attributes; false to stop.
using EntitySink = std::function<bool(const DxfEntity&)>;

// Reads from the file's current position (just past a binary DXF's sentinel). Read errors
// are raised as CFileException.
DocumentStatus ReadDxfDocument(CFile& file, DxfKind kind, const DocumentLimits& limits,
                               DxfDocument& document, const EntitySink& take);

// A name as the drawing's tables and blocks are looked up by.
std::string TableKey(std::string_view name);
