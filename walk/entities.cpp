// Converters of the text-bearing entities: each opens its entity, recodes its
// strings, writes back only what changed and closes it. They print nothing.
#include "walk/internal.h"

using namespace walkdetail;

void recodeText(AcDbObjectId id) {
    AcDbText* text = nullptr;
    if (openAs(text, id, AcDb::kForWrite) != Acad::eOk || text == nullptr) return;
    recodeProperty(text->textString(), [text](const ACHAR* s) { text->setTextString(s); });
    text->close();
}

void recodeMText(AcDbObjectId id) {
    AcDbMText* mtext = nullptr;
    if (openAs(mtext, id, AcDb::kForWrite) != Acad::eOk || mtext == nullptr) return;
    recodeProperty(mtext->contents(), [mtext](const ACHAR* s) { mtext->setContents(s); });
    mtext->close();
}

void recodeAttribute(AcDbObjectId id) {
    AcDbAttribute* attribute = nullptr;
    if (openAs(attribute, id, AcDb::kForWrite) != Acad::eOk || attribute == nullptr) return;
    recodeProperty(attribute->textString(), [attribute](const ACHAR* s) { attribute->setTextString(s); });
    recodeProperty(attribute->tag(), [attribute](const ACHAR* s) { attribute->setTag(s); });
    attribute->close();
}

void recodeAttributeDefinition(AcDbObjectId id) {
    AcDbAttributeDefinition* definition = nullptr;
    if (openAs(definition, id, AcDb::kForWrite) != Acad::eOk || definition == nullptr) return;
    recodeProperty(definition->textString(), [definition](const ACHAR* s) { definition->setTextString(s); });
    recodeProperty(definition->tag(), [definition](const ACHAR* s) { definition->setTag(s); });
    recodeProperty(definition->prompt(), [definition](const ACHAR* s) { definition->setPrompt(s); });
    definition->close();
}

#ifndef ARX_NARROW
void recodeMLeader(AcDbObjectId id) {
    AcDbMLeader* leader = nullptr;
    if (openAs(leader, id, AcDb::kForWrite) != Acad::eOk || leader == nullptr) return;
    if (leader->contentType() == AcDbMLeaderStyle::kMTextContent) {
        if (AcDbMText* text = leader->mtext()) {
            recodeProperty(text->contents(), [text](const ACHAR* s) { text->setContents(s); });
            // Handed back whether or not it changed.
            leader->setMText(text);
            delete text;
        }
    }
    leader->close();
}

void recodeTable(AcDbObjectId id) {
    AcDbTable* table = nullptr;
    if (openAs(table, id, AcDb::kForWrite) != Acad::eOk || table == nullptr) return;
    const int rows = table->numRows();
    const int columns = table->numColumns();
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (table->cellType(row, column) != AcDb::kTextCell) continue;
            for (int k = 0; k < table->numContents(row, column); ++k) {
                AcValue value = table->value(row, column, k);
                if (value.dataType() != AcValue::kString) continue;
                const ACHAR* text = value;
                if (text == nullptr) continue;
                ACHAR* copy = recodedCopy(text);
                if (copy != nullptr && !sameText(copy, text)) {
                    value = static_cast<const ACHAR*>(copy);
                    table->setValue(row, column, k, value);
                }
                acStrFree(copy);
            }
        }
    }
    table->close();
}
#endif

void recodeBlockReferenceAttributes(AcDbObjectId id) {
    AcDbBlockReference* reference = nullptr;
    if (openAs(reference, id, AcDb::kForRead) != Acad::eOk || reference == nullptr) return;
    AcDbObjectIterator* it = reference->attributeIterator();
    reference->close();
    if (it == nullptr) return;
    for (; !it->done(); it->step(false, true)) {
        const AcDbObjectId attributeId = it->objectId();
        AcDbAttribute* attribute = nullptr;
        if (openAs(attribute, attributeId, AcDb::kForRead) != Acad::eOk || attribute == nullptr) continue;
        const bool isAttribute = attribute->isKindOf(AcDbAttribute::desc());
        const bool xdata = recodeOptions.recodeExtendedData && hasXData(attribute);
        attribute->close();
        if (isAttribute && recodeOptions.recodeTextEntities) recodeAttribute(attributeId);
        if (xdata) recodeXData(attributeId);
    }
    delete it;
}

void recodeDimensionText(AcDbObjectId id) {
    AcDbDimension* dimension = nullptr;
    if (openAs(dimension, id, AcDb::kForWrite) != Acad::eOk || dimension == nullptr) return;
    recodeProperty(dimension->dimensionText(), [dimension](const ACHAR* s) { dimension->setDimensionText(s); });
    dimension->close();
}
