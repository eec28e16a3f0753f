// The host's programming interface, as modules include it.
#pragma once

#include "host/acadstrc.h"
#include "host/acdb.h"
#include "host/dbcolor.h"
#include "host/dbdict.h"
#include "host/dbents.h"
#include "host/dbid.h"
#include "host/dbmain.h"
#include "host/dbobjs.h"
#include "host/dbmleader.h"
#include "host/dbsymtb.h"
#include "host/dbtable.h"
#include "host/resbuf.h"
#include "host/rxclass.h"
#include "host/scalelist.h"
#include "host/summinfo.h"
#include "platform/heap.h"
