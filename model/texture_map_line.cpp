#include "model/texture_map_line.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>

#include "model/ascii_case.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\n';
}

std::string_view skipBlanks(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && isBlank(text[at])) {
    ++at;
  }
  return text.substr(at);
}

std::string_view firstWord(std::string_view text) {
  std::size_t length = 0;
  while (length < text.size() && !isBlank(text[length])) {
    ++length;
  }
  return text.substr(0, length);
}

// Where the words of a line are taken one at a time.
struct Words {
  std::string_view rest;

  std::string_view peek() const { return firstWord(skipBlanks(rest)); }
  void take() {
    rest = skipBlanks(rest);
    rest.remove_prefix(firstWord(rest).size());
  }
};

bool asNumber(std::string_view word, float& value) {
  const char* begin = word.data();
  const char* end = word.data() + word.size();
  if (begin < end && *begin == '+') {
    ++begin;
  }
  float f = 0.0f;
  const auto read = std::from_chars(begin, end, f);
  if (read.ec != std::errc() || read.ptr != end || begin == end || !std::isfinite(f)) {
    return false;
  }
  value = f;
  return true;
}

// Up to `most` finite numbers into `values`; how many were read.
int takeNumbers(Words& words, int most, float* values) {
  int read = 0;
  float value = 0.0f;
  while (read < most && asNumber(words.peek(), value)) {
    words.take();
    if (values != nullptr) {
      values[read] = value;
    }
    ++read;
  }
  return read;
}

// "on" or "off", taken when it is one of them.
void takeSwitch(Words& words, bool* value) {
  const std::string_view word = words.peek();
  const bool on = sameLetters(word, "on");
  if (on || sameLetters(word, "off")) {
    words.take();
    if (value != nullptr) {
      *value = on;
    }
  }
}

void takeWord(Words& words) {
  if (!words.peek().empty()) {
    words.take();
  }
}

// u and v of "-o" or "-s"; w is read and left out.
void takeUv(Words& words, float (&uv)[2]) {
  float values[3] = {uv[0], uv[1], 0.0f};
  const int read = takeNumbers(words, 3, values);
  uv[0] = read >= 1 ? values[0] : uv[0];
  uv[1] = read >= 2 ? values[1] : uv[1];
}

// Reads the option `word` names with its values; false when it names none.
bool takeOption(Words& words, std::string_view word, TextureMap& map) {
  if (sameLetters(word, "-o")) {
    takeUv(words, map.offset);
  } else if (sameLetters(word, "-s")) {
    takeUv(words, map.scale);
  } else if (sameLetters(word, "-clamp")) {
    takeSwitch(words, &map.clamp);
  } else if (sameLetters(word, "-blendu") || sameLetters(word, "-blendv") ||
             sameLetters(word, "-cc")) {
    takeSwitch(words, nullptr);
  } else if (sameLetters(word, "-bm") || sameLetters(word, "-boost") ||
             sameLetters(word, "-texres")) {
    takeNumbers(words, 1, nullptr);
  } else if (sameLetters(word, "-mm")) {
    takeNumbers(words, 2, nullptr);
  } else if (sameLetters(word, "-t")) {
    takeNumbers(words, 3, nullptr);
  } else if (sameLetters(word, "-imfchan") || sameLetters(word, "-type")) {
    takeWord(words);
  } else {
    return false;
  }
  return true;
}

std::string_view trimmedEnd(std::string_view text) {
  while (!text.empty() && isBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::string_view readTextureMapLine(std::string_view rest, TextureMap& map) {
  Words words{rest};
  for (;;) {
    const std::string_view word = words.peek();
    if (word.empty() || word[0] != '-') {
      break;
    }
    Words after = words;
    after.take();
    if (!takeOption(after, word, map)) {
      break;
    }
    words = after;
  }
  return trimmedEnd(skipBlanks(words.rest));
}
