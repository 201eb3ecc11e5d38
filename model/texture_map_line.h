// The rest of an MTL "map_Kd" or "map_d" line: options, then the image's name.
//
// readTextureMapLine reads the options before the name into `map` and gives the name: the rest of
// the line after them, spaces included, blanks around it left out; empty when there is none.
// Options are matched without regard to case, each with the values it takes:
//   -o u [v [w]]  the offset of texture coordinates, -s u [v [w]] their scale, honoured (u and v);
//   -clamp on|off honoured; -blendu, -blendv, -cc on|off; -bm, -boost, -texres one number; -mm two
//   numbers; -t one to three numbers; -imfchan a letter; -type a word; all read and left out.
// A value is a whole word: "1.png" is a name, not a number. An option whose values are missing or
// wrong keeps what it had and takes only the words that fit, so a line such as "-s wood.png"
// still names wood.png. A word that starts with '-' and is no option starts the name.
#pragma once

#include <string_view>

#include "model/obj_model.h"

std::string_view readTextureMapLine(std::string_view rest, TextureMap& map);
