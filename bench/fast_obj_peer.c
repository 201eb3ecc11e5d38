// fast_obj's reader, compiled here from its single header with the benchmark's optimisation.
#define FAST_OBJ_IMPLEMENTATION
#include <fast_obj.h>
