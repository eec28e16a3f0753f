// The host application services: working database and release numbers.
#pragma once

#include "host/dbmain.h"
