#pragma once

// Worker threads for the tolerance analyses: the items 0..count-1 are
// handed out in chunks to std::jthread workers; the calling thread waits,
// reports progress and returns when every worker has ended.

#include <functional>
#include <stop_token>

namespace kelvara::tolerance {

/// How an analysis runs: the number of worker threads (0: one per hardware
/// thread), a stop request that ends it early, and a progress receiver
/// (fraction 0..1 of the work done), called on the calling thread only.
struct RunOptions {
  int threads = 0;
  std::stop_token stop;
  std::function<void(double fraction)> progress;
};

/// Number of worker threads the options ask for: at least 1.
int WorkerCount(const RunOptions& options);

/// Calls body(begin, end) for consecutive chunks of at most chunk items on
/// the workers until all count items are done or a stop is requested; the
/// progress receiver sees base + span * done / count. Returns false when
/// stopped (some chunks then never ran). Every worker has ended on return;
/// an exception thrown by body is rethrown here.
bool ParallelChunks(int count, int chunk, const RunOptions& options, double base, double span,
                    const std::function<void(int begin, int end)>& body);

}  // namespace kelvara::tolerance
