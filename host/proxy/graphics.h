// Decoder of proxy graphics: the binary metafile that proxy entities (and many native entities
// of newer releases: multileaders, tables, images, dimensions) store with their DXF record in
// group code 92 or 160 (its size in bytes) followed by a run of 310 hex chunks.
//
// The buffer is little-endian: a header of two 32-bit words (total size in bytes, number of
// records), then the records, each a 32-bit size (including its 8-byte head), a 32-bit type and
// the payload. Records are not aligned; inside a payload only strings are padded, to a multiple
// of four bytes counted from the start of the payload.
//
// decodeProxyGraphics walks the records, keeps the attribute state (colour, layer, linetype, ...)
// and the stack of model transforms, and lists what the picture draws as primitives in world
// coordinates, each with the attributes and the transform in force when it was drawn. A record
// it cannot decode is skipped and counted; nothing in the buffer can make it read out of bounds,
// loop for long or allocate more than the buffer could describe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/dbextents.h"
#include "host/dxf/encoding.h"
#include "host/gegeom3d.h"

namespace proxygfx {

// Record types of the format.
enum RecordType : uint32_t {
    kExtents = 1,
    kCircle = 2,
    kCircle3P = 3,
    kCircularArc = 4,
    kCircularArc3P = 5,
    kPolyline = 6,
    kPolygon = 7,
    kMesh = 8,
    kShell = 9,
    kText = 10,
    kText2 = 11,
    kXline = 12,
    kRay = 13,
    kAttribColor = 14,
    kAttribLayer = 16,
    kAttribLinetype = 18,
    kAttribMarker = 19,
    kAttribFill = 20,
    kAttribTrueColor = 22,
    kAttribLineweight = 23,
    kAttribLtscale = 24,
    kAttribThickness = 25,
    kAttribPlotStyle = 26,
    kPushClip = 27,
    kPopClip = 28,
    kPushModelTransform = 29,
    kPushModelTransform2 = 30,
    kPopModelTransform = 31,
    kPolylineWithNormals = 32,
    kLwPolyline = 33,
    kAttribMaterial = 34,
    kAttribMapper = 35,
    kUnicodeText = 36,
    kUnicodeText2 = 38,
    kEllipticArc = 44,
};

// True for the record types that draw something (the rest set state or carry extents).
bool isDrawingRecord(uint32_t type);
// The record type's name ("CIRCLE", "UNICODE_TEXT2"), or "UNKNOWN" for types the format does not
// define.
const char* recordTypeName(uint32_t type);

// Colour in the raw form the format stores (as AcCmEntityColor keeps it): the method in the top
// byte, the value below.
namespace color {
constexpr uint32_t kByLayer = 0xC0000000u;
constexpr uint32_t kByBlock = 0xC1000000u;
constexpr uint32_t kRgb = 0xC2000000u;  // low 24 bits 0xRRGGBB
constexpr uint32_t kAci = 0xC3000000u;  // low byte the ACI
constexpr uint32_t kForeground = 0xC5000000u;
constexpr uint32_t kNone = 0xC8000000u;
inline uint32_t method(uint32_t raw) {
    return raw & 0xFF000000u;
}
// The colour index the raw colour stands for: 256 BYLAYER, 0 BYBLOCK, 1..255 an ACI, 7 for the
// foreground colour; for an RGB colour the ACI is unknown and -1 is returned.
int aciOf(uint32_t raw);
// Raw form of a colour record's ACI value (0 BYBLOCK, 256 BYLAYER, 1..255).
uint32_t fromAci(uint32_t aci);
}  // namespace color

// The attribute state in force when a primitive was drawn. What the picture never set stays
// empty: the caller takes it from the entity that carries the picture.
struct Attributes {
    std::optional<uint32_t> color;          // raw colour (see proxygfx::color)
    std::optional<uint32_t> layerIndex;     // index into the layer table (resolveLayerIndex)
    std::optional<uint32_t> linetypeIndex;  // raw linetype index (resolveLinetypeIndex)
    std::optional<int32_t> lineweight;      // hundredths of mm; -1 BYLAYER, -2 BYBLOCK, -3 default
    std::optional<double> linetypeScale;
    std::optional<double> thickness;
    std::optional<int32_t> marker;          // selection marker
    std::optional<uint32_t> plotStyleType;  // 0 BYLAYER, 1 BYBLOCK, 2 default, 3 by id
    std::optional<uint32_t> plotStyleId;
    std::optional<uint64_t> material;  // the 8 bytes of a material record, as read
    // The fill state, which lasts until the next fill record. It means something for polygons,
    // meshes and shells only: real multileader pictures leave it on after their filled
    // arrowhead, so the open polylines that follow still carry it.
    bool fill = false;

    // ACI of the colour (see color::aciOf); nullopt when no colour was set.
    std::optional<int> aci() const;
    // 0xRRGGBB when the colour is an RGB true colour.
    std::optional<uint32_t> rgb() const;
};

enum class PrimitiveKind : uint8_t {
    Polyline,  // records 6, 32, 33: vertices (a single vertex is a point); closed flag
    Polygon,   // record 7: closed outline in vertices, and its faces
    Mesh,      // record 8: rows x columns vertices, quadrilateral faces
    Shell,     // record 9: vertices and faces
    Circle,    // records 2, 3
    Arc,       // records 4, 5
    Ellipse,   // record 44, and circles or arcs that a non-uniform transform made elliptic
    Text,      // records 10, 11, 36, 38
    Ray,       // record 13
    Xline,     // record 12
};
const char* kindName(PrimitiveKind kind);

// A face of a polygon, mesh or shell: three or four indices into the primitive's vertices (a
// triangle repeats its third index, as a 3D face does). Faces with more than four corners come
// out as a fan of triangles; the edges inside the fan are marked invisible.
struct Face {
    std::array<uint32_t, 4> v{};
    uint8_t corners = 3;
    // Bit i: the edge from corner i to the next one (from the last corner back to the first) is
    // invisible: it lies inside a fan, or the shell's edge traits hide it.
    uint8_t invisibleEdges = 0;
    std::optional<uint32_t> color;  // the face's own colour index (face traits), if stored
    std::optional<uint32_t> layerIndex;
};

struct TextData {
    std::string text;  // UTF-8 (narrow records decoded with the drawing's code page)
    double height = 0.0;
    double widthFactor = 1.0;
    double oblique = 0.0;             // radians
    AcGeVector3d direction{1, 0, 0};  // unit baseline direction (world)
    bool unicode = false;             // from a Unicode record (36, 38)
    // Only in the records with font data (11, 38):
    double tracking = 0.0;
    bool backward = false, upsideDown = false, vertical = false, underline = false,
         overline = false;
    bool bold = false, italic = false;
    uint32_t charset = 0, pitchAndFamily = 0;
    std::string typeface, fontFile, bigFontFile;
};

struct Primitive {
    PrimitiveKind kind = PrimitiveKind::Polyline;
    uint32_t recordType = 0;   // the record it came from
    uint32_t recordIndex = 0;  // 0-based position of that record in the buffer
    Attributes attrs;          // attribute state at the time it was drawn
    AcGeMatrix3d transform;    // model transform in force (already applied to the geometry)
    int transformDepth = 0;    // number of model transforms pushed around it

    // Polylines, polygons, meshes, shells: vertices in world coordinates. Rays and
    // construction lines: the base point and a second point.
    std::vector<AcGePoint3d> points;
    bool closed = false;
    // Per-vertex data of the lightweight-polyline record (empty when not stored): bulge of the
    // segment that starts at the vertex, and its start and end width.
    std::vector<double> bulges;
    std::vector<double> startWidths, endWidths;
    double constantWidth = 0.0;
    double elevation = 0.0;     // lightweight polyline, in its own plane (before transform)
    double ownThickness = 0.0;  // lightweight polyline's own thickness
    std::vector<Face> faces;
    uint32_t meshRows = 0, meshColumns = 0;

    // Circles, arcs, ellipses, texts (position in `center`), polylines with a normal.
    AcGePoint3d center;
    AcGeVector3d normal{0, 0, 1};
    double radius = 0.0;
    // Arcs: counterclockwise about the normal from startAngle to endAngle, both measured in the
    // plane of the normal from its arbitrary-axis x direction (as an ARC entity stores them);
    // refVector is the unit vector from the centre to the start point (world).
    double startAngle = 0.0, endAngle = 0.0;
    AcGeVector3d refVector{1, 0, 0};
    // Ellipses: major axis (world vector from the centre, length the major radius), minor/major
    // ratio and the parameters of the ends (0 and 2*pi for a whole ellipse).
    AcGeVector3d majorAxis{1, 0, 0};
    double radiusRatio = 1.0;
    double startParam = 0.0, endParam = 0.0;
    // Rays and construction lines: unit direction.
    AcGeVector3d direction{1, 0, 0};

    TextData text;
};

// The graphics kind that the host reports for a proxy (graphicsMetafileType).
enum class GraphicsKind : int { None = 0, BoundingBox = 1, Full = 2 };

// Counts of the records walked.
struct RecordStats {
    uint32_t records = 0;  // records walked
    uint32_t drawing = 0;  // drawing records among them
    uint32_t extents = 0;  // extents records holding six finite numbers
    uint32_t unknown = 0;  // records of types the decoder does not know (skipped, not counted
                           // as skipped: the format says to ignore them)
};

struct DecodedGraphics {
    std::vector<Primitive> primitives;  // in the order of the records
    GraphicsKind kind = GraphicsKind::None;
    std::optional<AcDbExtents> extents;  // the last extents record, transformed like geometry
    uint32_t skipped = 0;                // records that could not be decoded (and drew nothing)
    bool corrupt = false;                // framing broken: the picture is unusable as a whole
    std::string message;                 // why it is corrupt, or the first skipped record's fault
    uint32_t declaredSize = 0, declaredCount = 0;
    RecordStats stats;
    int maxTransformDepth = 0;
    uint32_t unbalancedPops = 0;  // pops of an empty transform stack (ignored)
};

struct DecodeContext {
    // Code page of the drawing, for the 8-bit strings of the narrow text records.
    dxf::TextCodec codec{dxf::Encoding::Cp1252, {}};
    // When set, decodes 8-bit strings instead of the codec (bytes without the terminating NUL).
    std::function<std::string(std::string_view)> decodeNarrow;
    // The lightweight-polyline record stores vertex identifiers only in drawings of release
    // 2010 and later ($ACADVER AC1024+).
    bool r2010OrLater = true;
    // A transform stack deeper than this is treated as a fault of the record that pushes.
    int maxTransformDepth = 256;
};

// Decodes a whole graphics buffer (header included).
DecodedGraphics decodeProxyGraphics(const uint8_t* data, std::size_t size,
                                    const DecodeContext& ctx = {});
inline DecodedGraphics decodeProxyGraphics(std::string_view bytes, const DecodeContext& ctx = {}) {
    return decodeProxyGraphics(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), ctx);
}

// Only the graphics kind (no primitives built): 2 when a well-framed buffer holds at least one
// drawing record (whether or not the record itself decodes), 1 when it holds no drawing record
// but an extents record of finite numbers, 0 when it is empty, holds only records that draw
// nothing, or is corrupt. decodeProxyGraphics gives the same kind.
GraphicsKind classifyProxyGraphics(const uint8_t* data, std::size_t size);

// --- Extents of what a picture draws ----------------------------------------------------------

// Adds a piece's extents (world coordinates) to ext: vertices; circles, arcs, ellipses and the
// bulged segments of lightweight polylines exactly; a thickness as the extrusion along the
// normal; a text as the box of its line, estimated with an advance of `textAdvance` times its
// height times its width factor per character (oblique ignored). Returns false, adding
// nothing, for rays and construction lines, which have no finite extents (nor for pieces whose
// extents overflow).
bool addPrimitiveExtents(const Primitive& p, AcDbExtents& ext, double textAdvance = 1.0);
// The extents of all pieces with finite extents; empty when there are none.
std::optional<AcDbExtents> drawnExtents(const DecodedGraphics& g, double textAdvance = 1.0);

// --- Resolving indices against the drawing's tables -----------------------------------------

// The linetype record's special values.
constexpr uint32_t kLinetypeByLayer = 32767;
constexpr uint32_t kLinetypeByBlock = 32766;

// Name of the layer a layer index stands for: the index counts the LAYER table's records in
// their stored order. Empty when out of range.
std::string resolveLayerIndex(uint32_t index, const std::vector<std::string>& layerNames);
// Name of the linetype a linetype index stands for: 32767 is BYLAYER, 32766 BYBLOCK, other values
// count the LTYPE table's records in stored order without its BYLAYER and BYBLOCK records
// (compared without regard to letter case). Empty when out of range.
std::string resolveLinetypeIndex(uint32_t index, const std::vector<std::string>& linetypeNames);

// --- Collecting the graphics bytes of a record from its tags ---------------------------------

struct GraphicsBytes {
    bool present = false;        // a size tag (92 or 160) with a run of 310 after it was found
    int sizeCode = 0;            // 92 or 160
    long long declaredSize = 0;  // the size tag's value
    std::string bytes;           // the 310 run, decoded
    bool sizeMismatch = false;   // declared size differs from the bytes (or is not a number)
    bool badHex = false;         // a 310 value was not valid hex
    std::string message;
};

// Feeds the tags of one record in order and picks out the picture: the run of 310 tags right
// after the first 92 or 160 of the subclass that carries it, AcDbProxyEntity for a proxy entity
// and AcDbEntity for any other entity. The same codes elsewhere (a table's 92 column count, the
// proxy's entity data after 93/161) are not taken.
class GraphicsCollector {
  public:
    explicit GraphicsCollector(bool proxyEntity) : proxy_(proxyEntity) {}
    void add(int code, std::string_view value);
    // The result; the size check is made here.
    GraphicsBytes finish();

  private:
    enum class State { Looking, AfterSize, InRun, Done };
    bool proxy_;
    bool inSubclass_ = false;
    State state_ = State::Looking;
    GraphicsBytes out_;
};

// The graphics kind of a picture as collected from a record's tags: 0 when there is none, when
// the size tag disagrees with the bytes or a 310 value is not hex (a corrupt picture), else what
// classifyProxyGraphics says of the bytes.
GraphicsKind classifyGraphicsBytes(const GraphicsBytes& g);

// Collects from any range of tags with members `code` and `value` (hostcore::Tag,
// dxf::RawTag, ...).
template <class Tags>
GraphicsBytes collectGraphicsBytes(const Tags& tags, bool proxyEntity) {
    GraphicsCollector c(proxyEntity);
    for (const auto& t : tags)
        c.add(static_cast<int>(t.code), std::string_view(t.value));
    return c.finish();
}

}  // namespace proxygfx
