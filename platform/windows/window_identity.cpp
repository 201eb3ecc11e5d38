// Windows takes a window's icon from the program file's resources and groups taskbar buttons by
// program file: nothing to set on the window itself.
#include "platform/window_identity.h"

void setWindowIdentity() {}
