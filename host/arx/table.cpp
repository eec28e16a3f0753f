// Tables: cell values held in the table entity and, from 2010 on, once more
// in the table's content object; setValue keeps both in step.
#include <algorithm>

#include "host/arx/internal.h"
#include "host/arx/textutil.h"
#include "host/dbtable.h"

using Acad::ErrorStatus;
using namespace arxhost;

struct AcValue::Data {
    int type = kUnknown;
    std::string utf8;          // the string of a string value
    mutable HostString host;   // the same, lent out as a host string
    mutable bool hostValid = false;
};

AcValue::AcValue() : data_(std::make_unique<Data>()) {}
AcValue::AcValue(const ACHAR* text) : AcValue() { set(text); }
AcValue::AcValue(const AcValue& other) : data_(std::make_unique<Data>(*other.data_)) {}
AcValue& AcValue::operator=(const AcValue& other) {
    if (this != &other) *data_ = *other.data_;
    return *this;
}
AcValue::~AcValue() = default;

AcValue::DataType AcValue::dataType() const { return static_cast<DataType>(data_->type); }

AcValue::operator const ACHAR*() const {
    if (data_->type != kString) return nullptr;
    if (!data_->hostValid) {
        data_->host = toHostString(data_->utf8);
        data_->hostValid = true;
    }
    return data_->host.c_str();
}

bool AcValue::set(const ACHAR* text) {
    if (!text) return false;
    data_->type = kString;
    data_->utf8 = toUtf8(text);
    data_->hostValid = false;
    return true;
}

AcValue& AcValue::operator=(const ACHAR* text) {
    set(text);
    return *this;
}

const AcValue::Data& AcValue::data() const { return *data_; }
AcValue::Data& AcValue::data() { return *data_; }

namespace {

// Where one value lives in a tag list: the string (code 1, perhaps with
// earlier pieces in codes 2 and 3), the formatted text (302) and the type (90).
struct ValueSlot {
    int typeIndex = -1;
    int stringIndex = -1;
    int formattedIndex = -1;
    std::size_t chunkFrom = 0;  // first 2/3 piece before the string
};

struct Cell {
    int type = 0;            // 171
    std::size_t begin = 0;   // index of the 171 tag
    std::size_t end = 0;
    bool hasValue = false;
    ValueSlot slot;
};

struct TableLayout {
    int rows = 0;
    int columns = 0;
    std::vector<Cell> cells;
};

// The cells of the table entity, in row-major order.
TableLayout layoutOf(const TagList& t) {
    TableLayout out;
    std::size_t i = 1;
    while (i < t.size() && !(t[i].code == 100 && t[i].value == "AcDbTable")) ++i;
    const std::size_t end = xdataStart(t);
    bool haveRows = false, haveCols = false;
    for (++i; i < end; ++i) {
        const Tag& tag = t[i];
        if (tag.code == 171) break;
        if (tag.code == 91 && !haveRows) {
            out.rows = static_cast<int>(toInt(tag.value));
            haveRows = true;
        } else if (tag.code == 92 && !haveCols) {
            out.columns = static_cast<int>(toInt(tag.value));
            haveCols = true;
        }
    }
    while (i < end) {
        Cell c;
        c.type = static_cast<int>(toInt(t[i].value));
        c.begin = i;
        std::size_t j = i + 1;
        while (j < end && t[j].code != 171) ++j;
        c.end = j;
        // The 2007 form: a CELL_VALUE block; the older form: text in code 1.
        std::size_t from = c.begin + 1, to = c.end;
        for (std::size_t k = c.begin + 1; k < c.end; ++k) {
            if (t[k].code == 301 && t[k].value == "CELL_VALUE") {
                from = k + 1;
                to = k + 1;
                while (to < c.end && !(t[to].code == 304 && t[to].value == "ACVALUE_END")) ++to;
                break;
            }
        }
        std::size_t chunkStart = from;
        for (std::size_t k = from; k < to; ++k) {
            int code = t[k].code;
            if (code == 90 && c.slot.typeIndex < 0 && to != c.end) c.slot.typeIndex = static_cast<int>(k);
            if ((code == 2 || code == 3) && c.slot.stringIndex < 0) {
                if (k == 0 || (t[k - 1].code != 2 && t[k - 1].code != 3)) chunkStart = k;
            }
            if (code == 1 && c.slot.stringIndex < 0) {
                c.slot.stringIndex = static_cast<int>(k);
                c.slot.chunkFrom = (k > 0 && (t[k - 1].code == 2 || t[k - 1].code == 3)) ? chunkStart : k;
            }
            if (code == 302 && c.slot.formattedIndex < 0 && to != c.end) c.slot.formattedIndex = static_cast<int>(k);
        }
        c.hasValue = c.slot.stringIndex >= 0 || c.slot.typeIndex >= 0;
        out.cells.push_back(c);
        i = c.end;
    }
    return out;
}

std::string joinedString(const TagList& t, const ValueSlot& s) {
    if (s.stringIndex < 0) return {};
    std::string out;
    for (std::size_t k = s.chunkFrom; k < static_cast<std::size_t>(s.stringIndex); ++k) out += t[k].value;
    out += t[static_cast<std::size_t>(s.stringIndex)].value;
    return out;
}

int slotType(const TagList& t, const ValueSlot& s) {
    if (s.typeIndex >= 0) return static_cast<int>(toInt(t[static_cast<std::size_t>(s.typeIndex)].value));
    return s.stringIndex >= 0 ? AcValue::kString : AcValue::kUnknown;
}

// Writes a value into its slot; the earlier pieces of a long string go.
void writeSlot(TagList& t, const ValueSlot& s, const AcValue::Data& v) {
    if (s.typeIndex >= 0) t[static_cast<std::size_t>(s.typeIndex)].value = std::to_string(v.type);
    if (s.formattedIndex >= 0) t[static_cast<std::size_t>(s.formattedIndex)].value = v.utf8;
    if (s.stringIndex >= 0) {
        t[static_cast<std::size_t>(s.stringIndex)].value = v.utf8;
        if (s.chunkFrom < static_cast<std::size_t>(s.stringIndex))
            t.erase(t.begin() + static_cast<std::ptrdiff_t>(s.chunkFrom),
                    t.begin() + static_cast<std::ptrdiff_t>(s.stringIndex));
    }
}

// --- the table's content object (drawings from 2010 on) ---------------------

Entry* contentObjectOf(const Drawing& d, const Entry* table) {
    if (!table) return nullptr;
    for (Entry* e : d.objects) {
        if (e->erased() || d.typeName(e) != "TABLECONTENT") continue;
        // It hangs below the table: owner chain through the table's extension dictionary.
        const Entry* o = e->owner;
        for (int depth = 0; o && depth < 4; ++depth, o = o->owner)
            if (o == table) return e;
    }
    return nullptr;
}

// Value slots of every content of every cell, cells in row-major order.
std::vector<std::vector<ValueSlot>> contentSlots(const TagList& t) {
    std::vector<std::vector<ValueSlot>> cells;
    std::vector<ValueSlot>* cell = nullptr;
    ValueSlot* slot = nullptr;
    bool inValue = false;
    for (std::size_t k = 0; k < t.size(); ++k) {
        const Tag& tag = t[k];
        if (tag.code == 1 && tag.value == "LINKEDTABLEDATACELL_BEGIN") {
            cells.emplace_back();
            cell = &cells.back();
            slot = nullptr;
            continue;
        }
        if (!cell) continue;
        if (tag.code == 1 && tag.value == "CELLCONTENT_BEGIN") {
            cell->emplace_back();
            slot = &cell->back();
            inValue = false;
            continue;
        }
        if (!slot) continue;
        if (tag.code == 300 && tag.value == "VALUE") {
            inValue = true;
            continue;
        }
        if (tag.code == 304 && tag.value == "ACVALUE_END") {
            inValue = false;
            slot = nullptr;
            continue;
        }
        if (!inValue) continue;
        if (tag.code == 90 && slot->typeIndex < 0) slot->typeIndex = static_cast<int>(k);
        if (tag.code == 1 && slot->stringIndex < 0) {
            slot->stringIndex = static_cast<int>(k);
            slot->chunkFrom = k;
        }
        if (tag.code == 302 && slot->formattedIndex < 0) slot->formattedIndex = static_cast<int>(k);
    }
    return cells;
}

bool inRange(const TableLayout& l, int row, int column) {
    return row >= 0 && column >= 0 && row < l.rows && column < l.columns &&
           static_cast<std::size_t>(row * l.columns + column) < l.cells.size();
}

}  // namespace

AcDbTable::AcDbTable() { st(this).tags = defaultTags("ACAD_TABLE"); }
AcDbTable::~AcDbTable() = default;

int AcDbTable::numRows() const { return layoutOf(st(this).tags).rows; }
int AcDbTable::numColumns() const { return layoutOf(st(this).tags).columns; }

AcDb::CellType AcDbTable::cellType(int row, int column) const {
    TableLayout l = layoutOf(st(this).tags);
    if (!inRange(l, row, column)) return AcDb::kUnknownCell;
    return static_cast<AcDb::CellType>(l.cells[static_cast<std::size_t>(row * l.columns + column)].type);
}

int AcDbTable::numContents(int row, int column) const {
    const ObjectState& s = st(this);
    TableLayout l = layoutOf(s.tags);
    if (!inRange(l, row, column)) return 0;
    const std::size_t index = static_cast<std::size_t>(row * l.columns + column);
    if (s.entry && s.db) {
        const Drawing* d = drawingOf(s.db);
        if (const Entry* content = d ? contentObjectOf(*d, s.entry) : nullptr) {
            auto cells = contentSlots(currentTags(*d, content));
            if (index < cells.size()) return static_cast<int>(cells[index].size());
        }
    }
    return l.cells[index].hasValue ? 1 : 0;
}

AcValue AcDbTable::value(int row, int column, int content) const {
    AcValue out;
    const ObjectState& s = st(this);
    TableLayout l = layoutOf(s.tags);
    if (!inRange(l, row, column) || content < 0) return out;
    const std::size_t index = static_cast<std::size_t>(row * l.columns + column);
    if (s.entry && s.db) {
        const Drawing* d = drawingOf(s.db);
        if (const Entry* obj = d ? contentObjectOf(*d, s.entry) : nullptr) {
            TagList tags = currentTags(*d, obj);
            auto cells = contentSlots(tags);
            if (index < cells.size()) {
                if (static_cast<std::size_t>(content) >= cells[index].size()) return out;
                const ValueSlot& slot = cells[index][static_cast<std::size_t>(content)];
                out.data().type = slotType(tags, slot);
                out.data().utf8 = joinedString(tags, slot);
                return out;
            }
        }
    }
    const Cell& c = l.cells[index];
    if (content != 0 || !c.hasValue) return out;
    out.data().type = slotType(s.tags, c.slot);
    out.data().utf8 = joinedString(s.tags, c.slot);
    return out;
}

ErrorStatus AcDbTable::setValue(int row, int column, int content, const AcValue& value) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    ObjectState& s = st(this);
    TableLayout l = layoutOf(s.tags);
    if (!inRange(l, row, column) || content < 0) return Acad::eInvalidInput;
    const std::size_t index = static_cast<std::size_t>(row * l.columns + column);
    const Cell& c = l.cells[index];

    // The old texts, to find them again in the block that shows the table.
    std::vector<std::string> oldTexts;
    Drawing* d = (s.entry && s.db) ? drawingOf(s.db) : nullptr;
    Entry* contentObj = d ? contentObjectOf(*d, s.entry) : nullptr;
    bool stored = false;
    if (contentObj && !contentObj->live) {
        TagList& tags = d->ownTags(contentObj);
        auto cells = contentSlots(tags);
        if (index < cells.size() && static_cast<std::size_t>(content) < cells[index].size()) {
            const ValueSlot& slot = cells[index][static_cast<std::size_t>(content)];
            oldTexts.push_back(joinedString(tags, slot));
            if (slot.formattedIndex >= 0) oldTexts.push_back(tags[static_cast<std::size_t>(slot.formattedIndex)].value);
            writeSlot(tags, slot, value.data());
            stored = true;
        }
    }
    // The entity holds one value per cell: the first content's.
    if (content == 0 && c.hasValue) {
        oldTexts.push_back(joinedString(s.tags, c.slot));
        if (c.slot.formattedIndex >= 0) oldTexts.push_back(s.tags[static_cast<std::size_t>(c.slot.formattedIndex)].value);
        writeSlot(s.tags, c.slot, value.data());
        stored = true;
    }
    if (!stored) return Acad::eInvalidInput;
    markDirty(this);
    dropProxyGraphics(s.tags);

    // The anonymous block that shows the table holds the cell texts as multiline
    // texts; those that show an old text show the new one from now on.
    if (d && value.data().type == AcValue::kString) {
        std::string newText = value.data().utf8;
        int bi = findTag(s.tags, 2);
        Entry* block = bi >= 0 ? s.tags[static_cast<std::size_t>(bi)].ref : nullptr;
        if (block && block->block) {
            for (Entry* e = block->block->first; e; e = e->next) {
                if (e->erased() || e->live || d->typeName(e) != "MTEXT") continue;
                TagList tags = d->tagsOf(e);
                std::string shown = mtextContents(tags);
                bool match = std::any_of(oldTexts.begin(), oldTexts.end(),
                                         [&](const std::string& o) { return !o.empty() && o == shown; });
                if (!match) continue;
                setMTextContents(d->ownTags(e), newText);
            }
        }
    }
    return Acad::eOk;
}
