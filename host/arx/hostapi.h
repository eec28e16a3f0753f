// What arxhost exports to the host's own libraries (the editor services) beyond the module
// interface: not seen by modules, since this folder is not on their include path. The editor
// reaches the drawing through the module interface and, where it needs more than a module may
// see (a record's tags as read, header variables by name, the consistency check), through the
// calls here, which speak of object ids and UTF-8 text, never of the core's own types.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/dbid.h"
#include "platform/achar.h"

#define ARXHOST_INTERNAL __attribute__((visibility("default")))

class AcDbDatabase;

namespace arxhost {

using HostString = std::basic_string<ACHAR>;

// The one conversion between host strings and the core's UTF-8, for the database and the
// editor alike. A host string in UTF-8: the narrow build reads bytes of the ANSI code page.
ARXHOST_INTERNAL std::string toUtf8(const ACHAR* s);
ARXHOST_INTERNAL std::string toUtf8(std::basic_string_view<ACHAR> s);
// UTF-8 as a host string; in the narrow build a character the ANSI code page lacks (and a lone
// surrogate, which stands for a byte of a file that did not decode) becomes the text "\U+XXXX",
// never a best-fit stand-in.
ARXHOST_INTERNAL HostString toHostString(std::string_view utf8);

// The drawing's rule for names that are the same: letters of every script folded to one case
// (Latin letters upper case), so that "Слой" and "СЛОЙ" name one layer.
ARXHOST_INTERNAL std::string foldedName(std::string_view utf8);

// A real number as the drawing file writes it: the shortest digits that read back the same,
// "5.0" rather than "5".
ARXHOST_INTERNAL std::string realText(double v);

// --- records, read as the file holds them ----------------------------------------------------

// One group of a record in UTF-8. A tag that names another record by name (a layer in code 8)
// holds that record's current name.
struct RecordTag {
    int code = 0;
    std::string value;
};
using RecordTags = std::vector<RecordTag>;

// The record's type ("LINE"), empty for an id that names nothing.
ARXHOST_INTERNAL std::string recordType(AcDbObjectId id);
// The record's tags, whether it is open or not (an open object's tags as last written back).
ARXHOST_INTERNAL RecordTags recordTags(AcDbObjectId id);
// Sets the value of the first tag with `code` among the record's own data. False when the
// record is missing, erased, open in a module, or has no such tag.
ARXHOST_INTERNAL bool setRecordValue(AcDbObjectId id, int code, std::string_view utf8);

// An entity that is drawn: not erased, not the BLOCK or ENDBLK that frames a block.
ARXHOST_INTERNAL bool isLiveEntity(AcDbObjectId id);
// The block table record an entity lies in (through its parent for an attribute or a vertex).
ARXHOST_INTERNAL AcDbObjectId spaceOf(AcDbObjectId entity);
// The live entities of a block table record in drawing order, and the live attributes,
// vertices and end marker an entity owns.
ARXHOST_INTERNAL std::vector<AcDbObjectId> blockEntities(AcDbObjectId blockRecord);
ARXHOST_INTERNAL std::vector<AcDbObjectId> subEntities(AcDbObjectId entity);
// The layouts' blocks (model space and the paper spaces) in table order, and the name of a
// symbol table record; neither opens a record, so both answer while a module holds the block
// table or a record open for write.
ARXHOST_INTERNAL std::vector<AcDbObjectId> layoutBlocks(AcDbDatabase* db);
ARXHOST_INTERNAL std::string recordName(AcDbObjectId record);

// --- header variables -------------------------------------------------------------------------

// The value tags of a header variable ("$UCSORG"); false when the drawing lacks it.
ARXHOST_INTERNAL bool headerTags(AcDbDatabase* db, std::string_view name, RecordTags& tags);
// Gives the variable these value tags (a variable the drawing lacks is added). Setting the value
// the file holds makes the variable the file's again, so that the drawing is written as read.
ARXHOST_INTERNAL bool setHeaderTags(AcDbDatabase* db, std::string_view name, const RecordTags& tags);

// --- the consistency check ----------------------------------------------------------------------

// Checks the drawing (and with `fix` mends what it can), handing each line of the report to
// `report` ("\n"-led, as the command line prints).
ARXHOST_INTERNAL void auditDatabase(AcDbDatabase* db, bool fix, const std::function<void(const std::string&)>& report);

}  // namespace arxhost
