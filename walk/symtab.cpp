// The names of the records of the eight symbol tables (the block table is the
// block walk's), linetype descriptions, and the layers' extended data and the
// layer table's extension dictionary.
#include "walk/internal.h"

using namespace walkdetail;

namespace {

struct TableMessages {
    const ACHAR* openFailed;
    const ACHAR* iteratorFailed;
    const ACHAR* renameFailed;
};

// The name of a record, with the record's set-failure message.
void recodeRecordName(AcDbSymbolTableRecord* rec, const ACHAR* message, bool setAlways = false) {
    recodeAndSet([rec](ACHAR*& s) { return rec->getName(s); }, [rec](const ACHAR* s) { return rec->setName(s); },
                 message, setAlways);
}

// The walk common to the eight tables: open the table, make an iterator, close
// the table, and for each record open it for write, let `fields` recode it and
// close it; `afterClose` gets the id of each record that was opened. Returns
// false when the table or its iterator could not be had (the after-walk step
// is then skipped). `beforeRecords` runs with the table open, before the
// iterator is made.
template <class Table, class Record, class Fields, class AfterClose, class Before>
bool walkTable(const TableMessages& m, Fields&& fields, AfterClose&& afterClose, Before&& beforeRecords) {
    Table* table = nullptr;
    if (passDatabase == nullptr || passDatabase->getSymbolTable(table, AcDb::kForRead) != Acad::eOk ||
        table == nullptr) {
        acutPrintf(m.openFailed);
        return false;
    }
    beforeRecords(static_cast<AcDbObject*>(table));
    AcDbSymbolTableIterator* it = nullptr;
    if (table->newIterator(it, true, true) != Acad::eOk || it == nullptr) {
        acutPrintf(m.iteratorFailed);
        table->close();
        return false;
    }
    table->close();
    for (; !it->done(); it->step(true, true)) {
        AcDbObjectId id;
        if (it->getRecordId(id) != Acad::eOk) continue;
        Record* rec = nullptr;
        if (acdbOpenObject(rec, id, AcDb::kForWrite) != Acad::eOk || rec == nullptr) continue;
        fields(rec);
        const AcDbObjectId opened = rec->objectId();
        rec->close();
        afterClose(opened);
    }
    delete it;
    return true;
}

// A table whose records have only their names recoded.
template <class Table, class Record>
bool walkNames(const TableMessages& m, bool setAlways = false) {
    return walkTable<Table, Record>(
        m, [&m, setAlways](Record* rec) { recodeRecordName(rec, m.renameFailed, setAlways); },
        [](AcDbObjectId) {}, [](AcDbObject*) {});
}

}  // namespace

void recodeLinetypeNames() {
    const TableMessages m{ACRX_T("\nОшибка открытия таблицы типов линий!"),
                          ACRX_T("\nОшибка создания итератора таблицы типов линий!"),
                          ACRX_T("\nОшибка при переименовании типа линии <%s>: %s \n")};
    const bool walked = walkTable<AcDbLinetypeTable, AcDbLinetypeTableRecord>(
        m,
        [&m](AcDbLinetypeTableRecord* rec) {
            recodeRecordName(rec, m.renameFailed);
            recodeAndSet([rec](ACHAR*& s) { return rec->comments(s); },
                         [rec](const ACHAR* s) { return rec->setComments(s); },
                         ACRX_T("\nОшибка при изменении описания типа линии <%s>: %s \n"));
        },
        [](AcDbObjectId) {}, [](AcDbObject*) {});
    if (walked && passIsWorkingDatabase()) passDatabase->setCeltype(passDatabase->celtype());
}

void recodeLayerNames() {
    const TableMessages m{ACRX_T("\nОшибка открытия таблицы слоев!"),
                          ACRX_T("\nОшибка создания итератора таблицы слоев!"),
                          ACRX_T("\nОшибка при переименовании слоя <%s>: %s \n")};
    const bool walked = walkTable<AcDbLayerTable, AcDbLayerTableRecord>(
        m, [&m](AcDbLayerTableRecord* rec) { recodeRecordName(rec, m.renameFailed); },
        // Every layer record that was opened, whatever recodeExtendedData says.
        [](AcDbObjectId id) { recodeXData(id); },
        // The keys below the table's extension dictionary change before any layer name.
        [](AcDbObject* table) { recodeDictionaryTree(table->extensionDictionary()); });
    if (walked && passIsWorkingDatabase()) passDatabase->setClayer(passDatabase->clayer());
}

void recodeUcsNames() {
    walkNames<AcDbUCSTable, AcDbUCSTableRecord>({ACRX_T("\nОшибка открытия таблицы ПСК!"),
                                                 ACRX_T("\nОшибка создания итератора таблицы ПСК!"),
                                                 ACRX_T("\nОшибка при переименовании ПСК <%s>: %s \n")});
}

void recodeRegAppNames() {
    // Every name that was read is set again, changed or not.
    walkNames<AcDbRegAppTable, AcDbRegAppTableRecord>(
        {ACRX_T("\nОшибка открытия таблицы приложений!"), ACRX_T("\nОшибка создания итератора таблицы приложений!"),
         ACRX_T("\nОшибка при изменении имени приложения <%s>: %s \n")},
        true);
}

void recodeTextStyleNames() {
    const bool walked = walkNames<AcDbTextStyleTable, AcDbTextStyleTableRecord>(
        {ACRX_T("\nОшибка открытия таблицы текстовых стилей!"),
         ACRX_T("\nОшибка создания итератора таблицы текстовых стилей!"),
         ACRX_T("\nОшибка при переименовании текстового стиля <%s>: %s \n")});
    if (walked && passIsWorkingDatabase()) {
        passDatabase->setTextstyle(passDatabase->textstyle());
        rewriteSystemVariable(ACRX_T("TEXTSTYLE"));
    }
}

void recodeDimStyleNames() {
    const bool walked = walkNames<AcDbDimStyleTable, AcDbDimStyleTableRecord>(
        {ACRX_T("\nОшибка открытия таблицы размерных стилей!"),
         ACRX_T("\nОшибка создания итератора таблицы размерных стилей!"),
         ACRX_T("\nОшибка при переименовании размерного стиля <%s>: %s \n")});
    if (walked && passIsWorkingDatabase()) passDatabase->setDimstyle(passDatabase->dimstyle());
}

void recodeViewNames() {
    walkNames<AcDbViewTable, AcDbViewTableRecord>({ACRX_T("\nОшибка открытия таблицы видов!"),
                                                   ACRX_T("\nОшибка создания итератора таблицы видов!"),
                                                   ACRX_T("\nОшибка при переименовании вида <%s>: %s \n")});
}

void recodeViewportNames() {
    walkNames<AcDbViewportTable, AcDbViewportTableRecord>(
        {ACRX_T("\nОшибка открытия таблицы видовых экранов!"),
         ACRX_T("\nОшибка создания итератора таблицы видовых экранов!"),
         ACRX_T("\nОшибка при переименовании видового экрана <%s>: %s \n")});
}
