// Result buffers: the linked lists of typed values in which extended data,
// xrecord data and values of the editor's input functions travel.
#pragma once

#include <cstdint>

#include "host/acdb.h"
#include "host/arxexport.h"

// Result and value type codes.
#define RTNONE 5000
#define RTREAL 5001
#define RTPOINT 5002
#define RTSHORT 5003
#define RTANG 5004
#define RTSTR 5005
#define RTENAME 5006
#define RTPICKS 5007
#define RTORINT 5008
#define RT3DPOINT 5009
#define RTLONG 5010
#define RTVOID 5014
#define RTLB 5016
#define RTLE 5017
#define RTDOTE 5018
#define RTNIL 5019
#define RTDXF0 5020
#define RTT 5021
#define RTRESBUF 5023
#define RTINT64 5031
#define RTNORM 5100
#define RTERROR (-5001)
#define RTCAN (-5002)
#define RTREJ (-5003)
#define RTFAIL (-5004)
#define RTKWORD (-5005)

// An entity name: the handle of the object in [0], 0 in [1].
typedef int64_t ads_name[2];

struct ads_binary {
    short clen;
    char* buf;  // made with acStrAllocA, released by acutRelRb
};

union ads_u_val {
    double rreal;
    double rpoint[3];
    short rint;
    ACHAR* rstring;  // made with acStrAlloc / acutNewString, released by acutRelRb
    int64_t rlname[2];
    int32_t rlong;
    int64_t mnLong;
    ads_binary rbinary;
    unsigned char ihandle[8];
};

struct resbuf {
    resbuf* rbnext;
    short restype;
    ads_u_val resval;
};

// A zeroed result buffer of the given type (a type code or a group code).
ARXHOST_API resbuf* acutNewRb(int type);
// Releases a whole chain with the strings and binary chunks it holds. Returns RTNORM.
ARXHOST_API int acutRelRb(resbuf* chain);
// Heap copy of a string (null gives null), and its release (the pointer is set to null).
ARXHOST_API ACHAR* acutNewString(const ACHAR* s);
ARXHOST_API void acutDelString(ACHAR*& s);
// What kind of value a group code carries. Text codes give AcDb::kDwgText.
ARXHOST_API AcDb::DwgDataType acdbGroupCodeToType(int code);
