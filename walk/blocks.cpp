// The block table: each block record's own texts (name, external-reference
// path, description), then the entities it holds, each handed to the converter
// of its class and to the extended-data converter.
#include <initializer_list>
#include <set>

#include "walk/internal.h"

using namespace walkdetail;

namespace {

#ifndef ARX_NARROW
// The blocks that show tables met by the block walk. The host writes a
// table's cell texts into the multiline texts of the table's own block
// whenever a cell changes, so that block is the table's business: walking it
// as well would recode its texts a second time.
std::set<AcDbObjectId> tableBlocks;
#endif

// Anonymous blocks whose contents wait; those named like a table's block
// ("*T...") come last, after the tables that other anonymous blocks hold.
struct Deferred {
    std::vector<AcDbObjectId> first, last;
};

// The entities of one block record, opened for read and dispatched.
void walkContents(AcDbObjectId blockId, Deferred* deferred) {
    AcDbBlockTableRecord* block = nullptr;
    if (acdbOpenObject(block, blockId, AcDb::kForRead) != Acad::eOk || block == nullptr) return;
#ifndef ARX_NARROW
    // An anonymous block may be a table's: its contents wait until every
    // other block, and so every table outside anonymous blocks, was seen.
    if (deferred != nullptr && block->isAnonymous()) {
        ACHAR* name = nullptr;
        const bool tableLike = block->getName(name) == Acad::eOk && name != nullptr && name[0] == ACRX_T('*') &&
                               (name[1] == ACRX_T('T') || name[1] == ACRX_T('t'));
        acStrFree(name);
        (tableLike ? deferred->last : deferred->first).push_back(blockId);
        block->close();
        return;
    }
#else
    (void)deferred;
#endif
    AcDbBlockTableRecordIterator* it = nullptr;
    if (block->newIterator(it, true, true) != Acad::eOk || it == nullptr) {
        block->close();
        return;
    }
    for (; !it->done(); it->step(true, true)) {
        AcDbObjectId id;
        if (it->getEntityId(id) != Acad::eOk) continue;
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk || entity == nullptr) continue;
        dispatchEntity(entity, DispatchForm::Full);
    }
    delete it;
    block->close();
}

void recodeBlockOwnTexts(AcDbBlockTableRecord* block) {
    recodeAndSet([block](ACHAR*& s) { return block->getName(s); },
                 [block](const ACHAR* s) { return block->setName(s); },
                 ACRX_T("\nОшибка при переименовании блока <%s>: %s \n"));
#ifndef ARX_NARROW
    if (recodeOptions.recodeFilePaths)
        recodeAndSet([block](ACHAR*& s) { return block->pathName(s); },
                     [block](const ACHAR* s) { return block->setPathName(s); },
                     ACRX_T("\nОшибка при изменении пути к Xref-файлу <%s>: %s \n"));
#endif
    recodeAndSet([block](ACHAR*& s) { return block->comments(s); },
                 [block](const ACHAR* s) { return block->setComments(s); },
                 ACRX_T("\nОшибка при изменении описания блока <%s>: %s \n"));
}

}  // namespace

void recodeBlocks() {
    AcDbBlockTable* table = nullptr;
    if (passDatabase == nullptr || passDatabase->getSymbolTable(table, AcDb::kForRead) != Acad::eOk ||
        table == nullptr)
        return;
    AcDbSymbolTableIterator* it = nullptr;
    if (table->newIterator(it, true, true) != Acad::eOk || it == nullptr) {
        table->close();
        return;
    }
    table->close();
#ifndef ARX_NARROW
    tableBlocks.clear();
#endif
    Deferred deferred;
    for (; !it->done(); it->step(true, true)) {
        AcDbObjectId id;
        if (it->getRecordId(id) != Acad::eOk) continue;
        AcDbBlockTableRecord* block = nullptr;
        if (acdbOpenObject(block, id, AcDb::kForWrite) == Acad::eOk && block != nullptr) {
            recodeBlockOwnTexts(block);
            block->close();
        }
        walkContents(id, &deferred);
    }
    delete it;
#ifndef ARX_NARROW
    for (const std::vector<AcDbObjectId>* list : {&deferred.first, &deferred.last})
        for (const AcDbObjectId& id : *list)
            if (tableBlocks.count(id) == 0) walkContents(id, nullptr);
    tableBlocks.clear();
#endif
}

void dispatchEntity(AcDbEntity* entity, DispatchForm form) {
    enum class Converter { None, Attribute, AttributeDefinition, Text, MText, MLeader, Table, BlockReference, Dimension };
    const AcDbObjectId id = entity->objectId();
    const bool full = form == DispatchForm::Full;
    const bool texts = recodeOptions.recodeTextEntities;
    Converter c = Converter::None;
    // Attributes and attribute definitions are texts too, tables block
    // references: the most specific class is tested first.
    if (entity->isKindOf(AcDbAttribute::desc()))
        c = Converter::Attribute;
    else if (entity->isKindOf(AcDbAttributeDefinition::desc()))
        c = Converter::AttributeDefinition;
    else if (entity->isKindOf(AcDbText::desc()))
        c = Converter::Text;
    else if (entity->isKindOf(AcDbMText::desc()))
        c = Converter::MText;
    else if (full && entity->isKindOf(AcDbMLeader::desc()))
        c = Converter::MLeader;
    else if (full && entity->isKindOf(AcDbTable::desc()))
        c = Converter::Table;
    else if (full && entity->isKindOf(AcDbBlockReference::desc()))
        c = Converter::BlockReference;
    else if (entity->isKindOf(AcDbDimension::desc()))
        c = Converter::Dimension;
#ifndef ARX_NARROW
    if (c == Converter::Table) tableBlocks.insert(AcDbTable::cast(entity)->blockTableRecord());
#endif
    // An entity without extended data has none to recode: recodeXData would
    // open it for write and close it unchanged.
    const bool xdata = recodeOptions.recodeExtendedData && hasXData(entity);
    entity->close();
    switch (c) {
        case Converter::Attribute:
            if (texts) recodeAttribute(id);
            break;
        case Converter::AttributeDefinition:
            if (texts) recodeAttributeDefinition(id);
            break;
        case Converter::Text:
            if (texts) recodeText(id);
            break;
        case Converter::MText:
            if (texts) recodeMText(id);
            break;
#ifndef ARX_NARROW
        case Converter::MLeader: recodeMLeader(id); break;
        case Converter::Table: recodeTable(id); break;
#else
        // The older host's modules know neither multileaders nor tables.
        case Converter::MLeader:
        case Converter::Table: break;
#endif
        case Converter::BlockReference: recodeBlockReferenceAttributes(id); break;
        case Converter::Dimension:
            if (texts) recodeDimensionText(id);
            break;
        case Converter::None: break;
    }
    if (xdata) recodeXData(id);
}

void recodeBlockDefinition(AcDbObjectId blockId) {
    AcDbObject* object = nullptr;
    if (acdbOpenObject(object, blockId, AcDb::kForRead) != Acad::eOk || object == nullptr) {
        acutPrintf(ACRX_T("\nОшибка открытия BlockDefinition!"));
        return;
    }
    AcDbBlockTableRecord* block = AcDbBlockTableRecord::cast(object);
    if (block == nullptr) {
        acutPrintf(ACRX_T("\nОшибка открытия BlockTableRecord!"));
        object->close();
        return;
    }
    AcDbBlockTableRecordIterator* it = nullptr;
    if (block->newIterator(it, true, true) != Acad::eOk || it == nullptr) {
        block->close();
        return;
    }
    block->close();
    for (; !it->done(); it->step(true, true)) {
        AcDbObjectId id;
        if (it->getEntityId(id) != Acad::eOk) continue;
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk || entity == nullptr) continue;
        dispatchEntity(entity, DispatchForm::Short);
    }
    delete it;
}
