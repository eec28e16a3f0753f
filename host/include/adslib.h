// Editor input, output and LISP services with their result buffers.
#pragma once

#include "host/aced.h"
#include "host/resbuf.h"
