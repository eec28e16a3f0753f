// A module source that reaches past the public interface: the source check must reject it.
#include "host/core/drawing.h"
