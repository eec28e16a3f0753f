// Named objects kept in dictionaries (groups, layouts, table styles, multiline
// styles), the drawing properties and the raster images' names and paths.
#include <utility>

#include "walk/internal.h"

using namespace walkdetail;

namespace {

using DictionaryGetter = Acad::ErrorStatus (AcDbDatabase::*)(AcDbDictionary*&, AcDb::OpenMode);

// The ids of all entries of one of the database's dictionaries, in the
// iterator's order, with the dictionary closed again. False (after the
// member's message) when the dictionary or its iterator is not to be had.
bool collectEntries(DictionaryGetter getter, const ACHAR* openFailed, const ACHAR* iteratorFailed,
                    std::vector<AcDbObjectId>& ids) {
    AcDbDictionary* dict = nullptr;
    if (passDatabase == nullptr || (passDatabase->*getter)(dict, AcDb::kForRead) != Acad::eOk || dict == nullptr) {
        acutPrintf(openFailed);
        return false;
    }
    AcDbDictionaryIterator* it = dict->newIterator();
    if (it == nullptr) {
        acutPrintf(iteratorFailed);
        dict->close();
        return false;
    }
    for (; !it->done(); it->next()) ids.push_back(it->objectId());
    delete it;
    dict->close();
    return true;
}

// A field of a group, which is open for read: switched to write only for the
// moment of a change.
template <class Set>
void recodeGroupField(AcDbGroup* group, ACHAR* text, Set&& set, const ACHAR* message) {
    if (text == nullptr) return;
    ACHAR* copy = recodedCopy(text);
    if (copy != nullptr && !sameText(copy, text) && group->upgradeOpen() == Acad::eOk) {
        const Acad::ErrorStatus es = set(static_cast<const ACHAR*>(copy));
        if (es != Acad::eOk) acutPrintf(message, text, acadErrorStatusText(es));
        group->downgradeOpen();
    }
    acStrFree(copy);
    acStrFree(text);
}

}  // namespace

void recodeGroups() {
    std::vector<AcDbObjectId> ids;
    if (!collectEntries(&AcDbDatabase::getGroupDictionary, ACRX_T("\nОшибка открытия таблицы групп!"),
                        ACRX_T("\nОшибка создания итератора таблицы групп!"), ids))
        return;
    for (const AcDbObjectId& id : ids) {
        AcDbGroup* group = nullptr;
        if (acdbOpenObject(group, id, AcDb::kForRead) != Acad::eOk || group == nullptr) continue;
        recodeGroupField(group, group->description(), [group](const ACHAR* s) { return group->setDescription(s); },
                         ACRX_T("\nОшибка при изменении описания группы <%s>: %s \n"));
        ACHAR* name = nullptr;
        if (group->getName(name) != Acad::eOk) {
            acStrFree(name);
            name = nullptr;
        }
        recodeGroupField(group, name, [group](const ACHAR* s) { return group->setName(s); },
                         ACRX_T("\nОшибка при переименовании группы <%s>: %s \n"));
        group->close();
    }
}

void recodeLayouts() {
    AcDbLayoutManager* manager = acdbHostApplicationServices()->layoutManager();
    std::vector<AcDbObjectId> ids;
    if (!collectEntries(&AcDbDatabase::getLayoutDictionary, ACRX_T("\nОшибка открытия таблицы форматов!"),
                        ACRX_T("\nОшибка создания итератора таблицы форматов!"), ids))
        return;
    for (const AcDbObjectId& id : ids) {
        AcDbLayout* layout = nullptr;
        if (acdbOpenObject(layout, id, AcDb::kForWrite) != Acad::eOk || layout == nullptr) continue;
        // Layout names report no failures.
        recodeAndSet([layout](ACHAR*& s) { return layout->getLayoutName(s); },
                     [layout](const ACHAR* s) { return layout->setLayoutName(s); }, nullptr);
        layout->close();
    }
    // The editor's layout tabs show the layouts' names: they are redrawn once.
    if (manager != nullptr) manager->updateLayoutTabs();
}

void recodeTableStyles() {
    std::vector<AcDbObjectId> ids;
    if (!collectEntries(&AcDbDatabase::getTableStyleDictionary, ACRX_T("\nОшибка открытия таблицы стилей таблиц!"),
                        ACRX_T("\nОшибка создания итератора таблицы стилей таблиц!"), ids))
        return;
    for (const AcDbObjectId& id : ids) {
        AcDbTableStyle* style = nullptr;
        if (acdbOpenObject(style, id, AcDb::kForWrite) != Acad::eOk || style == nullptr) continue;
        recodeAndSet(
            [style](ACHAR*& s) {
                s = style->description();
                return Acad::eOk;
            },
            [style](const ACHAR* s) { return style->setDescription(s); },
            ACRX_T("\nОшибка при изменении описания стиля таблицы <%s>: %s \n"));
        recodeAndSet([style](ACHAR*& s) { return style->getName(s); },
                     [style](const ACHAR* s) { return style->setName(s); },
                     ACRX_T("\nОшибка при переименовании стиля таблиц <%s>: %s \n"));
        style->close();
    }
    if (passIsWorkingDatabase()) {
        passDatabase->setTablestyle(passDatabase->tablestyle());
        rewriteSystemVariable(ACRX_T("CTABLESTYLE"));
    }
}

namespace {

// A multiline style's name is its own and its key in the style dictionary;
// the key changes first, and the name only when the key did.
void renameMlineStyle(AcDbMlineStyle* style) {
    ACHAR* old = style->name();
    if (old == nullptr) return;
    ACHAR* text = recodedCopy(old);
    if (text != nullptr && !sameText(text, old)) {
        AcDbDictionary* dict = nullptr;
        if (passDatabase->getMLStyleDictionary(dict, AcDb::kForWrite) == Acad::eOk && dict != nullptr) {
            if (!dict->setName(old, text)) {
                acutPrintf(ACRX_T("\nОшибка при переименовании стиля мультилиний <%s>: \n"), old);
                dict->close();
            } else {
                dict->close();
                const Acad::ErrorStatus es = style->setName(text);
                if (es != Acad::eOk)
                    acutPrintf(ACRX_T("\nОшибка при переименовании стиля мультилиний <%s>: %s \n"), old,
                               acadErrorStatusText(es));
            }
        }
    }
    acStrFree(text);
    acStrFree(old);
}

}  // namespace

void recodeMlineStyles() {
    std::vector<AcDbObjectId> ids;
    if (!collectEntries(&AcDbDatabase::getMLStyleDictionary, ACRX_T("\nОшибка открытия таблицы стилей мультилиний!"),
                        ACRX_T("\nОшибка создания итератора таблицы стилей мультилиний!"), ids))
        return;
    for (const AcDbObjectId& id : ids) {
        AcDbMlineStyle* style = nullptr;
        if (acdbOpenObject(style, id, AcDb::kForWrite) != Acad::eOk || style == nullptr) continue;
        renameMlineStyle(style);
        recodeAndSet(
            [style](ACHAR*& s) {
                s = style->description();
                return Acad::eOk;
            },
            [style](const ACHAR* s) { return style->setDescription(s); },
            ACRX_T("\nОшибка при изменении описания стиля мультилиний <%s>: %s \n"));
        style->close();
    }
    if (passIsWorkingDatabase()) passDatabase->setCmlstyleID(passDatabase->cmlstyleID());
}

namespace {

using SummaryGet = Acad::ErrorStatus (AcDbDatabaseSummaryInfo::*)(ACHAR*&) const;
using SummarySet = Acad::ErrorStatus (AcDbDatabaseSummaryInfo::*)(const ACHAR*);

void recodeSummaryField(AcDbDatabaseSummaryInfo* info, SummaryGet get, SummarySet set) {
    recodeAndSet([info, get](ACHAR*& s) { return (info->*get)(s); },
                 [info, set](const ACHAR* s) { return (info->*set)(s); }, nullptr);
}

struct CustomProperty {
    ACHAR* key = nullptr;
    ACHAR* value = nullptr;
    bool read = false;
};

}  // namespace

void recodeSummaryInfo() {
    AcDbDatabaseSummaryInfo* info = nullptr;
    if (passDatabase == nullptr || acdbGetSummaryInfo(passDatabase, info) != Acad::eOk || info == nullptr) return;
    using S = AcDbDatabaseSummaryInfo;
    recodeSummaryField(info, &S::getTitle, &S::setTitle);
    recodeSummaryField(info, &S::getSubject, &S::setSubject);
    recodeSummaryField(info, &S::getAuthor, &S::setAuthor);
    recodeSummaryField(info, &S::getKeywords, &S::setKeywords);
    recodeSummaryField(info, &S::getComments, &S::setComments);
    recodeSummaryField(info, &S::getRevisionNumber, &S::setRevisionNumber);

    const int n = info->numCustomInfo();
    std::vector<CustomProperty> custom(static_cast<std::size_t>(n > 0 ? n : 0));
    bool allRead = true;
    for (int i = 0; i < n; ++i) {
        CustomProperty& p = custom[static_cast<std::size_t>(i)];
        p.read = info->getCustomSummaryInfo(i, p.key, p.value) == Acad::eOk && p.key != nullptr && p.value != nullptr;
        allRead = allRead && p.read;
    }
    if (allRead) {
        // Removed and added back, recoded, in their order.
        for (int i = 0; i < n; ++i) info->deleteCustomSummaryInfo(0);
        acdbPutSummaryInfo(info);
        for (CustomProperty& p : custom) {
            ACHAR* key = recodedCopy(p.key);
            ACHAR* value = recodedCopy(p.value);
            info->addCustomSummaryInfo(key, value);
            acStrFree(key);
            acStrFree(value);
        }
    } else {
        // A property that cannot be read could not be added back: nothing is
        // removed, and the readable ones are recoded where they stand, so that
        // none is lost and the order stays.
        acdbPutSummaryInfo(info);
        for (int i = 0; i < n; ++i) {
            CustomProperty& p = custom[static_cast<std::size_t>(i)];
            if (!p.read) continue;
            ACHAR* key = recodedCopy(p.key);
            ACHAR* value = recodedCopy(p.value);
            if (!sameText(key, p.key) || !sameText(value, p.value)) info->setCustomSummaryInfo(i, key, value);
            acStrFree(key);
            acStrFree(value);
        }
    }
    acdbPutSummaryInfo(info);
    for (CustomProperty& p : custom) {
        acStrFree(p.key);
        acStrFree(p.value);
    }
    delete info;
}

#ifndef ARX_NARROW
void recodeRasterPaths() {
    if (passDatabase == nullptr) return;
    const AcDbObjectId dictId = AcDbRasterImageDef::imageDictionary(passDatabase);
    if (dictId.isNull()) return;
    AcDbDictionary* dict = nullptr;
    if (acdbOpenObject(dict, dictId, AcDb::kForWrite) != Acad::eOk || dict == nullptr) return;
    std::vector<std::pair<ACHAR*, AcDbObjectId>> entries;
    if (AcDbDictionaryIterator* it = dict->newIterator()) {
        for (; !it->done(); it->next()) entries.emplace_back(acStrDup(it->name()), it->objectId());
        delete it;
    }
    // All names and ids are taken before any entry is renamed. A rename that
    // fails (the name is taken) leaves the entry as it was.
    for (auto& entry : entries) {
        ACHAR* name = recodedCopy(entry.first);
        if (name != nullptr && !sameText(name, entry.first)) dict->setName(entry.first, name);
        acStrFree(name);
    }
    for (auto& entry : entries) {
        AcDbRasterImageDef* def = nullptr;
        if (acdbOpenObject(def, entry.second, AcDb::kForWrite) != Acad::eOk || def == nullptr) continue;
        ACHAR* path = def->sourceFileName();
        ACHAR* text = recodedCopy(path);
        if (path != nullptr && text != nullptr && !sameText(text, path)) {
            const Acad::ErrorStatus es = def->setSourceFileName(text);
            if (es != Acad::eOk)
                acutPrintf(ACRX_T("\nОшибка при изменении пути к файлу растра <%s>: %s \n"), text,
                           acadErrorStatusText(es));
            // The image is loaded again from its (new) file, as the editor shows it.
            def->load();
        }
        acStrFree(text);
        acStrFree(path);
        def->close();
    }
    for (auto& entry : entries) acStrFree(entry.first);
    dict->close();
}
#endif
