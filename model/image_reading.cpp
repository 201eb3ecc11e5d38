#include "model/image_reading.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

namespace {

void decode(ImageRequest& request) {
  try {
    if (!readImage(request.path, request.use, request.image)) {
      request.image = Image();
    }
  } catch (const std::bad_alloc&) {
    request.image = Image();
  }
}

// The next request no thread has taken, or null when there is none; `lock` holds the mutex.
ImageRequest* takeRequest(ImageReading& reading) {
  return reading.next < reading.requests.size() ? &reading.requests[reading.next++] : nullptr;
}

void work(ImageReading& reading) {
  for (;;) {
    std::unique_lock lock(reading.mutex);
    reading.wake.wait(lock,
                      [&] { return reading.closing || reading.next < reading.requests.size(); });
    if (reading.closing) {
      return;
    }
    ImageRequest* request = takeRequest(reading);
    lock.unlock();
    decode(*request);
  }
}

void startWorkers(ImageReading& reading) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const unsigned count = std::clamp(cores, 1u, kMaxImageWorkers);
  try {
    while (reading.workers.size() < count) {
      reading.workers.emplace_back(work, std::ref(reading));
    }
  } catch (const std::system_error&) {
    // Without threads the images are decoded when the geometry has been read.
  }
}

void stopWorkers(ImageReading& reading) {
  {
    const std::lock_guard lock(reading.mutex);
    reading.closing = true;
  }
  reading.wake.notify_all();
  for (std::thread& worker : reading.workers) {
    worker.join();
  }
  reading.workers.clear();
}

}  // namespace

ImageReading::~ImageReading() {
  stopWorkers(*this);
}

int32_t requestImage(ImageReading& reading, const std::string& path, const std::string& name,
                     ImageUse use) {
  std::string key = path;
  key += use == ImageUse::colour ? "\n colour" : "\n mask";
  int32_t number = 0;
  {
    const std::lock_guard lock(reading.mutex);
    const auto [at, added] =
        reading.numbers.try_emplace(std::move(key), static_cast<int32_t>(reading.requests.size()));
    if (!added) {
      return at->second;
    }
    reading.requests.push_back({path, name, use, Image()});
    number = at->second;
  }
  reading.wake.notify_one();
  if (reading.workers.empty()) {
    startWorkers(reading);
  }
  return number;
}

std::deque<ImageRequest> finishImages(ImageReading& reading) {
  for (;;) {
    std::unique_lock lock(reading.mutex);
    ImageRequest* request = takeRequest(reading);
    lock.unlock();
    if (request == nullptr) {
      break;
    }
    decode(*request);
  }
  stopWorkers(reading);
  return std::move(reading.requests);
}
