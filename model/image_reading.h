// Decoding a model's images on worker threads while its geometry is read, so that a large image
// does not make the model wait.
//
// requestImage asks for the image at `path`, for `use`, and gives its number among the requests:
// a path asked for the same use again gets the number it got before, so that materials naming one
// image share one decoded copy. `name` is how the file that named it spelled it, for messages.
// The first request starts the workers: one a core, since decoding takes longer than reading the
// geometry beside it, at least one and at
// most kMaxImageWorkers. finishImages waits for every request, decoding what is left on the
// calling thread too, and gives the images in the order of their numbers; one that is missing,
// too large or does not decode is empty (no pixels), as is one whose decoding ran out of memory.
// An ImageReading that goes without finishImages (a reading that failed) stops its workers after
// the image each is decoding.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "model/image.h"

inline constexpr unsigned kMaxImageWorkers = 4;

struct ImageRequest {
  std::string path;
  std::string name;
  ImageUse use;
  Image image;
};

struct ImageReading {
  ImageReading() = default;
  ImageReading(const ImageReading&) = delete;
  ImageReading& operator=(const ImageReading&) = delete;
  ~ImageReading();

  std::mutex mutex;
  std::condition_variable wake;
  std::deque<ImageRequest> requests;  // a worker's request stays put while more are added
  std::unordered_map<std::string, int32_t> numbers;  // by use and path
  std::size_t next = 0;                              // the first request no thread has taken
  bool closing = false;
  std::vector<std::thread> workers;
};

int32_t requestImage(ImageReading& reading, const std::string& path, const std::string& name,
                     ImageUse use);
std::deque<ImageRequest> finishImages(ImageReading& reading);
