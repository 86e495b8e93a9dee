-- wrk report: one machine-readable line (requests, errors, mean/p50/p99 latency in microseconds).
done = function(summary, latency, requests)
  local e = summary.errors
  io.write(string.format("RESULT %d %d %.1f %.1f %.1f %.3f\n",
    summary.requests, e.connect + e.read + e.write + e.timeout,
    latency.mean, latency:percentile(50), latency:percentile(99),
    summary.duration / 1e6))
end
