#include "tests/support/c_locale.h"

#include <stdexcept>

locale_t cLocaleObject() {
  static const locale_t object = [] {
    const locale_t created = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (created == static_cast<locale_t>(nullptr)) {
      throw std::runtime_error("cannot create the C locale object");
    }
    return created;
  }();
  return object;
}
