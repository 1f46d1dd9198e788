#include "render/dxf_document.h"

#include <cctype>

namespace {

constexpr int kStartCode = 0;  // begins each entity, table entry and section mark
constexpr int kNameCode = 2;
constexpr int kVariableCode = 9;  // a header variable's name
constexpr int kPaperSpaceCode = 67;

// The records of a drawing: each from one group 0 to the next.
class CRecords {
public:
    CRecords(CFile& file, DxfKind kind, const DocumentLimits& limits)
        : m_groups(file, kind), m_limits(limits) {}

    // The next record; false at the end of the file or when a limit or damage stops it.
    bool Next(DxfEntity& record) {
        record.type.clear();
        record.groups.clear();
        record.children.clear();
        if (!m_started && !ReadGroup()) {
            return false;
        }
        m_started = true;
        if (m_group.code != kStartCode) {
            m_status = DocumentStatus::kDamaged;
            return false;
        }
        record.type = TrimmedValue(m_group.value);
        std::uint64_t held = 0;
        while (ReadGroup()) {
            if (m_group.code == kStartCode) {
                return true;
            }
            held += sizeof(DxfGroup) + m_group.value.size();
            if (held > m_limits.maxHeldBytes) {
                m_status = DocumentStatus::kHeldLimit;
                return false;
            }
            record.groups.push_back(m_group);
        }
        // The file ended: the last record stands only when it is the end mark.
        return record.type == "EOF";
    }

    DocumentStatus Status() const { return m_status; }
    bool Ended() const { return m_ended; }

private:
    bool ReadGroup() {
        const CDxfGroups::Result result = m_groups.Next(m_group);
        if (m_groups.BytesRead() > m_limits.maxScanBytes) {
            m_status = DocumentStatus::kScanLimit;
            return false;
        }
        if (result == CDxfGroups::Result::kDamaged) {
            m_status = DocumentStatus::kDamaged;
        }
        m_ended = result == CDxfGroups::Result::kEnd;
        return result == CDxfGroups::Result::kGroup;
    }

    CDxfGroups m_groups;
    const DocumentLimits& m_limits;
    DxfGroup m_group;
    bool m_started = false;
    bool m_ended = false;
    DocumentStatus m_status = DocumentStatus::kWhole;
};

void ReadHeader(const DxfEntity& section, DxfDocument& document) {
    std::string_view variable;
    Vector3 low;
    Vector3 high;
    int found = 0;
    for (const DxfGroup& group : section.groups) {
        if (group.code == kVariableCode) {
            variable = TrimmedValue(group.value);
        } else if (variable == "$ACADVER" && group.code == 1) {
            document.version = TrimmedValue(group.value);
        } else if ((variable == "$EXTMIN" || variable == "$EXTMAX") &&
                   (group.code == 10 || group.code == 20)) {
            const std::optional<double> value = ParseReal(group.value);
            Vector3& corner = variable == "$EXTMIN" ? low : high;
            (group.code == 10 ? corner.x : corner.y) = value.value_or(0);
            found += value ? 1 : 0;
        }
    }
    if (found == 4 && low.x <= high.x && low.y <= high.y) {
        document.headerExtents.Add(Point{low.x, low.y});
        document.headerExtents.Add(Point{high.x, high.y});
    }
}

void TakeLayer(const DxfEntity& record, DxfDocument& document) {
    LayerStyle style;
    style.colour = static_cast<int>(record.Integer(62, 7));
    if (const std::optional<std::int64_t> rgb = record.Integer(420)) {
        style.trueColour = static_cast<std::uint32_t>(*rgb) & 0xFFFFFF;
    }
    style.frozen = (record.Integer(70, 0) & 1) != 0;
    document.layers[TableKey(record.Text(kNameCode))] = style;
}

bool IsPaperSpace(const DxfEntity& entity) {
    return entity.Integer(kPaperSpaceCode, 0) == 1;
}

// Gathers entities, each with the VERTEX or ATTRIB entities that follow it up to SEQEND.
class CEntityGatherer {
public:
    explicit CEntityGatherer(std::function<bool(DxfEntity&&)> take) : m_take(std::move(take)) {}

    bool Add(DxfEntity&& record) {
        if (m_open && (record.type == "VERTEX" || record.type == "ATTRIB")) {
            m_entity.children.push_back(std::move(record));
            return true;
        }
        if (!Flush()) {
            return false;
        }
        if (record.type == "SEQEND") {
            return true;
        }
        std::swap(m_entity, record);  // the record read next reuses what this one held
        m_open = m_entity.type == "POLYLINE" ||
                 (m_entity.type == "INSERT" && m_entity.Integer(66, 0) == 1);
        m_held = true;
        return true;
    }
    // Hands on the entity being gathered.
    bool Flush() {
        const bool held = m_held;
        m_held = false;
        m_open = false;
        return !held || m_take(std::move(m_entity));
    }

private:
    std::function<bool(DxfEntity&&)> m_take;
    DxfEntity m_entity;
    bool m_held = false;
    bool m_open = false;
};

}  // namespace

std::string TableKey(std::string_view name) {
    std::string key(TrimmedValue(name));
    for (char& c : key) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return key;
}

DocumentStatus ReadDxfDocument(CFile& file, DxfKind kind, const DocumentLimits& limits,
                               DxfDocument& document, const EntitySink& take) {
    CRecords records(file, kind, limits);
    DxfEntity record;
    std::string section;
    DxfBlock* block = nullptr;
    std::uint64_t blockBytes = 0;
    bool stopped = false;
    CEntityGatherer entities([&](DxfEntity&& entity) {
        if (IsPaperSpace(entity)) {
            return true;
        }
        if (section == "ENTITIES") {
            stopped = !take(entity);
            return !stopped;
        }
        if (block == nullptr) {
            return true;
        }
        blockBytes += entity.HeldBytes();
        if (blockBytes > limits.maxHeldBytes) {
            return false;
        }
        block->entities.push_back(std::move(entity));
        return true;
    });
    while (records.Next(record)) {
        const std::string_view type = record.type;
        if (type == "SECTION") {
            section = TableKey(record.Text(kNameCode));
            if (section == "HEADER") {
                ReadHeader(record, document);
            }
        } else if (type == "ENDSEC" || type == "EOF") {
            if (!entities.Flush()) {
                break;
            }
            block = nullptr;
            section.clear();
            if (type == "EOF") {
                return DocumentStatus::kWhole;
            }
        } else if (section == "TABLES") {
            if (type == "LAYER") {
                TakeLayer(record, document);
            }
        } else if (section == "BLOCKS" && type == "BLOCK") {
            block = &document.blocks[TableKey(record.Text(kNameCode))];
            *block = {record.Point3(10), {}};
        } else if (section == "BLOCKS" && type == "ENDBLK") {
            if (!entities.Flush()) {
                break;
            }
            block = nullptr;
        } else if ((section == "BLOCKS" && block != nullptr) || section == "ENTITIES") {
            if (!entities.Add(std::move(record))) {
                break;
            }
        }
    }
    if (stopped) {
        return DocumentStatus::kWhole;
    }
    if (blockBytes > limits.maxHeldBytes) {
        return DocumentStatus::kHeldLimit;
    }
    if (records.Status() != DocumentStatus::kWhole) {
        return records.Status();
    }
    // A file cut short after its last whole section: what it holds is drawn.
    entities.Flush();
    return records.Ended() && section.empty() ? DocumentStatus::kWhole : DocumentStatus::kDamaged;
}
