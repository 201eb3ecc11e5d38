#include "platform/open_file_dialog.h"

std::optional<std::string> chooseObjFile() { return std::nullopt; }
