#pragma once

// Summaries of the values a tolerance analysis collects: the statistics of
// one quantity over the trials, the 95 % interval of a yield, histograms.

#include <span>
#include <vector>

namespace kelvara::tolerance {

/// One quantity over the trials. std is the sample standard deviation
/// (divided by N - 1); p05 and p95 interpolate linearly between the order
/// statistics at (N - 1) p (the usual "type 7" definition).
struct Stats {
  double nominal = 0;
  double mean = 0;
  double std = 0;
  double min = 0;
  double max = 0;
  double p05 = 0;
  double p95 = 0;
};

/// Summarises values (in trial order) around the nominal value. The mean is
/// formed as nominal + sum(v - nominal) / N, summed in trial order, so that
/// values that all equal the nominal give exactly the nominal mean and a
/// standard deviation of 0. A NaN sorts above every number.
Stats Summarise(double nominal, std::span<const double> values);

/// The p-quantile (0 <= p <= 1) of values by linear interpolation between
/// order statistics; reorders values. NaN sorts above every number.
double Quantile(std::vector<double>& values, double p);

/// Wilson score interval at 95 % (z = 1.959963984540054) of passed
/// successes in n trials.
struct Interval {
  double low = 0;
  double high = 0;
};
Interval WilsonInterval95(int passed, int n);

/// Equal-width bins from the smallest to the largest finite value; all
/// values in one bin when they are equal. Values outside (NaN, infinite)
/// are counted in `outside`.
struct Histogram {
  std::vector<double> edges;  // bins + 1 edges, ascending
  std::vector<int> counts;    // bins counts
  int outside = 0;
};
Histogram MakeHistogram(std::span<const double> values, int bins);

}  // namespace kelvara::tolerance
