#include "tests/support/x_connection.h"

namespace {

int xErrorCount = 0;

int recordXError(Display* /*display*/, XErrorEvent* /*event*/) {
  ++xErrorCount;
  return 0;
}

}  // namespace

Display* testDisplay() {
  static Display* connection = XOpenDisplay(nullptr);
  return connection;
}

XErrorTrap::XErrorTrap(Display* display) : connection_(display) {
  XSync(connection_, False);
  countBefore_ = xErrorCount;
  previous_ = XSetErrorHandler(recordXError);
}

XErrorTrap::~XErrorTrap() {
  XSync(connection_, False);
  XSetErrorHandler(previous_);
}

bool XErrorTrap::failed() {
  XSync(connection_, False);
  return xErrorCount != countBefore_;
}
