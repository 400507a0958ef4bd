#include "tolerance/parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvara::tolerance {

int WorkerCount(const RunOptions& options) {
  if (options.threads > 0) return options.threads;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

bool ParallelChunks(int count, int chunk, const RunOptions& options, double base, double span,
                    const std::function<void(int begin, int end)>& body) {
  if (count <= 0) return !options.stop.stop_requested();
  chunk = std::max(chunk, 1);
  const int chunks = (count + chunk - 1) / chunk;
  const int workers = std::min(WorkerCount(options), chunks);

  std::atomic<int> nextChunk{0};
  std::atomic<int> done{0};
  std::mutex mutex;
  std::condition_variable wake;
  int running = workers;
  std::exception_ptr failure;
  std::atomic<bool> failed{false};

  auto work = [&] {
    try {
      for (;;) {
        if (options.stop.stop_requested() || failed.load(std::memory_order_relaxed)) break;
        const int c = nextChunk.fetch_add(1, std::memory_order_relaxed);
        if (c >= chunks) break;
        const int begin = c * chunk;
        const int end = std::min(count, begin + chunk);
        body(begin, end);
        done.fetch_add(end - begin, std::memory_order_relaxed);
      }
    } catch (...) {
      std::lock_guard lock(mutex);
      if (!failure) failure = std::current_exception();
      failed = true;
    }
    std::lock_guard lock(mutex);
    --running;
    wake.notify_all();
  };

  {
    std::vector<std::jthread> threads;
    threads.reserve(workers);
    for (int i = 0; i < workers; ++i) threads.emplace_back(work);
    std::unique_lock lock(mutex);
    while (running > 0) {
      wake.wait_for(lock, std::chrono::milliseconds(40), [&] { return running == 0; });
      if (options.progress && running > 0) {
        const double fraction = base + span * done.load(std::memory_order_relaxed) / count;
        lock.unlock();
        options.progress(fraction);
        lock.lock();
      }
    }
  }  // the jthreads join here
  if (failure) std::rethrow_exception(failure);
  const bool complete = done.load() == count;
  if (options.progress && complete) options.progress(base + span);
  return complete;
}

}  // namespace kelvara::tolerance
