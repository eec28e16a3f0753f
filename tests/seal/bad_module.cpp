// Compiled with a module's include path: an internal header of the host must not
// be found. SEAL_PROBE names the header tried.
#include SEAL_PROBE

int probe() { return 0; }
