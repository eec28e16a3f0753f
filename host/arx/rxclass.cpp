// The class tree.
#include "host/arx/internal.h"
#include "host/arx/proxy.h"
#include "host/dbcurves.h"
#include "host/dbdim.h"
#include "host/dbmleader.h"
#include "host/dbtable.h"

AcRxClass::AcRxClass(const ACHAR* name, AcRxClass* parent, const char* dxfName)
    : name_(name), parent_(parent), dxfName_(dxfName) {}

bool AcRxClass::isDerivedFrom(const AcRxClass* other) const {
    for (const AcRxClass* c = this; c; c = c->parent_)
        if (c == other) return true;
    return false;
}

AcRxObject::~AcRxObject() = default;

AcRxClass* AcRxObject::desc() {
    static AcRxClass c(ACRX_T("AcRxObject"), nullptr);
    return &c;
}
AcRxClass* AcRxObject::isA() const { return AcRxObject::desc(); }

#define ARX_DEFINE_CLASS(CLASS, PARENT, DXF)                   \
    AcRxClass* CLASS::desc() {                                 \
        static AcRxClass c(ACRX_T(#CLASS), PARENT::desc(), DXF); \
        return &c;                                             \
    }                                                          \
    AcRxClass* CLASS::isA() const { return CLASS::desc(); }

ARX_DEFINE_CLASS(AcDbDatabase, AcRxObject, nullptr)
ARX_DEFINE_CLASS(AcDbObject, AcRxObject, nullptr)
ARX_DEFINE_CLASS(AcDbEntity, AcDbObject, nullptr)
ARX_DEFINE_CLASS(AcDbText, AcDbEntity, "TEXT")
ARX_DEFINE_CLASS(AcDbAttribute, AcDbText, "ATTRIB")
ARX_DEFINE_CLASS(AcDbAttributeDefinition, AcDbText, "ATTDEF")
ARX_DEFINE_CLASS(AcDbMText, AcDbEntity, "MTEXT")
ARX_DEFINE_CLASS(AcDbBlockReference, AcDbEntity, "INSERT")
ARX_DEFINE_CLASS(AcDbLine, AcDbEntity, "LINE")
ARX_DEFINE_CLASS(AcDb3dPolyline, AcDbEntity, "POLYLINE")
ARX_DEFINE_CLASS(AcDbPoint, AcDbEntity, "POINT")
ARX_DEFINE_CLASS(AcDbCircle, AcDbEntity, "CIRCLE")
ARX_DEFINE_CLASS(AcDbArc, AcDbEntity, "ARC")
ARX_DEFINE_CLASS(AcDbEllipse, AcDbEntity, "ELLIPSE")
ARX_DEFINE_CLASS(AcDbPolyline, AcDbEntity, "LWPOLYLINE")
ARX_DEFINE_CLASS(AcDbFace, AcDbEntity, "3DFACE")
ARX_DEFINE_CLASS(AcDbRay, AcDbEntity, "RAY")
ARX_DEFINE_CLASS(AcDbXline, AcDbEntity, "XLINE")
ARX_DEFINE_CLASS(AcDbTable, AcDbBlockReference, "ACAD_TABLE")
ARX_DEFINE_CLASS(AcDbMLeader, AcDbEntity, "MULTILEADER")
ARX_DEFINE_CLASS(AcDbDimension, AcDbEntity, "DIMENSION")
ARX_DEFINE_CLASS(AcDbProxyEntity, AcDbEntity, "ACAD_PROXY_ENTITY")
ARX_DEFINE_CLASS(AcDbProxyObject, AcDbObject, "ACAD_PROXY_OBJECT")
ARX_DEFINE_CLASS(AcDbDictionary, AcDbObject, "DICTIONARY")
ARX_DEFINE_CLASS(AcDbXrecord, AcDbObject, "XRECORD")
ARX_DEFINE_CLASS(AcDbGroup, AcDbObject, "GROUP")
ARX_DEFINE_CLASS(AcDbLayout, AcDbObject, "LAYOUT")
ARX_DEFINE_CLASS(AcDbMlineStyle, AcDbObject, "MLINESTYLE")
ARX_DEFINE_CLASS(AcDbTableStyle, AcDbObject, "TABLESTYLE")
ARX_DEFINE_CLASS(AcDbRasterImageDef, AcDbObject, "IMAGEDEF")
ARX_DEFINE_CLASS(AcDbSymbolTable, AcDbObject, "TABLE")
ARX_DEFINE_CLASS(AcDbBlockTable, AcDbSymbolTable, "TABLE")
ARX_DEFINE_CLASS(AcDbLayerTable, AcDbSymbolTable, "TABLE")
ARX_DEFINE_CLASS(AcDbTextStyleTable, AcDbSymbolTable, "TABLE")
ARX_DEFINE_CLASS(AcDbLinetypeTable, AcDbSymbolTable, "TABLE")
ARX_DEFINE_CLASS(AcDbViewTable, AcDbSymbolTable, "TABLE")
ARX_DEFINE_CLASS(AcDbUCSTable, AcDbSymbolTable, "TABLE")
ARX_DEFINE_CLASS(AcDbViewportTable, AcDbSymbolTable, "TABLE")
ARX_DEFINE_CLASS(AcDbRegAppTable, AcDbSymbolTable, "TABLE")
ARX_DEFINE_CLASS(AcDbDimStyleTable, AcDbSymbolTable, "TABLE")
ARX_DEFINE_CLASS(AcDbSymbolTableRecord, AcDbObject, nullptr)
ARX_DEFINE_CLASS(AcDbBlockTableRecord, AcDbSymbolTableRecord, "BLOCK_RECORD")
ARX_DEFINE_CLASS(AcDbLayerTableRecord, AcDbSymbolTableRecord, "LAYER")
ARX_DEFINE_CLASS(AcDbTextStyleTableRecord, AcDbSymbolTableRecord, "STYLE")
ARX_DEFINE_CLASS(AcDbLinetypeTableRecord, AcDbSymbolTableRecord, "LTYPE")
ARX_DEFINE_CLASS(AcDbViewTableRecord, AcDbSymbolTableRecord, "VIEW")
ARX_DEFINE_CLASS(AcDbUCSTableRecord, AcDbSymbolTableRecord, "UCS")
ARX_DEFINE_CLASS(AcDbViewportTableRecord, AcDbSymbolTableRecord, "VPORT")
ARX_DEFINE_CLASS(AcDbRegAppTableRecord, AcDbSymbolTableRecord, "APPID")
ARX_DEFINE_CLASS(AcDbDimStyleTableRecord, AcDbSymbolTableRecord, "DIMSTYLE")

namespace arxhost {

namespace {
struct Kind {
    const char* dxf;
    AcRxClass* (*desc)();
};
const Kind kKinds[] = {
    {"TEXT", &AcDbText::desc},
    {"ATTRIB", &AcDbAttribute::desc},
    {"ATTDEF", &AcDbAttributeDefinition::desc},
    {"MTEXT", &AcDbMText::desc},
    {"INSERT", &AcDbBlockReference::desc},
    {"LINE", &AcDbLine::desc},
    {"POINT", &AcDbPoint::desc},
    {"CIRCLE", &AcDbCircle::desc},
    {"ARC", &AcDbArc::desc},
    {"ELLIPSE", &AcDbEllipse::desc},
    {"LWPOLYLINE", &AcDbPolyline::desc},
    {"3DFACE", &AcDbFace::desc},
    {"RAY", &AcDbRay::desc},
    {"XLINE", &AcDbXline::desc},
    {"ACAD_TABLE", &AcDbTable::desc},
    {"MULTILEADER", &AcDbMLeader::desc},
    {"MLEADER", &AcDbMLeader::desc},
    {"DIMENSION", &AcDbDimension::desc},
    {"ARC_DIMENSION", &AcDbDimension::desc},
    {"LARGE_RADIAL_DIMENSION", &AcDbDimension::desc},
    {"ACAD_PROXY_ENTITY", &AcDbProxyEntity::desc},
    {"ACAD_PROXY_OBJECT", &AcDbProxyObject::desc},
    {"DICTIONARY", &AcDbDictionary::desc},
    {"ACDBDICTIONARYWDFLT", &AcDbDictionary::desc},
    {"XRECORD", &AcDbXrecord::desc},
    {"GROUP", &AcDbGroup::desc},
    {"LAYOUT", &AcDbLayout::desc},
    {"MLINESTYLE", &AcDbMlineStyle::desc},
    {"TABLESTYLE", &AcDbTableStyle::desc},
    {"IMAGEDEF", &AcDbRasterImageDef::desc},
    {"BLOCK_RECORD", &AcDbBlockTableRecord::desc},
    {"LAYER", &AcDbLayerTableRecord::desc},
    {"STYLE", &AcDbTextStyleTableRecord::desc},
    {"LTYPE", &AcDbLinetypeTableRecord::desc},
    {"VIEW", &AcDbViewTableRecord::desc},
    {"UCS", &AcDbUCSTableRecord::desc},
    {"VPORT", &AcDbViewportTableRecord::desc},
    {"APPID", &AcDbRegAppTableRecord::desc},
    {"DIMSTYLE", &AcDbDimStyleTableRecord::desc},
};

AcRxClass* tableClass(TableKind k) {
    switch (k) {
        case TableKind::VPort: return AcDbViewportTable::desc();
        case TableKind::LType: return AcDbLinetypeTable::desc();
        case TableKind::Layer: return AcDbLayerTable::desc();
        case TableKind::Style: return AcDbTextStyleTable::desc();
        case TableKind::View: return AcDbViewTable::desc();
        case TableKind::Ucs: return AcDbUCSTable::desc();
        case TableKind::AppId: return AcDbRegAppTable::desc();
        case TableKind::DimStyle: return AcDbDimStyleTable::desc();
        case TableKind::BlockRecord: return AcDbBlockTable::desc();
        default: return AcDbObject::desc();
    }
}
}  // namespace

AcRxClass* classOfRecord(const Drawing& d, const Entry* e) {
    using namespace hostcore;
    if (e->is(flags::kTableHead)) return tableClass(e->table);
    const std::string& type = d.typeName(e);
    if (e->is(flags::kTableRecord)) {
        // A record of a known table whose type tag disagrees stays a plain record.
        for (const Kind& k : kKinds)
            if (type == k.dxf) return k.desc();
        return AcDbSymbolTableRecord::desc();
    }
    const bool entity = e->is(flags::kEntity | flags::kBlockBegin | flags::kBlockEnd);
    if (entity && type == "POLYLINE") {
        // Only the 3D kind (flag 8) is modelled; 2D polylines and meshes stay plain entities.
        const TagList t = currentTags(d, e);
        const std::string* f = tagValue(t, 70);
        return (f && (toInt(*f) & 8) != 0) ? AcDb3dPolyline::desc() : AcDbEntity::desc();
    }
    for (const Kind& k : kKinds) {
        if (type != k.dxf) continue;
        AcRxClass* c = k.desc();
        // Entity classes only for records that are entities, and the other way round.
        if (c->isDerivedFrom(AcDbEntity::desc()) == entity) return c;
        break;
    }
    // A record of a class the drawing marks as was-a-proxy (CLASSES 280 = 1) stands for an
    // object of an application that was missing when the drawing was saved.
    if (isWasAProxyType(d, type)) return entity ? AcDbProxyEntity::desc() : AcDbProxyObject::desc();
    return entity ? AcDbEntity::desc() : AcDbObject::desc();
}

AcDbObject* instantiate(const AcRxClass* c) {
    if (c == AcDbText::desc()) return new AcDbText();
    if (c == AcDbTable::desc()) return new AcDbTable();
    if (c == AcDbMLeader::desc()) return new AcDbMLeader();
    if (c == AcDbDimension::desc()) return new AcDbDimension();
    if (c == AcDbAttribute::desc()) return new AcDbAttribute();
    if (c == AcDbAttributeDefinition::desc()) return new AcDbAttributeDefinition();
    if (c == AcDbMText::desc()) return new AcDbMText();
    if (c == AcDbBlockReference::desc()) return new AcDbBlockReference();
    if (c == AcDbLine::desc()) return new AcDbLine();
    if (c == AcDb3dPolyline::desc()) return new AcDb3dPolyline();
    if (c == AcDbPoint::desc()) return new AcDbPoint();
    if (c == AcDbCircle::desc()) return new AcDbCircle();
    if (c == AcDbArc::desc()) return new AcDbArc();
    if (c == AcDbEllipse::desc()) return new AcDbEllipse();
    if (c == AcDbPolyline::desc()) return new AcDbPolyline();
    if (c == AcDbFace::desc()) return new AcDbFace();
    if (c == AcDbRay::desc()) return new AcDbRay();
    if (c == AcDbXline::desc()) return new AcDbXline();
    if (c == AcDbProxyEntity::desc()) return new AcDbProxyEntity();
    if (c == AcDbProxyObject::desc()) return new AcDbProxyObject();
    if (c == AcDbDictionary::desc()) return new AcDbDictionary();
    if (c == AcDbXrecord::desc()) return new AcDbXrecord();
    if (c == AcDbGroup::desc()) return new AcDbGroup();
    if (c == AcDbLayout::desc()) return new AcDbLayout();
    if (c == AcDbMlineStyle::desc()) return new AcDbMlineStyle();
    if (c == AcDbTableStyle::desc()) return new AcDbTableStyle();
    if (c == AcDbRasterImageDef::desc()) return new AcDbRasterImageDef();
    if (c == AcDbBlockTableRecord::desc()) return new AcDbBlockTableRecord();
    if (c == AcDbLayerTableRecord::desc()) return new AcDbLayerTableRecord();
    if (c == AcDbTextStyleTableRecord::desc()) return new AcDbTextStyleTableRecord();
    if (c == AcDbLinetypeTableRecord::desc()) return new AcDbLinetypeTableRecord();
    if (c == AcDbViewTableRecord::desc()) return new AcDbViewTableRecord();
    if (c == AcDbUCSTableRecord::desc()) return new AcDbUCSTableRecord();
    if (c == AcDbViewportTableRecord::desc()) return new AcDbViewportTableRecord();
    if (c == AcDbRegAppTableRecord::desc()) return new AcDbRegAppTableRecord();
    if (c == AcDbDimStyleTableRecord::desc()) return new AcDbDimStyleTableRecord();
    if (c == AcDbSymbolTableRecord::desc()) return new AcDbSymbolTableRecord();
    if (c == AcDbBlockTable::desc()) return new AcDbBlockTable();
    if (c == AcDbLayerTable::desc()) return new AcDbLayerTable();
    if (c == AcDbTextStyleTable::desc()) return new AcDbTextStyleTable();
    if (c == AcDbLinetypeTable::desc()) return new AcDbLinetypeTable();
    if (c == AcDbViewTable::desc()) return new AcDbViewTable();
    if (c == AcDbUCSTable::desc()) return new AcDbUCSTable();
    if (c == AcDbViewportTable::desc()) return new AcDbViewportTable();
    if (c == AcDbRegAppTable::desc()) return new AcDbRegAppTable();
    if (c == AcDbDimStyleTable::desc()) return new AcDbDimStyleTable();
    if (c == AcDbEntity::desc()) return new AcDbEntity();
    return new AcDbObject();
}

TableKind tableOfRecordClass(const AcRxClass* c) {
    if (c == AcDbBlockTableRecord::desc()) return TableKind::BlockRecord;
    if (c == AcDbLayerTableRecord::desc()) return TableKind::Layer;
    if (c == AcDbTextStyleTableRecord::desc()) return TableKind::Style;
    if (c == AcDbLinetypeTableRecord::desc()) return TableKind::LType;
    if (c == AcDbViewTableRecord::desc()) return TableKind::View;
    if (c == AcDbUCSTableRecord::desc()) return TableKind::Ucs;
    if (c == AcDbViewportTableRecord::desc()) return TableKind::VPort;
    if (c == AcDbRegAppTableRecord::desc()) return TableKind::AppId;
    if (c == AcDbDimStyleTableRecord::desc()) return TableKind::DimStyle;
    return TableKind::None;
}

const char* dxfNameOfTable(TableKind k) { return hostcore::tableTypeName(k); }

}  // namespace arxhost
