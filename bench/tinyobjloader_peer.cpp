// tinyobjloader's reader, compiled here from its header with the benchmark's optimisation rather
// than taken from Debian's library, so that it is built as the whole reading is.
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>
