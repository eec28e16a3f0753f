// The whole of the host's programming interface in one include, as plug-in code
// commonly starts: database, editor services, registration, documents.
#pragma once

#include "host/acdocman.h"
#include "host/aced.h"
#include "host/arx.h"
#include "host/rxregsvc.h"
