#include "platform/display_scale.h"

int systemDpi() {
  return kReferenceDpi;
}
