// The proxy cleanup module: shared operations of its commands and LISP
// functions. One source for both builds; the older build (ARX_NARROW) lacks
// the outlines, the hand-over on explode, the scale-list question and
// RemoveExtents.
#pragma once

#include <cstdint>
#include <vector>

#include "host/arx.h"

namespace shardex {

// --- Locked layers and erasing (layers.cpp) -------------------------------------

// The layers a command unlocked itself, in the order it unlocked them.
using UnlockedLayers = std::vector<AcDbObjectId>;

// Unlocks every locked layer of the working drawing and lists them.
UnlockedLayers unlockAllLayers();
// Unlocks one layer unless the list already holds it; a layer that was locked
// is appended to the list.
void unlockLayerOnDemand(AcDbObjectId layerId, UnlockedLayers& unlocked);
// Locks the listed layers again.
void relockLayers(const UnlockedLayers& unlocked);

enum class Replacement { Line, Dictionary };
enum class EraseOutcome { Erased, HandedOver, NotErased };

// Erases an object open for write. When the host refuses, the object is
// replaced by a blank line or empty dictionary that is erased in its place.
// Erased: the object is still open and the caller closes it. HandedOver: the
// object is deleted (it left the drawing). NotErased: the object is closed.
EraseOutcome eraseOrHandOver(AcDbObject* object, Replacement kind);

// --- Exploding proxy entities (explode.cpp) -------------------------------------

struct ProxyCounters {
    int32_t handled = 0;   // proxies exploded, outlined or erased
    int32_t produced = 0;  // pieces and outlines made
};

// Turns the proxy entities of one block into pieces of their stored pictures
// (or outlines of their boxes) and erases them. 0, or -2 when the block or its
// entities cannot be had.
int explodeProxiesInBlock(AcDbObjectId blockId, int32_t& handled, int32_t& produced);

// One proxy entity named by the first argument into its block: 0, or -1 to -4
// as "shardexentity" answers.
int explodeProxyEntity(const resbuf* args);

void explodeAllProxyCommand();
int explodeAllProxyInBlockLisp();
int shardexEntityLisp();

// --- Removing proxies (remove.cpp) ------------------------------------------------

void removeAllProxyCommand();

// --- Removing entities outside a box (box.cpp) -------------------------------------
#ifndef ARX_NARROW
void removeExtentsCommand();
#endif

// The drawing every command works on.
AcDbDatabase* workingDatabase();

}  // namespace shardex
