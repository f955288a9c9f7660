#pragma once

#include <QString>

#include <chrono>

#include <vector>

// Measured values and their order statistics.
class Samples
{
public:
    void add(double value) { m_values.push_back(value); }
    bool isEmpty() const { return m_values.empty(); }
    std::size_t size() const { return m_values.size(); }

    // The nearest-rank percentile (0 to 100); 0 for no samples.
    double percentile(double p) const;
    double median() const { return percentile(50); }
    double max() const { return percentile(100); }

private:
    std::vector<double> m_values;
};

// "met" or "MISSED", as every benchmark line ends.
QString verdict(bool met);
// One line of a benchmark's report, on stdout at once.
void say(const QString &line);
double microseconds(std::chrono::steady_clock::duration duration);
// The machine's load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them.
QString loadAverage();
